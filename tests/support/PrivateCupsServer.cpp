#include "PrivateCupsServer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <dlfcn.h>
#include <sys/prctl.h>

#include <csignal>

namespace pelvaro::test {

namespace {

// The admin tools live in sbin, which is not on every user's PATH.
QString findTool(const QString& name)
{
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(
            name,
            {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin")});
    return found;
}

// The print client library keeps the server it first talked to for the rest of the process
// (per thread). Qt loads it with its print plug-in, possibly long before a test starts a
// server, so the environment alone comes too late; the library's own setter is called
// through the loaded library, as there are no development headers for it on the machine.
void setClientServer(const QByteArray& server)
{
    using SetServer = void (*)(const char*);
    static void* const library = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return;
    if (auto setServer = reinterpret_cast<SetServer>(dlsym(library, "cupsSetServer")))
        setServer(server.isNull() ? nullptr : server.constData());
}

bool writeFile(const QString& path, const QByteArray& bytes, QFile::Permissions permissions)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.setPermissions(permissions);
}

constexpr QFile::Permissions Readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                        QFile::ReadOther | QFile::ReadUser | QFile::WriteUser;
constexpr QFile::Permissions Executable =
    Readable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther | QFile::ExeUser;

} // namespace

PrivateCupsServer::PrivateCupsServer() = default;

PrivateCupsServer::~PrivateCupsServer()
{
    stop();
}

bool PrivateCupsServer::installed()
{
    return !findTool(QStringLiteral("cupsd")).isEmpty() &&
           !findTool(QStringLiteral("lpadmin")).isEmpty() &&
           !findTool(QStringLiteral("lpstat")).isEmpty();
}

QString PrivateCupsServer::path(const QString& name) const
{
    return m_dir->path() + QLatin1Char('/') + name;
}

QString PrivateCupsServer::socketPath() const
{
    return path(QStringLiteral("cups.sock"));
}

QString PrivateCupsServer::outputPath() const
{
    return path(QStringLiteral("out.prn"));
}

QByteArray PrivateCupsServer::output() const
{
    QFile file(outputPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool PrivateCupsServer::fail(const QString& what)
{
    m_error = what;
    if (m_dir)
        m_error += QStringLiteral("\n--- cupsd's output and error log ---\n") + daemonLog();
    return false;
}

QString PrivateCupsServer::daemonLog() const
{
    QString log;
    for (const char* name : {"cupsd.out", "log/error_log"}) {
        QFile file(path(QLatin1String(name)));
        if (file.open(QIODevice::ReadOnly)) {
            // The end of the log holds the failure; its beginning is the start-up chatter.
            const QByteArray bytes = file.readAll();
            log += QString::fromLocal8Bit(bytes.right(6000));
        }
    }
    return log;
}

bool PrivateCupsServer::writeConfiguration()
{
    const QString root = m_dir->path();
    for (const char* sub : {"spool", "cache", "state", "tmp", "log"})
        if (!QDir(root).mkpath(QLatin1String(sub)))
            return fail(QStringLiteral("cannot create %1/%2").arg(root, QLatin1String(sub)));

    // Nothing in here is reachable from the network: one Unix socket, no browsing, and any
    // local client may administer it, as the test is its only client.
    const QString daemonConf = QStringLiteral("Listen %1\n"
                                              "LogLevel info\n"
                                              "MaxLogSize 0\n"
                                              "WebInterface No\n"
                                              "Browsing No\n"
                                              "BrowseLocalProtocols none\n"
                                              "DefaultAuthType None\n"
                                              "<Policy default>\n"
                                              "  <Limit All>\n"
                                              "    Order allow,deny\n"
                                              "    Allow all\n"
                                              "  </Limit>\n"
                                              "</Policy>\n")
                                   .arg(socketPath());
    const QString filesConf = QStringLiteral("ServerRoot %1\n"
                                             "RequestRoot %1/spool\n"
                                             "CacheDir %1/cache\n"
                                             "StateDir %1/state\n"
                                             "TempDir %1/tmp\n"
                                             "AccessLog %1/log/access_log\n"
                                             "ErrorLog %1/log/error_log\n"
                                             "PageLog %1/log/page_log\n"
                                             "Printcap %1/printcap\n"
                                             "FileDevice Yes\n")
                                  .arg(root);
    // A queue without a filter (a "raw" queue) writes nothing into a file device: the daemon
    // opens the file but leaves copying to the filters and the backend, and a file device
    // has no backend. The queue's one filter passes the job through unchanged.
    const QByteArray filter = "#!/bin/sh\n"
                              "# argument 6 names the spooled job\n"
                              "exec cat -- \"${6:--}\"\n";
    const QString ppd = QStringLiteral("*PPD-Adobe: \"4.3\"\n"
                                       "*FormatVersion: \"4.3\"\n"
                                       "*FileVersion: \"1.0\"\n"
                                       "*LanguageVersion: English\n"
                                       "*LanguageEncoding: ISOLatin1\n"
                                       "*PCFileName: \"PELVARO.PPD\"\n"
                                       "*Manufacturer: \"Pelvaro\"\n"
                                       "*Product: \"(Pelvaro Test)\"\n"
                                       "*ModelName: \"Pelvaro Test\"\n"
                                       "*ShortNickName: \"Pelvaro Test\"\n"
                                       "*NickName: \"Pelvaro Test\"\n"
                                       "*PSVersion: \"(3010.000) 0\"\n"
                                       "*LanguageLevel: \"3\"\n"
                                       "*ColorDevice: False\n"
                                       "*DefaultColorSpace: Gray\n"
                                       "*FileSystem: False\n"
                                       "*Throughput: \"1\"\n"
                                       "*TTRasterizer: Type42\n"
                                       "*cupsFilter: \"application/pdf 0 %1\"\n"
                                       "*OpenUI *PageSize: PickOne\n"
                                       "*OrderDependency: 10 AnySetup *PageSize\n"
                                       "*DefaultPageSize: A4\n"
                                       "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
                                       "*CloseUI: *PageSize\n"
                                       "*DefaultImageableArea: A4\n"
                                       "*ImageableArea A4/A4: \"0 0 595 842\"\n"
                                       "*DefaultPaperDimension: A4\n"
                                       "*PaperDimension A4/A4: \"595 842\"\n")
                            .arg(path(QStringLiteral("passthrough")));
    if (!writeFile(path(QStringLiteral("cupsd.conf")), daemonConf.toUtf8(), Readable) ||
        !writeFile(path(QStringLiteral("cups-files.conf")), filesConf.toUtf8(), Readable) ||
        !writeFile(path(QStringLiteral("passthrough")), filter, Executable) ||
        !writeFile(path(QStringLiteral("queue.ppd")), ppd.toUtf8(), Readable))
        return fail(QStringLiteral("cannot write the configuration into %1").arg(root));
    return true;
}

bool PrivateCupsServer::runTool(const QString& program, const QStringList& arguments,
                                QString* output)
{
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(findTool(program), arguments);
    const bool finished = process.waitForFinished(30000);
    const QString text = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = text;
    if (!finished) {
        process.kill();
        process.waitForFinished();
        m_error = QStringLiteral("%1 did not finish").arg(program);
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = QStringLiteral("%1 %2 failed: %3")
                      .arg(program, arguments.join(QLatin1Char(' ')), text.trimmed());
        return false;
    }
    return true;
}

bool PrivateCupsServer::start()
{
    stop();
    m_error.clear();
    m_dir =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/pelvaro-cups-XXXXXX"));
    if (!m_dir->isValid()) {
        m_dir.reset();
        return fail(QStringLiteral("cannot create a temporary folder in %1").arg(QDir::tempPath()));
    }
    // A Unix socket's path holds at most 107 bytes.
    if (QFile::encodeName(socketPath()).size() > 100)
        return fail(QStringLiteral("the socket path %1 is too long; set TMPDIR to a shorter "
                                   "folder")
                        .arg(socketPath()));
    // The filters run as "lp" when the daemon runs as root; they must reach the folder.
    QFile::setPermissions(m_dir->path(), Executable | QFile::WriteOwner | QFile::WriteUser);
    if (!writeConfiguration())
        return false;

    m_environment = QProcessEnvironment::systemEnvironment();
    m_environment.insert(QStringLiteral("CUPS_SERVER"), socketPath());
    const QStringList configuration = {QStringLiteral("-c"), path(QStringLiteral("cupsd.conf")),
                                       QStringLiteral("-s"),
                                       path(QStringLiteral("cups-files.conf"))};

    // Running in the foreground, cupsd sends the errors of a bad configuration to the
    // system log, which a container may not have; the check prints them.
    QString checked;
    if (!runTool(QStringLiteral("cupsd"), QStringList{QStringLiteral("-t")} + configuration,
                 &checked))
        return fail(QStringLiteral("cupsd rejects its configuration:\n") + checked);

    m_daemon = std::make_unique<QProcess>();
    m_daemon->setProcessEnvironment(m_environment);
    m_daemon->setStandardOutputFile(path(QStringLiteral("cupsd.out")));
    m_daemon->setStandardErrorFile(path(QStringLiteral("cupsd.out")), QIODevice::Append);
    // The daemon ends with the test program, also when that crashes.
    m_daemon->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_daemon->start(findTool(QStringLiteral("cupsd")),
                    QStringList{QStringLiteral("-f")} + configuration);
    if (!m_daemon->waitForStarted(30000))
        return fail(QStringLiteral("cupsd does not start: ") + m_daemon->errorString());

    const auto daemonRunning = [this] { return m_daemon->state() == QProcess::Running; };
    // lpstat -r succeeds either way; only its words tell.
    QString scheduler;
    const auto answering = [&] {
        return runTool(QStringLiteral("lpstat"), {QStringLiteral("-r")}, &scheduler) &&
               scheduler.trimmed() == QStringLiteral("scheduler is running");
    };
    const bool ready = QTest::qWaitFor([&] { return !daemonRunning() || answering(); }, 30000);
    if (!daemonRunning())
        return fail(
            QStringLiteral("cupsd ended at its start (exit code %1)").arg(m_daemon->exitCode()));
    if (!ready)
        return fail(QStringLiteral("cupsd does not answer on %1: %2")
                        .arg(socketPath(), scheduler.trimmed()));

    pointClientAt(QFile::encodeName(socketPath()));

    if (!runTool(QStringLiteral("lpadmin"),
                 {QStringLiteral("-p"), queueName(), QStringLiteral("-E"), QStringLiteral("-v"),
                  QStringLiteral("file://") + outputPath(), QStringLiteral("-P"),
                  path(QStringLiteral("queue.ppd"))}))
        return fail(m_error);

    QString state;
    const auto queueReady = [&] {
        return runTool(QStringLiteral("lpstat"),
                       {QStringLiteral("-p"), queueName(), QStringLiteral("-a"), queueName()},
                       &state) &&
               state.contains(QStringLiteral("is idle")) &&
               state.contains(QStringLiteral("accepting requests"));
    };
    if (!QTest::qWaitFor(queueReady, 30000))
        return fail(QStringLiteral("the queue %1 does not get ready: %2").arg(queueName(), state));
    return true;
}

void PrivateCupsServer::pointClientAt(const QByteArray& server)
{
    if (!m_clientPointed) {
        m_previousServer = qEnvironmentVariableIsSet("CUPS_SERVER")
                               ? std::optional<QByteArray>(qgetenv("CUPS_SERVER"))
                               : std::nullopt;
        m_clientPointed = true;
    }
    qputenv("CUPS_SERVER", server);
    setClientServer(server);
}

void PrivateCupsServer::stop()
{
    if (m_clientPointed) {
        if (m_previousServer)
            qputenv("CUPS_SERVER", *m_previousServer);
        else
            qunsetenv("CUPS_SERVER");
        // Back to what the environment or the machine's configuration names.
        setClientServer(QByteArray());
        m_clientPointed = false;
        m_previousServer.reset();
    }
    if (m_daemon) {
        if (m_daemon->state() != QProcess::NotRunning) {
            m_daemon->terminate();
            if (!m_daemon->waitForFinished(30000)) {
                m_daemon->kill();
                m_daemon->waitForFinished();
            }
        }
        m_daemon.reset();
    }
}

int PrivateCupsServer::jobs(const QString& which)
{
    QString listing;
    if (!runTool(QStringLiteral("lpstat"),
                 {QStringLiteral("-W"), which, QStringLiteral("-o"), queueName()}, &listing))
        return -1;
    int count = 0;
    for (const QString& line : listing.split(QLatin1Char('\n')))
        if (line.startsWith(queueName() + QLatin1Char('-')))
            ++count;
    return count;
}

bool PrivateCupsServer::waitForCompletedJobs(int count, int timeoutMs)
{
    if (QTest::qWaitFor([&] { return completedJobs() >= count; }, timeoutMs))
        return true;
    QString queue;
    runTool(QStringLiteral("lpstat"),
            {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o"), queueName()},
            &queue);
    return fail(QStringLiteral("%1 of %2 jobs completed; the queue holds:\n%3")
                    .arg(completedJobs())
                    .arg(count)
                    .arg(queue));
}

} // namespace pelvaro::test
