#include "site/KeywordEditor.h"

#include "base/Windows1252.h"

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

QString KeywordEditor::directEditMessage()
{
    return QStringLiteral(
        "Dieses Feld kann nicht direkt bearbeitet werden. \n\nKlicken Sie auf die "
        "Schaltfläche \"...\" (rechts neben dem Eingabefeld \"Schlüsselwörter\"),\num die "
        "Schlüsselwörter Ihrer Web-Site einzugeben.");
}

} // namespace pelvaro::site
