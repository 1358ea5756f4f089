// Figures for the reports of a run over the shipped catalogue (604 services) and one ten times
// larger: the status report's assembly and formatting, its RTF, and the standard report's PDF.
// Run: build/h8-dev/tests/bench_reports
#include "base/UiServices.h"
#include "reports/StandardReport.h"
#include "reports/StatusReport.h"
#include "reports/rtf/RtfCodec.h"
#include "site/SiteRecord.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace reports = pelvaro::reports;
namespace base = pelvaro::base;

namespace {

class SilentUi : public base::UiServices
{
public:
    base::MessageAnswer showMessage(base::MessageKind, const QString&, const QString&,
                                    base::MessageButtons) override
    {
        return base::MessageAnswer::Ok;
    }
    std::optional<QString> getOpenFileName(const base::FileDialogRequest&) override { return {}; }
    std::optional<QString> getSaveFileName(const base::FileDialogRequest&) override { return {}; }
    std::optional<base::PrintChoice> choosePrinter(const base::PrintRequest&) override
    {
        return {};
    }
    std::optional<QString> chooseFont(const QString&, const QString&) override { return {}; }
    bool openUrl(const QUrl&) override { return false; }
    QString clipboardText() override { return {}; }
    void setClipboardText(const QString&) override {}
    void beep() override {}
    void showGeneralError(const QString&) override {}

protected:
    void openWaitWindow(const QString&) override {}
    void closeWaitWindow() override {}
    void showHelpWindow(const base::HelpPage&) override {}
};

// One line in ten failed, as on a bad day.
void runLines(int count, QStringList& success, QStringList& failure)
{
    for (int i = 1; i <= count; ++i) {
        const QString nr = QString::number(i);
        if (i % 10 == 0)
            failure << QStringLiteral("Dienst ") + nr + QStringLiteral("\tNicht verfügbar!\t0\r") +
                           nr + QStringLiteral("\thttp://dienst") + nr +
                           QStringLiteral(".example/add.cgi");
        else
            success << QStringLiteral("Dienst ") + nr +
                           QStringLiteral("\tErfolgreich übertragen\t200\r") + nr +
                           QStringLiteral("\thttp://dienst") + nr +
                           QStringLiteral(".example/add.cgi");
    }
}

pelvaro::site::SiteRecord site()
{
    pelvaro::site::SiteRecord record;
    record.URLEdit = QStringLiteral("http://www.muster.example/");
    record.TitleEdit = QStringLiteral("Muster Obst");
    return record;
}

void BM_StatusReport(benchmark::State& state)
{
    QStringList success, failure;
    runLines(int(state.range(0)), success, failure);
    SilentUi ui;
    const pelvaro::site::SiteRecord record = site();
    for (auto _ : state) {
        QTextDocument document;
        reports::StatusReport::generate(ui, document, success, failure, record,
                                        [] { return QDate(2031, 5, 17); });
        benchmark::DoNotOptimize(document.blockCount());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_StatusReport)
    ->Arg(604)
    ->Arg(6040)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_StatusReportRtf(benchmark::State& state)
{
    QStringList success, failure;
    runLines(int(state.range(0)), success, failure);
    SilentUi ui;
    QTextDocument document;
    reports::StatusReport::generate(ui, document, success, failure, site(),
                                    [] { return QDate(2031, 5, 17); });
    for (auto _ : state)
        benchmark::DoNotOptimize(reports::rtf::writeRtf(document));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_StatusReportRtf)
    ->Arg(604)
    ->Arg(6040)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_StandardReportPdf(benchmark::State& state)
{
    std::vector<reports::StandardReport::Row> rows;
    for (int i = 1; i <= state.range(0); ++i)
        rows.push_back({QStringLiteral("Dienst %1").arg(i), QStringLiteral("200"),
                        QStringLiteral("Erfolgreich übertragen")});
    for (auto _ : state)
        benchmark::DoNotOptimize(
            reports::StandardReport::pdf(rows, reports::StandardReport::View::Dienst));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_StandardReportPdf)
    ->Arg(604)
    ->Arg(6040)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
