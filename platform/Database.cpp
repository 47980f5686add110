#include "platform/Database.h"

#include "platform/AppPath.h"
#include "platform/TextCodec.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace db {
namespace {

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

int CompareBytes(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CollationCallback(void*, int n1, const void* p1, int n2, const void* p2) {
    return CompareText(std::string_view(static_cast<const char*>(p1), static_cast<std::size_t>(n1)),
                       std::string_view(static_cast<const char*>(p2), static_cast<std::size_t>(n2)));
}

const char* PrimaryCodeName(int code) {
    switch (code & 0xFF) {
    case SQLITE_OK: return "SQLITE_OK";
    case SQLITE_ERROR: return "SQLITE_ERROR";
    case SQLITE_INTERNAL: return "SQLITE_INTERNAL";
    case SQLITE_PERM: return "SQLITE_PERM";
    case SQLITE_ABORT: return "SQLITE_ABORT";
    case SQLITE_BUSY: return "SQLITE_BUSY";
    case SQLITE_LOCKED: return "SQLITE_LOCKED";
    case SQLITE_NOMEM: return "SQLITE_NOMEM";
    case SQLITE_READONLY: return "SQLITE_READONLY";
    case SQLITE_INTERRUPT: return "SQLITE_INTERRUPT";
    case SQLITE_IOERR: return "SQLITE_IOERR";
    case SQLITE_CORRUPT: return "SQLITE_CORRUPT";
    case SQLITE_NOTFOUND: return "SQLITE_NOTFOUND";
    case SQLITE_FULL: return "SQLITE_FULL";
    case SQLITE_CANTOPEN: return "SQLITE_CANTOPEN";
    case SQLITE_PROTOCOL: return "SQLITE_PROTOCOL";
    case SQLITE_SCHEMA: return "SQLITE_SCHEMA";
    case SQLITE_TOOBIG: return "SQLITE_TOOBIG";
    case SQLITE_CONSTRAINT: return "SQLITE_CONSTRAINT";
    case SQLITE_MISMATCH: return "SQLITE_MISMATCH";
    case SQLITE_MISUSE: return "SQLITE_MISUSE";
    case SQLITE_RANGE: return "SQLITE_RANGE";
    case SQLITE_NOTADB: return "SQLITE_NOTADB";
    default: return "SQLITE_ERROR";
    }
}

// Skips blanks and comments from pos.
std::size_t SkipSpaceAndComments(std::string_view s, std::size_t pos) {
    while (pos < s.size()) {
        if (codec::IsAsciiSpace(s[pos])) {
            ++pos;
        } else if (s.compare(pos, 2, "--") == 0) {
            while (pos < s.size() && s[pos] != '\n') ++pos;
        } else if (s.compare(pos, 2, "/*") == 0) {
            const std::size_t end = s.find("*/", pos + 2);
            pos = end == std::string_view::npos ? s.size() : end + 2;
        } else {
            break;
        }
    }
    return pos;
}

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

// Where " _rowid_," can go into a plain SELECT so that each row carries its rowid: right after
// the leading "select" (or "select all"). npos for anything that groups, merges or removes
// rows, where a rowid would change the result.
std::size_t RowidInsertPos(std::string_view sql) {
    std::size_t pos = SkipSpaceAndComments(sql, 0);
    std::vector<std::string> words;
    std::vector<std::size_t> wordEnds;
    while (pos < sql.size()) {
        const char c = sql[pos];
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : c;
            std::size_t p = pos + 1;
            while (p < sql.size()) {
                if (sql[p] == close) {
                    if (close != ']' && p + 1 < sql.size() && sql[p + 1] == close) {
                        p += 2;
                        continue;
                    }
                    break;
                }
                ++p;
            }
            pos = p + 1;
        } else if (IsWordChar(c)) {
            std::size_t p = pos;
            while (p < sql.size() && IsWordChar(sql[p])) ++p;
            words.push_back(codec::AsciiLower(sql.substr(pos, p - pos)));
            wordEnds.push_back(p);
            pos = p;
        } else if (sql.compare(pos, 2, "--") == 0 || sql.compare(pos, 2, "/*") == 0) {
            pos = SkipSpaceAndComments(sql, pos);
        } else {
            ++pos;
        }
    }
    if (words.empty() || words[0] != "select") return std::string_view::npos;
    for (const std::string& w : words)
        if (w == "distinct" || w == "group" || w == "union" || w == "intersect" || w == "except" ||
            w == "window" || w == "having")
            return std::string_view::npos;
    // "order by 1" names a result column by its place, which a leading rowid would shift.
    for (std::size_t k = 0; k + 1 < words.size(); ++k) {
        if (words[k] != "order" || words[k + 1] != "by") continue;
        for (std::size_t j = k + 2; j < words.size() && words[j] != "limit" && words[j] != "offset"; ++j)
            if (words[j].find_first_not_of("0123456789") == std::string::npos) return std::string_view::npos;
    }
    if (words.size() > 1 && words[1] == "all") return wordEnds[1];
    return wordEnds[0];
}

const char* ColumnTable(sqlite3_stmt* st, int col) {
    const char* dbName = sqlite3_column_database_name(st, col);
    if (!dbName || std::strcmp(dbName, "main") != 0) return nullptr;
    return sqlite3_column_table_name(st, col);
}

// The one table every column of a SELECT comes from; empty when there is none.
std::string SingleTable(sqlite3_stmt* st, int firstCol) {
    const int n = sqlite3_column_count(st);
    if (n <= firstCol) return {};
    std::string table;
    for (int c = firstCol; c < n; ++c) {
        const char* t = ColumnTable(st, c);
        if (!t) return {};
        if (c == firstCol) table = t;
        else if (table != t) return {};
    }
    return table;
}

Variant ReadColumn(sqlite3_stmt* st, int col) {
    switch (sqlite3_column_type(st, col)) {
    case SQLITE_INTEGER: return Variant::Int64(sqlite3_column_int64(st, col));
    case SQLITE_FLOAT: return Variant::Double(sqlite3_column_double(st, col));
    case SQLITE_TEXT: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
        return Variant::Text(std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, col))));
    }
    case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(st, col));
        return Variant::Blob(std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, col))));
    }
    default: return Variant::Null();
    }
}

