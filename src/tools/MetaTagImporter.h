#pragma once

#include "base/UiServices.h"
#include "tools/MetaTagGenerator.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <vector>

namespace pelvaro::tools {

// A box the window shows after the action, in the order given.
struct MetaTagMessage
{
    base::MessageKind kind = base::MessageKind::Information;
    QString text;

    bool operator==(const MetaTagMessage&) const = default;
};

void showMetaTagMessages(base::UiServices& ui, const std::vector<MetaTagMessage>& messages);

struct HeadExtraction
{
    bool found = false;
    QString text;
    // The warning or the file system's message when nothing was found.
    std::vector<MetaTagMessage> messages;
};

struct MetaTagImportResult
{
    // The form after the action; it equals the form handed in when the import stopped
    // before emptying it (no head section, unreadable file).
    MetaTagForm form;
    bool formReplaced = false;
    // Controls to be shown red with white text.
    QStringList redFields;
    // The file to name in the oversize notice; empty when the import stopped early.
    QString lastChosenFile;
    QStringList tagTexts;
    std::vector<MetaTagMessage> messages;
};

// Reads the META tags of an HTML page back into the meta-tag form and extracts its HEAD
// section. The rules deliberately reproduce how earlier releases read pages, quirks
// included, so a page reads the same as it always did.
class MetaTagImporter
{
public:
    enum class HeadPart
    {
        // From "<HEAD>" up to, not including, the end tag: what the import reads.
        ForImport,
        // Through the seven characters of a plain end tag: what the HEAD view shows.
        ForView
    };

    static HeadExtraction extractHead(const QString& path, HeadPart part);

    // `current` is the form as it stands: a failed read leaves it, and the date picker
    // keeps its date unless an expiry date replaces it. `dateLocale` supplies the user's
    // short date format the expiry date is read with.
    static MetaTagImportResult importFile(const QString& path, const MetaTagForm& current,
                                          const QLocale& dateLocale = QLocale());

    // The import's steps from an extracted section on, for callers that hold the text.
    static MetaTagImportResult importSection(const QString& section, const MetaTagForm& current,
                                             const QLocale& dateLocale = QLocale());

    static QStringList collectTagTexts(const QString& section);
    static QString cleanTagText(const QString& tagText);

    static QString supportAddress();
    static QString headNotFoundText();
    static QString headEndMissingText();
    static QString emptyTagText();
    static QString tooManyMatchesText();
    static QString nothingReadText();
};

} // namespace pelvaro::tools
