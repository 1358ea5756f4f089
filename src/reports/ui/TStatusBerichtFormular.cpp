#include "reports/ui/TStatusBerichtFormular.h"

#include "base/UiServices.h"
#include "base/ui/ProgramIcons.h"
#include "reports/ReportEditor.h"
#include "reports/ReportEditorRules.h"
#include "reports/ui/PrintPreviewWindow.h"
#include "reports/ui/PrinterSetup.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextList>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace pelvaro::reports::ui {

using Rules = ReportEditorRules;
using Marker = ReportRuler::Marker;

// The size field with spin buttons. It takes any text, because what a typed text means is
// decided when the user confirms it (Return or leaving the field), not on every keystroke:
// a field emptied to type a new number is not an error yet.
class FontSizeField : public QAbstractSpinBox
{
public:
    explicit FontSizeField(QWidget* parent) : QAbstractSpinBox(parent)
    {
        setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        connect(lineEdit(), &QLineEdit::textEdited, this, [this] { m_edited = true; });
        connect(this, &QAbstractSpinBox::editingFinished, this, [this] {
            if (!m_edited)
                return;
            m_edited = false;
            if (committed)
                committed();
        });
    }

    std::function<void()> committed;

    void showSize(int size)
    {
        m_shownSize = size;
        m_edited = false;
        lineEdit()->setText(QString::number(size));
    }

    void stepBy(int steps) override
    {
        const int base = Rules::parseFontSize(text()).value_or(m_shownSize);
        const int size = std::clamp(base + steps, Rules::MinFontSize, Rules::MaxFontSize);
        m_edited = false;
        lineEdit()->setText(QString::number(size));
        if (committed)
            committed();
    }

    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }

    QSize sizeHint() const override
    {
        const QSize hint = QAbstractSpinBox::sizeHint();
        return {fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 28, hint.height()};
    }

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    int m_shownSize = 8;
    bool m_edited = false;
};

namespace {

QString droppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

QFont effectiveFont(const QTextCharFormat& format, const QTextDocument& document)
{
    return format.font().resolve(document.defaultFont());
}

} // namespace

TStatusBerichtFormular::TStatusBerichtFormular(base::UiServices& ui,
                                               const QString& programDirectory, QWidget* parent)
    : QDialog(parent), m_ui(ui)
{
    setObjectName(QStringLiteral("TStatusBerichtFormular"));
    setWindowTitle(tr("Bericht"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);

    m_editor = new QTextEdit(this);
    m_editor->setObjectName(QStringLiteral("Editor"));
    m_editor->setFont(Rules::defaultFont());
    m_editor->document()->setDefaultFont(Rules::defaultFont());
    m_editor->setLineWrapMode(QTextEdit::WidgetWidth);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    updateEditorMargins();

    m_document = new ReportEditor(ui, *m_editor->document(), this);
    m_document->setDirectory(programDirectory);
    connect(m_document, &ReportEditor::fileNameChanged, this, &QWidget::setWindowTitle);
    connect(m_document, &ReportEditor::documentStateChanged, this, [this] {
        updateModifiedMark();
        updateUndo();
        SelectionChange();
    });
    connect(m_document, &ReportEditor::fileLoaded, this,
            [this] { m_editor->moveCursor(QTextCursor::Start); });
    connect(m_document, &ReportEditor::written, this, [this] { m_kept = true; });
    m_document->setFileName(Rules::untitled());

    m_ruler = new ReportRuler(this);
    m_ruler->setObjectName(QStringLiteral("Ruler"));

    createActions();
    createMenus();
    QToolBar* commands = createCommandBar();
    QToolBar* format = createFormatBar();
    createStatusBar();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(findChild<QMenuBar*>(QStringLiteral("MainMenu")));
    layout->addWidget(commands);
    layout->addWidget(format);
    layout->addWidget(m_ruler);
    layout->addWidget(m_editor, 1);
    layout->addWidget(findChild<QStatusBar*>(QStringLiteral("StatusBar")));

    connect(m_editor, &QTextEdit::cursorPositionChanged, this,
            &TStatusBerichtFormular::SelectionChange);
    connect(m_editor, &QTextEdit::selectionChanged, this, &TStatusBerichtFormular::SelectionChange);
    connect(m_editor, &QTextEdit::currentCharFormatChanged, this,
            &TStatusBerichtFormular::SelectionChange);
    connect(m_editor, &QTextEdit::copyAvailable, m_copy, &QAction::setEnabled);
    connect(m_editor, &QTextEdit::copyAvailable, m_cut, &QAction::setEnabled);
    connect(m_editor, &QTextEdit::undoAvailable, m_undo, &QAction::setEnabled);
    connect(m_editor, &QTextEdit::textChanged, this, &TStatusBerichtFormular::updateModifiedMark);
    connect(m_editor->document(), &QTextDocument::modificationChanged, this,
            &TStatusBerichtFormular::updateModifiedMark);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &TStatusBerichtFormular::updatePaste);
    connect(m_ruler, &ReportRuler::markerReleased, this, &TStatusBerichtFormular::rulerReleased);
    connect(m_ruler, &ReportRuler::widthChanged, this, &TStatusBerichtFormular::SelectionChange);

    setAcceptDrops(true);
    installEventFilter(this);
    m_editor->viewport()->installEventFilter(this);

    SelectionChange();
    updateUndo();
    updatePaste();
    updateModifiedMark();
    resize(760, 540);
}

