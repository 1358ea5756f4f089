// Figures for a whole submission run: every sample service selected, the demo farm
// answering through the proxy after a fixed delay, 24 workers. Ten runs in one process
// show whether memory grows. Run: build/dev/tests/bench_submit [delay-ms]
#include "BenchmarkSite.h"
#include "base/UiServices.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/store/CatalogueDatabase.h"
#include "cli/ConsoleUiServices.h"
#include "cli/DemoServer.h"
#include "site/SiteRecord.h"
#include "submit/RequestPreparation.h"
#include "submit/SubmissionScheduler.h"
#include "submit/TEineEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <sys/resource.h>

using namespace pelvaro;

namespace {

long rssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

using bench::filledRecord;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int delay = argc > 1 ? std::atoi(argv[1]) : 100;
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    cli::ConsoleUiServices ui(outStream, errStream);

    QTemporaryDir dir;
    const QString data = dir.path() + QStringLiteral("/daten");
    QDir().mkpath(data);
    QDir().mkpath(dir.path() + QStringLiteral("/HTML"));
    const QString catalogue = catalogue::store::CatalogueDatabase::filePath(data);
    QFile::copy(
        catalogue::store::CatalogueDatabase::filePath(QStringLiteral(PELVARO_BINARY_DIR "/daten")),
        catalogue);
    QFile::setPermissions(catalogue, QFile::ReadOwner | QFile::WriteOwner);

    cli::DemoServer farm;
    QString error;
    if (!farm.listen(0, delay, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    catalogue::TDataModule1 module(ui);
    if (!module.open(data, QString()))
        return 1;
    const site::SiteRecord record = filledRecord();

    std::printf("run  requests  wall_s  ideal_s  over_%%  cpu_s  rss_kB\n");
    for (int run = 1; run <= 10; ++run) {
        module.AllesAuswaehlen();
        submit::SendList& list = submit::SendeListe();
        QStringList success, failures;
        submit::RequestPreparation(module, ui, record, dir.path() + QStringLiteral("/HTML"))
            .DatenZumSendenVorbereiten(list, failures);
        submit::SubmissionScheduler::Settings settings;
        settings.threadCount = 24;
        settings.proxyHost = QStringLiteral("127.0.0.1:%1").arg(farm.port());
        submit::SubmissionScheduler scheduler(ui, list, success, failures, settings);
        QEventLoop loop;
        QObject::connect(&scheduler, &submit::SubmissionScheduler::runEnded, &loop,
                         &QEventLoop::quit);
        scheduler.FormActivate();
        const double cpuBefore = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        scheduler.StartenButtonClick();
        if (!scheduler.finished())
            loop.exec();
        const double wall = clock.nsecsElapsed() / 1e9;
        const double cpu = cpuSeconds() - cpuBefore;
        scheduler.FormClose();
        const double ideal = std::ceil(list.count / 24.0) * delay / 1000.0;
        std::printf("%3d  %8d  %6.3f  %7.3f  %6.1f  %5.3f  %6ld\n", run, list.count, wall, ideal,
                    (wall / ideal - 1) * 100, cpu, rssKb());
        std::fflush(stdout);
        out.clear();
    }
    return 0;
}