int Bind(sqlite3_stmt* st, int idx, const Variant& v) {
    switch (v.type) {
    case VarType::Empty:
    case VarType::Null: return sqlite3_bind_null(st, idx);
    case VarType::Int8:
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
    case VarType::Bool: return sqlite3_bind_int64(st, idx, v.i);
    case VarType::UInt8:
    case VarType::UInt16:
    case VarType::UInt32:
    case VarType::UInt64:
        if (v.u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            const std::string t = std::to_string(v.u);
            return sqlite3_bind_text(st, idx, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
        }
        return sqlite3_bind_int64(st, idx, static_cast<std::int64_t>(v.u));
    case VarType::Float:
    case VarType::Double:
    case VarType::Date: return sqlite3_bind_double(st, idx, v.d);
    case VarType::Currency: return sqlite3_bind_double(st, idx, static_cast<double>(v.i) / 10000.0);
    case VarType::Decimal: {
        const double x = (static_cast<double>(v.dec.lo64) + static_cast<double>(v.dec.hi32) * 18446744073709551616.0) /
                         std::pow(10.0, v.dec.scale);
        return sqlite3_bind_double(st, idx, v.dec.negative ? -x : x);
    }
    case VarType::Text:
        return sqlite3_bind_text(st, idx, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
    case VarType::Blob:
        return sqlite3_bind_blob(st, idx, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
    }
    return sqlite3_bind_null(st, idx);
}

std::string QuoteIdent(std::string_view name) {
    std::string r = "\"";
    for (char c : name) {
        if (c == '"') r += '"';
        r += c;
    }
    r += '"';
    return r;
}

// PrepareOne's count for a statement whose values are bound as it runs.
constexpr std::size_t kAnyBinds = static_cast<std::size_t>(-1);

struct Stmt {
    sqlite3_stmt* p = nullptr;
    ~Stmt() { sqlite3_finalize(p); }
};

}  // namespace

std::map<std::string, std::string> ParseConnectionString(std::string_view text) {
    std::map<std::string, std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t eq = text.find('=', pos);
        const std::size_t semi = text.find(';', pos);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            if (semi == std::string_view::npos) break;
            pos = semi + 1;  // a part without "=" is skipped
            continue;
        }
        const std::string key = codec::AsciiLower(codec::TrimAsciiSpace(text.substr(pos, eq - pos)));
        std::size_t v = eq + 1;
        while (v < text.size() && codec::IsAsciiSpace(text[v])) ++v;
        std::string value;
        if (v < text.size() && (text[v] == '"' || text[v] == '\'')) {
            const char q = text[v];
            std::size_t p = v + 1;
            while (p < text.size()) {
                if (text[p] == q) {
                    if (p + 1 < text.size() && text[p + 1] == q) {
                        value += q;
                        p += 2;
                        continue;
                    }
                    break;
                }
                value += text[p++];
            }
            const std::size_t next = text.find(';', p);
            pos = next == std::string_view::npos ? text.size() : next + 1;
        } else {
            const std::size_t end = semi == std::string_view::npos ? text.size() : semi;
            value = codec::TrimAsciiSpace(text.substr(v, end - v));
            pos = end + 1;
        }
        if (!key.empty()) out[key] = value;
    }
    return out;
}

