#include "catalogue/store/TableCursor.h"

#include "CatalogueFixture.h"
#include "TestDirs.h"
#include "base/Error.h"
#include "catalogue/store/CatalogueDatabase.h"
#include "catalogue/store/Database.h"

#include <QFile>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <ostream>
#include <vector>

namespace pelvaro::catalogue::store {
namespace {

using namespace Qt::StringLiterals;
using test::engine;

const QString kNotSelected = u"(Ausgewaehlt='False') or (Ausgewaehlt=Null)"_s;
const QString kSelected = u"(Ausgewaehlt='True')"_s;
const QString kAutomatic = u"(Nurmanuell='False') and (Ausgewaehlt='True')"_s;
const QString kManual = u"(NurManuell='True') and (Ausgewaehlt='True')"_s;

QStringList strings(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

QString dataDir()
{
    return test::TestDirs::root() + u"/daten"_s;
}

QVariantMap row(const char* idField, int id, int engineId, int number, const QString& text,
                const char* numberField, const char* textField)
{
    return {{QLatin1String(idField), id},
            {QLatin1String("EngineID"), engineId},
            {QLatin1String(numberField), number},
            {QLatin1String(textField), text}};
}

QVariantMap category(int id, int engineId, int number, const QString& text)
{
    return row("KategorieID", id, engineId, number, text, "KategorieNrInVindrel",
               "KategorieInEngine");
}

QVariantMap formField(int id, int engineId, int number, const QString& text)
{
    return row("FelderID", id, engineId, number, text, "FeldNrInVindrel", "FeldNameInEngine");
}

std::string joined(const QStringList& values)
{
    return values.join(u", "_s).toStdString();
}

// The field's values of every row of the view, in the view's order.
std::string column(const TableCursor& cursor, const QString& field)
{
    QStringList values;
    const int index = cursor.fieldIndex(field);
    for (int r = 0; r < cursor.rowCount(); ++r)
        values << cursor.valueAt(r, index).toString();
    return joined(values);
}

// Reads a service's field through a connection of its own, so the test sees what reached
// the file rather than what a cursor remembers.
QVariant fileValue(const QString& field, int nr)
{
    Database other;
    other.open(CatalogueDatabase::filePath(dataDir()), Database::Mode::OpenExisting);
    Statement query =
        other.prepare(u"SELECT %1 FROM dba WHERE Nr = ?"_s.arg(Database::quoted(field)));
    query.bind(1, nr);
    return query.step() ? query.column(0) : QVariant(u"<keine Zeile>"_s);
}

class TableCursorTest : public ::testing::Test
{
protected:
    void create(const std::vector<QVariantMap>& dba, const std::vector<QVariantMap>& dbc = {},
                const std::vector<QVariantMap>& dbd = {})
    {
        test::createCatalogue(dataDir(), dba, dbc, dbd);
        m_db.open(CatalogueDatabase::filePath(dataDir()), Database::Mode::OpenExisting);
    }

    std::unique_ptr<TableCursor> open(const TableDef& table, const QString& indexName = {},
                                      const QString& filter = {})
    {
        auto cursor = std::make_unique<TableCursor>(m_db, table, u"Test"_s);
        cursor->setIndexName(indexName);
        if (!filter.isEmpty()) {
            cursor->setFilter(filter);
            cursor->setFiltered(true);
        }
        cursor->open();
        return cursor;
    }

    Database m_db;
};

// ---- order ----

TEST_F(TableCursorTest, StoreOrderIsInsertionOrderAndIndexesOrderByTheirFields)
{
    create({engine(5, u"apfel"_s), engine(2, u"Äpfel"_s), engine(9, u"Birne"_s),
            engine(1, u"ähnlich"_s), engine(7, u"Zebra"_s), engine(3, u"über"_s)});
    auto cursor = open(CatalogueSchema::dba());
    EXPECT_EQ(column(*cursor, u"Nr"_s), "5, 2, 9, 1, 7, 3");

    cursor->setIndexName(u"Primary"_s);
    EXPECT_EQ(column(*cursor, u"Nr"_s), "1, 2, 3, 5, 7, 9");

    // Umlauts sort with their base letter, case does not count; names equal but for case
    // and accents keep a fixed order.
    const std::string byName = "ähnlich, apfel, Äpfel, Birne, über, Zebra";
    cursor->setIndexName(u"idxname"_s);
    EXPECT_EQ(cursor->indexName(), u"IdxName"_s);
    EXPECT_EQ(column(*cursor, u"Name"_s), byName);

    cursor->setIndexName({});
    cursor->setOrderFields({u"name"_s});
    EXPECT_EQ(cursor->indexName(), u"IdxName"_s);
    EXPECT_EQ(column(*cursor, u"Name"_s), byName);

    // Fields without an index of their own order as well; rows equal in them keep store order.
    cursor->setOrderFields({u"Kategorie"_s});
    EXPECT_TRUE(cursor->indexName().isEmpty());
    EXPECT_EQ(column(*cursor, u"Nr"_s), "5, 2, 9, 1, 7, 3");

    cursor->setIndexName({});
    EXPECT_EQ(column(*cursor, u"Nr"_s), "5, 2, 9, 1, 7, 3");
}

TEST_F(TableCursorTest, ListsIndexesAndRefusesUnknownNames)
{
    create({engine(1, u"Beta"_s), engine(2, u"Alpha"_s)});
    auto cursor = open(CatalogueSchema::dba(), u"IdxName"_s);

    QStringList indexes;
    for (const IndexDef& index : cursor->indexes())
        indexes << index.name + u':' + index.displayName();
    EXPECT_EQ(joined(indexes), "Primary:Nr, IdxName:Name");

    EXPECT_THROW(cursor->setIndexName(u"IdxLand"_s), Error);
    EXPECT_THROW(cursor->setOrderFields({u"Name"_s, u"Gibtsnicht"_s}), Error);
    EXPECT_THROW(cursor->value(u"Gibtsnicht"_s), Error);
    // A refused order leaves the old one in place.
    EXPECT_EQ(cursor->indexName(), u"IdxName"_s);
    EXPECT_EQ(column(*cursor, u"Name"_s), "Alpha, Beta");

    auto detail = open(CatalogueSchema::dbd(), u"EngineID"_s);
    EXPECT_EQ(detail->orderFields(), QStringList{u"EngineID"_s});
}

TEST(NameCollation, FoldsCaseAndAccents)
{
    struct Case
    {
        const char* a;
        const char* b;
        int folded; // sign of compareFolded
    };
    const Case cases[] = {
        {"Äpfel", "apfel", 0},
        {"Straße", "STRASSE", 0},
        {"Öl", "ol", 0},
        {"über", "Zebra", -1},
        {"ähnlich", "Apfel", -1},
        {"süd", "Süddeutscher", -1},
        {"Süddeutscher", "süd", 1},
        {"", "a", -1},
        {"ß", "s", 1},
        {"s", "ß", -1},
    };
    const auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        const QString a = QString::fromUtf8(c.a);
        const QString b = QString::fromUtf8(c.b);
        EXPECT_EQ(sign(Database::compareFolded(a, b)), c.folded);
        EXPECT_EQ(sign(Database::compareNames(a, b)), -sign(Database::compareNames(b, a)));
        // The full comparison only breaks ties; it never reverses the folded order.
        if (c.folded != 0) {
            EXPECT_EQ(sign(Database::compareNames(a, b)), c.folded);
        } else if (a != b) {
            EXPECT_NE(Database::compareNames(a, b), 0);
        }
    }
}

// ---- filters ----

struct ViewFilterCase
{
    QString filter;
    std::string names;
};

class ViewFilterTest : public TableCursorTest, public ::testing::WithParamInterface<ViewFilterCase>
{
};

TEST_P(ViewFilterTest, ShowsExactlyTheMatchingRowsAlsoWithoutValues)
{
    const QVariant none;
    create({
        engine(1, u"A"_s, {{u"Ausgewaehlt"_s, false}, {u"NurManuell"_s, false}}),
        engine(2, u"B"_s, {{u"Ausgewaehlt"_s, true}, {u"NurManuell"_s, false}}),
        engine(3, u"C"_s, {{u"Ausgewaehlt"_s, true}, {u"NurManuell"_s, true}}),
        engine(4, u"D"_s, {{u"Ausgewaehlt"_s, none}, {u"NurManuell"_s, false}}),
        engine(5, u"E"_s, {{u"Ausgewaehlt"_s, true}, {u"NurManuell"_s, none}}),
        engine(6, u"F"_s, {{u"Ausgewaehlt"_s, none}, {u"NurManuell"_s, true}}),
    });
    auto cursor = open(CatalogueSchema::dba(), u"IdxName"_s, GetParam().filter);
    EXPECT_EQ(column(*cursor, u"Name"_s), GetParam().names);
    EXPECT_EQ(cursor->tableRecordCount(), 6);
}

INSTANTIATE_TEST_SUITE_P(CatalogueViews, ViewFilterTest,
                         ::testing::Values(ViewFilterCase{kNotSelected, "A, D, F"},
                                           ViewFilterCase{kSelected, "B, C, E"},
                                           ViewFilterCase{kAutomatic, "B"},
                                           ViewFilterCase{kManual, "C"}));

TEST_F(TableCursorTest, FilterSwitchesOffAndOnAndSurvivesAMalformedText)
{
    create({engine(1, u"A"_s, {{u"Ausgewaehlt"_s, true}}), engine(2, u"B"_s),
            engine(3, u"C"_s, {{u"Ausgewaehlt"_s, true}})});
    auto cursor = open(CatalogueSchema::dba(), u"IdxName"_s, kSelected);
    EXPECT_EQ(column(*cursor, u"Name"_s), "A, C");

    cursor->setFiltered(false);
    EXPECT_EQ(column(*cursor, u"Name"_s), "A, B, C");
    cursor->setFiltered(true);
    EXPECT_EQ(column(*cursor, u"Name"_s), "A, C");

    for (const QString& bad : {u"(Ausgewaehlt='True'"_s, u"(Gibtsnicht='True')"_s,
                               u"(Ausgewaehlt='True') und (Nr=1)"_s}) {
        SCOPED_TRACE(bad.toStdString());
        EXPECT_THROW(cursor->setFilter(bad), Error);
        EXPECT_EQ(cursor->filter(), kSelected);
        cursor->refresh();
        EXPECT_EQ(column(*cursor, u"Name"_s), "A, C");
    }

    // A filter set while filtering is off waits for the switch.
    cursor->setFiltered(false);
    cursor->setFilter(u"(Nr>1)"_s);
    EXPECT_EQ(cursor->rowCount(), 3);
    cursor->setFiltered(true);
    EXPECT_EQ(column(*cursor, u"Name"_s), "B, C");
}

// ---- walking and posting ----

struct WalkCase
{
    QStringList order;
    QStringList leaving; // names of the rows whose post takes them out of the view
};

std::string walkName(const WalkCase& c)
{
    return (c.order.join(QString()) + u"_leaving_"_s +
            (c.leaving.isEmpty() ? u"none"_s : c.leaving.join(QString())))
        .toStdString();
}

void PrintTo(const WalkCase& c, std::ostream* out)
{
    *out << walkName(c);
}

std::vector<WalkCase> walkCases()
{
    std::vector<WalkCase> cases;
    // The second order contains the field the walk changes, so posts also move rows.
    for (const QStringList& order : {strings({"Name"}), strings({"Ausgewaehlt", "Name"})})
        for (const QStringList& leaving :
             {strings({"Alpha", "Bravo", "Charlie", "Delta"}), QStringList(),
              strings({"Alpha", "Charlie"}), strings({"Bravo", "Delta"}), strings({"Delta"})})
            cases.push_back({order, leaving});
    return cases;
}

class WalkTest : public TableCursorTest, public ::testing::WithParamInterface<WalkCase>
{
};

// The walks over a filtered view post a change per row and only move on when the row is
// still there: a row that leaves puts the cursor on the one that followed it.
TEST_P(WalkTest, VisitsEveryRowOnceWhetherPostedRowsLeaveOrStay)
{
    const auto& [order, leaving] = GetParam();
    create({engine(4, u"Delta"_s, {{u"Ausgewaehlt"_s, true}}),
            engine(1, u"Alpha"_s, {{u"Ausgewaehlt"_s, true}}), engine(9, u"Nicht"_s),
            engine(3, u"Charlie"_s, {{u"Ausgewaehlt"_s, true}}),
            engine(2, u"Bravo"_s, {{u"Ausgewaehlt"_s, true}})});
    auto cursor = std::make_unique<TableCursor>(m_db, CatalogueSchema::dba(), u"Walk"_s);
    cursor->setOrderFields(order);
    cursor->setFilter(kSelected);
    cursor->setFiltered(true);
    cursor->open();
    const QStringList all = strings({"Alpha", "Bravo", "Charlie", "Delta"});
    ASSERT_EQ(column(*cursor, u"Name"_s), joined(all));

    QStringList visited;
    for (cursor->first(); !cursor->eof() && visited.size() <= all.size();) {
        const QString name = cursor->value(u"Name"_s).toString();
        visited << name;
        cursor->edit();
        cursor->setValue(u"Bemerkung"_s, u"geprüft"_s);
        const bool leaves = leaving.contains(name);
        if (leaves)
            cursor->setValue(u"Ausgewaehlt"_s, false);
        cursor->post();
        if (!leaves)
            cursor->next();
    }
    EXPECT_EQ(joined(visited), joined(all));
    EXPECT_TRUE(cursor->eof());

    QStringList staying = all;
    for (const QString& name : leaving)
        staying.removeAll(name);
    EXPECT_EQ(column(*cursor, u"Name"_s), joined(staying));
    if (!staying.isEmpty()) {
        EXPECT_EQ(cursor->position(), staying.size() - 1);
    }

    for (const auto& [nr, name] :
         {std::pair{1, "Alpha"}, {2, "Bravo"}, {3, "Charlie"}, {4, "Delta"}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(fileValue(u"Bemerkung"_s, nr).toString(), u"geprüft"_s);
        EXPECT_EQ(fileValue(u"Ausgewaehlt"_s, nr).toInt(),
                  leaving.contains(QLatin1String(name)) ? 0 : 1);
    }
    EXPECT_TRUE(fileValue(u"Bemerkung"_s, 9).isNull());
}

INSTANTIATE_TEST_SUITE_P(LeavingRows, WalkTest, ::testing::ValuesIn(walkCases()),
                         [](const auto& info) { return walkName(info.param); });

TEST_F(TableCursorTest, PostedValuesReachOtherViewsAfterRefresh)
{
    create({engine(1, u"Alpha"_s), engine(2, u"Bravo"_s, {{u"Ausgewaehlt"_s, true}})});
    auto notSelected = open(CatalogueSchema::dba(), u"IdxName"_s, kNotSelected);
    auto selected = open(CatalogueSchema::dba(), u"IdxName"_s, kSelected);

    notSelected->first();
    notSelected->edit();
    EXPECT_TRUE(notSelected->editing());
    notSelected->setValue(u"ausgewaehlt"_s, true);
    notSelected->setValue(u"ZuletztRegistriert"_s, 37012.5);
    EXPECT_EQ(notSelected->value(u"Ausgewaehlt"_s), QVariant(true)); // the edit buffer
    notSelected->post();
    EXPECT_TRUE(notSelected->isEmpty());
    EXPECT_TRUE(notSelected->eof());

    EXPECT_EQ(selected->rowCount(), 1); // until refreshed
    selected->refresh();
    EXPECT_EQ(column(*selected, u"Name"_s), "Alpha, Bravo");
    ASSERT_TRUE(selected->moveTo(0));
    EXPECT_EQ(selected->value(u"ZuletztRegistriert"_s).toDouble(), 37012.5);
    EXPECT_EQ(fileValue(u"Ausgewaehlt"_s, 1).toInt(), 1);

    // A cancelled edit leaves both the row and the file alone; values can be cleared.
    selected->edit();
    selected->setValue(u"Bemerkung"_s, u"verworfen"_s);
    selected->cancel();
    EXPECT_FALSE(selected->value(u"Bemerkung"_s).isValid());
    selected->edit();
    selected->setValue(u"ZuletztRegistriert"_s, QVariant());
    selected->post();
    EXPECT_FALSE(selected->value(u"ZuletztRegistriert"_s).isValid());
    EXPECT_TRUE(fileValue(u"ZuletztRegistriert"_s, 1).isNull());
    EXPECT_TRUE(fileValue(u"Bemerkung"_s, 1).isNull());

    EXPECT_THROW(selected->setValue(u"Bemerkung"_s, u"ohne edit"_s), Error);
}

// ---- navigation ----

TEST_F(TableCursorTest, NavigatesWithEofAndBofAtTheEnds)
{
    create({engine(1, u"A"_s), engine(2, u"B"_s), engine(3, u"C"_s)});
    auto cursor = open(CatalogueSchema::dba());
    int moves = 0;
    QObject::connect(cursor.get(), &TableCursor::currentRowChanged, [&moves] { ++moves; });

    cursor->first();
    EXPECT_TRUE(cursor->bof());
    EXPECT_FALSE(cursor->eof());
    cursor->next();
    cursor->next();
    EXPECT_EQ(cursor->position(), 2);
    EXPECT_FALSE(cursor->eof());
    EXPECT_EQ(moves, 2);

    cursor->next();
    EXPECT_TRUE(cursor->eof());
    EXPECT_EQ(cursor->position(), 2);
    EXPECT_EQ(cursor->value(u"Name"_s).toString(), u"C"_s);
    EXPECT_EQ(moves, 2);

    cursor->prior();
    EXPECT_EQ(cursor->position(), 1);
    EXPECT_FALSE(cursor->eof());
    EXPECT_FALSE(cursor->bof());
    cursor->prior();
    cursor->prior();
    EXPECT_TRUE(cursor->bof());
    EXPECT_EQ(cursor->position(), 0);
    EXPECT_EQ(cursor->value(u"Name"_s).toString(), u"A"_s);

    cursor->last();
    EXPECT_EQ(cursor->position(), 2);
    EXPECT_TRUE(cursor->moveTo(1));
    EXPECT_EQ(cursor->value(u"Name"_s).toString(), u"B"_s);
    EXPECT_FALSE(cursor->moveTo(3));
    EXPECT_FALSE(cursor->moveTo(-1));
    EXPECT_EQ(cursor->position(), 1);

    // A refresh stays on the current row.
    cursor->refresh();
    EXPECT_EQ(cursor->value(u"Name"_s).toString(), u"B"_s);
}

TEST_F(TableCursorTest, EmptyViewIsAtBothEnds)
{
    create({engine(1, u"A"_s)});
    auto cursor = open(CatalogueSchema::dba(), u"IdxName"_s, kSelected);
    const auto atBothEnds = [&cursor] {
        EXPECT_TRUE(cursor->eof());
        EXPECT_TRUE(cursor->bof());
        EXPECT_EQ(cursor->position(), -1);
    };
    atBothEnds();
    for (auto step : {&TableCursor::first, &TableCursor::next, &TableCursor::prior,
                      &TableCursor::last, &TableCursor::refresh}) {
        (cursor.get()->*step)();
        atBothEnds();
    }
    EXPECT_FALSE(cursor->moveTo(0));
    EXPECT_THROW(cursor->value(u"Name"_s), Error);
    EXPECT_THROW(cursor->edit(), Error);

    cursor->close();
    EXPECT_THROW(cursor->first(), Error);
}

// ---- master and detail ----

TEST_F(TableCursorTest, DetailShowsTheRowsOfTheMastersCurrentService)
{
    create({engine(3, u"Drei"_s), engine(1, u"Eins"_s), engine(2, u"Zwei"_s)},
           {category(1, 1, 4, u"eins-b"_s), category(2, 3, 1, u"drei-a"_s),
            category(3, 1, 2, u"eins-a"_s), category(4, 7, 1, u"verwaist"_s),
            category(5, 1, 9, u"eins-c"_s)});
    auto master = open(CatalogueSchema::dba());
    auto detail = std::make_unique<TableCursor>(m_db, CatalogueSchema::dbc(), u"TableKategorien"_s);
    detail->setIndexName(u"EngineID"_s);
    detail->setMasterLink(master.get(), u"EngineID"_s, u"Nr"_s);
    detail->setReadOnly(true);
    detail->open();

    const QString text = u"KategorieInEngine"_s;
    EXPECT_EQ(column(*detail, text), "drei-a");
    master->next();
    EXPECT_EQ(column(*detail, text), "eins-b, eins-a, eins-c");
    EXPECT_TRUE(detail->bof());
    master->next();
    EXPECT_TRUE(detail->isEmpty());
    EXPECT_TRUE(detail->eof());

    // The walks move the master with its screen updates off; the detail follows all the same.
    master->disableControls();
    master->first();
    EXPECT_EQ(column(*detail, text), "drei-a");
    master->setIndexName(u"Primary"_s);
    ASSERT_TRUE(master->findKey({1}));
    EXPECT_EQ(column(*detail, text), "eins-b, eins-a, eins-c");
    master->enableControls();

    detail->first();
    EXPECT_THROW(detail->edit(), Error);

    master->setFilter(u"(Nr>100)"_s);
    master->setFiltered(true);
    EXPECT_TRUE(master->isEmpty());
    EXPECT_TRUE(detail->isEmpty());
    master->close();
    detail->refresh();
    EXPECT_TRUE(detail->isEmpty());
}

TEST_F(TableCursorTest, RefusedAppendsAddNothing)
{
    create({engine(1, u"A"_s)}, {}, {formField(1, 1, 1, u"url"_s)});
    struct Case
    {
        const TableDef* table;
        QString message;
        bool readOnly;
    };
    const Case cases[] = {
        {&CatalogueSchema::dba(), u"Nicht kritischer Fehler-Nr. 88211!"_s, false},
        {&CatalogueSchema::dbd(), u"Nicht kritischer Fehler-Nr. 88214!"_s, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        auto cursor = open(*c.table);
        cursor->setReadOnly(c.readOnly);
        cursor->setAppendRefusal(c.message);
        const int before = cursor->tableRecordCount();
        try {
            cursor->append({{u"EngineID"_s, 1}});
            ADD_FAILURE() << "append was not refused";
        } catch (const Error& error) {
            EXPECT_EQ(error.message(), c.message);
        }
        EXPECT_EQ(cursor->tableRecordCount(), before);
        cursor->refresh();
        EXPECT_EQ(cursor->rowCount(), before);
    }
}

TEST_F(TableCursorTest, AppendAssignsTheNextNumberAndStandsOnTheNewRow)
{
    create({engine(5, u"Alpha"_s), engine(12, u"Zulu"_s), engine(2, u"Bravo"_s)});
    auto cursor = open(CatalogueSchema::dba(), u"IdxName"_s);
    cursor->first();
    cursor->append({{u"Name"_s, u"Mike"_s}, {u"ausgewaehlt"_s, true}});

    EXPECT_EQ(cursor->value(u"Name"_s).toString(), u"Mike"_s);
    EXPECT_EQ(cursor->value(u"Nr"_s).toInt(), 13);
    EXPECT_EQ(cursor->position(), 2);
    EXPECT_EQ(column(*cursor, u"Name"_s), "Alpha, Bravo, Mike, Zulu");
    EXPECT_EQ(fileValue(u"Name"_s, 13).toString(), u"Mike"_s);
    EXPECT_EQ(fileValue(u"Ausgewaehlt"_s, 13).toInt(), 1);

    // New rows go to the end of the store order.
    cursor->setIndexName({});
    EXPECT_EQ(column(*cursor, u"Nr"_s), "5, 12, 2, 13");

    auto fields = open(CatalogueSchema::dbd());
    fields->append({{u"EngineID"_s, 13}, {u"FeldNameInEngine"_s, u"url"_s}});
    EXPECT_EQ(fields->value(u"FelderID"_s).toInt(), 1);
    fields->append({{u"EngineID"_s, 13}, {u"FeldNameInEngine"_s, u"email"_s}});
    EXPECT_EQ(fields->value(u"FelderID"_s).toInt(), 2);
}

// ---- searching ----

TEST_F(TableCursorTest, FindKeyOnTheCurrentOrder)
{
    create({engine(5, u"Alpha"_s), engine(12, u"Zulu"_s), engine(2, u"Bravo"_s)});
    auto cursor = open(CatalogueSchema::dba(), u"Primary"_s);
    ASSERT_TRUE(cursor->findKey({12}));
    EXPECT_EQ(cursor->value(u"Name"_s).toString(), u"Zulu"_s);
    EXPECT_EQ(cursor->position(), 2);

    cursor->first();
    EXPECT_FALSE(cursor->findKey({7}));
    EXPECT_EQ(cursor->position(), 0);
    EXPECT_TRUE(cursor->findKey({u"2"_s})); // as the number it stands for
    EXPECT_EQ(cursor->value(u"Name"_s).toString(), u"Bravo"_s);

    cursor->setIndexName({});
    EXPECT_THROW(cursor->findKey({2}), Error);
}

TEST_F(TableCursorTest, FindNearestIgnoresCaseAndAccents)
{
    create({engine(1, u"Zeitung Online"_s), engine(2, u"Suchmaschine Nord"_s),
            engine(3, u"Süddeutscher Katalog"_s), engine(4, u"Alpha Suche"_s),
            engine(5, u"Öko-Verzeichnis"_s)});
    auto cursor = open(CatalogueSchema::dba(), u"IdxName"_s);
    ASSERT_EQ(
        column(*cursor, u"Name"_s),
        "Alpha Suche, Öko-Verzeichnis, Suchmaschine Nord, Süddeutscher Katalog, Zeitung Online");
    const std::pair<QString, QString> cases[] = {
        {u"süd"_s, u"Süddeutscher Katalog"_s}, {u"SUD"_s, u"Süddeutscher Katalog"_s},
        {u"such"_s, u"Suchmaschine Nord"_s},   {u"oko"_s, u"Öko-Verzeichnis"_s},
        {u"b"_s, u"Öko-Verzeichnis"_s},        {u""_s, u"Alpha Suche"_s},
        {u"zz"_s, u"Zeitung Online"_s},        {u"Zeitung Online!"_s, u"Zeitung Online"_s},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text.toStdString());
        cursor->moveTo(2);
        cursor->findNearest(text);
        EXPECT_EQ(cursor->value(u"Name"_s).toString(), expected);
    }

    cursor->setIndexName(u"Primary"_s);
    cursor->findNearest(u"3"_s);
    EXPECT_EQ(cursor->value(u"Nr"_s).toInt(), 3);

    auto empty = open(CatalogueSchema::dba(), u"IdxName"_s, kSelected);
    EXPECT_NO_THROW(empty->findNearest(u"a"_s));
    EXPECT_EQ(empty->position(), -1);
}

// ---- screen updates ----

TEST_F(TableCursorTest, ScreenUpdatesOffHoldBackResetsUntilTheLastEnable)
{
    create({engine(1, u"A"_s, {{u"Ausgewaehlt"_s, true}}),
            engine(2, u"B"_s, {{u"Ausgewaehlt"_s, true}})});
    auto cursor = open(CatalogueSchema::dba(), u"IdxName"_s, kSelected);
    int resets = 0;
    QObject::connect(cursor.get(), &TableCursor::rowsReset, [&resets] { ++resets; });

    cursor->first();
    cursor->edit();
    cursor->setValue(u"Bemerkung"_s, u"x"_s);
    cursor->post();
    EXPECT_EQ(resets, 1);

    resets = 0;
    cursor->disableControls();
    cursor->disableControls();
    {
        ScreenUpdatesOff off(*cursor);
        cursor->edit();
        cursor->setValue(u"Ausgewaehlt"_s, false);
        cursor->post();
        cursor->refresh();
    }
    cursor->enableControls();
    cursor->setFiltered(false);
    EXPECT_EQ(resets, 0);
    EXPECT_TRUE(cursor->controlsDisabled());

    cursor->enableControls();
    EXPECT_EQ(resets, 1);
    EXPECT_FALSE(cursor->controlsDisabled());
    cursor->enableControls(); // one too many changes nothing
    EXPECT_EQ(resets, 1);
    EXPECT_FALSE(cursor->controlsDisabled());
}

// ---- transactions and the connection ----

TEST_F(TableCursorTest, NestedTransactionsReachTheFileOnlyAtTheOutermostEnd)
{
    create({engine(1, u"A"_s)});
    const auto setRating = [this](int rating) {
        Statement update = m_db.prepare(u"UPDATE dba SET Bewertung = ? WHERE Nr = 1"_s);
        update.bind(1, rating);
        update.step();
    };

    m_db.begin();
    m_db.begin();
    setRating(3);
    m_db.commit();
    EXPECT_TRUE(m_db.inTransaction());
    EXPECT_EQ(fileValue(u"Bewertung"_s, 1).toInt(), 2);
    m_db.commit();
    EXPECT_FALSE(m_db.inTransaction());
    EXPECT_EQ(fileValue(u"Bewertung"_s, 1).toInt(), 3);

    // An inner rollback dooms the whole transaction, whatever the outer end says.
    m_db.begin();
    setRating(4);
    m_db.begin();
    setRating(1);
    m_db.rollback();
    m_db.commit();
    EXPECT_FALSE(m_db.inTransaction());
    EXPECT_EQ(fileValue(u"Bewertung"_s, 1).toInt(), 3);

    try {
        Transaction outer(m_db);
        setRating(0);
        {
            Transaction inner(m_db);
            setRating(4);
            inner.commit();
        }
        throw Error(u"Abbruch"_s);
    } catch (const Error&) {
    }
    EXPECT_FALSE(m_db.inTransaction());
    EXPECT_EQ(fileValue(u"Bewertung"_s, 1).toInt(), 3);

    {
        Transaction scope(m_db);
        setRating(4);
        scope.commit();
    }
    EXPECT_EQ(fileValue(u"Bewertung"_s, 1).toInt(), 4);

    // A new transaction after a doomed one starts clean.
    m_db.begin();
    setRating(1);
    m_db.commit();
    EXPECT_EQ(fileValue(u"Bewertung"_s, 1).toInt(), 1);
}

TEST_F(TableCursorTest, OpeningRefusesMissingAndForeignFiles)
{
    const QString missing = test::TestDirs::root() + u"/fehlt.db"_s;
    Database db;
    EXPECT_THROW(db.open(missing, Database::Mode::OpenExisting), Error);
    EXPECT_FALSE(db.isOpen());
    EXPECT_FALSE(QFile::exists(missing));

    const QString foreign = test::TestDirs::root() + u"/text.db"_s;
    QFile file(foreign);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2048, 'x'));
    file.close();
    EXPECT_THROW(db.open(foreign, Database::Mode::OpenExisting), Error);
    EXPECT_FALSE(db.isOpen());

    db.open(missing, Database::Mode::CreateIfMissing);
    CatalogueDatabase::createSchema(db);
    EXPECT_NO_THROW(CatalogueDatabase::verifySchema(db));
    db.exec(u"DROP TABLE dbd"_s);
    EXPECT_THROW(CatalogueDatabase::verifySchema(db), Error);
}

} // namespace
} // namespace pelvaro::catalogue::store
