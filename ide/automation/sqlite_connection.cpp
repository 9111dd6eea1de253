#include "ide/automation/sqlite_connection.h"

#include "ide/automation/project_errors.h"
#include "platform/sys/format_string.h"
#include "platform/sys/wide_string.h"

#include <sqlite3.h>

namespace vx {
namespace {

// Bounds that keep a hostile project file from costing much memory: no text or blob longer than
// this, and no statement longer than ours.
constexpr int kMaxValueBytes = 1 << 20;
constexpr int kMaxSqlBytes = 64 * 1024;

std::u16string Describe(const SqliteConnection& connection, int rc) {
    const std::u16string& path = connection.Path();
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return FormatString(u"The project file \"%s\" is in use by another program. Close the "
                            u"other program or wait until it has finished, then try again.",
                            path);
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return FormatString(u"The project file \"%s\" is read-only. Your change was not saved.",
                            path);
    case SQLITE_CONSTRAINT:
    case SQLITE_TOOBIG:
    case SQLITE_MISMATCH:
        return FormatString(u"The value cannot be stored in the project \"%s\".", path);
    case SQLITE_CORRUPT:
        return FormatString(u"The project file \"%s\" is damaged and cannot be used.", path);
    case SQLITE_NOTADB:
        return FormatString(u"\"%s\" is not a project file.", path);
    case SQLITE_FULL:
        return FormatString(u"The disk is full: the project \"%s\" cannot be saved.", path);
    case SQLITE_CANTOPEN:
        return FormatString(u"The project file \"%s\" cannot be opened.", path);
    case SQLITE_IOERR:
        return FormatString(u"The project file \"%s\" could not be read or written.", path);
    default:
        return FormatString(u"Project \"%s\": %s (SQLite result %d).", path,
                            Utf8ToUtf16(sqlite3_errmsg(connection.Handle())), rc);
    }
}

HRESULT ResultFor(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return VXPROJ_E_BUSY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return VXPROJ_E_READONLY;
    case SQLITE_CONSTRAINT:
    case SQLITE_TOOBIG:
    case SQLITE_MISMATCH:
        return VXPROJ_E_BADVALUE;
    case SQLITE_CORRUPT:
        return VXPROJ_E_DAMAGED;
    case SQLITE_NOTADB:
        return VXPROJ_E_NOTPROJECT;
    case SQLITE_FULL:
        return VXPROJ_E_DISKFULL;
    case SQLITE_CANTOPEN:
        return VXPROJ_E_CANTOPEN;
    case SQLITE_IOERR:
        return VXPROJ_E_IO;
    case SQLITE_NOMEM:
        return E_OUTOFMEMORY;
    default:
        return E_FAIL;
    }
}

} // namespace

SqliteStatement::SqliteStatement(SqliteConnection& connection, std::string_view sql)
    : m_connection(connection) {
    const int rc = sqlite3_prepare_v2(connection.Handle(), sql.data(), static_cast<int>(sql.size()),
                                      &m_statement, nullptr);
    if (rc != SQLITE_OK) {
        connection.Fail(rc);
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_statement);
}

SqliteStatement& SqliteStatement::Bind(int index, std::u16string_view text) {
    const std::string utf8 = Utf16ToUtf8(text);
    const int rc = sqlite3_bind_text(m_statement, index, utf8.data(), static_cast<int>(utf8.size()),
                                     SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) {
        m_connection.Fail(rc);
    }
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, int64_t value) {
    const int rc = sqlite3_bind_int64(m_statement, index, value);
    if (rc != SQLITE_OK) {
        m_connection.Fail(rc);
    }
    return *this;
}

bool SqliteStatement::Step() {
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    // A failed step leaves the statement needing a reset before it can run again.
    sqlite3_reset(m_statement);
    m_connection.Fail(rc);
}

void SqliteStatement::Run() {
    while (Step()) {
    }
}

std::u16string SqliteStatement::Text(int column) const {
    const auto* text = sqlite3_column_text(m_statement, column);
    const int bytes = sqlite3_column_bytes(m_statement, column);
    if (!text) {
        return {};
    }
    return Utf8ToUtf16(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(bytes)));
}

int64_t SqliteStatement::Integer(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

bool SqliteStatement::IsNull(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

void SqliteStatement::Reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

SqliteConnection::SqliteConnection(const std::u16string& path, Mode mode, int busyTimeoutMs)
    : m_path(path) {
    int flags = (mode == Mode::OpenReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                SQLITE_OPEN_NOMUTEX;
    if (mode == Mode::Create) {
        flags |= SQLITE_OPEN_CREATE;
    }
    const std::string file = Utf16ToUtf8(path);
    const int rc = sqlite3_open_v2(file.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const HRESULT hr = ResultFor(rc);
        const std::u16string text = Describe(*this, rc);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw ProjectFailure(hr, text);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    // A project file comes from outside: nothing in it may run code of its own or grow without
    // bound.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_limit(m_db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    sqlite3_limit(m_db, SQLITE_LIMIT_SQL_LENGTH, kMaxSqlBytes);
    sqlite3_limit(m_db, SQLITE_LIMIT_ATTACHED, 0);
    try {
        Execute("PRAGMA cell_size_check = ON");
    } catch (...) {
        sqlite3_close(m_db); // the destructor does not run for a constructor that throws
        throw;
    }
}

SqliteConnection::~SqliteConnection() {
    sqlite3_close(m_db);
}

void SqliteConnection::Execute(std::string_view sql) {
    SqliteStatement(*this, sql).Run();
}

int64_t SqliteConnection::ChangedRows() const {
    return sqlite3_changes64(m_db);
}

bool SqliteConnection::IsReadOnly() const {
    return sqlite3_db_readonly(m_db, "main") == 1;
}

void SqliteConnection::Fail(int rc) const {
    throw ProjectFailure(ResultFor(rc), Describe(*this, rc));
}

WriteTransaction::WriteTransaction(SqliteConnection& connection) : m_connection(connection) {
    m_connection.Execute("BEGIN IMMEDIATE");
}

WriteTransaction::~WriteTransaction() {
    if (!m_done) {
        // Nothing to report from here: an open transaction is rolled back by SQLite anyway
        // when the next one begins or the connection closes.
        sqlite3_exec(m_connection.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void WriteTransaction::Commit() {
    m_connection.Execute("COMMIT");
    m_done = true;
}

} // namespace vx
