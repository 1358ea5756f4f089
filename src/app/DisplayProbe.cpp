#include "app/DisplayProbe.h"

#include <QFile>
#include <QStringList>

#include <cstring>

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace pelvaro::app {

namespace {

// The X connection is made with the same library Qt's X platform uses, so the answer
// covers what a bare socket test would miss: a display that exists but turns us away.
// It is loaded at run time because the program does not otherwise link it; where it is
// missing, Qt cannot show X windows either, so the answer is no.
struct XcbLibrary
{
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);

    XcbLibrary() : handle(dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL))
    {
        if (!handle)
            return;
        connect = reinterpret_cast<Connect>(dlsym(handle, "xcb_connect"));
        hasError = reinterpret_cast<HasError>(dlsym(handle, "xcb_connection_has_error"));
        disconnect = reinterpret_cast<Disconnect>(dlsym(handle, "xcb_disconnect"));
    }
    ~XcbLibrary()
    {
        if (handle)
            dlclose(handle);
    }
    XcbLibrary(const XcbLibrary&) = delete;
    XcbLibrary& operator=(const XcbLibrary&) = delete;

    bool usable() const { return connect && hasError && disconnect; }

    void* handle;
    Connect connect = nullptr;
    HasError hasError = nullptr;
    Disconnect disconnect = nullptr;
};

bool unixSocketAccepts(const QByteArray& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool accepted =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return accepted;
}

} // namespace

QString DisplayProbe::noDisplayMessage()
{
    return QStringLiteral(
        "Pelvaro! findet keine grafische Oberfläche (DISPLAY oder WAYLAND_DISPLAY führt zu "
        "keinem erreichbaren Anzeigeserver); für die Arbeit ohne Fenster gibt es pelvaro-cli.");
}

bool DisplayProbe::xServerReachable(const QString& display)
{
    // An empty name would make the library fall back on our own DISPLAY.
    if (display.trimmed().isEmpty())
        return false;
    const XcbLibrary xcb;
    if (!xcb.usable())
        return false;
    void* connection = xcb.connect(display.toLocal8Bit().constData(), nullptr);
    // The library hands back an error object rather than null when it fails.
    const bool reachable = connection && xcb.hasError(connection) == 0;
    if (connection)
        xcb.disconnect(connection);
    return reachable;
}

bool DisplayProbe::waylandReachable(const QString& display, const QString& runtimeDir)
{
    // Without a name the client library takes "wayland-0", and so do we.
    const QString name = display.isEmpty() ? QStringLiteral("wayland-0") : display;
    if (name.startsWith(QLatin1Char('/')))
        return unixSocketAccepts(QFile::encodeName(name));
    if (runtimeDir.isEmpty())
        return false;
    return unixSocketAccepts(QFile::encodeName(runtimeDir + QLatin1Char('/') + name));
}

std::optional<QString> DisplayProbe::problem(const QProcessEnvironment& environment,
                                             const QString& platformArgument)
{
    const QString display = environment.value(QStringLiteral("DISPLAY"));
    const QString wayland = environment.value(QStringLiteral("WAYLAND_DISPLAY"));
    const QString runtimeDir = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
    const QString platforms = platformArgument.isEmpty()
                                  ? environment.value(QStringLiteral("QT_QPA_PLATFORM"))
                                  : platformArgument;

    if (platforms.trimmed().isEmpty()) {
        // Qt's own choice: X, or Wayland where the session is one.
        if (xServerReachable(display))
            return std::nullopt;
        if (!wayland.isEmpty() && waylandReachable(wayland, runtimeDir))
            return std::nullopt;
        return noDisplayMessage();
    }

    // Qt tries the listed platforms in turn; options follow a platform's name after a colon.
    for (const QString& entry : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = entry.section(QLatin1Char(':'), 0, 0).trimmed();
        if (name == QLatin1String("xcb")) {
            if (xServerReachable(display))
                return std::nullopt;
        } else if (name.startsWith(QLatin1String("wayland"))) {
            if (waylandReachable(wayland, runtimeDir))
                return std::nullopt;
        } else if (!name.isEmpty()) {
            // Off-screen, VNC, frame buffer and the like need no display server we could ask
            // beforehand; whoever chose one knows what it needs.
            return std::nullopt;
        }
    }
    return noDisplayMessage();
}

} // namespace pelvaro::app
