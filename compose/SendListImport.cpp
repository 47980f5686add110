#include "compose/SendListImport.h"

#include "contacts/AdoConnection.h"
#include "contacts/AdoRecordset.h"
#include "contacts/AdoValue.h"
#include "core/FileUtil.h"
#include "core/PageGlobals.h"
#include "core/SMSSendingListDlg.h"
#include "platform/Database.h"
#include "platform/TextCodec.h"

#include <algorithm>

namespace sendlist {
namespace {

std::string QuoteIdent(const std::string& name) {
    std::string q = "\"";
    for (char c : name) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

// The stored text of a value: its text; nothing for NULL, empty, bytes and an empty text.
// Texts are viewed in place; other values are written into scratch.
std::optional<std::string_view> StoredText(const db::Variant& v, std::string& scratch) {
    switch (v.type) {
    case db::VarType::Null:
    case db::VarType::Empty: return std::nullopt;
    case db::VarType::Text:
        if (v.s.empty()) return std::nullopt;
        return std::string_view(v.s);
    default: {
        std::optional<std::string> t = AdoVariantToText(v);
        if (!t || t->empty()) return std::nullopt;
        scratch = std::move(*t);
        return std::string_view(scratch);
    }
    }
}

// A page cache that holds the whole work table: its texts, with room for the record and page
// overhead, within bounds.
std::size_t WorkTableCacheBytes(const ftable::Table& table) {
    std::size_t bytes = 0;
    for (const auto& row : table.rows)
        for (const db::Variant& v : row) bytes += v.s.size() + 16;
    return std::clamp<std::size_t>(bytes + bytes / 2, std::size_t{4} << 20, std::size_t{512} << 20);
}

// The read-back of the work table.
constexpr const char* kReadBack = "select * from temp ";

// Makes queue rows of (number, content) pairs as they come and queues them at the end, with ids
// from one reservation for all pairs: rows without a number are left out, contents are cut and
// get the rule's suffix.
class PairQueuer {
public:
    explicit PairQueuer(const QueueRule& rule) : m_rule(rule), m_suffixLength(codec::GbkLength(rule.suffix)) {}

    void Add(std::string_view number, std::string_view content) {
        ++m_pairs;
        if (number.empty()) return;
        std::size_t length = 0;
        const std::size_t cut = codec::GbkPrefixLength(content, m_rule.cutBytes, &length);
        std::string text;
        text.reserve(cut + m_rule.suffix.size());
        text.append(content.substr(0, cut)).append(m_rule.suffix);
        m_items.push_back({0, std::string(number), {}, std::move(text), length + m_suffixLength});
    }
    // The number queued.
    int Finish() {
        CSMSSendingListDlg* queue = g_pSMSSendingListDlg;
        if (!queue) return 0;
        int id = CFileUtil::GetNextSerial(static_cast<int>(m_pairs) + 1);
        for (PendingQueues::SmsItem& item : m_items) item.id = id++;
        return static_cast<int>(queue->Queues().AddSMSItems(std::move(m_items)));
    }

private:
    const QueueRule& m_rule;
    const std::size_t m_suffixLength;
    std::size_t m_pairs = 0;
    std::vector<PendingQueues::SmsItem> m_items;
};

}  // namespace

void DropWorkTable(CAdoConnection& conn) {
    const std::shared_ptr<db::Database> dbc = conn.GetConnection();
    // The table's pages go to the free list as they are, for the next import to fill: zeroing
    // them first (SQLite's secure delete, on in this build) would write the whole table twice
    // more. Only this drop runs so; the setting is put back in the same transaction.
    std::optional<db::ResultSet> secure;
    const bool inTrans = dbc && conn.BeginTrans() == 1;
    if (inTrans) {
        secure = dbc->Run("PRAGMA secure_delete");
        if (secure && (secure->rows.empty() || secure->rows[0].empty() || !dbc->Run("PRAGMA secure_delete=0")))
            secure.reset();
    }
    CAdoRecordset rs;
    rs.SetConnection(&conn);
    rs.Open("drop table temp", 1, 3, 3);
    rs.Close();
    if (secure) dbc->Run("PRAGMA secure_delete=" + std::to_string(secure->rows[0][0].i));
    if (inTrans) conn.CommitTrans();
    if (dbc) dbc->SetCacheBytes(0);  // the cache CopyToWorkTable grew
}

bool CopyToWorkTable(CAdoConnection& conn, const ftable::Table& table) {
    const std::shared_ptr<db::Database> dbc = conn.GetConnection();
    if (!dbc || table.columns.empty()) return false;
    std::string create = "CREATE TABLE \"temp\" (";
    std::string insert = "INSERT INTO \"temp\" VALUES (";
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        if (c) {
            create += ", ";
            insert += ",";
        }
        create += QuoteIdent(table.columns[c]) + " TEXT COLLATE " + db::kTextCollation;
        insert += "?";
    }
    create += ")";
    insert += ")";
    std::vector<std::string> scratch(table.columns.size());
    const auto fill = [&](std::size_t r, std::vector<std::optional<std::string_view>>& texts) {
        const std::vector<db::Variant>& src = table.rows[r];
        for (std::size_t c = 0; c < texts.size() && c < src.size(); ++c) texts[c] = StoredText(src[c], scratch[c]);
    };
    // The table stays in the connection's cache from here to its drop, so it is written without
    // spilling and read back from memory.
    dbc->SetCacheBytes(WorkTableCacheBytes(table));
    if (conn.BeginTrans() == 1) {
        if (dbc->Run(create) && dbc->RunEach(insert, table.rows.size(), fill)) {
            if (conn.CommitTrans() == 1) return true;
        } else {
            conn.RollbackTrans();
        }
    }
    dbc->SetCacheBytes(0);
    return false;
}

std::vector<std::string> WorkTableColumns(CAdoConnection& conn) {
    std::vector<std::string> names;
    CAdoRecordset rs;
    rs.SetConnection(&conn);
    AdoRecordsetPtr schema = conn.OpenSchema(4);
    if (!schema) return names;
    rs.Attach(schema);
    for (; !rs.IsEOF(); rs.MoveNext()) {
        std::string table, column;
        rs.GetFieldValue(table, "TABLE_NAME");
        rs.GetFieldValue(column, "COLUMN_NAME");
        if (table == "temp") names.push_back(column);
    }
    rs.Close();
    return names;
}

std::string ValueText(const db::Variant& v) {
    if (v.type == db::VarType::Null || v.type == db::VarType::Empty) return {};
    return codec::TrimAsciiSpace(AdoVariantToText(v).value_or(std::string()));
}

int QueuePairs(const std::vector<std::pair<std::string, std::string>>& pairs, const QueueRule& rule) {
    PairQueuer queuer(rule);
    for (const auto& [number, content] : pairs) queuer.Add(number, content);
    return queuer.Finish();
}

bool ReadBackWorkTable(CAdoConnection& conn) {
    const std::shared_ptr<db::Database> dbc = conn.GetConnection();
    return dbc && dbc->ForEachRow(kReadBack, {}, [](const std::vector<std::string_view>&) {});
}

int QueueWorkTable(CAdoConnection& conn, const std::string& numberField, const std::string& contentField,
                   const QueueRule& rule) {
    const std::shared_ptr<db::Database> dbc = conn.GetConnection();
    if (!dbc) return -1;
    // Each field as the recordset reads it: trimmed, NULL (and the text "NULL") empty, a field
    // the table lacks empty.
    std::vector<std::string> columns;
    int numberCol = -1, contentCol = -1;
    bool first = true;
    const auto field = [](const std::vector<std::string_view>& row, int col) {
        if (col < 0) return std::string_view();
        std::string_view t = row[static_cast<std::size_t>(col)];
        if (t == "NULL") return std::string_view();
        while (!t.empty() && codec::IsAsciiSpace(t.front())) t.remove_prefix(1);
        while (!t.empty() && codec::IsAsciiSpace(t.back())) t.remove_suffix(1);
        return t;
    };
    PairQueuer queuer(rule);
    const bool ok = dbc->ForEachRow(
        kReadBack, {},
        [&](const std::vector<std::string_view>& row) {
            if (first) {
                numberCol = FieldIndexOf(columns, numberField);
                contentCol = FieldIndexOf(columns, contentField);
                first = false;
            }
            queuer.Add(field(row, numberCol), field(row, contentCol));
        },
        &columns);
    if (!ok) return -1;
    return queuer.Finish();
}

}  // namespace sendlist
