#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <optional>

namespace pelvaro::app {

// Whether the program can reach a window system, asked before the application object
// exists: without one, Qt ends the process with an abort and a core dump instead of a word
// the user can act on.
class DisplayProbe
{
public:
    // The line for standard error when no window system is reachable; nothing when the
    // windows can be shown. platformArgument is a "-platform" given on the command line,
    // which overrides QT_QPA_PLATFORM as it does for Qt.
    static std::optional<QString> problem(const QProcessEnvironment& environment,
                                          const QString& platformArgument = {});
    static QString noDisplayMessage();

    // An X server at this display name accepts a connection from us.
    static bool xServerReachable(const QString& display);
    // A Wayland compositor listens at this display name (a socket in the runtime folder, or
    // an absolute path).
    static bool waylandReachable(const QString& display, const QString& runtimeDir);
};

} // namespace pelvaro::app
