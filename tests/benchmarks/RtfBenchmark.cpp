// Figures for the RTF codec: a status report of the shipped catalogue's 604 services and of ten
// times as many, written and read back, and a 50 MB file read. Run: build/<dir>/tests/bench_rtf
#include "reports/rtf/RtfCodec.h"

#include <QFont>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <benchmark/benchmark.h>

using namespace pelvaro::reports::rtf;

namespace {

// The shape of a generated report: a centred header, then one bullet line per service with
// the status behind a tab stop at 300 pt.
void fillReport(QTextDocument& document, int lines, bool bullets)
{
    document.setDefaultFont(QFont(QStringLiteral("Arial"), 8));
    QTextCursor cursor(&document);
    QTextBlockFormat header;
    header.setAlignment(Qt::AlignHCenter);
    QTextCharFormat title;
    title.setFontPointSize(16);
    title.setFontWeight(QFont::Bold);
    title.setForeground(QColor(0, 0, 128));
    cursor.setBlockFormat(header);
    cursor.insertText(QStringLiteral("Anmeldungsprotokoll"), title);

    QTextBlockFormat entry;
    entry.setTabPositions({QTextOption::Tab(400, QTextOption::LeftTab)});
    QTextCharFormat text;
    text.setFontPointSize(10);
    QTextListFormat disc;
    disc.setStyle(QTextListFormat::ListDisc);
    QTextList* list = nullptr;
    for (int i = 0; i < lines; ++i) {
        cursor.insertBlock(entry, text);
        // A fresh list now and then, as the reader makes them: one list of thousands of
        // blocks would take Qt seconds to build.
        if (bullets && i % 64 == 0)
            list = cursor.createList(disc);
        else if (bullets)
            list->add(cursor.block());
        cursor.insertText(QStringLiteral("Suchdienst %1\tOK\t200").arg(i));
    }
}

void BM_WriteReport(benchmark::State& state)
{
    QTextDocument document;
    fillReport(document, int(state.range(0)), true);
    qint64 bytes = 0;
    for (auto _ : state)
        bytes = writeRtf(document).size();
    state.counters["bytes"] = double(bytes);
}

void BM_ReadReport(benchmark::State& state)
{
    QTextDocument source;
    fillReport(source, int(state.range(0)), state.range(1) != 0);
    const QByteArray rtf = writeRtf(source);
    for (auto _ : state) {
        QTextDocument document;
        readRtf(rtf, document);
        benchmark::DoNotOptimize(document.blockCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

// About 50 MB of report text in paragraphs of mixed formatting.
void BM_ReadLargeFile(benchmark::State& state)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil Arial;}}"
                     "{\\colortbl ;\\red255\\green0\\blue0;}\r\n";
    const QByteArray paragraph =
        "\\pard\\ql\\tx6000\\fs20 Suchdienst mit einem l\\'e4ngeren Namen\\tab {\\b OK}\\tab 200 "
        "und noch etwas Text, damit die Zeile so lang wird wie in einem echten Bericht. "
        "\\cf1 Rot\\cf0  und \\u937?.\\par\r\n";
    const qint64 target = state.range(0) * 1024 * 1024;
    rtf.reserve(target + paragraph.size() + 2);
    while (rtf.size() < target)
        rtf += paragraph;
    rtf += '}';
    for (auto _ : state) {
        QTextDocument document;
        readRtf(rtf, document);
        benchmark::DoNotOptimize(document.blockCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

} // namespace

BENCHMARK(BM_WriteReport)->Arg(604)->Arg(6040)->Unit(benchmark::kMillisecond);
// Second argument: 1 = bullet lines as in the report, 0 = the same lines without bullets.
BENCHMARK(BM_ReadReport)
    ->Args({604, 1})
    ->Args({6040, 1})
    ->Args({6040, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLargeFile)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    // Fonts need the GUI application; the offscreen platform keeps it headless.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
