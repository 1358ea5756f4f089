#include "submit/RequestPreparation.h"

#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"
#include "submit/IndexNowKey.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

using pelvaro::catalogue::SelectionCounters;
using pelvaro::catalogue::TDataModule1;
using pelvaro::catalogue::store::TableCursor;
using pelvaro::site::SiteRecord;
using pelvaro::submit::IndexNowKey;
using pelvaro::submit::RequestPreparation;
using pelvaro::submit::SendList;
using pelvaro::submit::TEineEngine;
using pelvaro::test::createCatalogue;
using pelvaro::test::engine;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace pelvaro::submit {
void PrintTo(const TEineEngine& e, std::ostream* out)
{
    *out << "{URL=" << e.URL.toStdString() << ", Name=" << e.Name.toStdString() << ", Nr=" << e.Nr
         << ", PostDaten=" << e.PostDaten.toStdString()
         << ", AntwortDatei=" << e.AntwortDatei.toStdString() << ", Ref=" << e.Ref
         << ", ManuellURL=" << e.ManuellURL.toStdString() << "}";
}
} // namespace pelvaro::submit

namespace pelvaro::catalogue {
void PrintTo(const SelectionCounters& c, std::ostream* out)
{
    *out << "{" << c.AnzNichtAusgewaehlt << ", " << c.AnzAusgewaehlt << ", " << c.AnzAutomatisch
         << ", " << c.AnzManuell << "}";
}
} // namespace pelvaro::catalogue

namespace {

const QString Selected = QStringLiteral("Ausgewaehlt");
const QString Manual = QStringLiteral("NurManuell");

// A form-field row (dbd) or a category row (dbc) of a service.
struct Mapping
{
    int engine;
    int number;
    QString text;
};

std::vector<QVariantMap> fieldRows(const std::vector<Mapping>& rows)
{
    std::vector<QVariantMap> out;
    for (const Mapping& m : rows)
        out.push_back({{QStringLiteral("FelderID"), int(out.size()) + 1},
                       {QStringLiteral("EngineID"), m.engine},
                       {QStringLiteral("FeldNrInVindrel"), m.number},
                       {QStringLiteral("FeldNameInEngine"), m.text}});
    return out;
}

std::vector<QVariantMap> categoryRows(const std::vector<Mapping>& rows)
{
    std::vector<QVariantMap> out;
    for (const Mapping& m : rows)
        out.push_back({{QStringLiteral("KategorieID"), int(out.size()) + 1},
                       {QStringLiteral("EngineID"), m.engine},
                       {QStringLiteral("KategorieNrInVindrel"), m.number},
                       {QStringLiteral("KategorieInEngine"), m.text}});
    return out;
}

QVariantMap selectedEngine(int nr, const QString& name, QVariantMap extra = {})
{
    extra.insert(Selected, true);
    return engine(nr, name, extra);
}

QString action(int nr)
{
    return QStringLiteral("http://www.dienst%1.example/add.cgi").arg(nr);
}
QString homePage(int nr)
{
    return QStringLiteral("http://www.dienst%1.example/").arg(nr);
}
QString registrationPage(int nr)
{
    return QStringLiteral("http://www.dienst%1.example/anmelden").arg(nr);
}

QString line(const QString& name, const QString& message, int nr, const QString& address)
{
    return name + QStringLiteral("\t") + message + QStringLiteral("\t0\r") + QString::number(nr) +
           QStringLiteral("\t") + address;
}

// The service number and the message of a result line.
std::pair<int, QString> parseLine(const QString& text)
{
    const QStringList head = text.section(QLatin1Char('\r'), 0, 0).split(QLatin1Char('\t'));
    const QString tail = text.section(QLatin1Char('\r'), 1);
    return {tail.section(QLatin1Char('\t'), 0, 0).toInt(), head.value(1)};
}

// The site address as the example services receive it.
const QString SiteUrl = QStringLiteral("http://www.meine-seite.example/");
const QString SentUrl = QStringLiteral("http%3A%2F%2Fwww.meine-seite.example/");
const QString SiteTitle = QStringLiteral("Meine schöne Seite");

class RequestPreparationTest : public ::testing::Test
{
protected:
    RequestPreparationTest()
    {
        site.Clear();
        site.URLEdit = SiteUrl;
        site.TitleEdit = SiteTitle;
    }

