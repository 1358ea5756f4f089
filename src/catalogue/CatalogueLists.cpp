#include "catalogue/CatalogueLists.h"

#include "base/UiServices.h"

#include <QUrl>

namespace pelvaro::catalogue {

QString CatalogueLists::viewName(int listCode)
{
    switch (listCode) {
    case NotSelected:
        return QStringLiteral("TableEngines");
    case Selected:
        return QStringLiteral("TableEngToSend");
    case Automatic:
        return QStringLiteral("TableAutomatischSenden");
    case Manual:
        return QStringLiteral("TableManuellSenden");
    default:
        return QString();
    }
}

int CatalogueLists::count(const SelectionCounters& counters, int listCode)
{
    switch (listCode) {
    case NotSelected:
        return counters.AnzNichtAusgewaehlt;
    case Selected:
        return counters.AnzAusgewaehlt;
    case Automatic:
        return counters.AnzAutomatisch;
    case Manual:
        return counters.AnzManuell;
    default:
        return 0;
    }
}

QString CatalogueLists::frameCaption(int listCode, const SelectionCounters& counters)
{
    const int n = count(counters, listCode);
    switch (listCode) {
    case NotSelected:
        return QStringLiteral("Anzahl der nicht ausgewählten Suchdienste: %1").arg(n);
    case Selected:
        return QStringLiteral("Anzahl der ausgewählten Suchdienste: %1").arg(n);
    case Automatic:
        return QStringLiteral("Anzahl der ausgewählten Suchdienste, bei denen eine automatische "
                              "Anmeldung möglich ist: %1")
            .arg(n);
    case Manual:
        return QStringLiteral("Anzahl der ausgewählten Suchdienste, bei denen nur eine manuelle "
                              "Anmeldung unterstützt wird: %1")
            .arg(n);
    default:
        return QString();
    }
}

QString CatalogueLists::totalServicesText(const SelectionCounters& counters)
{
    return QStringLiteral("Gesamtanzahl der vorhandenen Suchdienste: %1")
        .arg(counters.AnzNichtAusgewaehlt + counters.AnzAusgewaehlt);
}

QString CatalogueLists::totalEntriesText(const SelectionCounters& counters)
{
    return QStringLiteral("Gesamtanzahl der vorhandenen Einträge: %1")
        .arg(counters.AnzNichtAusgewaehlt + counters.AnzAusgewaehlt);
}

CatalogueLists::ContextMenuState CatalogueLists::contextMenu(int focusedListCode,
                                                             const SelectionCounters& counters)
{
    ContextMenuState state;
    const bool hasServices = count(counters, focusedListCode) > 0;
    state.details = state.homePage = state.submissionPage = hasServices;
    state.deselect = hasServices && focusedListCode != NotSelected;
    return state;
}

int CatalogueLists::linkPairForPage(int activePageCode)
{
    switch (activePageCode) {
    case 3:
        return 1;
    case 4:
        return 3;
    case 5:
        return 4;
    default:
        return 0;
    }
}

int CatalogueLists::linkPairForList(int listCode)
{
    switch (listCode) {
    case NotSelected:
    case Selected:
        return 1;
    case Automatic:
        return 3;
    case Manual:
        return 4;
    default:
        return 0;
    }
}

bool CatalogueLists::searchAllowed(const store::TableCursor& view)
{
    return searchAllowed(view.indexName(), view.orderFields());
}

bool CatalogueLists::searchAllowed(const QString& indexName, const QStringList& orderFields)
{
    return indexName.compare(QLatin1String("IdxName"), Qt::CaseInsensitive) == 0 ||
           (orderFields.size() == 1 &&
            orderFields.first().compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0);
}

CatalogueLists::Markers CatalogueLists::markersAfterEntering(int listCode)
{
    // The record navigators of the automatic and manual lists count as the left list's.
    const bool selected = listCode == Selected;
    return {!selected, selected};
}

void CatalogueLists::openLink(base::UiServices& ui, const QString& address)
{
    if (address.isEmpty())
        return;
    // Telling the user that the browser starts when it did not would be a lie: a failure
    // says what is missing instead.
    if (!ui.openInBrowser(QUrl(address)))
        return;
    ui.information(
        QStringLiteral("Ihr Internet-Browser wird jetzt mit der ausgewählten URL gestartet."));
}

CatalogueLists::LinkBar CatalogueLists::initialLinkBar()
{
    return {{QStringLiteral("Zur Startseite des markierten Eintrags"), QString(), false},
            {QStringLiteral("Zur Seite \"Anmeldung\" des markierten Eintrags"), QString(), false}};
}

CatalogueLists::LinkBar CatalogueLists::linkBar(const TURLHyperLinkInfo& info)
{
    const Link none{QStringLiteral("Kein Eintrag ausgewählt/verfügbar"), QString(), false};
    LinkBar bar{none, none};
    if (!info.Name.isEmpty() && !info.URL.isEmpty())
        bar.homePage = {QStringLiteral("Zur Startseite von ") + info.Name, info.URL, true};
    if (!info.Name.isEmpty() && !info.ManuellURL.isEmpty())
        bar.submissionPage = {QStringLiteral("Zur Seite \"Anmeldung\" von ") + info.Name,
                              info.ManuellURL, true};
    return bar;
}

std::pair<int, CatalogueLists::LinkBar> CatalogueLists::linkBarFor(TDataModule1& module,
                                                                   int focusedListCode)
{
    const int pair = linkPairForList(focusedListCode);
    if (pair == 0)
        return {0, {}};
    return {pair, linkBar(module.LinkInfoHolen(viewName(focusedListCode)))};
}

QString CatalogueLists::resortingText()
{
    return QStringLiteral("Tabelle wird neu sortiert, bitte warten ...");
}

const std::array<QString, 4>& CatalogueLists::moveButtonHints()
{
    static const std::array<QString, 4> hints{
        QStringLiteral("Aktuellen Eintrag auswählen"), QStringLiteral("Alle Einträge auswählen"),
        QStringLiteral("Auswahl des aktuellen Eintrags aufheben"),
        QStringLiteral("Auswahl aller Einträge aufheben")};
    return hints;
}

void CatalogueLists::selectCurrent(base::UiServices& ui, TDataModule1& module)
{
    if (module.counters().AnzNichtAusgewaehlt == 0) {
        ui.information(QStringLiteral("Alle Suchdienste sind bereits ausgewählt!"));
        return;
    }
    module.EintragAuswaehlen();
}

void CatalogueLists::deselectCurrent(base::UiServices& ui, TDataModule1& module)
{
    if (module.counters().AnzAusgewaehlt == 0) {
        ui.information(QStringLiteral("Diese Spalte ist leer!"));
        return;
    }
    module.EintragAbwaehlen(viewName(Selected));
}

void CatalogueLists::selectAll(base::UiServices& ui, TDataModule1& module)
{
    const base::WaitNoticeGuard notice(ui, resortingText());
    module.AllesAuswaehlen();
}

void CatalogueLists::deselectAll(base::UiServices& ui, TDataModule1& module)
{
    const base::WaitNoticeGuard notice(ui, resortingText());
    module.AllesNichtAuswaehlen();
}

} // namespace pelvaro::catalogue
