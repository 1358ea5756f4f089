#include "base/ui/ProgramIcons.h"

#include <QApplication>
#include <QFile>

// Outside every namespace: the resource initialiser is declared in the global one. Calling it
// keeps the linker from dropping the pictures from the static library.
static void initProgramIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace pelvaro::base::ui {

namespace {

using Command = ProgramIcons::Command;

struct Entry
{
    Command command;
    const char* name;
};

// Freedesktop icon names where there is one; for the few without one (select none,
// filter, hint, import, edit) the names the common themes use.
constexpr std::array<Entry, ProgramIcons::commandCount> entries{{
    {Command::New, "document-new"},
    {Command::Open, "document-open"},
    {Command::Save, "document-save"},
    {Command::SaveAs, "document-save-as"},
    {Command::Print, "document-print"},
    {Command::PrintPreview, "document-print-preview"},
    {Command::Import, "document-import"},
    {Command::EditFile, "document-edit"},
    {Command::Exit, "application-exit"},
    {Command::Close, "window-close"},
    {Command::Undo, "edit-undo"},
    {Command::Cut, "edit-cut"},
    {Command::Copy, "edit-copy"},
    {Command::Paste, "edit-paste"},
    {Command::Delete, "edit-delete"},
    {Command::Clear, "edit-clear"},
    {Command::Find, "edit-find"},
    {Command::SelectAll, "edit-select-all"},
    {Command::SelectNone, "edit-select-none"},
    {Command::Font, "preferences-desktop-font"},
    {Command::Settings, "preferences-system"},
    {Command::Help, "help-contents"},
    {Command::About, "help-about"},
    {Command::Hint, "help-hint"},
    {Command::Info, "dialog-information"},
    {Command::Start, "media-playback-start"},
    {Command::Stop, "process-stop"},
    {Command::Run, "system-run"},
    {Command::Refresh, "view-refresh"},
    {Command::SoftwareUpdate, "system-software-update"},
    {Command::GoFirst, "go-first"},
    {Command::GoPrevious, "go-previous"},
    {Command::GoNext, "go-next"},
    {Command::GoLast, "go-last"},
    {Command::GoHome, "go-home"},
    {Command::WebBrowser, "web-browser"},
    {Command::CheckAddress, "network-wired"},
    {Command::Add, "list-add"},
    {Command::Remove, "list-remove"},
    {Command::Filter, "view-filter"},
    {Command::ShowSource, "text-html"},
    {Command::TextDocument, "x-office-document"},
    {Command::Table, "x-office-spreadsheet"},
    {Command::Bold, "format-text-bold"},
    {Command::Italic, "format-text-italic"},
    {Command::Underline, "format-text-underline"},
    {Command::AlignLeft, "format-justify-left"},
    {Command::AlignCentre, "format-justify-center"},
    {Command::AlignRight, "format-justify-right"},
    {Command::Bullets, "format-list-unordered"},
}};

constexpr bool entriesInEnumOrder()
{
    for (int i = 0; i < ProgramIcons::commandCount; ++i)
        if (int(entries[size_t(i)].command) != i)
            return false;
    return true;
}
static_assert(entriesInEnumOrder(), "one entry per command, in the enum's order");

void ensureResources()
{
    static const bool done = [] {
        initProgramIconResources();
        return true;
    }();
    (void)done;
}

} // namespace

const std::array<ProgramIcons::Command, ProgramIcons::commandCount>& ProgramIcons::commands()
{
    static const auto list = [] {
        std::array<Command, commandCount> all{};
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = entries[i].command;
        return all;
    }();
    return list;
}

QString ProgramIcons::themeName(Command command)
{
    return QLatin1String(entries[size_t(command)].name);
}

QIcon ProgramIcons::ownPicture(Command command)
{
    ensureResources();
    QIcon icon;
    for (const int size : ownPictureSizes)
        icon.addFile(
            QStringLiteral(":/programicons/%1x%1/%2.png").arg(size).arg(themeName(command)),
            QSize(size, size));
    return icon;
}

QIcon ProgramIcons::icon(Command command)
{
    return QIcon::fromTheme(themeName(command), ownPicture(command));
}

QString ProgramIcons::applicationIconName()
{
    // The name the package installs the program's icon under (hicolor, every size), the
    // application id its desktop file carries.
    return QStringLiteral("example.trevanix.pelvaro");
}

QIcon ProgramIcons::application()
{
    ensureResources();
    QIcon own;
    for (const int size : {16, 32, 48, 256}) {
        const QString file = QStringLiteral(":/programicons/application/pelvaro-%1.png").arg(size);
        if (QFile::exists(file))
            own.addFile(file, QSize(size, size));
    }
    return QIcon::fromTheme(applicationIconName(), own);
}

void ProgramIcons::applyApplicationIcon()
{
    const QIcon icon = application();
    if (!icon.isNull())
        QApplication::setWindowIcon(icon);
}

} // namespace pelvaro::base::ui