    static QString dataDir() { return TestDirs::programDir() + QStringLiteral("/daten"); }
    static QString answerDir() { return TestDirs::programDir() + QStringLiteral("/HTML"); }

    // A catalogue update is "installed", so a small catalogue opens without the size warning.
    void open(const std::vector<QVariantMap>& dba, const std::vector<QVariantMap>& dbc = {},
              const std::vector<QVariantMap>& dbd = {})
    {
        createCatalogue(dataDir(), dba, dbc, dbd);
        ASSERT_TRUE(module.open(dataDir(), QStringLiteral("1")));
    }

    void prepare()
    {
        RequestPreparation preparation(module, ui, site, answerDir());
        preparation.DatenZumSendenVorbereiten(*list, failures);
    }

    struct Flags
    {
        bool selected = false;
        bool manual = false;
    };

    // The selection flags of every service as stored now, by Nr.
    std::map<int, Flags> flags()
    {
        TableCursor& tmp = module.TableTMP();
        tmp.refresh();
        const int nr = tmp.fieldIndex(QStringLiteral("Nr"));
        const int selected = tmp.fieldIndex(Selected);
        const int manual = tmp.fieldIndex(Manual);
        std::map<int, Flags> out;
        for (int row = 0; row < tmp.rowCount(); ++row)
            out[tmp.valueAt(row, nr).toInt()] = {tmp.valueAt(row, selected).toBool(),
                                                 tmp.valueAt(row, manual).toBool()};
        return out;
    }

    SelectionCounters countedNow()
    {
        return {module.AnzahlDatensaetze(QStringLiteral("TableEngines")),
                module.AnzahlDatensaetze(QStringLiteral("TableEngToSend")),
                module.AnzahlDatensaetze(QStringLiteral("TableAutomatischSenden")),
                module.AnzahlDatensaetze(QStringLiteral("TableManuellSenden"))};
    }

    void expectViewsRestored()
    {
        for (const QString& name : TDataModule1::viewNames()) {
            const bool detail =
                name == QStringLiteral("TableKategorien") || name == QStringLiteral("TableFelder");
            EXPECT_EQ(module.view(name).isOpen(), !detail) << name.toStdString();
        }
        EXPECT_FALSE(module.TableTMP().filtered());
        EXPECT_TRUE(module.TableTMP().filter().isEmpty());
        EXPECT_EQ(module.counters(), countedNow());
    }

    QStringList errorBoxes() const
    {
        QStringList texts;
        for (const auto& s : ui.shown()) {
            EXPECT_EQ(s.messageKind, pelvaro::base::MessageKind::Error);
            EXPECT_EQ(s.buttons, pelvaro::base::MessageButtons::Ok);
            texts << s.text;
        }
        return texts;
    }