TStatusBerichtFormular::~TStatusBerichtFormular()
{
    // The controls die after this object; what they signal on the way (a field losing the
    // focus) must not reach it any more.
    m_fontSize->committed = nullptr;
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    QApplication::clipboard()->disconnect(this);
}

void TStatusBerichtFormular::createActions()
{
    const auto make = [this](const QString& text, const char* name, const QKeySequence& keys,
                             const QString& hint = QString()) {
        auto* action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        action->setToolTip(hint.isEmpty() ? QString(text).remove(QLatin1Char('&')) : hint);
        addAction(action);
        return action;
    };
    m_open = make(tr("Ö&ffnen ..."), "FileOpen", QKeySequence(Qt::CTRL | Qt::Key_O),
                  tr("Öffnet einen vorhandenen Bericht"));
    m_open->setIconText(tr("Öffnen"));
    m_save = make(tr("&Speichern"), "FileSave", QKeySequence(Qt::CTRL | Qt::Key_S),
                  tr("Speichert den aktuellen Bericht"));
    m_saveAs = make(tr("Speichern &unter ..."), "FileSaveAs", {});
    m_print = make(tr("&Drucken"), "FilePrint", QKeySequence(Qt::CTRL | Qt::Key_P),
                   tr("Druckt den aktuellen Bericht"));
    m_printPreview = make(tr("Seiten&ansicht ..."), "FilePrintPreview", {},
                          tr("Zeigt die Seiten, wie sie gedruckt werden"));
    m_exit = make(tr("&Beenden"), "FileExit", QKeySequence(Qt::ALT | Qt::Key_X));
    m_undo = make(tr("&Rückgängig"), "EditUndo", QKeySequence(Qt::CTRL | Qt::Key_Z),
                  tr("Wiederruft den letzten Vorgang"));
    m_cut = make(tr("A&usschneiden"), "EditCut", QKeySequence(Qt::CTRL | Qt::Key_X),
                 tr("Löscht den markierten Text"));
    m_copy = make(tr("&Kopieren"), "EditCopy", QKeySequence(Qt::CTRL | Qt::Key_C),
                  tr("Kopiert den markierten Text in die Zwischenablage"));
    m_paste = make(tr("E&infügen"), "EditPaste", QKeySequence(Qt::CTRL | Qt::Key_V),
                   tr("Fügt den Inhalt der Zwischenablage ein"));
    m_font = make(tr("&Zeichen ..."), "EditFont", {});
    m_help = make(tr("&Hilfe"), "HelpContents", {});

    const auto toggle = [&](const QString& text, const char* name, const QString& hint) {
        QAction* action = make(text, name, {}, hint);
        action->setCheckable(true);
        return action;
    };
    m_bold = toggle(tr("F"), "BoldButton", tr("Fett"));
    m_italic = toggle(tr("K"), "ItalicButton", tr("Kursiv"));
    m_underline = toggle(tr("U"), "UnderlineButton", tr("Unterstrichen"));
    m_alignLeft = toggle(tr("Linksbündig"), "LeftAlign", tr("Linksbündig"));
    m_alignCentre = toggle(tr("Zentriert"), "CenterAlign", tr("Zentriert"));
    m_alignRight = toggle(tr("Rechtsbündig"), "RightAlign", tr("Rechtsbündig"));
    m_bullets = toggle(tr("Aufzählung"), "BulletsButton", tr("Wechselt in den Aufzählungsmodus"));
    // 'Hilfe' stands in the menu bar itself, where a picture would take the place of its word;
    // the style buttons show their letters instead.
    using Icon = base::ui::ProgramIcons::Command;
    const std::pair<QAction*, Icon> pictures[] = {
        {m_open, Icon::Open},
        {m_save, Icon::Save},
        {m_saveAs, Icon::SaveAs},
        {m_print, Icon::Print},
        {m_printPreview, Icon::PrintPreview},
        {m_exit, Icon::Exit},
        {m_undo, Icon::Undo},
        {m_cut, Icon::Cut},
        {m_copy, Icon::Copy},
        {m_paste, Icon::Paste},
        {m_font, Icon::Font},
        {m_alignLeft, Icon::AlignLeft},
        {m_alignCentre, Icon::AlignCentre},
        {m_alignRight, Icon::AlignRight},
        {m_bullets, Icon::Bullets},
    };
    for (const auto& [action, picture] : pictures)
        action->setIcon(base::ui::ProgramIcons::icon(picture));
    auto* alignment = new QActionGroup(this);
    for (QAction* action : {m_alignLeft, m_alignCentre, m_alignRight})
        alignment->addAction(action);

    const auto run = [this](auto command) {
        return [this, command] { m_ui.guarded([this, command] { command(); }); };
    };
    connect(m_open, &QAction::triggered, this, run([this] {
                if (m_document->open())
                    m_editor->setFocus();
            }));
    connect(m_save, &QAction::triggered, this, run([this] { m_document->save(); }));
    connect(m_saveAs, &QAction::triggered, this, run([this] { m_document->saveAs(); }));
    connect(m_print, &QAction::triggered, this, run([this] { print(); }));
    connect(m_printPreview, &QAction::triggered, this, run([this] { printPreview(); }));
    connect(m_exit, &QAction::triggered, this, &QWidget::close);
    connect(m_undo, &QAction::triggered, this, [this] {
        if (m_editor->document()->isUndoAvailable())
            m_editor->undo();
    });
    connect(m_cut, &QAction::triggered, m_editor, &QTextEdit::cut);
    connect(m_copy, &QAction::triggered, m_editor, &QTextEdit::copy);
    connect(m_paste, &QAction::triggered, m_editor, &QTextEdit::paste);
    connect(m_font, &QAction::triggered, this, run([this] { chooseFont(); }));
    connect(m_help, &QAction::triggered, this, [this] { m_ui.ShowHelp(Rules::HelpContext); });

    const auto style = [this](QTextCharFormat format) {
        if (!m_updating)
            applyCharFormat(format);
    };
    connect(m_bold, &QAction::triggered, this, [style](bool on) {
        QTextCharFormat format;
        format.setFontWeight(on ? QFont::Bold : QFont::Normal);
        style(format);
    });
    connect(m_italic, &QAction::triggered, this, [style](bool on) {
        QTextCharFormat format;
        format.setFontItalic(on);
        style(format);
    });
    connect(m_underline, &QAction::triggered, this, [style](bool on) {
        QTextCharFormat format;
        format.setFontUnderline(on);
        style(format);
    });
    connect(m_alignLeft, &QAction::triggered, this, [this] { setAlignment(Qt::AlignLeft); });
    connect(m_alignCentre, &QAction::triggered, this, [this] { setAlignment(Qt::AlignHCenter); });
    connect(m_alignRight, &QAction::triggered, this, [this] { setAlignment(Qt::AlignRight); });
    connect(m_bullets, &QAction::triggered, this, &TStatusBerichtFormular::toggleBullets);
}

