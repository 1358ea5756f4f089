// Download throughput of the update mechanism against curl: one local server sends a file
// (100 MB unless given in MB) with its length; both clients write it to a file in the same
// folder. Each runs three times; the best run counts.
// Run: build/dev/tests/bench_updates [megabytes] [folder]
#include "updates/TransferJob.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <thread>

using namespace pelvaro;

namespace {

// Answers every request with the file, sent by the kernel straight from the page cache so
// the server is never what limits the clients.
class FileServer
{
public:
    explicit FileServer(const QString& path) : m_path(path.toLocal8Bit())
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listen, 8) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            std::perror("server");
            std::exit(1);
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~FileServer()
    {
        m_stop = true;
        ::shutdown(m_listen, SHUT_RDWR);
        m_thread.join();
        ::close(m_listen);
    }
    quint16 port() const { return m_port; }

private:
    void serve()
    {
        while (!m_stop) {
            const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                return;
            QByteArray request;
            char buffer[4096];
            while (!request.contains("\r\n\r\n")) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                request.append(buffer, n);
            }
            const int file = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
            const off_t size = ::lseek(file, 0, SEEK_END);
            const QByteArray head =
                "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                QByteArray::number(qint64(size)) + "\r\n\r\n";
            ::send(client, head.constData(), size_t(head.size()), MSG_NOSIGNAL);
            off_t offset = 0;
            while (offset<size&& ::sendfile(client, file, &offset, size_t(size - offset))> 0) {
            }
            ::close(file);
            ::close(client);
        }
    }

    QByteArray m_path;
    int m_listen = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

double ours(const QString& url, const QString& target, qint64 size)
{
    submit::ExchangeRequest request;
    request.url = url;
    QElapsedTimer timer;
    timer.start();
    const std::unique_ptr<updates::TransferJob> job = updates::TransferJob::toFile(request, target);
    QEventLoop loop;
    QObject::connect(job.get(), &updates::TransferJob::finished, &loop, &QEventLoop::quit);
    job->start();
    loop.exec();
    const double received = double(timer.nsecsElapsed()) / 1e9;
    const bool ok =
        job->outcome().result.Erfolg && job->outcome().received == size && job->commitFile();
    if (qEnvironmentVariableIsSet("BENCH_DETAIL"))
        std::fprintf(stderr, "  received after %.3f s, committed after %.3f s\n", received,
                     double(timer.nsecsElapsed()) / 1e9);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (!ok || QFileInfo(target).size() != size) {
        std::fprintf(stderr, "our download failed: %s\n",
                     qPrintable(job->outcome().result.Meldung));
        std::exit(1);
    }
    return seconds;
}

// Wall time of the whole curl process, and the speed curl itself reports for the transfer
// alone (without starting the process).
struct CurlRun
{
    double seconds = 0;
    double ownBytesPerSecond = 0;
};

CurlRun curl(const QString& url, const QString& target, qint64 size)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(QStringLiteral("curl"),
                  {QStringLiteral("-s"), QStringLiteral("-o"), target, QStringLiteral("-w"),
                   QStringLiteral("%{speed_download}"), url});
    process.waitForFinished(-1);
    CurlRun run;
    run.seconds = double(timer.nsecsElapsed()) / 1e9;
    run.ownBytesPerSecond = process.readAllStandardOutput().trimmed().toDouble();
    if (process.exitCode() != 0 || QFileInfo(target).size() != size) {
        std::fprintf(stderr, "curl failed (%d)\n", process.exitCode());
        std::exit(1);
    }
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const qint64 megabytes = argc > 1 ? std::atoll(argv[1]) : 100;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::currentPath();
    QTemporaryDir folder(base + QStringLiteral("/bench_updates-XXXXXX"));
    if (!folder.isValid()) {
        std::fprintf(stderr, "no folder in %s\n", qPrintable(base));
        return 1;
    }
    const qint64 size = megabytes * 1024 * 1024;
    const QString source = folder.filePath(QStringLiteral("source.bin"));
    {
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block(1024 * 1024, '\0');
        for (qsizetype i = 0; i < block.size(); ++i)
            block[i] = char((i * 131) & 0xff);
        for (qint64 i = 0; i < megabytes; ++i)
            file.write(block);
    }
    FileServer server(source);
    const QString url = QStringLiteral("http://127.0.0.1:%1/pelvaro.deb").arg(server.port());

    double bestOurs = 1e9;
    double bestCurl = 1e9;
    double bestCurlOwn = 0;
    for (int round = 0; round < 3; ++round) {
        const QString a = folder.filePath(QStringLiteral("ours-%1.deb").arg(round));
        const QString b = folder.filePath(QStringLiteral("curl-%1.deb").arg(round));
        const CurlRun c = curl(url, b, size);
        bestCurl = std::min(bestCurl, c.seconds);
        bestCurlOwn = std::max(bestCurlOwn, c.ownBytesPerSecond);
        bestOurs = std::min(bestOurs, ours(url, a, size));
        QFile::remove(a);
        QFile::remove(b);
    }
    const double mb = double(size) / (1024.0 * 1024.0);
    std::printf("download of %lld MB from 127.0.0.1 into %s, best of 3\n",
                static_cast<long long>(megabytes), qPrintable(folder.path()));
    std::printf("  ours (TransferJob, file):  %8.1f MB/s  (%.3f s)\n", mb / bestOurs, bestOurs);
    std::printf("  curl -s -o:                %8.1f MB/s  (%.3f s, process included)\n",
                mb / bestCurl, bestCurl);
    std::printf("  curl, its own figure:      %8.1f MB/s  (transfer only)\n",
                bestCurlOwn / (1024.0 * 1024.0));
    std::printf("  ours / curl:               %8.1f %%\n", 100.0 * bestCurl / bestOurs);
    return 0;
}
