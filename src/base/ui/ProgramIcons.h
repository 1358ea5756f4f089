#pragma once

#include <QIcon>
#include <QString>

#include <array>

namespace pelvaro::base::ui {

// The pictures of the program's commands. Each command is asked of the desktop's icon theme
// under its standard name; where the theme has no such picture (or there is no theme, as on a
// bare X session or in the tests), the program's own picture stands in, drawn at 16, 24 and
// 32 pixels so menus and tool bars stay sharp.
class ProgramIcons
{
public:
    enum class Command
    {
        New,
        Open,
        Save,
        SaveAs,
        Print,
        PrintPreview,
        Import,
        EditFile,
        Exit,
        Close,
        Undo,
        Cut,
        Copy,
        Paste,
        Delete,
        Clear,
        Find,
        SelectAll,
        SelectNone,
        Font,
        Settings,
        Help,
        About,
        Hint,
        Info,
        Start,
        Stop,
        Run,
        Refresh,
        SoftwareUpdate,
        GoFirst,
        GoPrevious,
        GoNext,
        GoLast,
        GoHome,
        WebBrowser,
        CheckAddress,
        Add,
        Remove,
        Filter,
        ShowSource,
        TextDocument,
        Table,
        Bold,
        Italic,
        Underline,
        AlignLeft,
        AlignCentre,
        AlignRight,
        Bullets,
    };
    static constexpr int commandCount = int(Command::Bullets) + 1;
    static const std::array<Command, commandCount>& commands();

    // The theme's picture for the command, or the program's own.
    static QIcon icon(Command command);
    // The name the command is asked of the theme by (the freedesktop icon names).
    static QString themeName(Command command);
    // The program's own picture alone, whatever the theme holds.
    static QIcon ownPicture(Command command);
    static constexpr std::array<int, 3> ownPictureSizes{16, 24, 32};

    // The program's application icon: the theme's under applicationIconName() (an installed
    // program has put it into hicolor), else the one built into the program.
    static QIcon application();
    static QString applicationIconName();
    // Makes application() the icon of every window; call once after the QApplication exists.
    static void applyApplicationIcon();
};

} // namespace pelvaro::base::ui
