#pragma once
// SQLite database files (the program's ".mdb" files) behind one serialised connection.
// A connection opens an existing file only. Every statement is one SQL text with "?" placeholders
// and their values; its whole result is read at once, so nothing stays open between calls and
// several threads may use one connection.
#include "platform/DbValue.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace db {

// "key=value;" pairs of a connection string. Keys are trimmed and lower-cased (ASCII);
// values are trimmed and may be quoted with " or ' (a quoted value may hold ";").
std::map<std::string, std::string> ParseConnectionString(std::string_view text);
// The "Data Source" of a connection string as a file-system path; empty when there is none.
std::string DataSourcePath(std::string_view connectionString);

// The collation of every text column: ASCII letters folded, then GBK byte order.
inline constexpr const char* kTextCollation = "GBK";
// <0, 0, >0 as a sorts before, with or after b (UTF-8 texts).
int CompareText(std::string_view a, std::string_view b);
// Registers the collation on a connection; SQLITE_OK on success.
int RegisterTextCollation(sqlite3* handle);

// One entry of a failure report.
struct Error {
    std::string description;
    std::string state;  // name of SQLite's primary result code ("SQLITE_ERROR")
    int native = 0;     // SQLite's extended result code
    std::string source;
};

// The whole result of one statement.
struct ResultSet {
    std::vector<std::string> columns;
    std::vector<std::vector<Variant>> rows;
    // Filled when rowids were asked for and every column comes from one table:
    // that table, each column's name in it, and each row's rowid.
    std::string table;
    std::vector<std::string> originColumns;
    std::vector<std::int64_t> rowids;
    int changes = 0;  // rows changed by an INSERT, UPDATE or DELETE

    bool Updatable() const { return !table.empty(); }
};

class Database {
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing database file (never creates one); false when it is missing, empty or
    // not a database, or when this connection is already open.
    bool Open(const std::string& fsPath);
    // Rolls back an open transaction and closes; false when it was not open.
    bool Close();
    // Neither waits for the connection's lock.
    bool IsOpen() const;
    // Changes at every open and close, so results can tell that their connection went away.
    std::uint64_t Generation() const;

    // Runs one statement with values for its "?" placeholders. Refused when the text holds
    // more than one statement or the number of values differs from the placeholders.
    // With wantRowids a SELECT over one table also reads each row's rowid.
    std::optional<ResultSet> Run(std::string_view sql, const std::vector<Variant>& binds = {},
                                 bool wantRowids = false);

    // Runs one query as Run does and hands fn each row's column texts (NULL as an empty text,
    // a number as SQLite's text of it), valid during the call only; `columns` gets the column
    // names first. False on failure. For bulk reads that need no result set; the statement stays
    // prepared for the next run of the same text, so fn runs no statement itself.
    bool ForEachRow(std::string_view sql, const std::vector<Variant>& binds,
                    const std::function<void(const std::vector<std::string_view>&)>& fn,
                    std::vector<std::string>* columns = nullptr);

    // Runs one statement (an INSERT, UPDATE or DELETE) once for each of rowCount rows of texts,
    // prepared once; stops at the first failure. fill(row, texts) sets the row's text for each
    // placeholder (nothing binds NULL); the texts are bound without a copy, so they must stay
    // valid until fill is called again. The number of rows changed, or nothing on failure.
    using TextRowFill = std::function<void(std::size_t row, std::vector<std::optional<std::string_view>>& texts)>;
    std::optional<long long> RunEach(std::string_view sql, std::size_t rowCount, const TextRowFill& fill);

    // Sets columns of the row with the given rowid; false when nothing was changed.
    bool UpdateRow(const std::string& table, std::int64_t rowid,
                   const std::vector<std::pair<std::string, Variant>>& values);

    // The columns of every table and view: TABLE_NAME, COLUMN_NAME, ORDINAL_POSITION (from 1),
    // by table name and then position.
    std::optional<ResultSet> SchemaColumns();

    // A transaction holds the connection for the calling thread until it commits or rolls back;
    // other threads wait. Must end on the thread that began it.
    bool BeginTransaction();
    bool CommitTransaction();
    bool RollbackTransaction();

    // Lets this connection's page cache grow to about `bytes` (0: back to the size it had when
    // opened), so that a big table written and read again soon stays in memory. Changes nothing
    // that is stored, and leaves the failure report as it was. False when it could not be set.
    bool SetCacheBytes(std::size_t bytes);

    // The failure report of the calling thread's last operation (empty after a success).
    std::vector<Error> Errors() const;

private:
    // Prepares the one statement of sql for nBinds values (kAnyBinds: any number); null (errors
    // set) when refused.
    sqlite3_stmt* PrepareOne(std::string_view sql, std::size_t nBinds);
    bool BindAll(sqlite3_stmt* st, const std::vector<Variant>& binds);
    void ClearReadCache();
    void ClearErrors();
    void SetError(int code, const std::string& description);
    void SetSqliteError(int code);
    bool EndTransaction(const char* sql);

    mutable std::recursive_mutex mutex_;
    sqlite3* handle_ = nullptr;
    std::atomic<std::uint64_t> generation_{0};  // odd while open; read without the lock
    bool inTransaction_ = false;
    long long openCacheSize_ = 0;  // "PRAGMA cache_size" as opened
    std::map<std::thread::id, std::vector<Error>> errors_;
    std::unordered_map<std::string, sqlite3_stmt*> readCache_;  // ForEachRow's statements
};

}  // namespace db