std::string DataSourcePath(std::string_view connectionString) {
    const auto pairs = ParseConnectionString(connectionString);
    const auto it = pairs.find("data source");
    if (it == pairs.end() || it->second.empty()) return {};
    return paths::ToFsPath(it->second);
}

int CompareText(std::string_view a, std::string_view b) {
    if (a == b) return 0;  // the common case of an index scan for one value, without conversions
    const std::string la = codec::AsciiLower(a);
    const std::string lb = codec::AsciiLower(b);
    if (IsAscii(la) && IsAscii(lb)) return CompareBytes(la, lb);
    const int c = CompareBytes(codec::ToGbk(la), codec::ToGbk(lb));
    if (c != 0) return c;
    // Characters GBK cannot hold all become "?"; keep such texts apart.
    return CompareBytes(la, lb);
}

int RegisterTextCollation(sqlite3* handle) {
    return sqlite3_create_collation_v2(handle, kTextCollation, SQLITE_UTF8, nullptr, CollationCallback, nullptr);
}

Database::Database() = default;

Database::~Database() { Close(); }

void Database::ClearErrors() { errors_.erase(std::this_thread::get_id()); }

void Database::SetError(int code, const std::string& description) {
    errors_[std::this_thread::get_id()] = {Error{description, PrimaryCodeName(code), code, "SQLite"}};
}

void Database::SetSqliteError(int code) {
    SetError(code, handle_ ? sqlite3_errmsg(handle_) : sqlite3_errstr(code));
}

bool Database::Open(const std::string& fsPath) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    ClearErrors();
    if (handle_) {
        SetError(SQLITE_MISUSE, "the connection is already open");
        return false;
    }
    if (fsPath.empty() || !paths::FileExists(fsPath) || paths::IsDirectory(fsPath)) {
        SetError(SQLITE_CANTOPEN, "unable to open database file: " + fsPath);
        return false;
    }
    if (paths::FileSize(fsPath) <= 0) {
        SetError(SQLITE_NOTADB, "file is not a database: " + fsPath);
        return false;
    }
    sqlite3* h = nullptr;
    int rc = sqlite3_open_v2(fsPath.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(h, 1);
        sqlite3_busy_timeout(h, 2000);
        rc = RegisterTextCollation(h);
    }
    if (rc == SQLITE_OK) rc = sqlite3_exec(h, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        SetError(rc, h ? sqlite3_errmsg(h) : sqlite3_errstr(rc));
        sqlite3_close_v2(h);
        return false;
    }
    handle_ = h;
    ++generation_;
    openCacheSize_ = 0;
    sqlite3_exec(
        h, "PRAGMA cache_size",
        [](void* out, int n, char** values, char**) {
            if (n == 1 && values[0]) *static_cast<long long*>(out) = std::atoll(values[0]);
            return 0;
        },
        &openCacheSize_, nullptr);
    return true;
}

