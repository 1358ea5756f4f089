#pragma once

#include "base/Error.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <list>
#include <memory>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace pelvaro::catalogue::store {

// Another connection held the catalogue locked for longer than the busy timeout. Not a fault
// of the row at hand: callers that note per-row failures and go on let this one through.
class BusyError : public Error
{
public:
    using Error::Error;
};

// One prepared SQLite statement. Values cross as QVariant: null, integers, doubles, texts.
class Statement
{
public:
    Statement() = default;
    Statement(sqlite3* db, const QString& sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds by 1-based position.
    void bind(int position, const QVariant& value);
    void bindAll(const QVariantList& values, int firstPosition = 1);
    // Steps once; true while a row is available. A statement that has run to its end holds
    // no lock; one left standing on a row keeps the file's read lock until reset().
    bool step();
    void reset();
    int columnCount() const;
    QVariant column(int index) const;
    qint64 columnInt64(int index) const;
    bool columnIsNull(int index) const;

private:
    [[noreturn]] void fail(const char* what) const;

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

// A statement of the connection's cache, lent for one use: it is reset when the lease ends,
// so that no read lock outlives the use (another program on the same file could not commit
// while it stood), and the cache may drop it once nobody holds it.
class CachedStatement
{
public:
    explicit CachedStatement(std::shared_ptr<Statement> statement)
        : m_statement(std::move(statement))
    {
    }
    ~CachedStatement()
    {
        if (m_statement)
            m_statement->reset();
    }
    CachedStatement(CachedStatement&&) noexcept = default;
    CachedStatement(const CachedStatement&) = delete;
    CachedStatement& operator=(const CachedStatement&) = delete;
    CachedStatement& operator=(CachedStatement&&) = delete;

    Statement* operator->() const { return m_statement.get(); }
    Statement& operator*() const { return *m_statement; }

private:
    std::shared_ptr<Statement> m_statement;
};

// A connection to one SQLite file. Errors are thrown as pelvaro::Error in German.
class Database
{
public:
    enum class Mode
    {
        OpenExisting, // the file must exist
        CreateIfMissing
    };

    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void open(const QString& path, Mode mode);
    // How long a statement waits for another connection's lock before it fails as busy.
    void setBusyTimeout(int milliseconds);
    // What a connection waits by default: far longer than any of the program's own writes
    // takes, short enough for a user to wait through.
    static constexpr int DefaultBusyTimeout = 5000;
    void close();
    bool isOpen() const { return m_db != nullptr; }
    const QString& path() const { return m_path; }

    void exec(const QString& sql);
    Statement prepare(const QString& sql);
    // A statement prepared once per connection, for the statements a walk runs per row. The
    // cache keeps the most recently used ones up to CacheCapacity.
    CachedStatement cached(const QString& sql);
    static constexpr size_t CacheCapacity = 48;
    size_t cachedCount() const { return m_statements.size(); }
    sqlite3* handle() const { return m_db; }
    bool tableExists(const QString& table);
    QStringList columnsOf(const QString& table);

    // Transactions nest: only the outermost one reaches the file, and an inner rollback
    // dooms the outer one. The depth follows SQLite's own state on every failure: a BEGIN
    // that fails opens nothing, and an outermost COMMIT that fails (another connection
    // still reads, past the busy timeout) is rolled back before the error goes on, so that
    // no later change rides in a transaction nobody will end.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const { return m_transactionDepth > 0; }

    // A counter per table that every change made through this connection raises, so that
    // views on the same table can tell that the rows they hold are out of date. A rollback
    // moves every table's counter on: rows read inside the transaction are gone.
    quint64 dataVersion(const QString& table) const
    {
        return m_versions.value(table, 0) + m_rollbacks;
    }
    void touch(const QString& table) { ++m_versions[table]; }

    // Quotes an identifier for SQL text (the only way names reach a statement).
    static QString quoted(const QString& identifier);
    // The collation text columns are ordered with: case and accents folded, so "äpfel"
    // sorts beside "Apfel". Nearest-match search uses the same comparison.
    static int compareNames(QStringView a, QStringView b);
    // The same comparison without the exact-text tie break: 0 when equal but for case and
    // accents.
    static int compareFolded(QStringView a, QStringView b);
    static QString collationName() { return QStringLiteral("PELVARO_NAME"); }

private:
    void requireOpen() const;
    // After a failed transaction statement: takes SQLite's word for whether one is open.
    void followSqliteState();
    void endTransaction(const QString& sql);

    sqlite3* m_db = nullptr;
    QString m_path;
    QHash<QString, quint64> m_versions;
    quint64 m_rollbacks = 0;
    // Most recently used first.
    using CacheEntry = std::pair<QString, std::shared_ptr<Statement>>;
    std::list<CacheEntry> m_statementOrder;
    std::unordered_map<QString, std::list<CacheEntry>::iterator> m_statements;
    int m_transactionDepth = 0;
    bool m_rollbackPending = false;
};

// Runs a block of writes as one transaction; rolls back unless committed.
class Transaction
{
public:
    explicit Transaction(Database& db) : m_db(db) { m_db.begin(); }
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& m_db;
    bool m_done = false;
};

} // namespace pelvaro::catalogue::store
