#pragma once

#include "reports/StandardReport.h"

#include <QDialog>
#include <QPageLayout>

#include <memory>
#include <vector>

class QComboBox;
class QTreeWidget;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::reports::ui {

// "Standardbericht": both result views of the status page in one list, shown in the column
// order of the chosen view and printed in it.
class TStandardBerichtForm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TStandardBerichtForm)

public:
    // The whole use from the status page: create, fill, show modally, dispose. A failure while
    // filling reaches the general error display and still disposes of the dialog.
    // The header names the run on paper.
    static void execute(base::UiServices& ui, const std::vector<submit::ResultRow>& successes,
                        const std::vector<submit::ResultRow>& failures, QWidget* parent = nullptr,
                        const StandardReport::PrintHeader& header = {});

    explicit TStandardBerichtForm(base::UiServices& ui, QWidget* parent = nullptr);
    ~TStandardBerichtForm() override;

    // The dialog filled and showing the given view, laid out and shown without a modal loop:
    // for pictures of the window.
    static std::unique_ptr<TStandardBerichtForm>
    preview(base::UiServices& ui, const std::vector<submit::ResultRow>& successes,
            const std::vector<submit::ResultRow>& failures, StandardReport::View view,
            QWidget* parent = nullptr);

    // Successes first, then failures; the list is drawn once, after the last row.
    void fill(const std::vector<submit::ResultRow>& successes,
              const std::vector<submit::ResultRow>& failures);

    StandardReport::View view() const { return m_view; }
    void setPrintHeader(const StandardReport::PrintHeader& header) { m_header = header; }
    void setView(StandardReport::View view);

private:
    void showRows();
    void printReport();
    void previewReport();

    base::UiServices& m_ui;
    std::vector<StandardReport::Row> m_rows;
    StandardReport::View m_view = StandardReport::View::Dienst;
    StandardReport::PrintHeader m_header;
    QComboBox* m_views = nullptr;
    QTreeWidget* m_list = nullptr;
    // As the user left the print preview; printing uses it too.
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
};

} // namespace pelvaro::reports::ui