    ScriptedUiServices ui;
    TDataModule1 module{ui};
    SiteRecord site;
    std::unique_ptr<SendList> list = std::make_unique<SendList>();
    QStringList failures;
};

// --- the request of one service ---

struct MethodCase
{
    const char* methode;
    const char* parameter1; // nullptr: no fixed parameters
    bool get;
};

class RequestShape : public RequestPreparationTest, public ::testing::WithParamInterface<MethodCase>
{
};

TEST_P(RequestShape, MethodAndFixedParametersDecideAddressAndBody)
{
    const MethodCase c = GetParam();
    QVariantMap extra{{QStringLiteral("Methode"), QString::fromUtf8(c.methode)},
                      {QStringLiteral("Ref"), true}};
    if (c.parameter1)
        extra.insert(QStringLiteral("Parameter1"), QString::fromUtf8(c.parameter1));
    open({selectedEngine(7, QStringLiteral("Dienst Sieben"), extra)}, {},
         fieldRows({{7, 2, QStringLiteral("url;")}, {7, 1, QStringLiteral("title;")}}));

    prepare();

    const QString prefix =
        c.parameter1 ? QString::fromUtf8(c.parameter1) + QStringLiteral("&") : QString();
    const QString parameters =
        prefix + QStringLiteral("url=") + SentUrl + QStringLiteral("&title=") + SiteTitle;
    TEineEngine expected;
    expected.URL = c.get ? action(7) + QStringLiteral("?") + parameters : action(7);
    expected.PostDaten = c.get ? QStringLiteral("XXX") : parameters;
    expected.Name = QStringLiteral("Dienst Sieben");
    expected.Nr = 7;
    expected.AntwortDatei = answerDir() + QStringLiteral("/Dienst Sieben.html");
    expected.Ref = true;
    expected.ManuellURL = registrationPage(7);
    ASSERT_EQ(list->count, 1);
    EXPECT_EQ(list->entries[0], expected);
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_TRUE(ui.shown().empty());
    EXPECT_FALSE(flags().at(7).selected) << "a prepared service leaves the selection";
    expectViewsRestored();
}

INSTANTIATE_TEST_SUITE_P(RequestPreparation, RequestShape,
                         ::testing::Values(MethodCase{"G", nullptr, true},
                                           MethodCase{"g", nullptr, true},
                                           MethodCase{"G", "modus=neu&sprache=de", true},
                                           MethodCase{"P", nullptr, false},
                                           MethodCase{"X", "modus=neu", false},
                                           // Only the single letter means GET.
                                           MethodCase{"Get", nullptr, false}));

TEST_F(RequestPreparationTest, FormFieldsAreFilledInIndexOrderWithNothingEscaped)
{
    site.TitleEdit = QStringLiteral("Äpfel & Birnen = Obst? 1+1");
    site.URLEdit = QStringLiteral("http://www.meine-seite.example/a://b");
    site.emailEdit = QStringLiteral("a+b@meine-seite.example");
    site.CategoryCombo = 2; // category number 3
    const QVariantMap post{{QStringLiteral("Methode"), QStringLiteral("P")}};
    // The other service's rows lie in between, so the rows must come through the link to the
    // current service, not by position.
    open({selectedEngine(1, QStringLiteral("Eins"), post),
          selectedEngine(2, QStringLiteral("Zwei"), post)},
         categoryRows({{2, 3, QStringLiteral("fremd")},
                       {1, 5, QStringLiteral("falsch")},
                       {1, 3, QStringLiteral("erste")},
                       {1, 3, QStringLiteral("zweite")}}),
         fieldRows({{1, 2, QStringLiteral("url;Adresse")},
                    {2, 7, QStringLiteral("rubrik;")},
                    {1, 1, QStringLiteral("title")},
                    {1, 0, QStringLiteral("id;fest;wert")},
                    {1, 47, QStringLiteral("sprache;de")},
                    {1, 7, QStringLiteral("kat;Auswahlliste")},
                    {1, 13, QStringLiteral("mail;")}}));

    prepare();

    ASSERT_EQ(list->count, 2);
    EXPECT_EQ(list->entries[0].PostDaten,
              QStringLiteral("url=http%3A%2F%2Fwww.meine-seite.example/a://b"
                             "&=Äpfel & Birnen = Obst? 1+1"
                             "&id=id;fest;wert&sprache=sprache;de&kat=erste"
                             "&mail=a+b@meine-seite.example"));
    EXPECT_EQ(list->entries[1].PostDaten, QStringLiteral("rubrik=fremd"));
    EXPECT_TRUE(failures.isEmpty());
}

// --- services that cannot be prepared ---

TEST_F(RequestPreparationTest, EveryKindOfServiceEndsWhereItBelongs)
{
    const QVariantMap fields{{QStringLiteral("Parameter1"), QStringLiteral("modus=neu")}};
    open(
        {
            selectedEngine(1, QStringLiteral("Teuer"), {{QStringLiteral("KostetGeld"), true}}),
            selectedEngine(2, QStringLiteral("OhneAction"), {{QStringLiteral("Action"), {}}}),
            selectedEngine(3, QStringLiteral("Gesperrt"), {{QStringLiteral("Status"), 1}}),
            selectedEngine(4, QStringLiteral("OhneMethode"), {{QStringLiteral("Methode"), {}}}),
            selectedEngine(5, QStringLiteral("OhneFelder"), fields),
            selectedEngine(6, QStringLiteral("Gut")),
            selectedEngine(7, QStringLiteral("Handarbeit"), {{Manual, true}}),
            engine(8, QStringLiteral("Abgewählt")),
            selectedEngine(9, QStringLiteral("LeereAction"),
                           {{QStringLiteral("Action"), QString()}}),
        },
        {},
        fieldRows({{1, 1, QStringLiteral("title;")},
                   {2, 1, QStringLiteral("title;")},
                   {6, 1, QStringLiteral("title;")}}));

    prepare();

    const QString incomplete = QStringLiteral("Nicht verfügbar! (Datenbankfehler)");
    EXPECT_EQ(failures,
              QStringList({line(QStringLiteral("OhneAction"), incomplete, 2, homePage(2)),
                           line(QStringLiteral("Gesperrt"), incomplete, 3, homePage(3)),
                           line(QStringLiteral("OhneMethode"), incomplete, 4, homePage(4)),
                           line(QStringLiteral("OhneFelder"), QStringLiteral("Nicht verfügbar!"), 5,
                                registrationPage(5)),
                           line(QStringLiteral("LeereAction"), incomplete, 9, homePage(9))}));
    EXPECT_EQ(errorBoxes(),
              QStringList{QStringLiteral(" Nicht-kritischer Fehler Nr. 110219 (OhneFelder)")});
    // The failed entry is overwritten by the next service; nothing follows the count.
    ASSERT_EQ(list->count, 1);
    EXPECT_EQ(list->entries[0].Nr, 6);
    EXPECT_EQ(list->entries[1], TEineEngine());

    // Nr: selected, manual only
    const std::map<int, std::pair<bool, bool>> expected{
        {1, {false, false}}, {2, {true, true}},   {3, {true, true}},
        {4, {true, true}},   {5, {false, false}}, {6, {false, false}},
        {7, {true, true}},   {8, {false, false}}, {9, {true, true}}};
    const auto stored = flags();
    for (const auto& [nr, want] : expected) {
        EXPECT_EQ(stored.at(nr).selected, want.first) << nr;
        EXPECT_EQ(stored.at(nr).manual, want.second) << nr;
    }
    EXPECT_EQ(module.counters(), (SelectionCounters{4, 5, 0, 5}));
    expectViewsRestored();

    // Everything handled has left the automatic selection, and the old requests are gone.
    failures.clear();
    prepare();
    EXPECT_EQ(list->count, 0);
    EXPECT_EQ(list->entries[0], TEineEngine());
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_EQ(ui.shown().size(), 1u);
}

TEST_F(RequestPreparationTest, PreviewShowsTheRunWithoutChangingTheCatalogue)
{
    const QVariantMap fields{{QStringLiteral("Parameter1"), QStringLiteral("modus=neu")}};
    open({selectedEngine(1, QStringLiteral("Teuer"), {{QStringLiteral("KostetGeld"), true}}),
          selectedEngine(2, QStringLiteral("OhneAction"), {{QStringLiteral("Action"), {}}}),
          selectedEngine(3, QStringLiteral("OhneFelder"), fields),
          selectedEngine(4, QStringLiteral("Gut")), engine(5, QStringLiteral("Abgewählt"))},
         {}, fieldRows({{4, 1, QStringLiteral("title;")}}));
    const auto before = flags();
    const SelectionCounters countersBefore = module.counters();

    RequestPreparation(module, ui, site, answerDir()).preview(*list, failures);
    const QStringList previewLines = failures;
    const std::vector<TEineEngine> previewed(list->entries.begin(),
                                             list->entries.begin() + list->count);
    const QStringList previewBoxes = errorBoxes();

    ASSERT_EQ(previewed.size(), 1u);
    EXPECT_EQ(previewed.front().Nr, 4);
    EXPECT_EQ(previewLines.size(), 2);
    const auto after = flags();
    for (const auto& [nr, was] : before) {
        EXPECT_EQ(after.at(nr).selected, was.selected) << nr;
        EXPECT_EQ(after.at(nr).manual, was.manual) << nr;
    }
    EXPECT_EQ(module.counters(), countersBefore);
    expectViewsRestored();
    EXPECT_FALSE(module.database().inTransaction());

    // The run itself then does exactly what the preview showed.
    failures.clear();
    prepare();
    EXPECT_EQ(failures, previewLines);
    EXPECT_EQ(std::vector<TEineEngine>(list->entries.begin(), list->entries.begin() + list->count),
              previewed);
    EXPECT_EQ(errorBoxes(), previewBoxes + previewBoxes);
    // Only the service without an address stays selected, now among the manual ones.
    EXPECT_EQ(module.counters(), (SelectionCounters{4, 1, 0, 1}));
}

TEST_F(RequestPreparationTest, TableErrorsReportTheServiceAndTheWalkGoesOn)
{
    open({selectedEngine(1, QStringLiteral("Eins"), {{QStringLiteral("Action"), {}}}),
          selectedEngine(2, QStringLiteral("Zwei")), selectedEngine(3, QStringLiteral("Drei"))},
         {}, fieldRows({{2, 1, QStringLiteral("title;")}, {3, 1, QStringLiteral("title;")}}));
    // Service 1 cannot be moved to the manual group; service 2 cannot be changed at all.
    module.database().exec(
        QStringLiteral("CREATE TRIGGER sperre1 BEFORE UPDATE OF NurManuell ON dba "
                       "WHEN OLD.Nr = 1 BEGIN SELECT RAISE(ABORT, 'gesperrt'); END"));
    module.database().exec(QStringLiteral("CREATE TRIGGER sperre2 BEFORE UPDATE ON dba "
                                          "WHEN OLD.Nr = 2 BEGIN SELECT RAISE(ABORT, 'gesperrt'); "
                                          "END"));

    prepare();

    const QString notAvailable = QStringLiteral("Nicht verfügbar!");
    EXPECT_EQ(failures, QStringList({line(QStringLiteral("Eins"), notAvailable, 1, homePage(1)),
                                     line(QStringLiteral("Zwei"), notAvailable, 2, homePage(2))}));
    EXPECT_TRUE(ui.shown().empty());
    // Service 2 could not be deselected, so it is not sent either: one outcome per service.
    ASSERT_EQ(list->count, 1);
    EXPECT_EQ(list->entries[0].Nr, 3);
    const auto stored = flags();
    EXPECT_FALSE(stored.at(1).selected);
    EXPECT_FALSE(stored.at(1).manual);
    EXPECT_TRUE(stored.at(2).selected);
    expectViewsRestored();
}

TEST_F(RequestPreparationTest, EntryIsLeftAloneWhenNoAutomaticServiceIsCounted)
{
    open({selectedEngine(1, QStringLiteral("Eins"))}, {},
         fieldRows({{1, 1, QStringLiteral("title;")}}));
    module.counters().AnzAutomatisch = 0;
    TEineEngine entry;
    entry.URL = QStringLiteral("http://alt.example/");
    entry.Name = QStringLiteral("Alt");
    const TEineEngine before = entry;

    RequestPreparation preparation(module, ui, site, answerDir());
    EXPECT_FALSE(preparation.EintragVorbereiten(entry, QStringLiteral("Eins"), QStringLiteral("G"),
                                                false, 1, registrationPage(1), action(1),
                                                failures));
    EXPECT_EQ(entry, before);
    EXPECT_TRUE(failures.isEmpty());
}

TEST(RequestPreparationValidity, EntryNeedsAddressNameBodyAndAnswerFile)
{
    TEineEngine valid;
    valid.URL = QStringLiteral("http://x.example/add");
    valid.Name = QStringLiteral("X");
    valid.PostDaten = QStringLiteral("XXX");
    valid.AntwortDatei = QStringLiteral("/tmp/X.html");
    EXPECT_TRUE(RequestPreparation::EintragGueltig(valid));
    const std::pair<const char*, QString TEineEngine::*> emptied[] = {
        {"URL", &TEineEngine::URL},
        {"Name", &TEineEngine::Name},
        {"PostDaten", &TEineEngine::PostDaten},
        {"AntwortDatei", &TEineEngine::AntwortDatei}};
    for (const auto& [field, member] : emptied) {
        TEineEngine e = valid;
        e.*member = QString();
        EXPECT_FALSE(RequestPreparation::EintragGueltig(e)) << field;
    }
    TEineEngine marked = valid;
    marked.URL = QStringLiteral("FEHLER");
    EXPECT_FALSE(RequestPreparation::EintragGueltig(marked));
}

// --- more services than the list holds ---

TEST_F(RequestPreparationTest, ServicesBeyondTheListStaySelectedForTheNextRun)
{
    const int total = SendList::Capacity + 2;
    std::vector<QVariantMap> services;
    std::vector<Mapping> fields;
    for (int nr = 1; nr <= total; ++nr) {
        services.push_back(selectedEngine(nr, QStringLiteral("Dienst %1").arg(nr)));
        fields.push_back({nr, 1, QStringLiteral("title;")});
    }
    open(services, {}, fieldRows(fields));

    prepare();

    EXPECT_EQ(list->count, SendList::Capacity);
    EXPECT_EQ(list->entries[SendList::Capacity - 1].Nr, SendList::Capacity);
    const QString full = QStringLiteral("Nicht verfügbar! (Sendeliste voll)");
    EXPECT_EQ(failures,
              QStringList({line(QStringLiteral("Dienst 702"), full, 702, homePage(702)),
                           line(QStringLiteral("Dienst 703"), full, 703, homePage(703))}));
    EXPECT_EQ(module.counters().AnzAutomatisch, 2);
    expectViewsRestored();

    failures.clear();
    prepare();
    ASSERT_EQ(list->count, 2);
    EXPECT_EQ(list->entries[0].Nr, 702);
    EXPECT_EQ(list->entries[1].Nr, 703);
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_TRUE(ui.shown().empty());
}

// --- the shipped catalogue ---

TEST_F(RequestPreparationTest, SampleCatalogueAccountsForEverySelectedService)
{
    pelvaro::test::installSampleCatalogue(dataDir());
    ASSERT_TRUE(module.open(dataDir(), QString()));
    site.CategoryCombo = 12;
    site.LanguageCombo = 16;
    site.FirstNameEdit = QStringLiteral("Jürgen");
    module.AllesAuswaehlen();

    // Nr -> charges for entries, for every service selected for automatic submission.
    std::map<int, bool> automatic;
    std::map<int, QString> names;
    std::set<int> indexNow;
    {
        TableCursor& tmp = module.TableTMP();
        const auto field = [&tmp](const char* name) {
            return tmp.fieldIndex(QString::fromLatin1(name));
        };
        for (int row = 0; row < tmp.rowCount(); ++row) {
            if (tmp.valueAt(row, field("NurManuell")).toBool())
                continue;
            const int nr = tmp.valueAt(row, field("Nr")).toInt();
            automatic[nr] = tmp.valueAt(row, field("KostetGeld")).toBool();
            names[nr] = tmp.valueAt(row, field("Name")).toString();
            if (tmp.valueAt(row, field("IndexNow")).toBool())
                indexNow.insert(nr);
        }
    }
    ASSERT_EQ(indexNow.size(), 6u);
    ASSERT_EQ(int(automatic.size()), module.counters().AnzAutomatisch);

    prepare();

    const auto stored = flags();
    std::set<int> seen;
    const auto account = [&](int nr) {
        const auto it = automatic.find(nr);
        ASSERT_NE(it, automatic.end()) << nr << " was not selected for automatic submission";
        EXPECT_FALSE(it->second) << nr << " charges for entries and must leave silently";
        EXPECT_TRUE(seen.insert(nr).second) << nr << " has two outcomes";
    };
    for (int i = 0; i < list->count; ++i) {
        const TEineEngine& e = list->entries[size_t(i)];
        account(e.Nr);
        EXPECT_TRUE(RequestPreparation::EintragGueltig(e)) << e.Nr;
        EXPECT_FALSE(stored.at(e.Nr).selected) << e.Nr;
    }
    QStringList boxesExpected;
    for (const QString& failure : failures) {
        const auto [nr, message] = parseLine(failure);
        account(nr);
        if (message == QStringLiteral("Nicht verfügbar! (Datenbankfehler)")) {
            EXPECT_TRUE(stored.at(nr).selected) << nr;
            EXPECT_TRUE(stored.at(nr).manual) << nr;
        } else {
            EXPECT_EQ(message, QStringLiteral("Nicht verfügbar!")) << nr;
            EXPECT_FALSE(stored.at(nr).selected) << nr;
            boxesExpected << QStringLiteral(" Nicht-kritischer Fehler Nr. 110219 (") + names[nr] +
                                 QStringLiteral(")");
        }
    }
    for (const auto& [nr, charges] : automatic) {
        if (seen.count(nr))
            continue;
        if (indexNow.count(nr)) {
            // The site has no IndexNow key: the endpoints stay selected for a later run.
            EXPECT_TRUE(stored.at(nr).selected) << nr;
            continue;
        }
        EXPECT_TRUE(charges) << nr << " vanished without a trace";
        EXPECT_FALSE(stored.at(nr).selected) << nr;
    }
    EXPECT_EQ(list->indexNowStop, IndexNowKey::noKeyText());
    // Of the 453 automatic services 8 charge, 12 have incomplete data, 5 no form fields and
    // 6 are IndexNow endpoints waiting for the site's key.
    EXPECT_EQ(list->count, 422);
    EXPECT_EQ(failures.size(), 17);
    // One box for all of them, after the walk, each service with its own line.
    EXPECT_EQ(errorBoxes(), QStringList{boxesExpected.join(QLatin1Char('\n'))});
    expectViewsRestored();

    // A second preparation finds nothing left to do.
    const qsizetype linesBefore = failures.size();
    const size_t boxesBefore = ui.shown().size();
    prepare();
    EXPECT_EQ(list->count, 0);
    EXPECT_EQ(failures.size(), linesBefore);
    EXPECT_EQ(ui.shown().size(), boxesBefore);
}

} // namespace

TEST(RequestPreparationMessage, ManyServicesWithoutFormFieldsAreToldInOneShortBox)
{
    QStringList names;
    for (int i = 1; i <= 25; ++i)
        names << QStringLiteral("Dienst %1").arg(i);
    const QStringList lines = RequestPreparation::notPreparedMessage(names).split(u'\n');
    ASSERT_EQ(lines.size(), RequestPreparation::NotPreparedListed + 1);
    EXPECT_EQ(lines.first(), QStringLiteral(" Nicht-kritischer Fehler Nr. 110219 (Dienst 1)"));
    EXPECT_EQ(lines.at(19), QStringLiteral(" Nicht-kritischer Fehler Nr. 110219 (Dienst 20)"));
    EXPECT_EQ(lines.last(), QStringLiteral("... und 5 weitere (sie stehen mit \"Nicht verfügbar!\" "
                                           "im Statusbericht)"));
    EXPECT_EQ(RequestPreparation::notPreparedMessage({QStringLiteral("Eins")}),
              QStringLiteral(" Nicht-kritischer Fehler Nr. 110219 (Eins)"));
}
