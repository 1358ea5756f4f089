#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace pelvaro::test {

// A print server of the test's own: cupsd in the foreground on a Unix socket in a temporary
// folder, with one queue whose jobs land in a file, so that printing goes through the real
// print system without touching the machine's printers. While it runs, this process's print
// client (and so Qt's printer list and print jobs) talks to it.
//
// As root (the CI container) cupsd refuses to run its filters as root and runs them as the
// user "lp" instead; the folder is made readable for it. As any other user everything runs as
// that user.
class PrivateCupsServer
{
public:
    PrivateCupsServer();
    ~PrivateCupsServer();
    PrivateCupsServer(const PrivateCupsServer&) = delete;
    PrivateCupsServer& operator=(const PrivateCupsServer&) = delete;

    static QString queueName() { return QStringLiteral("Pelvaro-Test"); }
    // Whether the daemon and the admin tools are installed at all (scripts/install-deps.sh).
    static bool installed();

    // Starts the daemon, points the print client at it and adds the queue, waiting until the
    // queue takes jobs. False when any of it failed; error() then says what, with the
    // daemon's log.
    bool start();
    // Ends the daemon and gives the print client back its previous server. Also on
    // destruction.
    void stop();
    const QString& error() const { return m_error; }

    QString socketPath() const;
    // The file the queue writes each job into, replacing the one before.
    QString outputPath() const;
    QByteArray output() const;

    // Jobs the queue has finished since the server started; -1 when it cannot be asked.
    int completedJobs() { return jobs(QStringLiteral("completed")); }
    // Jobs the queue was given, in whatever state.
    int allJobs() { return jobs(QStringLiteral("all")); }
    // Waits, processing events, until `count` jobs have finished. False with error() when
    // they have not within the time.
    bool waitForCompletedJobs(int count, int timeoutMs = 30000);

private:
    int jobs(const QString& which);
    QString path(const QString& name) const;
    bool writeConfiguration();
    bool runTool(const QString& program, const QStringList& arguments, QString* output = nullptr);
    bool fail(const QString& what);
    QString daemonLog() const;
    void pointClientAt(const QByteArray& server);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_daemon;
    QProcessEnvironment m_environment;
    std::optional<QByteArray> m_previousServer;
    bool m_clientPointed = false;
    QString m_error;
};

} // namespace pelvaro::test
