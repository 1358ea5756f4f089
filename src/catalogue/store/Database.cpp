#include "catalogue/store/Database.h"

#include "base/Error.h"

#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

namespace pelvaro::catalogue::store {

namespace {

[[noreturn]] void throwError(sqlite3* db, const QString& what)
{
    const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
    const int code = db ? sqlite3_errcode(db) & 0xff : SQLITE_OK;
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
        const char* file = sqlite3_db_filename(db, "main");
        throw BusyError(
            QStringLiteral("Der Suchdienst-Katalog %1 ist gesperrt: Ein anderes Pelvaro!-Programm "
                           "arbeitet gerade damit (etwa das Fenster, während es eine Anmeldung "
                           "vorbereitet oder eine Meldung zeigt), und er wurde auch nach %2 "
                           "Sekunden Warten nicht frei. Bitte warten Sie, bis das andere Programm "
                           "fertig ist, und versuchen Sie es dann erneut.")
                .arg(QString::fromUtf8(file ? file : ""))
                .arg(Database::DefaultBusyTimeout / 1000));
    }
    throw Error(QStringLiteral("Datenbankfehler (%1): %2").arg(what, detail));
}

// Folds a character for ordering: letters without case and accents, so that umlauts sort
// with their base letter. Returns up to two characters (ß becomes "ss").
int foldChar(QChar c, char16_t out[2])
{
    const char16_t u = c.unicode();
    if (u < 0x80) {
        out[0] = (u >= 'A' && u <= 'Z') ? char16_t(u + 32) : u;
        return 1;
    }
    if (u == 0xDF) {
        out[0] = out[1] = u's';
        return 2;
    }
    const QString decomposed = QString(c).normalized(QString::NormalizationForm_D);
    out[0] = decomposed.isEmpty() ? u : decomposed.at(0).toLower().unicode();
    return 1;
}

int collate(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    const QString sa = QString::fromUtf8(static_cast<const char*>(a), lengthA);
    const QString sb = QString::fromUtf8(static_cast<const char*>(b), lengthB);
    return Database::compareNames(sa, sb);
}

} // namespace

// ---- Statement ----

Statement::Statement(sqlite3* db, const QString& sql) : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK)
        throwError(db, QStringLiteral("Vorbereiten"));
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement&& other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

void Statement::fail(const char* what) const
{
    throwError(m_db, QLatin1String(what));
}

void Statement::bind(int position, const QVariant& value)
{
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, position);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int(m_stmt, position, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(m_stmt, position, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, position, value.toDouble());
            break;
        default: {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, position, text.constData(), int(text.size()),
                                   SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK)
        fail("Binden");
}

void Statement::bindAll(const QVariantList& values, int firstPosition)
{
    for (qsizetype i = 0; i < values.size(); ++i)
        bind(firstPosition + int(i), values.at(i));
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail("Ausführen");
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

bool Statement::columnIsNull(int index) const
{
    return sqlite3_column_type(m_stmt, index) == SQLITE_NULL;
}

qint64 Statement::columnInt64(int index) const
{
    return sqlite3_column_int64(m_stmt, index);
}

QVariant Statement::column(int index) const
{
    switch (sqlite3_column_type(m_stmt, index)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(m_stmt, index)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, index));
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, index)));
    }
    }
}

// ---- Database ----

Database::~Database()
{
    close();
}

void Database::open(const QString& path, Mode mode)
{
    close();
    if (mode == Mode::OpenExisting && !QFileInfo(path).isFile())
        throw Error(QStringLiteral("Die Datenbank %1 ist nicht vorhanden.").arg(path));
    const int flags = SQLITE_OPEN_READWRITE |
                      (mode == Mode::CreateIfMissing ? SQLITE_OPEN_CREATE : 0) |
                      SQLITE_OPEN_NOMUTEX;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
        sqlite3_close(db);
        throw Error(
            QStringLiteral("Die Datenbank %1 kann nicht geöffnet werden: %2").arg(path, detail));
    }
    m_db = db;
    m_path = path;
    sqlite3_extended_result_codes(m_db, 1);
    setBusyTimeout(DefaultBusyTimeout);
    sqlite3_create_collation(m_db, "PELVARO_NAME", SQLITE_UTF8, nullptr, &collate);
    try {
        // Reading the header tells a database from any other file at once.
        exec(QStringLiteral("PRAGMA schema_version"));
        exec(QStringLiteral("PRAGMA foreign_keys = OFF"));
    } catch (...) {
        close();
        throw;
    }
}

void Database::setBusyTimeout(int milliseconds)
{
    requireOpen();
    sqlite3_busy_timeout(m_db, milliseconds);
}

void Database::requireOpen() const
{
    if (!m_db)
        throw Error(QStringLiteral("Datenbankfehler: die Datenbank ist nicht geöffnet."));
}

void Database::close()
{
    m_statements.clear();
    m_statementOrder.clear();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_transactionDepth = 0;
    m_rollbackPending = false;
}

