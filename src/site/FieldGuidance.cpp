#include "site/FieldGuidance.h"

#include "base/AppInfo.h"
#include "base/UiServices.h"

namespace pelvaro::site {

using base::MessageAnswer;
using base::MessageButtons;
using base::MessageKind;

namespace {

struct GuidedControl
{
    const char* name;
    FieldGuidance::Check check;
};

using Check = FieldGuidance::Check;

constexpr std::array<GuidedControl, FieldGuidance::TagCount> guidedControls{{
    {"TitleEdit", Check::Trim},
    {"URLEdit", Check::Url},
    {"DescriptionShortEdit", Check::Trim},
    {"DescriptionMemo", Check::None},
    {"KeywordsMemo", Check::None},
    {"LanguageCombo", Check::None},
    {"webtypeCombo", Check::None},
    {"CategoryCombo", Check::Category},
    {"FirstNameEdit", Check::Trim},
    {"LastNameEdit", Check::Trim},
    {"sexCombo", Check::None},
    {"GreetingCombo", Check::None},
    {"title_personEdit", Check::Trim},
    {"ageEdit", Check::Age},
    {"NameVornameWebMasterEdit", Check::Trim},
    {"WebmasterEmailEdit", Check::Email},
    {"passwordedit", Check::Trim},
    {"CompanyEdit", Check::Trim},
    {"emailEdit", Check::Email},
    {"countryCombo", Check::None},
    {"StateEdit", Check::Trim},
    {"AddressEdit", Check::Trim},
    {"PostcodeEdit", Check::Trim},
    {"CityEdit", Check::Trim},
    {"phoneEdit", Check::Trim},
    {"FaxEdit", Check::Trim},
    {"mobileEdit", Check::Trim},
    {"tollfreeEdit", Check::Trim},
    {"productsEdit", Check::Trim},
}};

bool validTag(int tag)
{
    return tag >= 0 && tag < FieldGuidance::TagCount;
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Every complaint here is an information box, whatever buttons it carries.
MessageAnswer inform(base::UiServices& ui, const QString& text, MessageButtons buttons)
{
    return ui.showMessage(MessageKind::Information, base::AppInfo::title(), text, buttons);
}

// Both names are matched in capitals anywhere in the text, so any spelling is caught.
const QString makerName = QStringLiteral("TREVANIX");
const QString productInUrl = QStringLiteral("ELVARO");
const QString productInMail = QStringLiteral("ELVAR");

// A text naming the maker or the product is not the user's own data: say so, empty it and
// send the user back.
void rejectNamed(FieldGuidance::ExitCheck& result, const QString& name, const QString& message,
                 base::UiServices& ui)
{
    if (!result.text.toUpper().contains(name))
        return;
    inform(ui, message, MessageButtons::Ok);
    result.text.clear();
    result.focusBack = true;
}

} // namespace

QString FieldGuidance::controlName(int tag)
{
    return validTag(tag) ? QString::fromLatin1(guidedControls[size_t(tag)].name) : QString();
}

int FieldGuidance::tagOf(QStringView controlName)
{
    for (int tag = 0; tag < TagCount; ++tag)
        if (controlName == QLatin1String(guidedControls[size_t(tag)].name))
            return tag;
    return -1;
}

FieldGuidance::Check FieldGuidance::check(int tag)
{
    return validTag(tag) ? guidedControls[size_t(tag)].check : Check::None;
}

QString FieldGuidance::exampleUrl()
{
    return QStringLiteral("http://www.ihre-firma.example/");
}

QString FieldGuidance::exampleWebmasterMail()
{
    return QStringLiteral("webmaster@ihre-firma.example");
}

QString FieldGuidance::exampleInfoMail()
{
    return QStringLiteral("info@ihre-firma.example");
}

const QString& FieldGuidance::hint(int tag)
{
    static const std::array<QString, TagCount> hints{
        QStringLiteral(" Der Titel muß kurz sein, OHNE Superlativen und den Firmennamen "
                       "enthalten! "),
        QStringLiteral("Geben Sie bitte die komplette URL (beginnt mit \"http://\", z. B. ") +
            quoted(exampleUrl()) +
            QStringLiteral(") an, und vergewissern Sie sich, daß sie korrekt ist."),
        QStringLiteral(" Geben Sie eine kurze Beschreibung (ohne Superlativen!) Ihrer Web-Site "
                       "ein (max. 60 Zeichen)"),
        QStringLiteral(" Schreiben Sie bitte einen kurzen verständlichen Satz und vermeiden Sie "
                       "überflüssige Großschreibung (max. 200 Zeichen)."),
        QStringLiteral(" Klicken Sie auf die Schaltfläche \"...\", um die Schlüsselwörter "
                       "einzugeben."),
        QStringLiteral(" Wählen Sie aus der Liste die Sprache aus, die für Ihre Web-Site "
                       "verwendet wird."),
        QStringLiteral(" Wählen Sie aus der Liste den Web-Typen aus, der für Ihre Web-Site am "
                       "ehesten zutrifft"),
        QStringLiteral(" Wählen Sie aus der Liste eine Kategorie aus, die Ihre Web-Site am "
                       "besten beschreibt"),
        QStringLiteral(" Geben Sie Ihren Vornamen ein."),
        QStringLiteral(" Geben Sie Ihren Nachnamen ein."),
        QStringLiteral(" Bitte treffen Sie eine Auswahl"),
        QStringLiteral(" Bitte treffen Sie eine Auswahl"),
        QStringLiteral(" Bitte geben Sie Ihren Titel ein (oder geben Sie z. B. \"/\" ein, falls "
                       "nicht zutreffend)"),
        QStringLiteral(" Bitte geben Sie Ihr Alter ein."),
        QStringLiteral(" Bitte geben Sie den Vornamen und Nachnamen des Webmasters ein."),
        QStringLiteral(" Bitte geben Sie die E-Mail-Adresse des Webmasters ein (z. B. ") +
            exampleWebmasterMail() + QStringLiteral(")."),
        QStringLiteral(" Bitte geben Sie ein Paßwort ein (mind. 8 Zeichen). ACHTUNG: Geben Sie "
                       "KEIN Paßwort ein, das Sie bereits verwenden (z. B. für Ihren "
                       "FTP-Server)!"),
        QStringLiteral(" Bitte geben Sie den Firmennamen ein."),
        QStringLiteral(" Bitte geben Sie die allgemeine Firmen-E-Mail-Adresse ein (z. B. ") +
            exampleInfoMail() + QStringLiteral(")."),
        QStringLiteral(" Bitte wählen Sie aus der Liste das Land aus, in dem sich Ihre Web-Site "
                       "befindet."),
        QStringLiteral(" Bitte wählen Sie Ihr Bundesland aus."),
        QStringLiteral(" Bitte geben Sie die Strasse ein."),
        QStringLiteral(" Bitte geben Sie die Postleistzahl ein."),
        QStringLiteral(" Bitte geben Sie den Ort ein."),
        QStringLiteral(" Bitte geben Sie die Telefonnummer Ihrer Firma ein."),
        QStringLiteral(" Bitte geben Sie die Fax-Nummer Ihrer Firma ein."),
        QStringLiteral(" Bitte geben Sie die Handy-Nummer Ihrer Firma ein."),
        QStringLiteral(" Bitte geben Sie die gebührenfreie Telefonnummer Ihrer Firma ein."),
        QStringLiteral(" Bitte geben Sie Ihre Produkte ein (max. 50 Zeichen)."),
    };
    static const QString none;
    return validTag(tag) ? hints[size_t(tag)] : none;
}

QString FieldGuidance::badUrlMessage()
{
    return QStringLiteral("Die eingegebene URL ist ungültig. Geben Sie die URL bitte wie folgt "
                          "ein: z. B. ") +
           quoted(exampleUrl()) + QStringLiteral("\n\nMöchten Sie den Fehler korrigieren?");
}

QString FieldGuidance::urlNamesMakerMessage()
{
    return QStringLiteral("Bitte geben Sie korrekte Daten ein: z. B. ") + quoted(exampleUrl());
}

QString FieldGuidance::badEmailMessage()
{
    return QStringLiteral("Die eingegebene E-Mail-Adresse ungültig. Geben Sie die "
                          "E-Mail-Adresse bitte wie folgt ein: z. B. ") +
           quoted(exampleInfoMail()) + QStringLiteral("\n\nMöchten Sie den Fehler korrigieren?");
}

QString FieldGuidance::emailNamesMakerMessage()
{
    return QStringLiteral("Bitte geben Sie korrekte Daten ein: z. B. ") + quoted(exampleInfoMail());
}

QString FieldGuidance::badCategoryMessage()
{
    return QStringLiteral("Die Auswahl einer korrekten Kategorie ist für den Anmeldevorgang "
                          "sehr wichtig! Bitte wählen Sie eine gültige Kategorie aus.\n\n"
                          "Möchten Sie den Fehler korrigieren?");
}

QString FieldGuidance::ageMessage()
{
    return QStringLiteral("Geben Sie bitte ein Zahl zwischen 6 und 99 ein");
}

QString FieldGuidance::trimmed(const QString& text)
{
    // Blanks and control characters only: a no-break space is content the user chose.
    const auto strip = [](QChar c) {
        return c == QLatin1Char(' ') || c.category() == QChar::Other_Control;
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && strip(text.at(begin)))
        ++begin;
    while (end > begin && strip(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

FieldGuidance::ExitCheck FieldGuidance::checkUrl(const QString& typed, base::UiServices& ui)
{
    ExitCheck result{typed, false};
    // Not trimmed: a blank before the scheme is an error the user should see.
    if (!typed.toUpper().startsWith(QLatin1String("HTTP")) &&
        inform(ui, badUrlMessage(), MessageButtons::YesNo) == MessageAnswer::Yes)
        result.focusBack = true;
    rejectNamed(result, makerName, urlNamesMakerMessage(), ui);
    rejectNamed(result, productInUrl, urlNamesMakerMessage(), ui);
    return result;
}

bool FieldGuidance::emailFormValid(const QString& text)
{
    // Deliberately coarse: something before the "@" and no "." among the first three
    // characters. An address starting "a.b@" fails it, and the user may keep it by answering
    // No.
    return text.indexOf(QLatin1Char('@')) >= 1 && text.indexOf(QLatin1Char('.')) >= 3;
}

FieldGuidance::ExitCheck FieldGuidance::checkEmail(const QString& typed, base::UiServices& ui)
{
    ExitCheck result{typed, false};
    if (!emailFormValid(typed) &&
        inform(ui, badEmailMessage(), MessageButtons::YesNo) == MessageAnswer::Yes)
        result.focusBack = true;
    rejectNamed(result, makerName, emailNamesMakerMessage(), ui);
    rejectNamed(result, productInMail, emailNamesMakerMessage(), ui);
    return result;
}

bool FieldGuidance::categoryValid(int index)
{
    // Items 18, 28, 110 and 130 are separator lines and 146 holds a single blank: none of
    // them names a category a service could map.
    return (index >= 0 && index <= 17) || (index >= 19 && index <= 27) ||
           (index >= 29 && index <= 109) || (index >= 111 && index <= 129) ||
           (index >= 131 && index <= 145);
}

bool FieldGuidance::checkCategory(int index, base::UiServices& ui)
{
    return !categoryValid(index) &&
           inform(ui, badCategoryMessage(), MessageButtons::YesNo) == MessageAnswer::Yes;
}

bool FieldGuidance::ageAccepted(const QString& text)
{
    if (text.isEmpty())
        return true;
    if (text.size() > 2)
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    const int age = text.toInt();
    return age >= 6 && age <= 99;
}

bool FieldGuidance::checkAge(const QString& text, base::UiServices& ui)
{
    if (ageAccepted(text))
        return false;
    inform(ui, ageMessage(), MessageButtons::Ok);
    return true;
}

FieldGuidance::ExitCheck FieldGuidance::leave(int tag, const QString& text, int itemIndex,
                                              base::UiServices& ui)
{
    switch (check(tag)) {
    case Check::None:
        break;
    case Check::Trim:
        return {trimmed(text), false};
    case Check::Url:
        return checkUrl(text, ui);
    case Check::Email:
        return checkEmail(text, ui);
    case Check::Category:
        return {text, checkCategory(itemIndex, ui)};
    case Check::Age:
        return {text, checkAge(text, ui)};
    }
    return {text, false};
}

int FieldGuidance::firstEmptyRequired(const std::array<QString, TagCount>& texts)
{
    for (int tag = 0; tag < TagCount; ++tag) {
        // The age always holds a value as far as the run is concerned: giving it is optional.
        if (tag == AgeTag)
            continue;
        if (texts[size_t(tag)].isEmpty())
            return tag;
    }
    return -1;
}

qsizetype FieldGuidance::memoLength(const QString& plainText)
{
    return plainText.size() + plainText.count(QLatin1Char('\n'));
}

QString FieldGuidance::metaFieldStatus(bool markedTooLong, const QString& importSource)
{
    if (!markedTooLong)
        return QString();
    return QStringLiteral("Unzulässige Größe: Eintrag (aus %1) überschreitet die zulässige Größe!")
        .arg(importSource);
}

} // namespace pelvaro::site
