#pragma once

#include "reports/ui/ReportRuler.h"

#include <QDialog>
#include <QPageLayout>
#include <QTextCursor>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QPrinter;
class QTextDocument;
class QTextEdit;
class QToolBar;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::reports {
class ReportEditor;
}

namespace pelvaro::reports::ui {

class FontSizeField;

// "Bericht": a small word processor around one rich-text editor, used for the status report
// and for editing an HTML file as plain text. It owns the controls and forwards the file
// commands to ReportEditor; created for each use, shown modally, disposed of when closed.
class TStatusBerichtFormular : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TStatusBerichtFormular)

public:
    // Writes the report into the document behind what it already holds and returns the caret
    // the editor should show afterwards.
    using ReportGenerator = std::function<QTextCursor(QTextDocument&)>;

    TStatusBerichtFormular(base::UiServices& ui, const QString& programDirectory,
                           QWidget* parent = nullptr);
    ~TStatusBerichtFormular() override;

    // The report window as the status page opens it: the file named by the program's start
    // argument (when it exists) is loaded, then the report is appended; modal, maximised.
    // Returns whether the user saved or printed the report in it.
    static bool showReport(base::UiServices& ui, const ReportGenerator& generate,
                           const QString& programDirectory, const QString& startArgument,
                           QWidget* parent = nullptr);
    // The window as the meta-tag page opens it to edit an HTML (or any) file as plain text.
    // Filters in the notation "Description|patterns|...".
    static void editFile(base::UiServices& ui, const QString& path, const QString& openFilter,
                         const QString& saveFilter, const QString& programDirectory,
                         QWidget* parent = nullptr);

    // For pictures: the same two windows shown without exec() and at the given size instead
    // of maximised. The caller owns the window.
    static std::unique_ptr<TStatusBerichtFormular>
    showReportForPicture(base::UiServices& ui, const ReportGenerator& generate,
                         const QString& programDirectory, const QSize& size);
    static std::unique_ptr<TStatusBerichtFormular>
    showFileForPicture(base::UiServices& ui, const QString& path, const QString& programDirectory,
                       const QSize& size);

    // Set before the window is shown.
    void setStartArgument(const QString& path) { m_startArgument = path; }
    void setReportGenerator(ReportGenerator generate) { m_generate = std::move(generate); }
    void setFileEditingMode(const QString& openFilter, const QString& saveFilter);
    bool fileEditingMode() const { return m_fileEditing; }

    bool loadFile(const QString& path);
    // Prints the document (or the selection, when the printer's range says so) on a printer
    // that is already set up; false when nothing could be printed.
    bool printTo(QPrinter& printer);

    ReportEditor& editorDocument() { return *m_document; }
    // Whether the document was saved to a file or printed since the window opened.
    bool kept() const { return m_kept; }
    QTextEdit& editor() { return *m_editor; }
    static QString panelName(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createActions();
    void createMenus();
    QToolBar* createCommandBar();
    QToolBar* createFormatBar();
    void createStatusBar();
    void firstShow();

    void print();
    void printPreview();
    void chooseFont();
    void applyCharFormat(const QTextCharFormat& format);
    void applyFontSize();
    void setAlignment(Qt::Alignment alignment);
    void toggleBullets(bool on);
    void rulerReleased(ReportRuler::Marker marker, int left, int offset);

    void SelectionChange();
    void updateCaretDisplay();
    void updateModifiedMark();
    void updateUndo();
    void updatePaste();
    void updateEditorMargins();

    base::UiServices& m_ui;
    QTextEdit* m_editor = nullptr;
    ReportEditor* m_document = nullptr;
    ReportRuler* m_ruler = nullptr;
    QComboBox* m_fontName = nullptr;
    FontSizeField* m_fontSize = nullptr;
    QLabel* m_panels[3] = {};

    QAction* m_open = nullptr;
    QAction* m_save = nullptr;
    QAction* m_saveAs = nullptr;
    QAction* m_print = nullptr;
    QAction* m_printPreview = nullptr;
    QAction* m_exit = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_cut = nullptr;
    QAction* m_copy = nullptr;
    QAction* m_paste = nullptr;
    QAction* m_font = nullptr;
    QAction* m_bold = nullptr;
    QAction* m_italic = nullptr;
    QAction* m_underline = nullptr;
    QAction* m_alignLeft = nullptr;
    QAction* m_alignCentre = nullptr;
    QAction* m_alignRight = nullptr;
    QAction* m_bullets = nullptr;
    QAction* m_help = nullptr;

    ReportGenerator m_generate;
    QString m_startArgument;
    bool m_fileEditing = false;
    bool m_shown = false;
    bool m_updating = false;
    bool m_kept = false;
    // As the user left the print preview; printing uses it too.
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
};

} // namespace pelvaro::reports::ui
