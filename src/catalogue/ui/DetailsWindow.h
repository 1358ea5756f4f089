#pragma once

#include "catalogue/EngineDetails.h"

#include <QDialog>

#include <functional>

class QGridLayout;
class QLabel;
class QListView;
class QPushButton;
class QStringListModel;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::catalogue {
class TDataModule1;
}

namespace pelvaro::site {
struct SiteRecord;
}

namespace pelvaro::catalogue::ui {

// "Details zum Suchdienst": one catalogue entry in plain words, with links to its home
// page and registration page, and what the open site's ledger says about it. Created once and
// shown again for each request; a value that has no text of its own keeps the text of the
// previous showing.
class DetailsWindow : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DetailsWindow)

public:
    explicit DetailsWindow(base::UiServices& ui, QWidget* parent = nullptr);
    ~DetailsWindow() override;

    // The open site, whose ledger the window shows; nullptr when none is open.
    using SiteSource = std::function<const site::SiteRecord*()>;
    void setSiteSource(SiteSource source) { m_siteSource = std::move(source); }

    // Fills the window from the current row of the list with this code (1 to 4) and shows
    // it modally. Any other code shows the texts of the last showing.
    void showFor(TDataModule1& data, int listCode);
    // The filling alone, without showing the window.
    void fill(TDataModule1& data, int listCode);
    void fill(const EngineDetailTexts& texts);
    const EngineDetailTexts& texts() const { return m_texts; }

private:
    QLabel* addValue(QGridLayout* form, const QString& caption, const QString& objectName,
                     Qt::Alignment captionAlignment = Qt::AlignVCenter);
    QLabel* addLink(const QString& objectName);
    void openLink(const QString& address);
    void centreOnScreen();

    base::UiServices& m_ui;
    SiteSource m_siteSource;
    EngineDetailTexts m_texts;
    QLabel* m_name;
    QLabel* m_land;
    QLabel* m_kategorie;
    QLabel* m_aAnmeldung;
    QLabel* m_kostenpflichtig;
    QLabel* m_bewertung;
    QLabel* m_wartezeit;
    QLabel* m_zuletztRegistriert;
    QLabel* m_bemerkung;
    QLabel* m_letzteAnmeldung;
    QLabel* m_ergebnis;
    QLabel* m_antwort;
    QLabel* m_adressen;
    QListView* m_addressList;
    QStringListModel* m_addressModel;
    QLabel* m_url1;
    QLabel* m_url2;
    QPushButton* m_ok;
};

} // namespace pelvaro::catalogue::ui
