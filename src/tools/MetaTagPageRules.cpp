#include "tools/MetaTagPageRules.h"

#include "tools/MetaTagGenerator.h"

#include <algorithm>

namespace pelvaro::tools {

QString MetaTagPageRules::noFileForImportText()
{
    return QStringLiteral("Sie müssen zunächst eine Datei markieren.\n\nWählen Sie dazu ein "
                          "Laufwerk/Verzeichnis im Feld oben links. Anschließend klicken Sie im "
                          "Feld darunter auf eine HTML-Datei.");
}

QString MetaTagPageRules::noFileForHeadText()
{
    return QStringLiteral("Sie müssen zunächst eine Datei markieren.");
}

QString MetaTagPageRules::nothingToCopyText()
{
    return QStringLiteral(
        "Es gibt nichts zu kopieren! \n\nFüllen Sie zuerst alle Felder aus und klicken Sie dann "
        "auf die Schaltfläche \"Meta-Tags generieren\".\nNun können Sie die Meta-Tags aus dem "
        "großen Bearbeitungsfeld (unten, mitte) über die Schaltfläche \"In Datei schreiben\", "
        "oder mit einem anderen Editor, in Ihre HTML-Datei(en) einfügen.");
}

QString MetaTagPageRules::headDialogTitle()
{
    return QStringLiteral("HEAD-Abschnitt");
}

QString MetaTagPageRules::editFileDialogTitle()
{
    return QStringLiteral("Wählen Sie eine HTML-Datei aus");
}

base::FileDialogRequest MetaTagPageRules::editFileRequest(const QString& selectedFolder,
                                                          const QString& selectedFileName,
                                                          const QString& qtFilter)
{
    base::FileDialogRequest request;
    request.title = editFileDialogTitle();
    request.filter = qtFilter;
    request.defaultSuffix = QStringLiteral("html");
    // A file path as the start directory opens its folder with the file preselected.
    if (!selectedFileName.isEmpty())
        request.directory = selectedFolder + QLatin1Char('/') + selectedFileName;
    request.confirmOverwrite = false;
    return request;
}

bool MetaTagPageRules::copyTags(const QString& tags, base::UiServices& ui)
{
    if (tags.isEmpty()) {
        ui.information(nothingToCopyText());
        return false;
    }
    ui.setClipboardText(tags);
    return true;
}

EditCut MetaTagPageRules::refusedPart(const QString& before, const QString& after, qsizetype limit,
                                      bool memo)
{
    const auto length = [memo](QStringView text) {
        return memo ? MetaTagGenerator::memoLength(text.toString()) : text.size();
    };
    const qsizetype allowed = std::max(limit, length(before));
    qsizetype excess = length(after) - allowed;
    if (excess <= 0)
        return {};

    // The edit replaced what lies between the common start and the common end.
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before.at(prefix) == after.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           before.at(before.size() - 1 - suffix) == after.at(after.size() - 1 - suffix))
        ++suffix;
    const qsizetype insertedEnd = after.size() - suffix;

    qsizetype from = insertedEnd;
    while (excess > 0 && from > prefix) {
        --from;
        excess -= length(QStringView(after).mid(from, 1));
    }
    return {from, insertedEnd - from};
}

} // namespace pelvaro::tools
