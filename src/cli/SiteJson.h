#pragma once

#include "site/SiteRecord.h"

#include <QJsonObject>

namespace pelvaro::cli {

// The site record as JSON for the command line: keys are the record's control names, the
// six lists are item index numbers.
class SiteJson
{
public:
    // All keys of the record in record order, plus FullName and the non-zero date entries
    // as [Nr, "YYYY-MM-DD"].
    static QJsonObject toJson(const site::SiteRecord& record);
    // Builds a record from the keys given; missing keys stay empty (or -1). Texts are cut
    // to their capacities and FullName is derived. FullName and dates are accepted and
    // ignored, so that the output of "site show" can be fed back. Throws pelvaro::Error
    // on an unknown key, a wrong type or an item index outside its list.
    static site::SiteRecord fromJson(const QJsonObject& object);

    // The JSON object a command reads; throws pelvaro::Error, naming the position, when the
    // text is no JSON or no object.
    static QJsonObject parseObject(const QByteArray& json);

    // Days since 30 December 1899 as YYYY-MM-DD; empty when the value is no valid date.
    static QString dateText(double days);
};

} // namespace pelvaro::cli
