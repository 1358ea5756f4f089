// Figures for the meta-tag page: reading a folder of ten thousand files into the file
// browser's list, and importing the META tags of a 1 MB and a 100 MB page.
// Run: build/h2/tests/bench_tools
// Peak memory of the large import, alone in its process:
//   build/h2/tests/bench_tools --benchmark_filter='BM_ImportFile/100$'
// (the counters maxrss_before_MB and maxrss_after_MB are the process's peak resident size
// before the first and after the last import; the file is written in small pieces, so
// writing it does not raise the peak).
#include "tools/FileListing.h"
#include "tools/MetaTagImporter.h"
#include "tools/ui/FileBrowser.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tools = pelvaro::tools;

namespace {

QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// Ten thousand files of a web site's usual types, sizes and ages.
QString folderOf(int count)
{
    const QString folder = scratch().path() + QStringLiteral("/ordner%1").arg(count);
    if (QFile::exists(folder))
        return folder;
    ::mkdir(QFile::encodeName(folder).constData(), 0755);
    static const char* const types[] = {"html", "htm", "png", "jpg", "css", "js", "txt"};
    const time_t now = time(nullptr);
    for (int i = 0; i < count; ++i) {
        const QByteArray path =
            QFile::encodeName(folder + QStringLiteral("/Seite-%1.%2")
                                           .arg(count - i, 5, 10, QLatin1Char('0'))
                                           .arg(QLatin1String(types[i % 7])));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const QByteArray body(i % 4096, 'x');
        if (::write(fd, body.constData(), size_t(body.size())) != body.size())
            abort();
        const timespec times[2] = {{now - i * 97, 0}, {now - i * 97, 0}};
        ::futimens(fd, times);
        ::close(fd);
    }
    return folder;
}

// A page as they come: a head with a dozen META tags, then a long body. A broken page
// lacks the head's end tag, which makes the import search the whole file for it.
QString pageOf(int megabytes, bool headEnds = true)
{
    const QString path =
        scratch().path() + QStringLiteral("/seite%1%2.html").arg(megabytes).arg(headEnds);
    if (QFile::exists(path))
        return path;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        abort();
    file.write("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html>\n<head>\n"
               "<title>Muster Obst \xe2\x80\x93 \xc3\x84pfel und Birnen aus der Region</title>\n"
               "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
               "<meta name=\"author\" content=\"Erika Mustermann\">\n"
               "<meta name=\"publisher\" content=\"Muster Obst GmbH\">\n"
               "<meta name=\"copyright\" content=\"(c) 2031 Muster Obst GmbH\">\n"
               "<meta name=\"keywords\" content=\"Obst, \xc3\x84pfel, Birnen, Kirschen, Pflaumen, "
               "Hofladen, Bio, Region, Ernte, Saft, Most, Lieferung\">\n"
               "<meta name=\"description\" content=\"Obst vom Hof: \xc3\x84pfel, Birnen und "
               "Kirschen aus eigenem Anbau, frisch geerntet und geliefert.\">\n"
               "<meta name=\"page-topic\" content=\"Lebensmittel\">\n"
               "<meta name=\"page-type\" content=\"Produktinfo\">\n"
               "<meta name=\"audience\" content=\"Alle\">\n"
               "<meta name=\"expires\" content=\"Tue, 17 May 2031 00:00:00 GMT\">\n"
               "<meta name=\"robots\" content=\"INDEX,FOLLOW\">\n"
               "<meta name=\"revisit-after\" content=\"14 days\">\n"
               "<meta http-equiv=\"pragma\" content=\"no-cache\">\n"
               "<link rel=\"stylesheet\" href=\"stil.css\">\n");
    file.write(headEnds ? "</head>\n<body>\n" : "<body>\n");
    const QByteArray paragraph =
        "<p>Unsere \xc3\x84pfel wachsen auf den H\xc3\xa4ngen \xc3\xbc"
        "ber dem Tal. <a href=\"sorten.html\">Sorten</a>, <b>Preise</b> und "
        "<i>Erntezeiten</i> finden Sie auf den folgenden Seiten.</p>\n";
    const qint64 target = qint64(megabytes) * 1024 * 1024;
    QByteArray chunk;
    while (chunk.size() < 64 * 1024)
        chunk += paragraph;
    while (file.size() + chunk.size() < target)
        file.write(chunk);
    file.write("</body>\n</html>\n");
    return path;
}

double maxRssMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void BM_ListFiles(benchmark::State& state)
{
    const QString folder = folderOf(int(state.range(0)));
    for (auto _ : state) {
        const std::vector<tools::FileEntry> entries = tools::FileListing::listFiles(folder);
        benchmark::DoNotOptimize(tools::FileListing::arrange(entries, tools::FileView::Default));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListFiles)->Arg(10000)->Unit(benchmark::kMillisecond);

// What a click on a tree node costs: listing, sorting for the chosen view, filling the
// list, and painting its first screen.
void BM_ShowFolder(benchmark::State& state)
{
    const QString folder = folderOf(10000);
    tools::ui::FileBrowser browser;
    browser.resize(700, 700);
    browser.show();
    auto* list = browser.findChild<QTreeView*>(QStringLiteral("xOvcDataReportView1"));
    auto* views = browser.findChild<QWidget*>(QStringLiteral("OvcViewComboBox1"));
    views->setProperty("currentIndex", int(state.range(0)));
    for (auto _ : state) {
        browser.showFolder(folder);
        benchmark::DoNotOptimize(list->viewport()->grab());
    }
    state.counters["rows"] = double(list->model()->rowCount());
}
BENCHMARK(BM_ShowFolder)->ArgName("view")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_ImportFile(benchmark::State& state)
{
    const QString path = pageOf(int(state.range(0)));
    const double before = maxRssMegabytes();
    for (auto _ : state) {
        const tools::MetaTagImportResult result = tools::MetaTagImporter::importFile(path, {});
        if (result.form.EditAutor != QStringLiteral("Erika Mustermann") || !result.messages.empty())
            state.SkipWithError("the page did not read as expected");
        benchmark::DoNotOptimize(result);
    }
    state.counters["maxrss_before_MB"] = before;
    state.counters["maxrss_after_MB"] = maxRssMegabytes();
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_ImportFile)->ArgName("MB")->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);

// The worst case: no end tag, so every byte is searched before the warning.
void BM_ImportFileWithoutHeadEnd(benchmark::State& state)
{
    const QString path = pageOf(int(state.range(0)), false);
    for (auto _ : state) {
        const tools::MetaTagImportResult result = tools::MetaTagImporter::importFile(path, {});
        if (result.messages.size() != 1 ||
            result.messages.front().text != tools::MetaTagImporter::headEndMissingText())
            state.SkipWithError("the page did not read as expected");
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_ImportFileWithoutHeadEnd)
    ->ArgName("MB")
    ->Arg(1)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
