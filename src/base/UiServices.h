#pragma once

#include "base/Error.h"
#include "base/HelpPages.h"

#include <QString>
#include <QUrl>

#include <exception>
#include <optional>
#include <utility>

namespace pelvaro::base {

enum class MessageKind
{
    Information,
    Warning,
    Error,
    Question
};

enum class MessageButtons
{
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel
};

enum class MessageAnswer
{
    Ok,
    Cancel,
    Yes,
    No
};

struct FileDialogRequest
{
    QString title;
    // Filter in Qt's notation, e.g. "Site-Info-Dateien (*.sit);;Alle Dateien (*)".
    QString filter;
    // Appended when the user types a name without extension (without the dot).
    QString defaultSuffix;
    QString directory;
    bool confirmOverwrite = true;
    // The filter line the dialog starts on, as written in `filter`; empty: the first.
    QString selectedFilter;
};

// A save dialog's answer together with the filter line the user left it on, for callers
// that add the extension of that line themselves.
struct SaveFileChoice
{
    QString path;
    // As written in the request's filter; empty when the dialog cannot tell.
    QString filter;
};

struct PrintRequest
{
    // The dialog's caption; empty leaves the dialog's own.
    QString title;
    // The job's name, as the print queue shows it.
    QString jobName;
    // Offers printing only the selected text.
    bool selectionAvailable = false;
    // The file the dialog proposes for printing to a PDF file; empty leaves the dialog's own.
    QString pdfFile;
};

// What the user chose in the print dialog, as plain values because base knows no printer.
// What the dialog's first page asks for travels; paper settings from its properties do not.
struct PrintChoice
{
    QString printerName;
    // When set, the job goes to this PDF file instead of a printer.
    QString outputFile;
    // Pages counted from 1, both included; 0 and 0 print them all.
    int fromPage = 0;
    int toPage = 0;
    bool selectionOnly = false;
    int copies = 1;

    bool operator==(const PrintChoice&) const = default;
};

// The one door through which logic asks or tells the user something. The Qt side lives
// in app/ui; tests answer from a script; the command line prints. Texts use "\n" for a
// line break.
//
// The wait notice and the help lookup keep their rules here, in the base class, so that
// every implementation shows the same behaviour: at most one wait notice at a time, and a
// help window that is never blank.
class UiServices
{
public:
    UiServices() = default;
    virtual ~UiServices();
    UiServices(const UiServices&) = delete;
    UiServices& operator=(const UiServices&) = delete;

    virtual MessageAnswer showMessage(MessageKind kind, const QString& title, const QString& text,
                                      MessageButtons buttons) = 0;
    virtual std::optional<QString> getOpenFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> getSaveFileName(const FileDialogRequest& request) = 0;
    // The save dialog that also tells the chosen filter line. By default the line is not
    // known and the answer is getSaveFileName's.
    virtual std::optional<SaveFileChoice> getSaveFileChoice(const FileDialogRequest& request);
    // std::nullopt when the user cancelled.
    virtual std::optional<PrintChoice> choosePrinter(const PrintRequest& request) = 0;
    // Fonts travel as the text of QFont::toString(), which base cannot name; `current` is the
    // font the dialog starts from. std::nullopt when the user cancelled.
    virtual std::optional<QString> chooseFont(const QString& title, const QString& current) = 0;
    // Opens an address or a file with the desktop's default handler.
    virtual bool openUrl(const QUrl& url) = 0;
    // Opens a web page (or an answer page on disk) for the user to read; when the desktop
    // has no program for it, says so instead of leaving the click without a trace. Returns
    // whether the page was handed over.
    bool openInBrowser(const QUrl& url);
    static QString noBrowserText(const QUrl& url);
    virtual QString clipboardText() = 0;
    virtual void setClipboardText(const QString& text) = 0;
    virtual void beep() = 0;
    // The application's general error display, reached by failures nobody handled closer.
    virtual void showGeneralError(const QString& text) = 0;

    // Message boxes with the program title as caption.
    void information(const QString& text);
    void warning(const QString& text);
    void error(const QString& text);
    MessageAnswer question(const QString& text, MessageButtons buttons = MessageButtons::YesNo);

    // Shows the wait notice unless one is already shown; returns whether it showed one.
    bool ShowWaitNotice(const QString& text);
    // Closes the wait notice; returns whether one was shown.
    bool CloseWaitNotice();
    bool waitNoticeShown() const { return m_waitNoticeShown; }

    // Opens the built-in help at a numeric help context.
    void ShowHelp(int context);

    // The error edge of a widget slot that calls logic: a failure nobody handled closer
    // reaches the general error display instead of the event loop. Returns whether the
    // command ran to its end.
    template <typename Command> bool guarded(Command&& command);

protected:
    // Must show the notice and paint it before returning: the caller's long work follows
    // on the same thread.
    virtual void openWaitWindow(const QString& text) = 0;
    virtual void closeWaitWindow() = 0;
    virtual void showHelpWindow(const HelpPage& page) = 0;

private:
    bool m_waitNoticeShown = false;
};

template <typename Command> bool UiServices::guarded(Command&& command)
{
    try {
        std::forward<Command>(command)();
        return true;
    } catch (const Error& e) {
        showGeneralError(e.message());
    } catch (const std::exception& e) {
        showGeneralError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

// Shows the wait notice for as long as it lives. Only the guard that opened the notice
// closes it, so a step inside a longer one never takes away the outer step's notice, and
// an exception cannot leave the notice on screen.
class WaitNoticeGuard
{
public:
    WaitNoticeGuard(UiServices& ui, const QString& text);
    ~WaitNoticeGuard();
    WaitNoticeGuard(const WaitNoticeGuard&) = delete;
    WaitNoticeGuard& operator=(const WaitNoticeGuard&) = delete;

    // Closes the notice early, before a message that ends the long work.
    void close();
    bool opened() const { return m_opened; }

private:
    UiServices& m_ui;
    bool m_opened;
};

} // namespace pelvaro::base