void TStatusBerichtFormular::createMenus()
{
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("MainMenu"));
    QMenu* file = bar->addMenu(tr("&Datei"));
    file->setObjectName(QStringLiteral("MenuDatei"));
    file->addActions({m_open, m_save, m_saveAs, m_printPreview, m_print});
    file->addSeparator();
    file->addAction(m_exit);
    QMenu* edit = bar->addMenu(tr("&Bearbeiten"));
    edit->setObjectName(QStringLiteral("MenuBearbeiten"));
    edit->addActions({m_undo});
    edit->addSeparator();
    edit->addActions({m_cut, m_copy, m_paste});
    edit->addSeparator();
    edit->addAction(m_font);
    bar->addAction(m_help);
}

QToolBar* TStatusBerichtFormular::createCommandBar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("CommandBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(16, 16));
    m_save->setIconText(tr("Speichern"));
    m_print->setIconText(tr("Drucken"));
    m_printPreview->setIconText(tr("Seitenansicht"));
    m_undo->setIconText(tr("Rückgängig"));
    m_cut->setIconText(tr("Ausschneiden"));
    m_copy->setIconText(tr("Kopieren"));
    m_paste->setIconText(tr("Einfügen"));
    bar->addActions({m_open, m_save, m_print, m_printPreview});
    bar->addSeparator();
    bar->addAction(m_undo);
    bar->addSeparator();
    bar->addActions({m_cut, m_copy, m_paste});
    return bar;
}

