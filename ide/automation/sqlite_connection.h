#pragma once
// A thin owner of an SQLite connection and its prepared statements. Every failed call throws a
// ProjectFailure whose code says what the author can do about it (read-only file, busy file,
// a value the table cannot hold, a damaged file) or marks it as internal.

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace vx {

class SqliteConnection;

class SqliteStatement {
public:
    SqliteStatement(SqliteConnection& connection, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters count from 1, as in SQL.
    SqliteStatement& Bind(int index, std::u16string_view text);
    SqliteStatement& Bind(int index, int64_t value);
    // True while a row is there; false when the statement has run to its end.
    bool Step();
    // Runs a statement that yields no rows.
    void Run();
    std::u16string Text(int column) const;
    int64_t Integer(int column) const;
    bool IsNull(int column) const;
    void Reset();

private:
    SqliteConnection& m_connection;
    sqlite3_stmt* m_statement = nullptr;
};

class SqliteConnection {
public:
    enum class Mode { OpenExisting, OpenReadOnly, Create };

    // `path` is the file; `busyTimeoutMs` is how long a call waits for another program's lock.
    SqliteConnection(const std::u16string& path, Mode mode, int busyTimeoutMs);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    void Execute(std::string_view sql);
    int64_t ChangedRows() const;
    bool IsReadOnly() const;
    const std::u16string& Path() const { return m_path; }
    sqlite3* Handle() const { return m_db; }

    // Throws the failure that an SQLite result code stands for; `rc` must be an error.
    [[noreturn]] void Fail(int rc) const;

private:
    sqlite3* m_db = nullptr;
    std::u16string m_path;
};

// BEGIN IMMEDIATE on construction, so the write lock is taken (or the wait for it fails) before
// anything is read; ROLLBACK on destruction unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(SqliteConnection& connection);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    void Commit();

private:
    SqliteConnection& m_connection;
    bool m_done = false;
};

} // namespace vx
