#include "catalogue/EngineDetails.h"

#include "catalogue/CatalogueTableModel.h"
#include "catalogue/store/TableCursor.h"

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
                                          const EngineDetailTexts& previous)
{
    if (!view.isOpen() || view.isEmpty())
        return previous;
    QVariantMap row;
    for (const store::FieldDef& field : view.table().fields)
        row.insert(field.name, view.value(field.name));
    return describe(row, listCode, previous);
}

EngineDetailTexts EngineDetails::describe(const QVariantMap& row, int listCode,
                                          const EngineDetailTexts& previous)
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
    return out;
}

} // namespace pelvaro::catalogue