QToolBar* TStatusBerichtFormular::createFormatBar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("FormatBar"));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setIconSize(QSize(16, 16));

    m_fontName = new QComboBox(bar);
    m_fontName->setObjectName(QStringLiteral("FontName"));
    m_fontName->setToolTip(tr("Erlaubt die Auswahl der Schriftart"));
    m_fontName->setEditable(true);
    m_fontName->setInsertPolicy(QComboBox::NoInsert);
    m_fontName->setMinimumContentsLength(22);
    m_fontName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    QStringList families = QFontDatabase::families();
    std::sort(families.begin(), families.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    m_fontName->addItems(families);
    connect(m_fontName, &QComboBox::textActivated, this, [this](const QString& family) {
        const QFont current = effectiveFont(m_editor->currentCharFormat(), *m_editor->document());
        if (m_updating || family.trimmed().isEmpty() || family.trimmed() == current.family())
            return;
        QTextCharFormat format;
        format.setFontFamilies({family.trimmed()});
        applyCharFormat(format);
    });

    m_fontSize = new FontSizeField(bar);
    m_fontSize->setObjectName(QStringLiteral("FontSize"));
    m_fontSize->setToolTip(tr("Erlaubt die Auswahl der Schriftgröße"));
    m_fontSize->committed = [this] {
        if (!m_updating)
            m_ui.guarded([this] { applyFontSize(); });
    };

    bar->addWidget(m_fontName);
    bar->addWidget(m_fontSize);
    bar->addSeparator();
    bar->addActions({m_bold, m_italic, m_underline});
    bar->addSeparator();
    bar->addActions({m_alignLeft, m_alignCentre, m_alignRight});
    bar->addSeparator();
    bar->addAction(m_bullets);

    // The style buttons show their letter in the style they set.
    const std::pair<QAction*, void (QFont::*)(bool)> letters[] = {
        {m_bold, &QFont::setBold},
        {m_italic, &QFont::setItalic},
        {m_underline, &QFont::setUnderline}};
    for (const auto& [action, setStyle] : letters) {
        if (QWidget* button = bar->widgetForAction(action)) {
            QFont font = button->font();
            (font.*setStyle)(true);
            button->setFont(font);
            static_cast<QToolButton*>(button)->setToolButtonStyle(Qt::ToolButtonTextOnly);
            button->setMinimumWidth(24);
        }
    }
    return bar;
}