void Database::exec(const QString& sql)
{
    requireOpen();
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString detail = QString::fromUtf8(message ? message : "");
        sqlite3_free(message);
        const int code = sqlite3_errcode(m_db) & 0xff;
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            throwError(m_db, sql);
        throw Error(QStringLiteral("Datenbankfehler: %1").arg(detail));
    }
}

Statement Database::prepare(const QString& sql)
{
    requireOpen();
    return Statement(m_db, sql);
}

CachedStatement Database::cached(const QString& sql)
{
    const auto found = m_statements.find(sql);
    if (found != m_statements.end()) {
        m_statementOrder.splice(m_statementOrder.begin(), m_statementOrder, found->second);
        std::shared_ptr<Statement> statement = found->second->second;
        // A lease that ended by an exception may not have reached its reset.
        statement->reset();
        return CachedStatement(std::move(statement));
    }
    auto statement = std::make_shared<Statement>(prepare(sql));
    m_statementOrder.emplace_front(sql, statement);
    m_statements.emplace(sql, m_statementOrder.begin());
    // Filters and orders make new texts all the time; the oldest ones go. A lease still
    // held keeps its statement alive until it ends.
    while (m_statementOrder.size() > CacheCapacity) {
        m_statements.erase(m_statementOrder.back().first);
        m_statementOrder.pop_back();
    }
    return CachedStatement(std::move(statement));
}

bool Database::tableExists(const QString& table)
{
    Statement query =
        prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"));
    query.bind(1, table);
    return query.step();
}

QStringList Database::columnsOf(const QString& table)
{
    Statement query = prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
    query.bind(1, table);
    QStringList names;
    while (query.step())
        names << query.column(0).toString();
    return names;
}

void Database::followSqliteState()
{
    if (m_db && sqlite3_get_autocommit(m_db)) {
        if (m_transactionDepth > 0)
            ++m_rollbacks;
        m_transactionDepth = 0;
        m_rollbackPending = false;
    }
}

void Database::begin()
{
    requireOpen();
    // SQLite may have ended a transaction on its own (it rolls back on some errors).
    followSqliteState();
    if (m_transactionDepth == 0) {
        exec(QStringLiteral("BEGIN"));
        m_rollbackPending = false;
    }
    ++m_transactionDepth;
}

void Database::endTransaction(const QString& sql)
{
    try {
        exec(sql);
    } catch (...) {
        // Still open in SQLite (a busy COMMIT leaves it so): end it here, or every later
        // change would ride in it and vanish when the connection closes.
        if (m_db && !sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_transactionDepth = sqlite3_get_autocommit(m_db) ? 0 : 1;
        m_rollbackPending = m_transactionDepth > 0;
        ++m_rollbacks;
        throw;
    }
    m_transactionDepth = 0;
    if (sql != QLatin1String("COMMIT"))
        ++m_rollbacks;
    m_rollbackPending = false;
}

void Database::commit()
{
    followSqliteState();
    if (m_transactionDepth == 0)
        return;
    if (m_transactionDepth > 1) {
        --m_transactionDepth;
        return;
    }
    endTransaction(m_rollbackPending ? QStringLiteral("ROLLBACK") : QStringLiteral("COMMIT"));
}

void Database::rollback()
{
    followSqliteState();
    if (m_transactionDepth == 0)
        return;
    // An inner rollback dooms the outer transaction too.
    m_rollbackPending = true;
    if (m_transactionDepth > 1) {
        --m_transactionDepth;
        return;
    }
    endTransaction(QStringLiteral("ROLLBACK"));
}

QString Database::quoted(const QString& identifier)
{
    QString out = identifier;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

int Database::compareNames(QStringView a, QStringView b)
{
    const int folded = compareFolded(a, b);
    // Equal when folded: fall back to the exact text so the order stays total.
    return folded != 0 ? folded : a.compare(b);
}

int Database::compareFolded(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    char16_t fa[2];
    char16_t fb[2];
    int na = 0, ia = 0, nb = 0, ib = 0;
    for (;;) {
        if (ia == na) {
            if (i == a.size())
                break;
            na = foldChar(a.at(i++), fa);
            ia = 0;
        }
        if (ib == nb) {
            if (j == b.size())
                return 1;
            nb = foldChar(b.at(j++), fb);
            ib = 0;
        }
        if (fa[ia] != fb[ib])
            return fa[ia] < fb[ib] ? -1 : 1;
        ++ia;
        ++ib;
    }
    return (ib < nb || j < b.size()) ? -1 : 0;
}

Transaction::~Transaction()
{
    if (!m_done) {
        try {
            m_db.rollback();
        } catch (...) {
            // A destructor must not throw; the connection reports the state on next use.
        }
    }
}

void Transaction::commit()
{
    m_done = true;
    m_db.commit();
}

} // namespace pelvaro::catalogue::store
