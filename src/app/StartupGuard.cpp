#include "app/StartupGuard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace pelvaro::app {

namespace {

const QByteArray activateMessage = QByteArrayLiteral("activate\n");
const QByteArray openPrefix = QByteArrayLiteral("open ");

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

bool StartupGuard::acquire(const QString& fileToHandOver)
{
    LockResult result = tryLock();
    if (result == LockResult::Unusable) {
        // A runtime folder this user cannot write (a broken XDG_RUNTIME_DIR) must not end
        // the program as if another instance ran: the guard moves to a private folder of
        // the user's under the temporary folder, which every instance finds alike.
        m_directory = QDir::tempPath() + QStringLiteral("/pelvaro-") + QString::number(::getuid());
        // Only its owner may place a socket there; a folder of that name that belongs to
        // someone else is not used at all.
        if (QDir().mkpath(m_directory))
            QFile::setPermissions(m_directory,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QFileInfo folder(m_directory);
        result =
            folder.isDir() && folder.ownerId() == ::getuid() ? tryLock() : LockResult::Unusable;
    }
    switch (result) {
    case LockResult::HeldByAnother:
        m_first = false;
        notifyFirstInstance(fileToHandOver);
        return false;
    case LockResult::Taken:
        m_first = true;
        listen();
        return true;
    case LockResult::Unusable:
        break;
    }
    // Without any usable folder the program runs unguarded rather than not at all.
    m_first = true;
    return true;
}

StartupGuard::LockResult StartupGuard::tryLock()
{
    if (!QDir().mkpath(m_directory))
        return LockResult::Unusable;
    m_lock = std::make_unique<QLockFile>(basePath() + QStringLiteral(".lock"));
    // A lock left by a crashed instance is taken over: QLockFile checks whether its owner
    // still lives.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return LockResult::Taken;
    return m_lock->error() == QLockFile::LockFailedError ? LockResult::HeldByAnother
                                                         : LockResult::Unusable;
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
            connect(socket, &QLocalSocket::readyRead, this,
                    [this, socket] { readMessages(socket); });
        }
    });
}

// One message per line; a line may arrive in pieces, so only whole lines are read.
void StartupGuard::readMessages(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine().trimmed();
        if (line.startsWith(openPrefix)) {
            const QString path = QString::fromUtf8(
                QByteArray::fromBase64(line.mid(openPrefix.size()), QByteArray::Base64Encoding));
            if (!path.isEmpty())
                emit fileHandedOver(path);
        } else if (line == activateMessage.trimmed()) {
            emit activationRequested();
        }
    }
}

void StartupGuard::notifyFirstInstance(const QString& file)
{
    // Paths travel as Base64 so that no character of a file name can break the line.
    QByteArray message;
    if (!file.isEmpty())
        message = openPrefix + QFileInfo(file).absoluteFilePath().toUtf8().toBase64() + '\n';
    message += activateMessage;

    const QString socketPath = basePath() + QStringLiteral(".socket");
    // The first instance may have taken the lock a moment ago and not be listening yet.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1500) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(300)) {
            socket.write(message);
            socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return;
        }
        QThread::msleep(50);
    }
}

} // namespace pelvaro::app
