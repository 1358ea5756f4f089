// Figures for the catalogue's bulk operations on the shipped catalogue (604 services) and on
// one ten times larger. Run: build/dev/tests/bench_catalogue
#include "BenchmarkSite.h"
#include "catalogue/CatalogueSiteDates.h"
#include "catalogue/FilterCriteria.h"
#include "catalogue/SelectionFile.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/store/CatalogueDatabase.h"
#include "catalogue/store/Database.h"
#include "cli/ConsoleUiServices.h"
#include "site/SiteRecord.h"
#include "submit/RequestPreparation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <benchmark/benchmark.h>

#include <array>
#include <memory>

using pelvaro::catalogue::SelectionFile;
using pelvaro::catalogue::TDataModule1;
using pelvaro::catalogue::store::CatalogueDatabase;
using pelvaro::catalogue::store::Database;
namespace site = pelvaro::site;
namespace submit = pelvaro::submit;

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
        for (int copy = 1; copy < times; ++copy) {
            db.exec(
                QStringLiteral(
                    "INSERT INTO dba (Nr, Name, URL, ManuellURL, Action, Kategorie, Methode, "
                    "Parameter1, Status, NurManuell, Bewertung, KostetGeld, Ausgewaehlt, "
                    "CodeFuerFlagge, Ref, IndexNow) "
                    "SELECT Nr + %1, Name || ' %2', URL, ManuellURL, Action, Kategorie, Methode, "
                    "Parameter1, Status, NurManuell, Bewertung, KostetGeld, Ausgewaehlt, "
                    "CodeFuerFlagge, Ref, IndexNow FROM dba WHERE Nr <= 604")
                    .arg(copy * 1000)
                    .arg(copy));
            // The copies get their own category and form-field rows, so that preparing them
            // costs what preparing the originals does.
            db.exec(QStringLiteral("INSERT INTO dbc (KategorieID, EngineID, KategorieNrInVindrel, "
                                   "KategorieInEngine) SELECT KategorieID + %1, EngineID + %2, "
                                   "KategorieNrInVindrel, KategorieInEngine FROM dbc "
                                   "WHERE EngineID <= 604")
                        .arg(copy * 100000)
                        .arg(copy * 1000));
            db.exec(QStringLiteral("INSERT INTO dbd (FelderID, EngineID, FeldNrInVindrel, "
                                   "FeldNameInEngine) SELECT FelderID + %1, EngineID + %2, "
                                   "FeldNrInVindrel, FeldNameInEngine FROM dbd "
                                   "WHERE EngineID <= 604")
                        .arg(copy * 100000)
                        .arg(copy * 1000));
        }
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

// One click in the filter dialog: the expression built from the ticks, given to TableFilter,
// and its matches counted: the three kinds, not yet registered, top rated, two countries.
void BM_FilterLiveCount(benchmark::State& state)
{
    using pelvaro::catalogue::FilterCriteria;
    Fixture f(int(state.range(0)));
    FilterCriteria criteria;
    for (FilterCriteria::Criterion c :
         {FilterCriteria::Directories, FilterCriteria::SpiderEngines, FilterCriteria::Other,
          FilterCriteria::Top100, FilterCriteria::NotRegistered, FilterCriteria::LimitCountries})
        criteria.set(c, true);
    std::array<bool, FilterCriteria::CountryCount> countries{};
    countries[15] = countries[17] = true;
    auto& view = f.module->TableFilter();
    view.open();
    int matches = 0;
    for (auto _ : state) {
        // A click always changes the expression: one country on and off in turn.
        countries[15] = !countries[15];
        criteria.setCountries(countries);
        const FilterCriteria::ViewFilter filter = FilterCriteria::viewFilter(criteria.expression());
        view.setFilter(filter.text);
        view.setFiltered(filter.filtered);
        matches = f.module->AnzahlDatensaetze(QStringLiteral("TableFilter"));
        benchmark::DoNotOptimize(FilterCriteria::matchesText(matches));
    }
    state.counters["matches"] = matches;
}

// OK in the filter dialog with the three kinds ticked: every service becomes selected.
void BM_FilterAuswahlUebernehmenAllKinds(benchmark::State& state)
{
    using pelvaro::catalogue::FilterCriteria;
    Fixture f(int(state.range(0)));
    FilterCriteria criteria;
    for (FilterCriteria::Criterion c :
         {FilterCriteria::Directories, FilterCriteria::SpiderEngines, FilterCriteria::Other})
        criteria.set(c, true);
    auto& view = f.module->TableFilter();
    view.open();
    view.setFilter(criteria.expression());
    view.setFiltered(true);
    for (auto _ : state) {
        state.PauseTiming();
        f.module->AllesNichtAuswaehlen();
        state.ResumeTiming();
        f.module->FilterAuswahlUebernehmen();
    }
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

using pelvaro::bench::filledRecord;

// The preparation of a run over every selected automatic service (453 of the shipped
// catalogue; at ten times the size the send list's 701 and the rest reported as not fitting).
void BM_DatenZumSendenVorbereiten(benchmark::State& state)
{
    Fixture f(int(state.range(0)));
    const site::SiteRecord record = filledRecord();
    auto list = std::make_unique<submit::SendList>();
    QStringList failures;
    for (auto _ : state) {
        state.PauseTiming();
        f.module->AllesAuswaehlen();
        failures.clear();
        state.ResumeTiming();
        submit::RequestPreparation(*f.module, f.ui, record, workDir().path())
            .DatenZumSendenVorbereiten(*list, failures);
    }
    state.counters["prepared"] = list->count;
    state.counters["failures"] = int(failures.size());
}

// The same without its traces, as "pelvaro-cli prepare" shows it.
void BM_Preview(benchmark::State& state)
{
    Fixture f(int(state.range(0)));
    const site::SiteRecord record = filledRecord();
    auto list = std::make_unique<submit::SendList>();
    QStringList failures;
    f.module->AllesAuswaehlen();
    for (auto _ : state) {
        failures.clear();
        submit::RequestPreparation(*f.module, f.ui, record, workDir().path())
            .preview(*list, failures);
    }
    state.counters["prepared"] = list->count;
}

// Opening a site file: its dates (one per service, 700 at most) into the catalogue, after
// New cleared them.
void BM_SiteDates(benchmark::State& state)
{
    Fixture f(int(state.range(0)));
    pelvaro::catalogue::CatalogueSiteDates dates(*f.module, f.ui);
    f.module->setField(QStringLiteral("ZuletztRegistriert"), 45000.0);
    site::SiteRecord record = filledRecord();
    dates.collectDates(record);
    for (auto _ : state) {
        state.PauseTiming();
        dates.clearDates();
        state.ResumeTiming();
        dates.applyDates(record);
    }
}

BENCHMARK(BM_SiteDates)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatenZumSendenVorbereiten)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Preview)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllesAuswaehlen)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllesNichtAuswaehlen)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterAuswahlUebernehmen)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterAuswahlUebernehmenAllKinds)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterLiveCount)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
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
