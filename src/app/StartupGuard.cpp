#include "app/StartupGuard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace pelvaro::app {

namespace {

const QByteArray activateMessage = QByteArrayLiteral("activate\n");

// The socket's path is limited to about a hundred bytes, so it is named after a short,
// file-system safe form of the guard's name.
QString fileSafe(const QString& name)
{
    QString out;
    for (const QChar c : name)
        out.append(c.isLetterOrNumber() || c == QLatin1Char('-') ? c : QLatin1Char('_'));
    return out;
}

} // namespace

StartupGuard::StartupGuard(const QString& applicationName, const QString& runtimeDir,
                           QObject* parent)
    : QObject(parent), m_name(QStringLiteral("PREVINST:") + applicationName),
      m_directory(runtimeDir)
{
    if (m_directory.isEmpty())
        m_directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (m_directory.isEmpty())
        m_directory = QDir::tempPath();
}

StartupGuard::~StartupGuard()
{
    if (m_server)
        m_server->close();
}

QString StartupGuard::basePath() const
{
    return m_directory + QLatin1Char('/') + fileSafe(m_name);
}

bool StartupGuard::acquire()
{
    QDir().mkpath(m_directory);
    m_lock = std::make_unique<QLockFile>(basePath() + QStringLiteral(".lock"));
    // A lock left by a crashed instance is taken over: QLockFile checks whether its owner
    // still lives.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        // Whatever went wrong, a process that cannot take the lock is not the first one.
        m_first = false;
        notifyFirstInstance();
        return false;
    }
    m_first = true;
    listen();
    return true;
}

void StartupGuard::listen()
{
    const QString socketPath = basePath() + QStringLiteral(".socket");
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is ours, so a socket file left behind belongs to a dead instance.
    QLocalServer::removeServer(socketPath);
    if (!m_server->listen(socketPath))
        return; // The program still runs; only raising it from a second start is lost.
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(activateMessage.trimmed()))
                    emit activationRequested();
            });
        }
    });
}

void StartupGuard::notifyFirstInstance()
{
    const QString socketPath = basePath() + QStringLiteral(".socket");
    // The first instance may have taken the lock a moment ago and not be listening yet.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1500) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(300)) {
            socket.write(activateMessage);
            socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return;
        }
        QThread::msleep(50);
    }
}

} // namespace pelvaro::app
