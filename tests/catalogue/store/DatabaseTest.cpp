// The connection's transactions and statements as another connection on the same file sees
// them: what reached the file, and which locks are left between two uses.
#include "catalogue/store/Database.h"

#include "CatalogueFixture.h"
#include "TestDirs.h"
#include "base/Error.h"
#include "catalogue/store/CatalogueDatabase.h"
#include "catalogue/store/TableCursor.h"
#include "catalogue/store/TableSchema.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sqlite3.h>

namespace pelvaro::catalogue::store {
namespace {

using namespace Qt::StringLiterals;
using test::engine;

QString dataDir()
{
    return test::TestDirs::root() + u"/daten"_s;
}

QString filePath()
{
    return CatalogueDatabase::filePath(dataDir());
}

// A second connection on the same file through SQLite's own interface, as another program
// would open it. It waits for no lock: busy is busy at once.
class OtherConnection
{
public:
    OtherConnection()
    {
        EXPECT_EQ(sqlite3_open(QFile::encodeName(filePath()).constData(), &m_db), SQLITE_OK);
    }
    ~OtherConnection()
    {
        sqlite3_finalize(m_reading);
        sqlite3_close(m_db);
    }
    OtherConnection(const OtherConnection&) = delete;
    OtherConnection& operator=(const OtherConnection&) = delete;

    // Stands on the first row of a query, which holds the file's read lock.
    void startReading()
    {
        ASSERT_EQ(sqlite3_prepare_v2(m_db, "SELECT Nr FROM dba", -1, &m_reading, nullptr),
                  SQLITE_OK);
        ASSERT_EQ(sqlite3_step(m_reading), SQLITE_ROW);
    }
    void stopReading()
    {
        sqlite3_finalize(m_reading);
        m_reading = nullptr;
    }
    // A whole write transaction; the result code of the first step that fails, or OK.
    int write(const char* sql)
    {
        for (const char* step : {"BEGIN IMMEDIATE", sql, "COMMIT"}) {
            const int rc = sqlite3_exec(m_db, step, nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK) {
                sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
                return rc;
            }
        }
        return SQLITE_OK;
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_reading = nullptr;
};

// A service's rating as the file holds it, read through a connection of its own.
int ratingInFile(int nr)
{
    Database db;
    db.open(filePath(), Database::Mode::OpenExisting);
    Statement query = db.prepare(u"SELECT Bewertung FROM dba WHERE Nr = ?"_s);
    query.bind(1, nr);
    return query.step() ? query.column(0).toInt() : -1;
}

void setRating(Database& db, int nr, int rating)
{
    Statement update = db.prepare(u"UPDATE dba SET Bewertung = ? WHERE Nr = ?"_s);
    update.bind(1, rating);
    update.bind(2, nr);
    update.step();
}

class DatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The fixture writes a file with a plain rollback journal, where a reader keeps a
        // writer from committing.
        test::createCatalogue(dataDir(),
                              {engine(1, u"Eins"_s), engine(2, u"Zwei"_s), engine(3, u"Drei"_s)});
        m_db.open(filePath(), Database::Mode::OpenExisting);
        m_db.setBusyTimeout(0);
    }

