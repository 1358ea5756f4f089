#include "updates/InfoPageParser.h"

#include "base/Error.h"
#include "base/Windows1252.h"

namespace pelvaro::updates {

bool TWfiTags::allEmpty() const
{
    for (const QString* name :
         {&ProductNameTag, &VersionTag, &DateTag, &AuthorTag, &DownloadTag, &ReadMeTag,
          &RunParamsTag, &AuthorEMailTag, &ReadMeExtTag, &RedirectTag}) {
        if (!name->isEmpty())
            return false;
    }
    return true;
}

std::optional<InfoPageParser::Tag> InfoPageParser::tagOfLine(const QString& line)
{
    static const QString equiv = QStringLiteral("META HTTP-EQUIV=\"");
    static const QString content = QStringLiteral("CONTENT=\"");
    const qsizetype at = line.indexOf(equiv, 0, Qt::CaseInsensitive);
    if (at < 0)
        return std::nullopt;
    const qsizetype nameStart = at + equiv.size();
    const qsizetype nameEnd = line.indexOf(u'"', nameStart);
    if (nameEnd < 0)
        return std::nullopt;
    const qsizetype valueAt = line.indexOf(content, 0, Qt::CaseSensitive);
    if (valueAt < 0)
        return std::nullopt;
    const qsizetype valueStart = valueAt + content.size();
    const qsizetype valueEnd = line.indexOf(u'"', valueStart);
    if (valueEnd < 0)
        return std::nullopt;
    return Tag{line.mid(nameStart, nameEnd - nameStart),
               line.mid(valueStart, valueEnd - valueStart)};
}

InfoValues InfoPageParser::parse(const QString& text, const TWfiTags& tags)
{
    InfoValues values;
    const std::pair<const QString*, QString*> targets[] = {
        {&tags.ProductNameTag, &values.ProductName},
        {&tags.VersionTag, &values.ProductVersion},
        {&tags.DateTag, &values.ProductDateStr},
        {&tags.AuthorTag, &values.ProductAuthor},
        {&tags.DownloadTag, &values.DownloadURL},
        {&tags.ReadMeTag, &values.ProductReadMe},
        {&tags.RunParamsTag, &values.RunParams},
        {&tags.AuthorEMailTag, &values.ProductAuthorEMail},
        {&tags.ReadMeExtTag, &values.ProductReadMeExt},
        {&tags.RedirectTag, &values.Redirect},
    };
    for (QStringView line : QStringView(text).split(u'\n')) {
        const std::optional<Tag> tag = tagOfLine(line.toString());
        if (!tag)
            continue;
        for (const auto& [name, value] : targets) {
            if (!name->isEmpty() && *name == tag->name)
                *value = tag->value;
        }
    }
    return values;
}

QDate InfoPageParser::parseDate(const QString& text)
{
    static const QString months = QStringLiteral("JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC");
    const auto bad = [&text] {
        return Error(QStringLiteral("\"%1\" ist kein gültiges Datum.").arg(text));
    };
    const qsizetype comma = text.indexOf(u',');
    if (text.size() < 4 || comma < 2)
        throw bad();
    const qsizetype month = months.indexOf(text.left(3).toUpper());
    if (text.left(3).size() != 3 || month < 0 || month % 3 != 0)
        throw bad();
    const auto number = [](QStringView digits) {
        int value = 0;
        for (QChar c : digits) {
            if (c < u'0' || c > u'9')
                return -1;
            value = value * 10 + (c.unicode() - u'0');
        }
        return value;
    };
    const int day = number(QStringView(text).sliced(comma - 2, 2));
    const int year = number(QStringView(text).last(4));
    const QDate date(year, int(month / 3) + 1, day);
    if (day < 0 || year < 0 || !date.isValid())
        throw bad();
    return date;
}

QString InfoPageParser::decode(const QByteArray& bytes)
{
    return base::Windows1252::decode(bytes);
}

} // namespace pelvaro::updates
