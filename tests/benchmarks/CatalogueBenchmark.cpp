// Figures for the catalogue's bulk operations on the shipped catalogue (604 services) and on
// one ten times larger. Run: build/dev/tests/bench_catalogue
#include "catalogue/SelectionFile.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/store/CatalogueDatabase.h"
#include "catalogue/store/Database.h"
#include "cli/ConsoleUiServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <benchmark/benchmark.h>

#include <memory>

using pelvaro::catalogue::SelectionFile;
using pelvaro::catalogue::TDataModule1;
using pelvaro::catalogue::store::CatalogueDatabase;
using pelvaro::catalogue::store::Database;

namespace {

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

// The shipped catalogue repeated `times` times, with fresh numbers, in one new database.
QString catalogueOfSize(int times)
{
    const QString data = workDir().path() + QStringLiteral("/x%1/daten").arg(times);
    if (QFile::exists(CatalogueDatabase::filePath(data)))
        return data;
    QDir().mkpath(data);
    const QString sample = CatalogueDatabase::filePath(QStringLiteral(PELVARO_BINARY_DIR "/daten"));
    QFile::copy(sample, CatalogueDatabase::filePath(data));
    QFile::setPermissions(CatalogueDatabase::filePath(data), QFile::ReadOwner | QFile::WriteOwner);
    if (times > 1) {
        Database db;
        db.open(CatalogueDatabase::filePath(data), Database::Mode::OpenExisting);
        db.begin();
        for (int copy = 1; copy < times; ++copy)
            db.exec(
                QStringLiteral(
                    "INSERT INTO dba (Nr, Name, URL, ManuellURL, Action, Kategorie, Methode, "
                    "Status, "
                    "NurManuell, Bewertung, KostetGeld, Ausgewaehlt, CodeFuerFlagge, Ref) "
                    "SELECT Nr + %1, Name || ' %2', URL, ManuellURL, Action, Kategorie, Methode, "
                    "Status, NurManuell, Bewertung, KostetGeld, Ausgewaehlt, CodeFuerFlagge, Ref "
                    "FROM dba WHERE Nr <= 604")
                    .arg(copy * 1000)
                    .arg(copy));
        db.commit();
    }
    return data;
}

struct Fixture
{
    QString out;
    QString err;
    QTextStream outStream{&out};
    QTextStream errStream{&err};
    pelvaro::cli::ConsoleUiServices ui{outStream, errStream};
    std::unique_ptr<TDataModule1> module;

    explicit Fixture(int times)
    {
        module = std::make_unique<TDataModule1>(ui);
        module->open(catalogueOfSize(times), QStringLiteral("bench"));
    }
};

void BM_AllesAuswaehlen(benchmark::State& state)
{
    Fixture f(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        f.module->AllesNichtAuswaehlen();
        state.ResumeTiming();
        f.module->AllesAuswaehlen();
    }
    state.counters["services"] = f.module->counters().AnzAusgewaehlt;
}

void BM_AllesNichtAuswaehlen(benchmark::State& state)
{
    Fixture f(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        f.module->AllesAuswaehlen();
        state.ResumeTiming();
        f.module->AllesNichtAuswaehlen();
    }
}

void BM_FilterAuswahlUebernehmen(benchmark::State& state)
{
    Fixture f(int(state.range(0)));
    f.module->TableFilter().setFilter(
        QStringLiteral("((Kategorie = 'V') or (Kategorie = 'S')) and (Bewertung > 1)"));
    f.module->TableFilter().setFiltered(true);
    for (auto _ : state)
        f.module->FilterAuswahlUebernehmen();
    state.counters["selected"] = f.module->counters().AnzAusgewaehlt;
}

void BM_SelectionLoad(benchmark::State& state)
{
    Fixture f(int(state.range(0)));
    f.module->AllesAuswaehlen();
    const QString path = workDir().path() + QStringLiteral("/auswahl%1.suc").arg(state.range(0));
    SelectionFile::save(*f.module, path);
    for (auto _ : state) {
        state.PauseTiming();
        f.module->AllesNichtAuswaehlen();
        state.ResumeTiming();
        SelectionFile::load(*f.module, path);
    }
}

BENCHMARK(BM_AllesAuswaehlen)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllesNichtAuswaehlen)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterAuswahlUebernehmen)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectionLoad)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
