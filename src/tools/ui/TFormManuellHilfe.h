#pragma once

#include "tools/ManualAssistant.h"

#include <QDate>
#include <QDialog>

#include <array>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::catalogue {
class TDataModule1;
}

namespace pelvaro::catalogue::store {
class TableCursor;
}

namespace pelvaro::site {
struct SiteRecord;
}

namespace pelvaro::tools::ui {

// "Anmeldehilfe": a narrow window that stays above the browser while the user fills in a
// service's form by hand. It offers the site values for copying, walks the selected manual
// services and records each registration. Created once with the main window and reused.
class TFormManuellHilfe : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormManuellHilfe)

public:
    static constexpr int WindowWidth = 130;
    using Clock = std::function<QDate()>;

    TFormManuellHilfe(base::UiServices& ui, catalogue::TDataModule1& module,
                      QWidget* parent = nullptr);
    ~TFormManuellHilfe() override;

    // Step 3 of the start: copies the twelve values and sets the hints, minimises `mainWindow`,
    // moves the manual table to its first record, shows this window modally, restores
    // `mainWindow`.
    void run(const site::SiteRecord& values, QWidget* mainWindow);
    // For screenshots/tests: prepare and show without exec().
    void prepare(const site::SiteRecord& values);
    void refreshDisplay();

    // Where "Anmeldung durchgeführt" takes today's date from.
    void setClock(Clock today) { m_today = std::move(today); }
    const ManualAssistant::Values& values() const { return m_values; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* createValueButtons();
    QWidget* createNavigator();
    QLabel* createLink(const QString& objectName);
    void load(const site::SiteRecord& values);
    void navigate(void (catalogue::store::TableCursor::*move)());
    void registrationDone();
    void showLink(QLabel* link, const ManualAssistant::Link& shown);
    void openLink(QLabel* link);
    void updateNavigator();
    void fitNameLabel();
    void fitToFont();
    void focusNavigator();

    base::UiServices& m_ui;
    catalogue::store::TableCursor& m_manual;
    Clock m_today = &QDate::currentDate;
    ManualAssistant::Values m_values;
    // By button number; entry 0 stays empty.
    std::array<QPushButton*, ManualAssistant::ValueCount + 1> m_valueButtons{};
    QToolButton* m_first = nullptr;
    QToolButton* m_prior = nullptr;
    QToolButton* m_next = nullptr;
    QToolButton* m_last = nullptr;
    QLabel* m_name = nullptr;
    QLabel* m_startLink = nullptr;
    QLabel* m_registrationLink = nullptr;
    QPlainTextEdit* m_remark = nullptr;
    QPushButton* m_registered = nullptr;
};

} // namespace pelvaro::tools::ui
