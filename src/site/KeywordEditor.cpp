#include "site/KeywordEditor.h"

#include "base/Windows1252.h"

#include <QStringList>

#include <algorithm>

namespace pelvaro::site {

KeywordEditor::Result KeywordEditor::confirm(const Keywords& fields)
{
    Result result;
    for (size_t i = 0; i < fields.size(); ++i) {
        const QString& keyword = fields[i];
        // The slot is cut to fit the record, the list keeps the keyword as typed: the
        // submitted list is what counts, the slots only preset the dialog next time.
        result.slotTexts[i] = base::Windows1252::truncated(keyword, SlotCapacity);
        if (keyword.isEmpty())
            continue;
        if (!result.memoText.isEmpty())
            result.memoText += QStringLiteral(", ");
        result.memoText += keyword;
    }
    return result;
}

KeywordEditor::Keywords KeywordEditor::preset(const Keywords& keywordSlots, const QString& memoText)
{
    if (std::any_of(keywordSlots.begin(), keywordSlots.end(),
                    [](const QString& s) { return !s.isEmpty(); }))
        return keywordSlots;
    // A list from an older file may hold line breaks where it was typed on several lines;
    // they part keywords as the separator does.
    QString text = memoText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(", "));
    text.replace(QLatin1Char('\n'), QStringLiteral(", "));
    text.replace(QLatin1Char('\r'), QStringLiteral(", "));
    QStringList keywords = text.split(QStringLiteral(", "), Qt::SkipEmptyParts);
    Keywords fields;
    const qsizetype shown = std::min<qsizetype>(keywords.size(), FieldCount);
    for (qsizetype i = 0; i < shown; ++i)
        fields[size_t(i)] = keywords.at(i);
    if (keywords.size() > FieldCount)
        fields[FieldCount - 1] = keywords.mid(FieldCount - 1).join(QStringLiteral(", "));
    return fields;
}

QString KeywordEditor::directEditMessage()
{
    return QStringLiteral(
        "Dieses Feld kann nicht direkt bearbeitet werden. \n\nKlicken Sie auf die "
        "Schaltfläche \"...\" (rechts neben dem Eingabefeld \"Schlüsselwörter\"),\num die "
        "Schlüsselwörter Ihrer Web-Site einzugeben.");
}

} // namespace pelvaro::site