bool Database::SetCacheBytes(std::size_t bytes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!handle_) return false;
    // A negative size counts KiB.
    const long long size = bytes == 0 ? openCacheSize_ : -static_cast<long long>((bytes + 1023) / 1024);
    const std::string sql = "PRAGMA cache_size=" + std::to_string(size);
    return sqlite3_exec(handle_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Database::Close() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    ClearErrors();
    if (!handle_) return false;
    if (inTransaction_) {
        sqlite3_exec(handle_, "ROLLBACK", nullptr, nullptr, nullptr);
        inTransaction_ = false;
        mutex_.unlock();  // the hold taken by BeginTransaction
    }
    ClearReadCache();
    sqlite3_close_v2(handle_);
    handle_ = nullptr;
    ++generation_;
    return true;
}

bool Database::IsOpen() const { return (generation_.load() & 1) != 0; }

std::uint64_t Database::Generation() const { return generation_.load(); }

static std::string PlaceholderText(std::size_t placeholders, std::size_t values) {
    return "the statement has " + std::to_string(placeholders) + " placeholders but " + std::to_string(values) +
           " values were given";
}

sqlite3_stmt* Database::PrepareOne(std::string_view sql, std::size_t nBinds) {
    if (!handle_) {
        SetError(SQLITE_MISUSE, "the connection is not open");
        return nullptr;
    }
    if (sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        SetError(SQLITE_TOOBIG, "statement too long");
        return nullptr;
    }
    Stmt st;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(handle_, sql.data(), static_cast<int>(sql.size()), &st.p, &tail);
    if (rc != SQLITE_OK) {
        SetSqliteError(rc);
        return nullptr;
    }
    if (!st.p) {
        SetError(SQLITE_ERROR, "the statement text is empty");
        return nullptr;
    }
    const std::string_view rest = sql.substr(static_cast<std::size_t>(tail - sql.data()));
    if (SkipSpaceAndComments(rest, 0) < rest.size()) {
        // Anything but blanks, comments and ";" after the first statement is refused.
        Stmt second;
        const int rc2 = sqlite3_prepare_v2(handle_, rest.data(), static_cast<int>(rest.size()), &second.p, nullptr);
        if (rc2 != SQLITE_OK || second.p || rest.find('\0') != std::string_view::npos) {
            SetError(SQLITE_ERROR, "only one statement may be run at a time");
            return nullptr;
        }
    }
    const int nParams = sqlite3_bind_parameter_count(st.p);
    if (nBinds != kAnyBinds && static_cast<std::size_t>(nParams) != nBinds) {
        SetError(SQLITE_RANGE, PlaceholderText(static_cast<std::size_t>(nParams), nBinds));
        return nullptr;
    }
    sqlite3_stmt* out = st.p;
    st.p = nullptr;
    return out;
}

void Database::ClearReadCache() {
    for (auto& [sql, st] : readCache_) sqlite3_finalize(st);
    readCache_.clear();
}

bool Database::BindAll(sqlite3_stmt* st, const std::vector<Variant>& binds) {
    for (std::size_t i = 0; i < binds.size(); ++i) {
        const int rc = Bind(st, static_cast<int>(i) + 1, binds[i]);
        if (rc != SQLITE_OK) {
            SetSqliteError(rc);
            return false;
        }
    }
    return true;
}

