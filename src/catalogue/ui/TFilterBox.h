#pragma once

#include "catalogue/FilterSession.h"

#include <QDialog>

#include <array>
#include <memory>

class QCheckBox;
class QDateEdit;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::catalogue {
class FilterCriteria;
class TDataModule1;
} // namespace pelvaro::catalogue

namespace pelvaro::catalogue::ui {

// "Filter": the user ticks kinds of service, countries, dates and ratings, sees at once how
// many catalogue entries pass, and with OK makes exactly those the selection. The window
// only shows the session's state; the rules live in FilterSession.
class TFilterBox : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFilterBox)

public:
    // The whole use from the toolbar: create, show modally, apply on OK, clean up. Returns
    // whether OK applied the filter; the caller refreshes its counters either way. Failures
    // reach the general error display.
    // siteSource gives the open site to the box of services that still need it.
    static bool execute(base::UiServices& ui, TDataModule1& data, FilterCriteria& criteria,
                        const QString& settingsFile, QWidget* parent = nullptr,
                        FilterSession::SiteSource siteSource = {});

    // Restores the ticks from the settings file; TableFilter is open while the box lives.
    TFilterBox(base::UiServices& ui, TDataModule1& data, FilterCriteria& criteria,
               const QString& settingsFile, QWidget* parent = nullptr,
               FilterSession::SiteSource siteSource = {});
    ~TFilterBox() override;

    // The box showing the given ticks, laid out and shown without a modal loop: for pictures
    // of the window. Nothing is saved unless it is closed.
    static std::unique_ptr<TFilterBox> preview(base::UiServices& ui, TDataModule1& data,
                                               FilterCriteria& criteria,
                                               const FilterSession::State& state,
                                               const QString& settingsFile,
                                               QWidget* parent = nullptr);

    const FilterSession& session() const { return *m_session; }

    void done(int result) override;

private:
    QWidget* buildKinds();
    QWidget* buildCountryList();
    QCheckBox* addBox(FilterCriteria::Criterion box, const QString& caption);
    void onBoxClicked(FilterCriteria::Criterion box, bool ticked);
    void onCountryChanged(QListWidgetItem* item);
    void onOk();
    // Shows the session's ticks, the country list's state and the status panels.
    void showSession();
    void centreOnScreen();

    base::UiServices& m_ui;
    std::unique_ptr<FilterSession> m_session;
    std::array<QCheckBox*, FilterSession::BoxCount> m_boxes{};
    QDateEdit* m_picker = nullptr;
    QListWidget* m_countries = nullptr;
    QLabel* m_statusPanel = nullptr;
    QLabel* m_countPanel = nullptr;
};

} // namespace pelvaro::catalogue::ui
