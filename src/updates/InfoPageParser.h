#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

namespace pelvaro::updates {

// Names of the META tags an information page is read through; an empty name is not read.
struct TWfiTags
{
    QString ProductNameTag = QStringLiteral("produkt");
    QString VersionTag = QStringLiteral("version");
    QString DateTag = QStringLiteral("datum");
    QString AuthorTag = QStringLiteral("autor");
    QString DownloadTag = QStringLiteral("url");
    QString ReadMeTag = QStringLiteral("info");
    QString RunParamsTag = QStringLiteral("parameter");
    QString AuthorEMailTag;
    QString ReadMeExtTag;
    QString RedirectTag;

    bool allEmpty() const;
};

// What an information page announces.
struct InfoValues
{
    QString ProductName;
    QString ProductVersion;
    QString ProductDateStr;
    QString ProductAuthor;
    QString ProductAuthorEMail;
    QString ProductReadMe;
    QString ProductReadMeExt;
    QString DownloadURL;
    QString RunParams;
    QString Redirect;

    bool operator==(const InfoValues&) const = default;
};

// Reads an information page: a text read line by line, where a line like
//   <META HTTP-EQUIV="version" CONTENT="3.0">
// sets the value of the tag it names.
class InfoPageParser
{
public:
    struct Tag
    {
        QString name;
        QString value;
    };

    // The first tag of a line: "META HTTP-EQUIV" in any letter case directly followed by
    // ="name", and CONTENT=" in capitals somewhere in the line with the value up to the
    // next double quote. Nothing when the line holds no complete tag.
    static std::optional<Tag> tagOfLine(const QString& line);
    // Every line's tag sets the value whose tag name equals it exactly; a later line
    // overrides an earlier one.
    static InfoValues parse(const QString& text, const TWfiTags& tags);
    // "Dec 07, 2026": the month as its English abbreviation in any case, the day as the two
    // digits before the first comma, the year as the last four characters. Throws
    // pelvaro::Error for a text of another form.
    static QDate parseDate(const QString& text);
    // Pages and information files are Windows-1252 text.
    static QString decode(const QByteArray& bytes);
};

} // namespace pelvaro::updates
