#pragma once

#include "submit/RunPreview.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace pelvaro::submit::ui {

// "Vorschau der Anmeldung": the requests a run would send, service by service, and the
// services it could not prepare. It only shows a preview made beforehand; nothing here
// sends or changes anything.
class TVorschauForm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TVorschauForm)

public:
    explicit TVorschauForm(const RunPreview& preview, QWidget* parent = nullptr);
    ~TVorschauForm() override;

    // Shows the preview modally; true when the user chose "Anmeldung starten".
    static bool execute(const RunPreview& preview, QWidget* parent = nullptr);

private:
    void showRequest();

    const RunPreview& m_preview;
    QTreeWidget* m_services = nullptr;
    QPlainTextEdit* m_request = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_unpreparedSummary = nullptr;
    QLabel* m_indexNow = nullptr;
    QTreeWidget* m_unprepared = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace pelvaro::submit::ui
