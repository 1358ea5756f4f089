#include "app/ui/QtUiServices.h"

#include "app/ui/HelpWindow.h"
#include "app/ui/SplashWindow.h"
#include "app/ui/WaitNoticeWindow.h"
#include "base/AppInfo.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFont>
#include <QFontDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextStream>

#include <memory>

namespace pelvaro::app::ui {

// The wait notice stays on top of every window, so a box or dialog shown while it is up
// would open behind it; so does the splash at start-up. The notice steps aside while the box is up
// and comes back after, unless the work it stood for has ended meanwhile.
class QtUiServices::NoticeStepsAside
{
public:
    explicit NoticeStepsAside(QtUiServices& ui)
        : m_ui(ui), m_hidden(ui.m_wait && ui.m_wait->isVisible())
    {
        if (m_hidden)
            m_ui.m_wait->hide();
        // The splash stays on top as well, and a box during start-up is news the user must
        // read: the splash has had its turn and does not come back.
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* splash = qobject_cast<SplashWindow*>(window); splash && splash->isVisible())
                splash->hide();
    }
    ~NoticeStepsAside()
    {
        if (m_hidden && m_ui.m_wait && m_ui.waitNoticeShown())
            m_ui.m_wait->showNotice(m_ui.m_wait->text());
    }
    NoticeStepsAside(const NoticeStepsAside&) = delete;
    NoticeStepsAside& operator=(const NoticeStepsAside&) = delete;

private:
    QtUiServices& m_ui;
    bool m_hidden;
};

namespace {

QString kindName(base::MessageKind kind)
{
    switch (kind) {
    case base::MessageKind::Information:
        return QStringLiteral("Information");
    case base::MessageKind::Warning:
        return QStringLiteral("Warnung");
    case base::MessageKind::Error:
        return QStringLiteral("Fehler");
    case base::MessageKind::Question:
        return QStringLiteral("Frage");
    }
    return {};
}

} // namespace

QtUiServices::QtUiServices() = default;

QtUiServices::~QtUiServices()
{
    closeWindows();
}

void QtUiServices::closeWindows()
{
    delete m_help.data();
    delete m_wait.data();
}

void QtUiServices::report(const QString& text) const
{
    QTextStream(stderr) << text << Qt::endl;
}

base::MessageAnswer QtUiServices::showMessage(base::MessageKind kind, const QString& title,
                                              const QString& text, base::MessageButtons buttons)
{
    if (m_unattended) {
        // The default button: OK where there is one, else Yes.
        const bool ok =
            buttons == base::MessageButtons::Ok || buttons == base::MessageButtons::OkCancel;
        report(QStringLiteral("%1 \"%2\": %3 -> %4")
                   .arg(kindName(kind), title, text,
                        ok ? QStringLiteral("OK") : QStringLiteral("Ja")));
        return ok ? base::MessageAnswer::Ok : base::MessageAnswer::Yes;
    }
    const NoticeStepsAside aside(*this);
    const std::unique_ptr<QMessageBox> box = messageBox(kind, title, text, buttons, m_parent);
    box->exec();
    switch (box->buttonRole(box->clickedButton())) {
    case QMessageBox::YesRole:
        return base::MessageAnswer::Yes;
    case QMessageBox::NoRole:
        return base::MessageAnswer::No;
    case QMessageBox::AcceptRole:
        return base::MessageAnswer::Ok;
    default:
        break;
    }
    // Closed without a button: the box's own escape answer.
    switch (buttons) {
    case base::MessageButtons::Ok:
        return base::MessageAnswer::Ok;
    case base::MessageButtons::YesNo:
        return base::MessageAnswer::No;
    case base::MessageButtons::OkCancel:
    case base::MessageButtons::YesNoCancel:
        break;
    }
    return base::MessageAnswer::Cancel;
}

std::unique_ptr<QMessageBox> QtUiServices::messageBox(base::MessageKind kind, const QString& title,
                                                      const QString& text,
                                                      base::MessageButtons buttons, QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(title);
    box->setText(text);
    switch (kind) {
    case base::MessageKind::Information:
        box->setIcon(QMessageBox::Information);
        break;
    case base::MessageKind::Warning:
        box->setIcon(QMessageBox::Warning);
        break;
    case base::MessageKind::Error:
        box->setIcon(QMessageBox::Critical);
        break;
    case base::MessageKind::Question:
        box->setIcon(QMessageBox::Question);
        break;
    }
    // German captions are set here rather than left to a translation file, so the buttons
    // read the same on every desktop.
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    switch (buttons) {
    case base::MessageButtons::Ok:
        ok = box->addButton(QObject::tr("OK"), QMessageBox::AcceptRole);
        break;
    case base::MessageButtons::OkCancel:
        ok = box->addButton(QObject::tr("OK"), QMessageBox::AcceptRole);
        cancel = box->addButton(QObject::tr("Abbrechen"), QMessageBox::RejectRole);
        break;
    case base::MessageButtons::YesNo:
        yes = box->addButton(QObject::tr("&Ja"), QMessageBox::YesRole);
        no = box->addButton(QObject::tr("&Nein"), QMessageBox::NoRole);
        break;
    case base::MessageButtons::YesNoCancel:
        yes = box->addButton(QObject::tr("&Ja"), QMessageBox::YesRole);
        no = box->addButton(QObject::tr("&Nein"), QMessageBox::NoRole);
        cancel = box->addButton(QObject::tr("Abbrechen"), QMessageBox::RejectRole);
        break;
    }
    box->setDefaultButton(ok ? ok : yes);
    if (cancel)
        box->setEscapeButton(cancel);
    else if (no)
        box->setEscapeButton(no);
    return box;
}