bool Database::ForEachRow(std::string_view sql, const std::vector<Variant>& binds,
                          const std::function<void(const std::vector<std::string_view>&)>& fn,
                          std::vector<std::string>* columns) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    ClearErrors();
    // Kept prepared for the next run of the same text; reset and unbound after each run.
    auto it = readCache_.find(std::string(sql));
    if (it == readCache_.end()) {
        sqlite3_stmt* p = PrepareOne(sql, binds.size());
        if (!p) return false;
        if (readCache_.size() >= 64) ClearReadCache();
        it = readCache_.emplace(std::string(sql), p).first;
    } else if (static_cast<std::size_t>(sqlite3_bind_parameter_count(it->second)) != binds.size()) {
        SetError(SQLITE_RANGE, PlaceholderText(static_cast<std::size_t>(sqlite3_bind_parameter_count(it->second)), binds.size()));
        return false;
    }
    struct Done {
        sqlite3_stmt* p;
        ~Done() {
            sqlite3_reset(p);
            sqlite3_clear_bindings(p);
        }
    } st{it->second};
    if (!BindAll(st.p, binds)) return false;
    const int nCols = sqlite3_column_count(st.p);
    if (columns) {
        columns->clear();
        for (int c = 0; c < nCols; ++c) {
            const char* name = sqlite3_column_name(st.p, c);
            columns->push_back(name ? name : "");
        }
    }
    std::vector<std::string_view> row(static_cast<std::size_t>(nCols));
    int rc;
    while ((rc = sqlite3_step(st.p)) == SQLITE_ROW) {
        for (int c = 0; c < nCols; ++c) {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st.p, c));
            row[static_cast<std::size_t>(c)] =
                p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(st.p, c))) : std::string_view();
        }
        fn(row);
    }
    if (rc != SQLITE_DONE) {
        SetSqliteError(rc);
        return false;
    }
    return true;
}

std::optional<ResultSet> Database::Run(std::string_view sql, const std::vector<Variant>& binds, bool wantRowids) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    ClearErrors();
    Stmt st;
    st.p = PrepareOne(sql, binds.size());
    if (!st.p) return std::nullopt;
    const int nParams = static_cast<int>(binds.size());
    int rc;

    ResultSet result;
    int firstCol = 0;
    if (wantRowids && sqlite3_stmt_readonly(st.p)) {
        const std::string table = SingleTable(st.p, 0);
        const std::size_t at = table.empty() ? std::string_view::npos : RowidInsertPos(sql);
        if (at != std::string_view::npos) {
            std::string withRowid(sql.substr(0, at));
            withRowid += " _rowid_,";
            withRowid += sql.substr(at);
            Stmt aug;
            const int n = sqlite3_column_count(st.p);
            if (sqlite3_prepare_v2(handle_, withRowid.c_str(), static_cast<int>(withRowid.size()), &aug.p,
                                   nullptr) == SQLITE_OK &&
                aug.p && sqlite3_column_count(aug.p) == n + 1 && SingleTable(aug.p, 0) == table &&
                std::strcmp(sqlite3_column_origin_name(aug.p, 0), "rowid") == 0 &&
                sqlite3_bind_parameter_count(aug.p) == nParams) {
                bool same = true;
                for (int c = 0; c < n && same; ++c)
                    same = std::strcmp(sqlite3_column_origin_name(st.p, c), sqlite3_column_origin_name(aug.p, c + 1)) == 0;
                if (same) {
                    std::swap(st.p, aug.p);
                    firstCol = 1;
                    result.table = table;
                }
            }
        }
    }
    if (!BindAll(st.p, binds)) return std::nullopt;
    const int nCols = sqlite3_column_count(st.p);
    for (int c = firstCol; c < nCols; ++c) {
        const char* name = sqlite3_column_name(st.p, c);
        result.columns.push_back(name ? name : "");
        if (result.Updatable()) result.originColumns.push_back(sqlite3_column_origin_name(st.p, c));
    }
    while ((rc = sqlite3_step(st.p)) == SQLITE_ROW) {
        std::vector<Variant> row;
        row.reserve(static_cast<std::size_t>(nCols - firstCol));
        for (int c = firstCol; c < nCols; ++c) row.push_back(ReadColumn(st.p, c));
        result.rows.push_back(std::move(row));
        if (firstCol == 1) result.rowids.push_back(sqlite3_column_int64(st.p, 0));
    }
    if (rc != SQLITE_DONE) {
        SetSqliteError(rc);
        return std::nullopt;
    }
    if (!sqlite3_stmt_readonly(st.p)) result.changes = sqlite3_changes(handle_);
    return result;
}

