#pragma once

#include <QColor>
#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::tools {

// Which of the three expiry boxes is ticked; at most one ever is.
enum class ExpiryChoice
{
    None,
    Nie,
    Sofort,
    Datum
};

// The form's controls, in the order the completeness check walks them for the focus.
enum class MetaTagField
{
    EditAutor,
    EditHerausgeber,
    EditCopyright,
    ComboBoxThema,
    MemoKeys,
    MemoBeschreibung,
    ComboBoxSeitentyp,
    ComboBoxIndizierung,
    ComboBoxZielgruppe,
    DateTimePicker
};

// The values of the meta-tag form. Members carry the controls' names so the page can map
// them one to one.
struct MetaTagForm
{
    QString EditAutor{};
    QString EditHerausgeber{};
    QString EditCopyright{};
    QString MemoKeys{};
    QString MemoBeschreibung{};
    QString ComboBoxThema{};
    QString ComboBoxSeitentyp{};
    QString ComboBoxZielgruppe{};
    // Position in MetaTagLists::indizierungEntries(), -1 when nothing is chosen.
    int ComboBoxIndizierung = -1;
    ExpiryChoice expiry = ExpiryChoice::None;
    // Only its date counts.
    QDate DateTimePicker{};

    bool operator==(const MetaTagForm&) const = default;
};

// What happened when the user asked for tags.
struct MetaTagRun
{
    // False when the user chose to fill in the form first: nothing was generated and the
    // form is unchanged.
    bool generated = false;
    // Where the page puts the focus when nothing was generated.
    std::optional<MetaTagField> focus;
    // The whole new content of MemoErzeugteTags; each tag ends with CR LF.
    QString tags;
};

class MetaTagGenerator
{
public:
    static constexpr int kLineLimit = 64;
    static constexpr int kMemoLimit = 256;

    // The length monitor's marking of a field that is too long.
    static QColor tooLongBackground() { return QColor(255, 0, 0); }
    static QColor tooLongText() { return QColor(255, 255, 255); }

    static QString questionFillInFirst();
    static QString informationNothingGenerated();
    // Status bar texts of the page.
    static QString statusPageShown();
    static QString statusTooLong(const QString& lastChosenHtmlFile);

    // The control's object name, as the page names its widgets.
    static QString objectName(MetaTagField field);
    static int limit(MetaTagField field);
    // The text a field shows; for the indexing list, the chosen entry.
    static QString text(const MetaTagForm& form, MetaTagField field);
    // Memo line breaks count as CR LF, the form they take in the generated tags, whatever
    // form the editor delivers them in.
    static qsizetype memoLength(const QString& text);
    // The fields the length monitor marks red; empty means the monitor may stop.
    static std::vector<MetaTagField> fieldsOverLimit(const MetaTagForm& form);

    // Ticking a box unticks the other two; unticking leaves none ticked.
    static ExpiryChoice toggleExpiry(ExpiryChoice current, ExpiryChoice box, bool ticked);
    // English, independent of the locale: "Mon, 7 Dec 2026 00:00:00 GMT".
    static QString expiryDateText(const QDate& date);

    // std::nullopt when the form is complete; otherwise the field that gets the focus when
    // the user wants to fill in the form first. Blank-only texts count as filled in.
    static std::optional<MetaTagField> firstMissing(const MetaTagForm& form);

    // Trims every text field (codes 0 to 32 at both ends) in place and returns the tags,
    // each ending with CR LF; empty when no field gave a tag.
    static QString generate(MetaTagForm& form);

    // The whole "Meta-Tags generieren" command, with its question and its information box.
    static MetaTagRun run(MetaTagForm& form, base::UiServices& ui);
};

} // namespace pelvaro::tools
