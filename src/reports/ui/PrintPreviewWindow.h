#pragma once

#include <QDialog>
#include <QPageLayout>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QPrinter;
class QPrintPreviewWidget;
class QToolBar;

namespace pelvaro::reports::ui {

// "Seitenansicht": the pages of a document as the print command will put them on paper. The
// pages are painted by the caller's own print code, so what the user sees is what is printed.
// The window never prints itself: "Drucken ..." closes it with PrintRequested, and the caller
// runs its print command, print dialog included.
class PrintPreviewWindow : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrintPreviewWindow)

public:
    // Paints the whole document on the printer's pages, as printing does.
    using PagePainter = std::function<void(QPrinter&)>;
    static constexpr int PrintRequested = QDialog::Accepted;

    PrintPreviewWindow(const QString& documentName, PagePainter paint,
                       QPageLayout::Orientation orientation, QWidget* parent = nullptr);
    ~PrintPreviewWindow() override;

    // Shows the preview modally; the orientation the user left it in is written back, so
    // that printing afterwards uses it too. True when the user asked to print.
    static bool run(const QString& documentName, const PagePainter& paint,
                    QPageLayout::Orientation& orientation, QWidget* parent);

    int pageCount() const;
    int currentPage() const;
    QPageLayout::Orientation orientation() const;
    QPrintPreviewWidget& previewWidget() { return *m_preview; }

private:
    QAction* addCommand(const QString& text, const char* name, const QString& hint = {});
    void createToolBar(QToolBar* bar);
    void createPageBar(QToolBar* bar);
    void goToPage(int page);
    void updatePageDisplay();

    std::unique_ptr<QPrinter> m_printer;
    PagePainter m_paint;
    QPrintPreviewWidget* m_preview = nullptr;
    QLabel* m_pageDisplay = nullptr;
    QAction* m_fitPage = nullptr;
    QAction* m_fitWidth = nullptr;
    QAction* m_first = nullptr;
    QAction* m_previous = nullptr;
    QAction* m_next = nullptr;
    QAction* m_last = nullptr;
    QAction* m_portrait = nullptr;
    QAction* m_landscape = nullptr;
};

} // namespace pelvaro::reports::ui