namespace {

// What an unattended run writes instead of showing a file dialog.
QString cancelledDialogText(const base::FileDialogRequest& request)
{
    return QStringLiteral("Dateiauswahl \"%1\" -> Abbrechen").arg(request.title);
}

QFileDialog* makeDialog(QWidget* parent, const base::FileDialogRequest& request)
{
    auto* dialog = new QFileDialog(parent, request.title, request.directory, request.filter);
    dialog->setDefaultSuffix(request.defaultSuffix);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    return dialog;
}

} // namespace

std::optional<QString> QtUiServices::getOpenFileName(const base::FileDialogRequest& request)
{
    if (m_unattended) {
        report(cancelledDialogText(request));
        return std::nullopt;
    }
    const NoticeStepsAside aside(*this);
    std::unique_ptr<QFileDialog> dialog(makeDialog(m_parent, request));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return dialog->selectedFiles().constFirst();
}

std::optional<QString> QtUiServices::getSaveFileName(const base::FileDialogRequest& request)
{
    const std::optional<base::SaveFileChoice> choice = getSaveFileChoice(request);
    if (!choice)
        return std::nullopt;
    return choice->path;
}

std::optional<base::SaveFileChoice>
QtUiServices::getSaveFileChoice(const base::FileDialogRequest& request)
{
    if (m_unattended) {
        report(cancelledDialogText(request));
        return std::nullopt;
    }
    const NoticeStepsAside aside(*this);
    std::unique_ptr<QFileDialog> dialog(makeDialog(m_parent, request));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.selectedFilter.isEmpty())
        dialog->selectNameFilter(request.selectedFilter);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return base::SaveFileChoice{dialog->selectedFiles().constFirst(), dialog->selectedNameFilter()};
}

std::optional<base::PrintChoice> QtUiServices::choosePrinter(const base::PrintRequest& request)
{
    if (m_unattended) {
        report(QStringLiteral("Drucken \"%1\" -> Abbrechen").arg(request.jobName));
        return std::nullopt;
    }
    const NoticeStepsAside aside(*this);
    // Only a carrier for the dialog's answer; the caller prints on a printer of its own.
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(request.jobName);
    QPrintDialog dialog(&printer, m_parent);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, request.selectionAvailable);
    // The dialog would make its own proposal of the home folder and the job's name, which is
    // the report's whole path: a file that cannot be written. Ours is the report's folder.
    if (!request.pdfFile.isEmpty())
        if (auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename")))
            file->setText(request.pdfFile);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    base::PrintChoice choice;
    if (printer.outputFormat() == QPrinter::PdfFormat)
        choice.outputFile = printer.outputFileName();
    else
        choice.printerName = printer.printerName();
    if (printer.printRange() == QPrinter::PageRange) {
        choice.fromPage = printer.fromPage();
        choice.toPage = printer.toPage();
    }
    choice.selectionOnly = printer.printRange() == QPrinter::Selection;
    choice.copies = printer.copyCount();
    return choice;
}

std::optional<QString> QtUiServices::chooseFont(const QString& title, const QString& current)
{
    if (m_unattended) {
        report(QStringLiteral("Schriftauswahl \"%1\" -> Abbrechen").arg(title));
        return std::nullopt;
    }
    const NoticeStepsAside aside(*this);
    QFont font;
    font.fromString(current);
    QFontDialog dialog(font, m_parent);
    dialog.setObjectName(QStringLiteral("FontDialog"));
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedFont().toString();
}

bool QtUiServices::openUrl(const QUrl& url)
{
    if (m_unattended) {
        report(QStringLiteral("Adresse nicht geöffnet: %1").arg(url.toString()));
        return false;
    }
    return QDesktopServices::openUrl(url);
}

QString QtUiServices::clipboardText()
{
    return QGuiApplication::clipboard()->text();
}

void QtUiServices::setClipboardText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

void QtUiServices::beep()
{
    QApplication::beep();
}

void QtUiServices::showGeneralError(const QString& text)
{
    showMessage(base::MessageKind::Error, base::AppInfo::title(), text, base::MessageButtons::Ok);
}

void QtUiServices::openWaitWindow(const QString& text)
{
    if (!m_wait)
        m_wait = new WaitNoticeWindow();
    m_wait->showNotice(text);
}

void QtUiServices::closeWaitWindow()
{
    delete m_wait.data();
}

void QtUiServices::showHelpWindow(const base::HelpPage& page)
{
    if (!m_help)
        m_help = new HelpWindow();
    m_help->showPage(page);
}

} // namespace pelvaro::app::ui
