// Figures for a whole run from the main window: every sample service selected, "Anmeldung
// starten", Start in the scheduler window, the demo farm answering through the proxy after a
// fixed delay, 24 workers, the window repainting as it goes (offscreen). Reports the wall time
// from Start to the run's end against the ideal ceil(n / 24) x delay, and the CPU time of the
// main thread alone over the same span. Run: build/dev/tests/bench_window_run [delay-ms]
#include "BenchmarkSite.h"
#include "app/ui/QtUiServices.h"
#include "app/ui/THauptFormular.h"
#include "base/SettingsStore.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/store/CatalogueDatabase.h"
#include "cli/DemoServer.h"
#include "site/SiteDocument.h"
#include "site/ui/SiteDescriptionPage.h"
#include "submit/SubmissionScheduler.h"
#include "submit/ui/TThreadForm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <ctime>

using namespace pelvaro;

namespace {

double mainThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int delay = argc > 1 ? std::atoi(argv[1]) : 100;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;

    QTemporaryDir dir;
    const QString data = dir.path() + QStringLiteral("/daten");
    const QString answers = dir.path() + QStringLiteral("/HTML");
    QDir().mkpath(data);
    QDir().mkpath(answers);
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
    app::ui::QtUiServices ui;
    ui.setUnattended(true); // every box takes its default answer at once
    catalogue::TDataModule1 module(ui);
    if (!module.open(data, QString()))
        return 1;
    base::SettingsStore settings(dir.path() + QStringLiteral("/settings.ini"));
    settings.settings() = base::Settings::defaults();
    settings.settings().threadCount = 24;
    settings.settings().overwriteReport = true;
    settings.settings().proxyHost = QStringLiteral("127.0.0.1");
    settings.settings().proxyPort = QString::number(farm.port());
    app::ui::THauptFormular window(ui, settings.filePath());
    window.attachCatalogue(module);
    window.setRunContext(&settings, dir.path(), answers);
    const site::SiteRecord record = bench::filledRecord();
    window.document().record() = record;
    window.sitePage().showRecord(record);
    window.show();

    std::printf("run  requests  wall_s  ideal_s  over_%%  main_cpu_s  main_cpu_%%\n");
    for (int run = 1; run <= rounds; ++run) {
        module.AllesAuswaehlen();
        window.pageControl()->setCurrentIndex(3);
        int sent = 0;
        double wall = 0;
        double cpu = 0;
        QElapsedTimer clock;
        double cpuBefore = 0;
        // The preparation's wait notice runs the event loop before the window exists: look
        // until it is there.
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* form = qobject_cast<submit::ui::TThreadForm*>(QApplication::activeModalWidget());
            if (!form)
                return;
            watch.stop();
            submit::SubmissionScheduler& scheduler = form->scheduler();
            cpuBefore = mainThreadCpuSeconds();
            QObject::connect(&scheduler, &submit::SubmissionScheduler::runEnded, form, [&, form] {
                wall = double(clock.nsecsElapsed()) / 1e9;
                cpu = mainThreadCpuSeconds() - cpuBefore;
                sent = scheduler.ErfolgZaehler() + scheduler.FehlerZaehler();
                QTimer::singleShot(0, form, [form] {
                    form->findChild<QPushButton*>(QStringLiteral("SchliessenButton"))->click();
                });
            });
            clock.start();
            form->findChild<QPushButton*>(QStringLiteral("StartenButton"))->click();
        });
        watch.start();
        window.findChild<QAction*>(QStringLiteral("SubmitBtn"))->trigger();
        const double ideal = std::ceil(sent / 24.0) * delay / 1000.0;
        std::printf("%3d  %8d  %6.3f  %7.3f  %6.1f  %10.3f  %10.1f\n", run, sent, wall, ideal,
                    (wall / ideal - 1) * 100, cpu, cpu / wall * 100);
        std::fflush(stdout);
    }
    return 0;
}
