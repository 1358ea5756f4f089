#pragma once

#include <QString>
#include <QStringView>

#include <array>

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::site {

// The guidance of the site description page: for each guided control (by its tag, 0 to 28)
// the hint shown while it has the focus and the check run when the user leaves it, and the
// search for the first empty required field. The page only forwards focus changes here and
// applies what comes back, so every rule can be tested without a window.
class FieldGuidance
{
public:
    static constexpr int TagCount = 29;

    // Tags of the controls whose checks differ from a plain trim.
    static constexpr int UrlTag = 1;
    static constexpr int DescriptionMemoTag = 3;
    static constexpr int KeywordsMemoTag = 4;
    static constexpr int CategoryTag = 7;
    static constexpr int AgeTag = 13;
    static constexpr int WebmasterEmailTag = 15;
    static constexpr int EmailTag = 18;

    // The long description accepts this many characters from the keyboard, a line break
    // counting as the two characters it takes in the record.
    static constexpr qsizetype DescriptionMemoLimit = 200;

    enum class Check
    {
        None,
        Trim,
        Url,
        Email,
        Category,
        Age
    };

    // What the control must do after its check: show text (possibly trimmed or emptied) and,
    // when focusBack is set, take the focus back so the user can correct the entry.
    struct ExitCheck
    {
        QString text;
        bool focusBack = false;
        bool operator==(const ExitCheck&) const = default;
    };

    // The control's object name, e.g. "URLEdit"; empty for a tag out of range.
    static QString controlName(int tag);
    // The tag of a guided control, or -1.
    static int tagOf(QStringView controlName);
    static Check check(int tag);
    // The status-bar text while the control has the focus, blanks at its edges included.
    static const QString& hint(int tag);

    // The example addresses the hints and complaints show.
    static QString exampleUrl();
    static QString exampleWebmasterMail();
    static QString exampleInfoMail();

    // Leading and trailing blanks and control characters removed.
    static QString trimmed(const QString& text);
    // The URL check on the text as typed: scheme, then the maker's and the product's name.
    static ExitCheck checkUrl(const QString& typed, base::UiServices& ui);
    // The e-mail check on the text as typed: form, then the maker's and the product's name.
    static ExitCheck checkEmail(const QString& typed, base::UiServices& ui);
    static bool emailFormValid(const QString& text);
    // Complains about a separator, the blank item or no choice; returns whether the focus
    // goes back to the list.
    static bool checkCategory(int index, base::UiServices& ui);
    static bool categoryValid(int index);
    // An empty age means no age was given; otherwise a whole number from 6 to 99.
    static bool ageAccepted(const QString& text);
    // Complains about a rejected age; returns whether the focus goes back.
    static bool checkAge(const QString& text, base::UiServices& ui);
    // Runs the check of the control with this tag. itemIndex matters for the category list
    // only; a control without a check gets its text back unchanged.
    static ExitCheck leave(int tag, const QString& text, int itemIndex, base::UiServices& ui);

    // The tag of the first required field whose text is empty, or -1. Texts are in tag
    // order; a list contributes its current item's text, a memo its whole text.
    static int firstEmptyRequired(const std::array<QString, TagCount>& texts);

    // The length a memo text takes in the record, where each line break is CR LF.
    static qsizetype memoLength(const QString& plainText);

    static QString badUrlMessage();
    static QString badEmailMessage();
    static QString urlNamesMakerMessage();
    static QString emailNamesMakerMessage();
    static QString badCategoryMessage();
    static QString ageMessage();

    // The meta-tag page's fields that an import marked as too long explain themselves when
    // entered; any other field there clears the status bar.
    static QString metaFieldStatus(bool markedTooLong, const QString& importSource);
};

} // namespace pelvaro::site
