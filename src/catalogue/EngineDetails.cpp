#include "catalogue/EngineDetails.h"

#include "catalogue/CatalogueTableModel.h"
#include "catalogue/store/TableCursor.h"
#include "site/SiteRecord.h"

#include <QLocale>

#include <cmath>

namespace pelvaro::catalogue {

namespace {

QString kindText(const QString& kind, const QString& previous)
{
    if (kind == QLatin1String("S"))
        return QStringLiteral("Suchmaschine (Engine)");
    if (kind == QLatin1String("V"))
        return QStringLiteral("Verzeichnis (Directory)");
    if (kind == QLatin1String("A"))
        return QStringLiteral("Sonstiges");
    return previous;
}

QString ratingText(const QVariant& rating, const QString& previous)
{
    if (!rating.isValid())
        return QStringLiteral("Suchdienst wurde noch nicht bewertet");
    switch (rating.toInt()) {
    case 0:
        return QStringLiteral("Neuer, bzw. nicht sehr wichtiger Suchdienst");
    case 1:
        return QStringLiteral("Kleiner Suchdienst");
    case 2:
        return QStringLiteral("Wichtiger Suchdienst");
    case 3:
        return QStringLiteral("Sehr wichtiger Suchdienst");
    case 4:
        return QStringLiteral("Top-Suchdienst");
    default:
        return previous;
    }
}

QString waitingText(const QVariant& longestWait, const QString& kind, const QString& previous)
{
    // A service that gives no longest waiting time still has a typical one for its kind.
    const int days = longestWait.isValid() ? longestWait.toInt() : 0;
    if (days == 0) {
        if (kind == QLatin1String("V") || kind == QLatin1String("A"))
            return QStringLiteral("Unterschiedlich (in der Regel mehrere Wochen)");
        if (kind == QLatin1String("S"))
            return QStringLiteral("Unterschiedlich (in der Regel einige Tage)");
        return previous;
    }
    const long weeks = std::lround(days / 7.0);
    if (weeks >= 1)
        return QStringLiteral("Bis zu %1 Wochen").arg(weeks);
    return QStringLiteral("Ca. %1 Tage").arg(days);
}

} // namespace

EngineDetailTexts EngineDetails::describe(const store::TableCursor& view, int listCode,
                                          const EngineDetailTexts& previous,
                                          const site::SiteRecord* site)
{
    if (!view.isOpen() || view.isEmpty())
        return previous;
    QVariantMap row;
    for (const store::FieldDef& field : view.table().fields)
        row.insert(field.name, view.value(field.name));
    return describe(row, listCode, previous, site);
}

QString EngineDetails::timeText(const QDateTime& utc)
{
    return utc.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

SubmissionTexts EngineDetails::describeSubmission(const site::LedgerEntry* entry, bool indexNow,
                                                  const site::SiteRecord* site)
{
    using Outcome = site::LedgerEntry::Outcome;
    SubmissionTexts out;
    if (!entry)
        return out;
    out.last = entry->when.isValid() ? timeText(entry->when) : QStringLiteral("unbekannt");
    switch (entry->outcome) {
    case Outcome::Accepted:
        out.outcome = QStringLiteral("angenommen");
        break;
    case Outcome::AcceptedPending:
        out.outcome = QStringLiteral("angenommen, Schlüssel wird noch geprüft");
        break;
    case Outcome::Failed:
        out.outcome = QStringLiteral("fehlgeschlagen");
        break;
    case Outcome::TooManyRequests:
        out.outcome = QStringLiteral("zu viele Anfragen");
        if (entry->notBefore.isValid())
            out.outcome +=
                QStringLiteral(" – nächster Versuch frühestens ") + timeText(entry->notBefore);
        break;
    case Outcome::None:
        out.outcome = QStringLiteral("unbekannt");
        break;
    }
    // Accepted, yet the ledger asks for it again: the user should see why.
    if (site && entry->accepted() && site->ledger.needsSubmission(entry->nr, indexNow, *site))
        out.outcome += indexNow
                           ? QStringLiteral(" (Schlüssel oder Adressen wurden seither geändert)")
                           : QStringLiteral(" (die Angaben wurden seither geändert)");

    QString message = entry->message;
    message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    message.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (entry->statusCode > 0)
        out.answer = message.isEmpty()
                         ? QStringLiteral("Status %1").arg(entry->statusCode)
                         : QStringLiteral("Status %1: %2").arg(entry->statusCode).arg(message);
    else
        out.answer = message;

    if (indexNow || !entry->addresses.isEmpty()) {
        const qsizetype count = entry->addresses.size();
        const QString number = QLocale(QLocale::German, QLocale::Germany).toString(count);
        out.addressCount = count == 1 ? QStringLiteral("1 Adresse übermittelt")
                                      : QStringLiteral("%1 Adressen übermittelt").arg(number);
        out.addresses = entry->addresses;
    }
    return out;
}

EngineDetailTexts EngineDetails::describe(const QVariantMap& row, int listCode,
                                          const EngineDetailTexts& previous,
                                          const site::SiteRecord* site)
{
    const auto text = [&row](const char* field) {
        return row.value(QLatin1String(field)).toString();
    };
    const QString name = text("Name");
    const QString kind = text("Kategorie");

    EngineDetailTexts out;
    out.name = name;
    const QString land = text("Land");
    out.land = land.isEmpty() ? QStringLiteral("<Information nicht verfügbar>") : land;
    out.kategorie = kindText(kind, previous.kategorie);
    // The exclamation mark tells a selected service apart: it will really be submitted.
    if (row.value(QStringLiteral("NurManuell")).toBool())
        out.aAnmeldung = QStringLiteral("Nur manuelle Anmeldung");
    else
        out.aAnmeldung = listCode == 1 ? QStringLiteral("Ja") : QStringLiteral("Ja!");
    out.kostenpflichtig = row.value(QStringLiteral("KostetGeld")).toBool()
                              ? QStringLiteral("Ja, dies ist ein kostenpflichtiger Suchdienst")
                              : QStringLiteral("Nein, die Anmeldung ist kostenfrei");
    out.bewertung = ratingText(row.value(QStringLiteral("Bewertung")), previous.bewertung);
    out.wartezeit = waitingText(row.value(QStringLiteral("AufnahmeMax")), kind, previous.wartezeit);
    const QString date =
        CatalogueTableModel::dateText(row.value(QStringLiteral("ZuletztRegistriert")));
    out.zuletztRegistriert =
        date.isEmpty()
            ? QStringLiteral(
                  "Sie haben Ihre aktuelle Web-Site noch nicht bei diesem Suchdienst angemeldet")
            : QStringLiteral("Die letzte Registrierung bei diesem Suchdienst ist am %1 erfolgt")
                  .arg(date);
    const QString remark = text("Bemerkung");
    out.bemerkung = remark.isEmpty() ? QStringLiteral("/") : remark;

    out.url1Caption = QStringLiteral("Zur Startseite von ") + name;
    const QString url = text("URL");
    out.url1Address = url.isEmpty() ? productHomePage() : url;
    out.url2Caption = QStringLiteral("Zur Seite \"URL anmelden\" von ") + name;
    const QString manualUrl = text("ManuellURL");
    out.url2Address = manualUrl.isEmpty() ? productDemoPage() : manualUrl;

    const qint32 nr = row.value(QStringLiteral("Nr")).toInt();
    out.submission = describeSubmission(site ? site->ledger.entry(nr) : nullptr,
                                        row.value(QStringLiteral("IndexNow")).toBool(), site);
    return out;
}

} // namespace pelvaro::catalogue