std::optional<long long> Database::RunEach(std::string_view sql, std::size_t rowCount, const TextRowFill& fill) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    ClearErrors();
    Stmt st;
    st.p = PrepareOne(sql, kAnyBinds);
    if (!st.p) return std::nullopt;
    if (sqlite3_stmt_readonly(st.p)) {
        SetError(SQLITE_ERROR, "one changing statement is run for each row");
        return std::nullopt;
    }
    const int nParams = sqlite3_bind_parameter_count(st.p);
    std::vector<std::optional<std::string_view>> texts;
    long long changes = 0;
    for (std::size_t r = 0; r < rowCount; ++r) {
        texts.assign(static_cast<std::size_t>(nParams), std::nullopt);
        fill(r, texts);
        sqlite3_reset(st.p);
        for (int k = 0; k < nParams; ++k) {
            const std::optional<std::string_view>& t = texts[static_cast<std::size_t>(k)];
            if (t && t->size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
                SetError(SQLITE_TOOBIG, "string or blob too big");
                return std::nullopt;
            }
            const int rc = t ? sqlite3_bind_text(st.p, k + 1, t->data(), static_cast<int>(t->size()), SQLITE_STATIC)
                             : sqlite3_bind_null(st.p, k + 1);
            if (rc != SQLITE_OK) {
                SetSqliteError(rc);
                return std::nullopt;
            }
        }
        int rc;
        while ((rc = sqlite3_step(st.p)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) {
            SetSqliteError(rc);
            return std::nullopt;
        }
        changes += sqlite3_changes(handle_);
    }
    return changes;
}

bool Database::UpdateRow(const std::string& table, std::int64_t rowid,
                         const std::vector<std::pair<std::string, Variant>>& values) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (values.empty()) {
        ClearErrors();
        return true;
    }
    std::string sql = "UPDATE " + QuoteIdent(table) + " SET ";
    std::vector<Variant> binds;
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (k) sql += ",";
        sql += QuoteIdent(values[k].first) + "=?";
        binds.push_back(values[k].second);
    }
    sql += " WHERE _rowid_=?";
    binds.push_back(Variant::Int64(rowid));
    const auto r = Run(sql, binds);
    if (!r) return false;
    if (r->changes != 1) {
        SetError(SQLITE_NOTFOUND, "the row to update no longer exists");
        return false;
    }
    return true;
}

std::optional<ResultSet> Database::SchemaColumns() {
    return Run("SELECT m.name AS TABLE_NAME, p.name AS COLUMN_NAME, p.cid + 1 AS ORDINAL_POSITION "
               "FROM sqlite_schema AS m JOIN pragma_table_info(m.name) AS p "
               "WHERE m.type IN ('table','view') AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
               "ORDER BY m.name COLLATE GBK, p.cid");
}

bool Database::BeginTransaction() {
    mutex_.lock();
    ClearErrors();
    if (!handle_ || inTransaction_) {
        SetError(SQLITE_MISUSE, handle_ ? "a transaction is already open" : "the connection is not open");
        mutex_.unlock();
        return false;
    }
    const int rc = sqlite3_exec(handle_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        SetSqliteError(rc);
        mutex_.unlock();
        return false;
    }
    inTransaction_ = true;
    return true;  // the lock stays held until the transaction ends
}

bool Database::EndTransaction(const char* sql) {
    bool ok = false;
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        ClearErrors();
        if (!inTransaction_) {
            SetError(SQLITE_MISUSE, "no transaction is open");
            return false;
        }
        const int rc = sqlite3_exec(handle_, sql, nullptr, nullptr, nullptr);
        ok = rc == SQLITE_OK;
        if (!ok) {
            SetSqliteError(rc);
            if (sqlite3_get_autocommit(handle_) == 0) sqlite3_exec(handle_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        inTransaction_ = false;
    }
    mutex_.unlock();  // the hold taken by BeginTransaction
    return ok;
}

bool Database::CommitTransaction() { return EndTransaction("COMMIT"); }

bool Database::RollbackTransaction() { return EndTransaction("ROLLBACK"); }

std::vector<Error> Database::Errors() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto it = errors_.find(std::this_thread::get_id());
    return it == errors_.end() ? std::vector<Error>{} : it->second;
}

}  // namespace db
