#include "tools/ManualAssistant.h"

#include "base/DayNumber.h"
#include "base/UiServices.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/store/TableCursor.h"
#include "site/SiteRecord.h"

namespace pelvaro::tools {

namespace {

constexpr int nameLimit = 10;

QString text(const catalogue::store::TableCursor& cursor, const char* field)
{
    return cursor.value(QLatin1String(field)).toString();
}

} // namespace

ManualAssistant::Values ManualAssistant::valuesOf(const site::SiteRecord& record)
{
    return {QString(),
            record.TitleEdit,
            record.URLEdit,
            record.DescriptionShortEdit,
            record.DescriptionMemo,
            record.KeywordsMemo,
            record.FirstNameEdit,
            record.LastNameEdit,
            record.WebmasterEmailEdit,
            record.CompanyEdit,
            record.PostcodeEdit,
            record.CityEdit,
            record.AddressEdit};
}

QString ManualAssistant::caption(int number)
{
    switch (number) {
    case 1:
        return QStringLiteral("&Titel");
    case 2:
        return QStringLiteral("&URL");
    case 3:
        return QStringLiteral("Beschreibung (&kurz)");
    case 4:
        return QStringLiteral("&Beschreibung (lang)");
    case 5:
        return QStringLiteral("&Schlüsselwörter");
    case 6:
        return QStringLiteral("&Vorname");
    case 7:
        return QStringLiteral("&Nachname");
    case 8:
        return QStringLiteral("&E-Mail-Adresse");
    case 9:
        return QStringLiteral("&Firma");
    case 10:
        return QStringLiteral("&PLZ");
    case 11:
        return QStringLiteral("&Ort");
    case 12:
        return QStringLiteral("St&rasse");
    default:
        return {};
    }
}

const std::array<int, ManualAssistant::ValueCount>& ManualAssistant::stackingOrder()
{
    static constexpr std::array<int, ValueCount> order{1, 2, 3, 4, 5, 9, 8, 7, 6, 12, 11, 10};
    return order;
}

QString ManualAssistant::missingValuesQuestion()
{
    return QStringLiteral(
        "Sie haben keine Kenndaten eingegeben (Seitenregister \"Kenndaten eingeben\"). \n\nDie "
        "Anmeldehilfe erleichtert Ihnen die manuelle Anmeldung erheblich, indem sie Ihnen (unter "
        "anderem) die Kenndaten über Schaltflächen zum Kopieren und Einfügen zur Verfügung "
        "stellt.\n\nMöchten Sie trotzdem die Anmeldehilfe aufrufen?");
}

QString ManualAssistant::nothingManualText()
{
    return QStringLiteral(
        "Es ist kein Suchdienst ausgewählt, der nur manuell angemeldet werden kann.\n\nHinweis: "
        "Die \"Anmeldehilfe\" ist nur für Suchdienste verfügbar, bei denen *nicht* automatisch "
        "angemeldet werden kann.");
}

ManualAssistant::Start ManualAssistant::checkStart(base::UiServices& ui,
                                                   const std::function<int()>& requiredFieldCheck,
                                                   const catalogue::SelectionCounters& counters)
{
    // Missing values are only a question: the assistant is still of use without them, it
    // then copies empty texts.
    if (requiredFieldCheck && requiredFieldCheck() != -1 &&
        ui.question(missingValuesQuestion()) != base::MessageAnswer::Yes)
        return Start::ToSitePage;
    if (counters.AnzManuell == 0) {
        ui.information(nothingManualText());
        return Start::Stop;
    }
    return Start::Go;
}

QString ManualAssistant::noLinkCaption()
{
    return QStringLiteral("Kein Eintrag ausgewählt/verfügbar");
}

ManualAssistant::ServiceDisplay ManualAssistant::display(const QString& name, const QString& url,
                                                         const QString& manuellUrl,
                                                         const QString& remark)
{
    ServiceDisplay out;
    out.startPage.caption = noLinkCaption();
    out.registrationPage.caption = noLinkCaption();
    // A registration page is offered only beside a usable start page: an entry without
    // name or address is no service to register with.
    if (!name.isEmpty() && !url.isEmpty()) {
        out.startPage = {QStringLiteral("Zur Startseite"), url, true};
        if (!manuellUrl.isEmpty())
            out.registrationPage = {QStringLiteral("Zur \"Anmeldung\""), manuellUrl, true};
    }
    out.name = name.size() > nameLimit ? name.left(nameLimit) + QStringLiteral("...") : name;
    out.remark = remark;
    return out;
}

ManualAssistant::ServiceDisplay
ManualAssistant::display(const catalogue::store::TableCursor& manual)
{
    if (!manual.isOpen() || manual.isEmpty())
        return display({}, {}, {}, {});
    return display(text(manual, "Name"), text(manual, "URL"), text(manual, "ManuellURL"),
                   text(manual, "Bemerkung"));
}

QString ManualAssistant::registrationDone(catalogue::store::TableCursor& manual, const QDate& today)
{
    if (!manual.isOpen() || manual.isEmpty())
        return {};
    manual.edit();
    manual.setValue(QStringLiteral("ZuletztRegistriert"), base::DayNumber::fromDate(today));
    manual.post();
    manual.next();
    return text(manual, "URL");
}

} // namespace pelvaro::tools
