// A soak run: a generated catalogue of 10,000 automatic services, all selected, twenty
// times through the demo farm with 24 workers in one process. Each run prepares as many as
// a send list holds and files a line for every other one, so every selected service must
// come out as exactly one result line. Prints per run the lines, memory, descriptors and
// threads; the figures must stay flat from run to run.
// Run: build/dev/tests/bench_soak [runs] [services] [delay-ms]
#include "BenchmarkSite.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/store/CatalogueDatabase.h"
#include "catalogue/store/Database.h"
#include "cli/ConsoleUiServices.h"
#include "cli/DemoServer.h"
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

#include <cstdio>
#include <cstdlib>

using namespace pelvaro;
using catalogue::store::CatalogueDatabase;
using catalogue::store::Database;

namespace {

long statusValue(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').first().toLong();
    return -1;
}

qsizetype entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size();
}

// Services 1..count, automatic form services on hosts of their own, with two form fields
// each, the post method on every third.
void generateCatalogue(const QString& data, int count)
{
    QDir().mkpath(data);
    Database db;
    db.open(CatalogueDatabase::filePath(data), Database::Mode::CreateIfMissing);
    db.begin();
    CatalogueDatabase::createSchema(db);
    auto service = db.prepare(QStringLiteral(
        "INSERT INTO dba (Nr, Name, URL, ManuellURL, Action, Land, Kategorie, Methode, Status, "
        "NurManuell, Bewertung, KostetGeld, Ausgewaehlt, CodeFuerFlagge, Ref, IndexNow) "
        "VALUES (?, ?, ?, ?, ?, 'DE', 'S', ?, 0, 0, 2, 0, 1, 17, 0, 0)"));
    auto field =
        db.prepare(QStringLiteral("INSERT INTO dbd (FelderID, EngineID, "
                                  "FeldNrInVindrel, FeldNameInEngine) VALUES (?, ?, ?, ?)"));
    for (int nr = 1; nr <= count; ++nr) {
        const QString host = QStringLiteral("http://dienst-%1.soak.example/").arg(nr);
        service.reset();
        service.bindAll({nr, QStringLiteral("Dienst %1").arg(nr), host,
                         host + QStringLiteral("anmelden.html"), host + QStringLiteral("add.cgi"),
                         nr % 3 == 0 ? QStringLiteral("P") : QStringLiteral("G")});
        service.step();
        for (const auto& [number, name] : {std::pair{2, "url;"}, std::pair{1, "title;"}}) {
            field.reset();
            field.bindAll({2 * nr + number - 2, nr, number, QString::fromLatin1(name)});
            field.step();
        }
    }
    db.commit();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    const int services = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int delay = argc > 3 ? std::atoi(argv[3]) : 0;
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    cli::ConsoleUiServices ui(outStream, errStream);

    QTemporaryDir dir;
    const QString data = dir.path() + QStringLiteral("/daten");
    const QString answers = dir.path() + QStringLiteral("/HTML");
    QDir().mkpath(answers);
    generateCatalogue(data, services);

    cli::DemoServer farm;
    QString error;
    if (!farm.listen(0, delay, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    catalogue::TDataModule1 module(ui);
    if (!module.open(data, QStringLiteral("soak")))
        return 1;
    const site::SiteRecord record = bench::filledRecord();

    std::printf("run  selected  sent  ok  failed  unsent  accounted  prep_s  wall_s  rss_kB  fds  "
                "threads\n");
    bool allAccounted = true;
    for (int run = 1; run <= runs; ++run) {
        module.AllesAuswaehlen();
        const int selected = module.counters().AnzAutomatisch;
        submit::SendList& list = submit::SendeListe();
        QStringList success, failures;
        QElapsedTimer preparing;
        preparing.start();
        submit::RequestPreparation(module, ui, record, answers)
            .DatenZumSendenVorbereiten(list, failures);
        const double prep = preparing.nsecsElapsed() / 1e9;
        const qsizetype unsent = failures.size();
        submit::SubmissionScheduler::Settings settings;
        settings.threadCount = 24;
        settings.proxyHost = QStringLiteral("127.0.0.1:%1").arg(farm.port());
        QElapsedTimer clock;
        clock.start();
        {
            submit::SubmissionScheduler scheduler(ui, list, success, failures, settings);
            QEventLoop loop;
            QObject::connect(&scheduler, &submit::SubmissionScheduler::runEnded, &loop,
                             &QEventLoop::quit);
            scheduler.FormActivate();
            scheduler.StartenButtonClick();
            if (!scheduler.finished())
                loop.exec();
            scheduler.FormClose();
        }
        const double wall = clock.nsecsElapsed() / 1e9;
        // Every selected service is exactly one line: a result of the run, or a line of the
        // preparation (here: the send list was full).
        const qsizetype lines = success.size() + failures.size();
        const bool accounted =
            lines == selected && success.size() + failures.size() - unsent == qsizetype(list.count);
        allAccounted = allAccounted && accounted;
        std::printf("%3d  %8d  %4d  %4lld  %6lld  %6lld  %9s  %6.2f  %6.2f  %6ld  %3lld  %7lld\n",
                    run, selected, list.count, qlonglong(success.size()),
                    qlonglong(failures.size() - unsent), qlonglong(unsent),
                    accounted ? "ja" : "NEIN", prep, wall, statusValue("VmRSS:"),
                    qlonglong(entries(QStringLiteral("/proc/self/fd"))),
                    qlonglong(entries(QStringLiteral("/proc/self/task"))));
        std::fflush(stdout);
        out.clear();
        err.clear();
    }
    return allAccounted ? 0 : 2;
}
