#include "updates/TransferDisplay.h"

namespace pelvaro::updates {

TransferDisplay::~TransferDisplay() = default;

} // namespace pelvaro::updates