    Database m_db;
};

TEST_F(DatabaseTest, BusyCommitEndsTheTransactionAndLaterChangesReachTheFile)
{
    OtherConnection other;
    other.startReading();

    m_db.begin();
    setRating(m_db, 1, 4);
    EXPECT_THROW(m_db.commit(), Error);
    EXPECT_FALSE(m_db.inTransaction());
    EXPECT_TRUE(sqlite3_get_autocommit(m_db.handle())) << "SQLite agrees: nothing left open";

    other.stopReading();
    // Later changes, through a view and in a transaction of their own, are not swallowed by
    // the one that failed.
    TableCursor cursor(m_db, CatalogueSchema::dba(), u"Test"_s);
    cursor.open();
    cursor.edit();
    cursor.setValue(u"Bewertung"_s, 3);
    cursor.post();
    m_db.begin();
    setRating(m_db, 2, 0);
    m_db.commit();

    m_db.close();
    EXPECT_EQ(ratingInFile(1), 3) << "the failed change is gone, the later one is kept";
    EXPECT_EQ(ratingInFile(2), 0);
    EXPECT_EQ(ratingInFile(3), 2);
}

TEST_F(DatabaseTest, BusyCommitOfANestedTransactionEndsAllLevels)
{
    OtherConnection other;
    other.startReading();
    m_db.begin();
    m_db.begin();
    setRating(m_db, 1, 4);
    m_db.commit();
    EXPECT_TRUE(m_db.inTransaction());
    EXPECT_THROW(m_db.commit(), Error);
    EXPECT_FALSE(m_db.inTransaction());
    other.stopReading();

    // A rollback after the failure has nothing to end; a new transaction starts cleanly.
    m_db.rollback();
    m_db.begin();
    setRating(m_db, 3, 1);
    m_db.commit();
    m_db.close();
    EXPECT_EQ(ratingInFile(1), 2);
    EXPECT_EQ(ratingInFile(3), 1);
}

TEST_F(DatabaseTest, ATransactionSQLiteEndedByItselfIsNotContinued)
{
    m_db.begin();
    setRating(m_db, 1, 4);
    // Ended behind the connection's back, as SQLite does after some errors.
    sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    setRating(m_db, 2, 0); // autocommit: in the file at once
    m_db.commit();         // nothing left to commit
    EXPECT_FALSE(m_db.inTransaction());
    m_db.begin();
    setRating(m_db, 3, 1);
    m_db.commit();
    m_db.close();
    EXPECT_EQ(ratingInFile(1), 2);
    EXPECT_EQ(ratingInFile(2), 0);
    EXPECT_EQ(ratingInFile(3), 1);
}

TEST_F(DatabaseTest, ReadingThroughViewsLeavesNoLockBetweenUses)
{
    TableCursor names(m_db, CatalogueSchema::dba(), u"Namen"_s);
    names.setIndexName(u"IdxName"_s);
    names.open();
    TableCursor selected(m_db, CatalogueSchema::dba(), u"Ausgewählt"_s);
    selected.setFilter(u"(Ausgewaehlt='False') or (Ausgewaehlt=Null)"_s);
    selected.setFiltered(true);
    selected.open();

    // Every kind of read a user action makes: values of a row, a search, and a post that
    // reads the row back through the filter (the row leaves the view).
    EXPECT_EQ(names.value(u"Name"_s).toString(), u"Drei"_s);
    names.findNearest(u"Z"_s);
    EXPECT_EQ(names.value(u"Nr"_s).toInt(), 2);
    selected.edit();
    selected.setValue(u"Ausgewaehlt"_s, true);
    selected.post();
    EXPECT_EQ(selected.rowCount(), 2);
    EXPECT_EQ(selected.valueAt(1, selected.fieldIndex(u"Name"_s)).toString(), u"Drei"_s);

    OtherConnection other;
    const int rc = other.write("UPDATE dba SET Bewertung = 0 WHERE Nr = 3");
    EXPECT_EQ(rc, SQLITE_OK) << sqlite3_errstr(rc);
    EXPECT_EQ(ratingInFile(3), 0);
}

TEST_F(DatabaseTest, StatementCacheKeepsTheMostRecentlyUsed)
{
    const auto text = [](size_t i) { return u"SELECT %1"_s.arg(i); };
    {
        // A lease outlives its statement's place in the cache.
        const CachedStatement held = m_db.cached(text(0));
        for (size_t i = 1; i <= Database::CacheCapacity + 5; ++i) {
            const CachedStatement query = m_db.cached(text(i));
            ASSERT_TRUE(query->step());
            EXPECT_EQ(query->columnInt64(0), qint64(i));
        }
        EXPECT_EQ(m_db.cachedCount(), Database::CacheCapacity);
        ASSERT_TRUE(held->step());
        EXPECT_EQ(held->columnInt64(0), 0);
    }
    // A statement in use again moves to the front and survives the next newcomers.
    const QString kept = text(Database::CacheCapacity + 5);
    const Statement* before = &*m_db.cached(kept);
    for (size_t i = 0; i < Database::CacheCapacity - 1; ++i)
        m_db.cached(u"SELECT 'neu', %1"_s.arg(i));
    EXPECT_EQ(&*m_db.cached(kept), before);
    EXPECT_EQ(m_db.cachedCount(), Database::CacheCapacity);
}

} // namespace
} // namespace pelvaro::catalogue::store
