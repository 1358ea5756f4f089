#pragma once

#include <chrono>

namespace pelvaro::test {

// How long a test waits for something a healthy party will do. The submission workers run
// at the lowest priority, so on a machine whose cores are busy with other work they may get
// no turn for many seconds: the wait ends with the event, and this bound only turns a hang
// into a clear failure shortly before the test's watchdog (120 s) would end it.
inline constexpr std::chrono::milliseconds HealthyWait{100'000};
inline constexpr int HealthyWaitMs = int(HealthyWait.count());

} // namespace pelvaro::test
