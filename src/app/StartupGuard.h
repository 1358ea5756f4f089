#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;

namespace pelvaro::app {

// Lets one instance of the program run per user. The first instance holds a lock file and
// listens on a local socket of the same name; a later instance finds the lock taken, hands
// the first one the file it was started with, asks it to bring its window to the front,
// and ends.
class StartupGuard : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartupGuard)

public:
    // The name is "PREVINST:" followed by the program's application name; runtimeDir is the
    // per-user folder that holds the lock file and the socket.
    explicit StartupGuard(const QString& applicationName, const QString& runtimeDir = {},
                          QObject* parent = nullptr);
    ~StartupGuard() override;

    // Takes the guard. Returns true for the first instance. A later instance has already
    // handed over fileToHandOver (made absolute, as the first instance works in another
    // folder) and asked the first one to come to the front when this returns false.
    bool acquire(const QString& fileToHandOver = {});
    bool isFirstInstance() const { return m_first; }
    const QString& name() const { return m_name; }

    // The folder that holds the lock and the socket; another one than asked for when that
    // one could not be used.
    const QString& directory() const { return m_directory; }

signals:
    // Another instance was started with this file; activationRequested follows.
    void fileHandedOver(const QString& path);
    // Another instance asked this one to restore and raise its window.
    void activationRequested();

private:
    QString basePath() const;
    enum class LockResult
    {
        Taken,
        HeldByAnother,
        Unusable
    };
    LockResult tryLock();
    void notifyFirstInstance(const QString& file);
    void listen();
    void readMessages(QLocalSocket* socket);

    QString m_name;
    QString m_directory;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    bool m_first = false;
};

} // namespace pelvaro::app
