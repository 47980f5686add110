#include "compose/SendListImport.h"

#include "contacts/AdoConnection.h"
#include "contacts/AdoRecordset.h"
#include "contacts/AdoValue.h"
#include "core/FileUtil.h"
#include "core/PageGlobals.h"
#include "core/SMSSendingListDlg.h"
#include "platform/Database.h"
#include "platform/TextCodec.h"

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

// The stored form of a value: its text, NULL for NULL, empty and bytes.
db::Variant StoredValue(const db::Variant& v) {
    if (v.type == db::VarType::Null || v.type == db::VarType::Empty) return db::Variant::Null();
    std::optional<std::string> t = AdoVariantToText(v);
    if (!t || t->empty()) return db::Variant::Null();
    return db::Variant::Text(std::move(*t));
}

}  // namespace

void DropWorkTable(CAdoConnection& conn) {
    CAdoRecordset rs;
    rs.SetConnection(&conn);
    rs.Open("drop table temp", 1, 3, 3);
    rs.Close();
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
    std::vector<std::vector<db::Variant>> rows;
    rows.reserve(table.rows.size());
    for (const auto& src : table.rows) {
        std::vector<db::Variant> row;
        row.reserve(table.columns.size());
        for (std::size_t c = 0; c < table.columns.size(); ++c)
            row.push_back(c < src.size() ? StoredValue(src[c]) : db::Variant::Null());
        rows.push_back(std::move(row));
    }
    if (conn.BeginTrans() != 1) return false;
    if (!dbc->Run(create) || !dbc->RunEach(insert, rows)) {
        conn.RollbackTrans();
        return false;
    }
    return conn.CommitTrans() == 1;
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
    CSMSSendingListDlg* queue = g_pSMSSendingListDlg;
    if (!queue) return 0;
    int id = CFileUtil::GetNextSerial(static_cast<int>(pairs.size()) + 1);
    std::vector<PendingQueues::SmsItem> items;
    items.reserve(pairs.size());
    for (const auto& [number, content] : pairs) {
        if (number.empty()) continue;
        std::string text = codec::CutToGbkBytes(content, rule.cutBytes);
        text += rule.suffix;
        items.push_back({id++, number, {}, std::move(text)});
    }
    const int queued = static_cast<int>(queue->Queues().AddSMSItems(std::move(items)));
    return queued;
}

int QueueWorkTable(CAdoConnection& conn, const std::string& numberField, const std::string& contentField,
                   const QueueRule& rule) {
    CAdoRecordset rs;
    rs.SetConnection(&conn);
    if (rs.Open("select * from temp ", 1, 3, 3) < 0) return -1;
    std::vector<std::pair<std::string, std::string>> pairs;
    pairs.reserve(static_cast<std::size_t>(std::max(0L, rs.GetRecordCount())));
    for (; !rs.IsEOF(); rs.MoveNext()) {
        std::string number, content;
        rs.GetFieldValue(number, numberField);
        rs.GetFieldValue(content, contentField);
        pairs.emplace_back(std::move(number), std::move(content));
    }
    rs.Close();
    return QueuePairs(pairs, rule);
}

}  // namespace sendlist