void TStatusBerichtFormular::createStatusBar()
{
    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    const int widths[] = {Rules::CaretPanelWidth, Rules::ModifiedPanelWidth, Rules::LastPanelWidth};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(panelName(i));
        // The widths are the least; a larger desktop font widens a panel rather than cut
        // its text.
        panel->setMinimumWidth(widths[i]);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setAlignment((i == 1 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
        bar->addWidget(panel);
        m_panels[i] = panel;
    }
}

QString TStatusBerichtFormular::panelName(int index)
{
    return QStringLiteral("StatusBarPanel%1").arg(index);
}

void TStatusBerichtFormular::setFileEditingMode(const QString& openFilter,
                                                const QString& saveFilter)
{
    m_fileEditing = true;
    m_document->setPlainText(true);
    m_document->setFilters(openFilter, saveFilter);
    m_editor->setAcceptRichText(false);
    for (QAction* action : {m_bold, m_italic, m_underline, m_bullets})
        action->setEnabled(false);
    const QFont font = Rules::fileEditingFont();
    m_editor->setFont(font);
    m_editor->document()->setDefaultFont(font);
    SelectionChange();
}

bool TStatusBerichtFormular::loadFile(const QString& path)
{
    bool loaded = false;
    m_ui.guarded([&] { loaded = m_document->loadFile(path); });
    // The meta-tag page loads its file before the window shows; that load leaves the focus
    // where the window puts it.
    if (loaded && (m_shown || !m_fileEditing))
        m_editor->setFocus();
    return loaded;
}

void TStatusBerichtFormular::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    firstShow();
}

void TStatusBerichtFormular::firstShow()
{
    updateCaretDisplay();
    updateUndo();
    m_editor->setFocus();
    updatePaste();
    // The start argument is for the report: a file being edited for the meta-tag page must
    // not be swapped for it behind the user's back.
    if (!m_fileEditing && !m_startArgument.isEmpty() && QFileInfo(m_startArgument).isFile())
        loadFile(m_startArgument);
    if (m_fileEditing) {
        const QFont font = Rules::fileEditingFont();
        m_editor->setFont(font);
        m_editor->document()->setDefaultFont(font);
    } else if (m_generate) {
        m_ui.guarded([this] {
            QTextCursor edit(m_editor->document());
            // One step for undo, however many paragraphs the report writes.
            edit.beginEditBlock();
            const QTextCursor caret = m_generate(*m_editor->document());
            edit.endEditBlock();
            if (!caret.isNull())
                m_editor->setTextCursor(caret);
        });
    }
    SelectionChange();
    updateModifiedMark();
}

void TStatusBerichtFormular::done(int result)
{
    bool mayClose = false;
    m_ui.guarded([&] { mayClose = m_document->mayDiscardChanges(); });
    if (!mayClose)
        return;
    QDialog::done(result);
}

void TStatusBerichtFormular::keyPressEvent(QKeyEvent* event)
{
    // Escape would close the window like Cancel; in a text editor it is too easily pressed.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TStatusBerichtFormular::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != this && watched != m_editor->viewport())
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (droppedFile(drag->mimeData()).isEmpty())
            break;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = droppedFile(drop->mimeData());
        if (path.isEmpty())
            break;
        drop->acceptProposedAction();
        // The questions wait until the drag has ended: a box inside the drop would hold
        // up the program the file came from.
        QMetaObject::invokeMethod(
            this,
            [this, path] {
                m_ui.guarded([this, &path] {
                    if (m_document->dropFile(path))
                        m_editor->setFocus();
                });
            },
            Qt::QueuedConnection);
        return true;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TStatusBerichtFormular::print()
{
    base::PrintRequest request;
    request.jobName = m_document->fileName();
    request.selectionAvailable = m_editor->textCursor().hasSelection();
    request.pdfFile = Rules::pdfProposal(m_document->fileName(), m_document->directory());
    const std::optional<base::PrintChoice> choice = m_ui.choosePrinter(request);
    if (!choice)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(request.jobName);
    const bool ready = applyChoice(printer, *choice);
    printer.setPageOrientation(m_orientation);
    if (!ready || !printTo(printer))
        m_ui.error(Rules::printFailed());
    else
        m_kept = true;
}

void TStatusBerichtFormular::printPreview()
{
    // The editor's own document, unsaved edits and all, painted as print() paints it.
    const auto paint = [this](QPrinter& printer) { printTo(printer); };
    if (PrintPreviewWindow::run(QFileInfo(m_document->fileName()).fileName(), paint, m_orientation,
                                this))
        print();
}

bool TStatusBerichtFormular::printTo(QPrinter& printer)
{
    m_editor->print(&printer);
    return printer.printerState() != QPrinter::Error;
}

void TStatusBerichtFormular::chooseFont()
{
    const QFont current = effectiveFont(m_editor->currentCharFormat(), *m_editor->document());
    const std::optional<QString> chosen = m_ui.chooseFont(tr("Schriftart"), current.toString());
    QFont font;
    if (chosen && font.fromString(*chosen)) {
        QTextCharFormat format;
        format.setFont(font);
        applyCharFormat(format);
    }
    m_editor->setFocus();
}

void TStatusBerichtFormular::applyCharFormat(const QTextCharFormat& format)
{
    // With a selection the selection changes, without one the text typed next.
    m_editor->mergeCurrentCharFormat(format);
    SelectionChange();
}

void TStatusBerichtFormular::applyFontSize()
{
    const QString text = m_fontSize->text();
    const std::optional<int> size = Rules::parseFontSize(text);
    if (!size) {
        m_ui.error(Rules::invalidFontSize(text));
        SelectionChange();
        return;
    }
    QTextCharFormat format;
    format.setFontPointSize(*size);
    applyCharFormat(format);
}

void TStatusBerichtFormular::setAlignment(Qt::Alignment alignment)
{
    if (m_updating)
        return;
    m_editor->setAlignment(alignment);
    SelectionChange();
}

void TStatusBerichtFormular::toggleBullets(bool on)
{
    if (m_updating)
        return;
    QTextCursor cursor = m_editor->textCursor();
    cursor.beginEditBlock();
    if (on) {
        cursor.createList(QTextListFormat::ListDisc);
    } else {
        const QTextDocument& document = *m_editor->document();
        const QTextBlock last = document.findBlock(cursor.selectionEnd());
        for (QTextBlock block = document.findBlock(cursor.selectionStart()); block.isValid();
             block = block.next()) {
            if (QTextList* list = block.textList()) {
                list->remove(block);
                QTextBlockFormat format = block.blockFormat();
                format.setIndent(0);
                QTextCursor(block).setBlockFormat(format);
            }
            if (block == last)
                break;
        }
    }
    cursor.endEditBlock();
    SelectionChange();
}

void TStatusBerichtFormular::rulerReleased(Marker marker, int left, int offset)
{
    QTextCursor cursor = m_editor->textCursor();
    Rules::Indents indents = Rules::indentsOf(cursor.blockFormat());
    switch (marker) {
    case Marker::FirstIndent:
        indents.first = Rules::firstIndentFromMarker(left, offset);
        indents.left = Rules::leftIndentFromMarker(m_ruler->markerLeft(Marker::LeftIndent), offset,
                                                   indents.first);
        break;
    case Marker::LeftIndent:
        indents.left = Rules::leftIndentFromMarker(left, offset, indents.first);
        break;
    case Marker::RightIndent:
        indents.right = Rules::rightIndentFromMarker(left, offset, m_ruler->width());
        break;
    }
    QTextBlockFormat format;
    Rules::applyIndents(format, indents);
    cursor.mergeBlockFormat(format);
    SelectionChange();
}

void TStatusBerichtFormular::SelectionChange()
{
    if (!m_fontSize)
        return;
    m_updating = true;
    const QTextCursor cursor = m_editor->textCursor();
    const QTextBlockFormat paragraph = cursor.blockFormat();
    const Rules::Indents indents = Rules::indentsOf(paragraph);
    m_ruler->setMarkerLeft(Marker::FirstIndent, Rules::firstIndentMarkerLeft(indents.first));
    m_ruler->setMarkerLeft(Marker::LeftIndent,
                           Rules::leftIndentMarkerLeft(indents.first, indents.left));
    m_ruler->setMarkerLeft(Marker::RightIndent,
                           Rules::rightIndentMarkerLeft(indents.right, m_ruler->width()));

    const QFont font = effectiveFont(m_editor->currentCharFormat(), *m_editor->document());
    m_bold->setChecked(font.bold());
    m_italic->setChecked(font.italic());
    m_underline->setChecked(font.underline());
    m_bullets->setChecked(cursor.currentList() != nullptr);
    m_fontSize->showSize(qRound(font.pointSizeF()));
    // An entry of the list becomes the current one, so leaving the field does not take it
    // for a choice of the user's.
    if (const int entry = m_fontName->findText(font.family()); entry >= 0)
        m_fontName->setCurrentIndex(entry);
    m_fontName->setEditText(font.family());
    const Qt::Alignment alignment = paragraph.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        m_alignCentre->setChecked(true);
    else if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
        m_alignRight->setChecked(true);
    else
        m_alignLeft->setChecked(true);
    m_copy->setEnabled(cursor.hasSelection());
    m_cut->setEnabled(cursor.hasSelection());
    m_updating = false;
    updateCaretDisplay();
}

void TStatusBerichtFormular::updateCaretDisplay()
{
    m_panels[0]->setText(Rules::caretText(
        Rules::caretPosition(*m_editor->document(), m_editor->textCursor().selectionStart())));
}

void TStatusBerichtFormular::updateModifiedMark()
{
    m_panels[1]->setText(Rules::modifiedText(m_editor->document()->isModified()));
}

void TStatusBerichtFormular::updateUndo()
{
    m_undo->setEnabled(m_editor->document()->isUndoAvailable());
}

void TStatusBerichtFormular::updatePaste()
{
    m_paste->setEnabled(m_editor->canPaste());
}

void TStatusBerichtFormular::updateEditorMargins()
{
    // The text starts 6 pixels inside the editor's edge, where the ruler's markers point.
    // Set while the document is still empty: the margin is part of the document, and its
    // change is no edit of the user's.
    m_editor->document()->setDocumentMargin(std::max(0, 6 - m_editor->frameWidth()));
    m_editor->document()->clearUndoRedoStacks();
    m_editor->document()->setModified(false);
}

bool TStatusBerichtFormular::showReport(base::UiServices& ui, const ReportGenerator& generate,
                                        const QString& programDirectory,
                                        const QString& startArgument, QWidget* parent)
{
    TStatusBerichtFormular form(ui, programDirectory, parent);
    form.setReportGenerator(generate);
    form.setStartArgument(startArgument);
    form.setWindowState(Qt::WindowMaximized);
    form.exec();
    return form.kept();
}

void TStatusBerichtFormular::editFile(base::UiServices& ui, const QString& path,
                                      const QString& openFilter, const QString& saveFilter,
                                      const QString& programDirectory, QWidget* parent)
{
    TStatusBerichtFormular form(ui, programDirectory, parent);
    form.setFileEditingMode(openFilter, saveFilter);
    if (!path.isEmpty())
        form.loadFile(path);
    form.setWindowState(Qt::WindowMaximized);
    form.exec();
}

std::unique_ptr<TStatusBerichtFormular>
TStatusBerichtFormular::showReportForPicture(base::UiServices& ui, const ReportGenerator& generate,
                                             const QString& programDirectory, const QSize& size)
{
    auto form = std::make_unique<TStatusBerichtFormular>(ui, programDirectory);
    form->setReportGenerator(generate);
    form->resize(size);
    form->show();
    return form;
}

std::unique_ptr<TStatusBerichtFormular>
TStatusBerichtFormular::showFileForPicture(base::UiServices& ui, const QString& path,
                                           const QString& programDirectory, const QSize& size)
{
    auto form = std::make_unique<TStatusBerichtFormular>(ui, programDirectory);
    form->setFileEditingMode(Rules::htmlFilter(), Rules::htmlFilter());
    form->loadFile(path);
    form->resize(size);
    form->show();
    return form;
}

} // namespace pelvaro::reports::ui
