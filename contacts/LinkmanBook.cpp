#include "contacts/LinkmanBook.h"

#include "contacts/AdoRecordset.h"
#include "core/Helpers.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace linkman {

std::string GroupPath(const std::string& parent, const std::string& name) { return parent + "@" + name; }

bool LiesBelow(const std::string& path, const std::string& group) {
    if (path.size() < group.size() || !codec::EqualsIgnoreAsciiCase(std::string_view(path).substr(0, group.size()), group))
        return false;
    return path.size() == group.size() || path[group.size()] == '@';
}

std::string RewriteStart(const std::string& path, const std::string& oldGroup, const std::string& newGroup) {
    if (!LiesBelow(path, oldGroup)) return path;
    return newGroup + path.substr(oldGroup.size());
}

std::string QuoteIdent(const std::string& name) {
    std::string out = "\"";
    for (const char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

}  // namespace linkman

namespace {

using linkman::QuoteIdent;

// Characters (not bytes) of a UTF-8 text: SQLite's substr counts characters.
std::string CharCount(const std::string& s) {
    long n = 0;
    for (const unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return std::to_string(n);
}

// "(col = ? OR substr(col, 1, ?) = ?)": the column lies below the group path bound by Binds.
std::string BelowCondition(const char* col) {
    return std::string("(") + col + "=? OR substr(" + col + ",1,?)=? COLLATE GBK)";
}
std::vector<std::string> BelowBinds(const std::string& group) {
    return {group, CharCount(group + "@"), group + "@"};
}

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && codec::IsAsciiSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && codec::IsAsciiSpace(s.back())) s.remove_suffix(1);
    return s;
}

// A column by name: exact, else with ASCII case folded; -1 when missing.
int FieldIndex(const std::vector<std::string>& names, const std::string& name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int>(i);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (codec::EqualsIgnoreAsciiCase(names[i], name)) return static_cast<int>(i);
    return -1;
}

std::string NameOfChild(const std::string& childDir) {
    return !childDir.empty() && childDir[0] == '@' ? childDir.substr(1) : childDir;
}

std::string FieldList(const std::vector<std::string>& fields) {
    std::string out;
    for (const std::string& f : fields) out += (out.empty() ? "" : ",") + QuoteIdent(f);
    return out;
}

}  // namespace

bool CLinkmanBook::IsOpen() const {
    CAdoConnection* conn = m_pConn.load();
    const auto db = conn ? conn->GetConnection() : nullptr;
    return db && db->IsOpen();
}

std::string CLinkmanBook::ErrorText() const {
    if (!IsOpen()) return "连接数据库失败！";
    return m_strError.empty() ? "连接数据库失败！" : m_strError;
}

int CLinkmanBook::Run(const std::string& sql, const std::vector<std::string>& binds,
                      std::vector<std::vector<std::string>>* rows, const std::vector<std::string>& read,
                      bool keepError) const {
    CAdoConnection* conn = m_pConn.load();
    if (!conn) return -1;
    std::vector<db::Variant> values;
    values.reserve(binds.size());
    for (const std::string& b : binds) values.push_back(db::Variant::Text(b));
    if (!rows) {
        CAdoRecordset rs;
        rs.SetConnection(conn);
        // Read-only: no statement here changes rows through the recordset.
        const int r = rs.Open(sql, 1, 3, 1, values);
        if (r < 0 && keepError) m_strError = conn->GetErrorsText();
        rs.Close();
        return r;
    }
    // Rows are read straight off the statement, each value trimmed as the recordset reads it.
    const std::shared_ptr<db::Database> db = conn->GetConnection();
    std::vector<std::string> names;
    std::vector<int> at;
    const std::size_t before = rows->size();
    const bool ok = db && db->ForEachRow(sql, values, [&](const std::vector<std::string_view>& texts) {
        if (at.empty())
            for (const std::string& f : read) at.push_back(FieldIndex(names, f));
        std::vector<std::string> row(read.size());
        for (std::size_t i = 0; i < read.size(); ++i)
            if (at[i] >= 0) row[i] = TrimView(texts[static_cast<std::size_t>(at[i])]);
        rows->push_back(std::move(row));
    }, &names);
    if (!ok) {
        if (keepError) m_strError = conn->GetErrorsText();
        return -1;
    }
    return rows->size() > before ? 1 : 0;
}

template <typename F> bool CLinkmanBook::InTransaction(F&& fn) {
    CAdoConnection* conn = m_pConn.load();
    if (!conn || !conn->BeginTrans()) return false;
    if (fn()) {
        if (conn->CommitTrans()) return true;
        m_strError = conn->GetErrorsText();
    }
    conn->RollbackTrans();
    return false;
}

std::vector<std::string> CLinkmanBook::ReadFields() const {
    std::vector<std::vector<std::string>> rows;
    Run("select * from LinkmanItemTable order by ItemIndex", {}, &rows, {"LinkmanItem"});
    std::vector<std::string> out;
    for (auto& r : rows) out.push_back(std::move(r[0]));
    return out;
}

std::vector<std::string> CLinkmanBook::SubGroups(const std::string& path, bool ordered) const {
    std::vector<std::vector<std::string>> rows;
    Run(std::string("select ChildDir from DirTable where FatherDir=?") + (ordered ? " order by ChildDir" : ""), {path},
        &rows, {"ChildDir"});
    std::vector<std::string> out;
    for (auto& r : rows) out.push_back(NameOfChild(r[0]));
    return out;
}

std::vector<std::string> CLinkmanBook::AllGroupNames() const {
    std::vector<std::vector<std::string>> rows;
    Run("select ChildDir from DirTable", {}, &rows, {"ChildDir"});
    std::vector<std::string> out;
    for (auto& r : rows)
        if (!r[0].empty()) out.push_back(NameOfChild(r[0]));
    return out;
}

std::vector<std::vector<std::string>> CLinkmanBook::Contacts(const std::string& path,
                                                             const std::vector<std::string>& fields) const {
    std::vector<std::vector<std::string>> rows;
    ForEachContact(path, fields, [&](const std::vector<std::string_view>& texts) {
        rows.emplace_back(texts.begin(), texts.end());
    });
    return rows;
}

bool CLinkmanBook::ForEachContact(const std::string& path, const std::vector<std::string>& fields,
                                  const std::function<void(const std::vector<std::string_view>&)>& fn) const {
    CAdoConnection* ado = m_pConn.load();
    const std::shared_ptr<db::Database> conn = ado ? ado->GetConnection() : nullptr;
    if (fields.empty() || !conn) return false;
    std::vector<std::string_view> trimmed(fields.size());
    const bool ok = conn->ForEachRow("select " + FieldList(fields) + " from LinkmanTable where DirInfo=? order by 姓名",
                                     {db::Variant::Text(path)}, [&](const std::vector<std::string_view>& texts) {
                                         for (std::size_t i = 0; i < trimmed.size(); ++i)
                                             trimmed[i] = TrimView(texts[i]);
                                         fn(trimmed);
                                     });
    if (!ok) m_strError = ado->GetErrorsText();
    return ok;
}

std::vector<std::pair<std::string, std::string>> CLinkmanBook::NamesBelow(const std::string& path) const {
    std::vector<std::vector<std::string>> rows;
    Run("select DirInfo,姓名 from LinkmanTable where " + BelowCondition("DirInfo") + " order by DirInfo,姓名",
        BelowBinds(path), &rows, {"DirInfo", "姓名"});
    std::vector<std::pair<std::string, std::string>> out;
    out.reserve(rows.size());
    for (auto& r : rows) out.emplace_back(std::move(r[0]), std::move(r[1]));
    return out;
}

std::vector<std::pair<std::string, std::string>> CLinkmanBook::GroupsBelow(const std::string& path) const {
    std::vector<std::vector<std::string>> rows;
    Run("select FatherDir,ChildDir from DirTable where " + BelowCondition("FatherDir"), BelowBinds(path), &rows,
        {"FatherDir", "ChildDir"});
    std::vector<std::pair<std::string, std::string>> out;
    out.reserve(rows.size());
    for (auto& r : rows) out.emplace_back(std::move(r[0]), NameOfChild(r[1]));
    return out;
}

std::vector<CLinkmanBook::GroupEntry> CLinkmanBook::GroupTree(const std::string& path) const {
    std::vector<std::pair<std::string, std::string>> groups = GroupsBelow(path);
    // Parents first: a parent's path has fewer levels than its children's.
    const auto depth = [](const std::string& p) { return std::count(p.begin(), p.end(), '@'); };
    std::stable_sort(groups.begin(), groups.end(),
                     [&](const auto& a, const auto& b) { return depth(a.first) < depth(b.first); });
    std::unordered_map<std::string, int> index;  // folded path -> entry
    index.emplace(codec::AsciiLower(path), -1);
    std::vector<GroupEntry> out;
    out.reserve(groups.size());
    for (auto& [father, name] : groups) {
        const auto it = index.find(codec::AsciiLower(father));
        if (it == index.end()) continue;
        std::string own = linkman::GroupPath(father, name);
        index.emplace(codec::AsciiLower(own), static_cast<int>(out.size()));
        out.push_back({std::move(own), std::move(name), it->second});
    }
    return out;
}

bool CLinkmanBook::GroupExists(const std::string& parent, const std::string& name) const {
    return Run("select * from DirTable where FatherDir=? and ChildDir=?", {parent, "@" + name}) > 0;
}

bool CLinkmanBook::AddGroup(const std::string& parent, const std::string& name) {
    return Run("insert into DirTable (FatherDir,ChildDir) values (?,?)",
               {BlankIfEmpty(parent), BlankIfEmpty("@" + name)}) >= 0;
}

bool CLinkmanBook::DeleteBelow(const std::string& groupPath) {
    return Run("delete from DirTable where " + BelowCondition("FatherDir"), BelowBinds(groupPath)) >= 0 &&
           Run("delete from LinkmanTable where " + BelowCondition("DirInfo"), BelowBinds(groupPath)) >= 0;
}

bool CLinkmanBook::DeleteGroup(const std::string& parent, const std::string& name) {
    return DeleteGroups(parent, {name});
}

bool CLinkmanBook::DeleteGroups(const std::string& parent, const std::vector<std::string>& names) {
    return InTransaction([&] {
        for (const std::string& name : names)
            if (Run("delete from DirTable where FatherDir=? and ChildDir=?", {parent, "@" + name}) < 0 ||
                !DeleteBelow(linkman::GroupPath(parent, name)))
                return false;
        return true;
    });
}

bool CLinkmanBook::RewriteBelow(const std::string& oldPath, const std::string& newPath) {
    const std::string from = std::to_string(std::stol(CharCount(oldPath)) + 1);
    for (const char* col : {"FatherDir", "DirInfo"}) {
        const std::string table = std::string(col) == "FatherDir" ? "DirTable" : "LinkmanTable";
        std::vector<std::string> binds = {newPath, from};
        for (std::string& b : BelowBinds(oldPath)) binds.push_back(std::move(b));
        if (Run("update " + table + " set " + col + "=?||substr(" + col + ",?) where " + BelowCondition(col),
                binds) < 0)
            return false;
    }
    return true;
}

bool CLinkmanBook::RenameGroup(const std::string& parent, const std::string& oldName, const std::string& newName) {
    return InTransaction([&] {
        return Run("update DirTable set ChildDir=? where FatherDir=? and ChildDir=?",
                   {"@" + newName, parent, "@" + oldName}) >= 0 &&
               RewriteBelow(linkman::GroupPath(parent, oldName), linkman::GroupPath(parent, newName));
    });
}

bool CLinkmanBook::MoveGroup(const std::string& source, const std::string& name, const std::string& target,
                             bool replace) {
    const std::string s = linkman::GroupPath(source, name);
    const std::string t = linkman::GroupPath(target, name);
    if (linkman::LiesBelow(target, s)) return false;
    if (replace && linkman::LiesBelow(s, t)) return false;
    return InTransaction([&] {
        if (replace && (Run("delete from DirTable where FatherDir=? and ChildDir=?", {target, "@" + name}) < 0 ||
                        !DeleteBelow(t)))
            return false;
        return Run("update DirTable set FatherDir=? where FatherDir=? and ChildDir=?", {target, source, "@" + name}) >= 0 &&
               RewriteBelow(s, t);
    });
}

bool CLinkmanBook::NameTaken(const std::string& path, const std::string& name) const {
    return Run("select 姓名 from LinkmanTable where 姓名=? and DirInfo=? limit 1", {name, path}) > 0;
}

bool CLinkmanBook::NumberTaken(const std::string& path, const std::string& number) const {
    return Run("select * from LinkmanTable where 手机号码=? and DirInfo=?", {number, path}) > 0;
}

bool CLinkmanBook::InsertContact(const std::string& path, const std::vector<std::string>& columns,
                                 const std::vector<std::string>& values) {
    std::string cols = "DirInfo", marks = "?";
    std::vector<std::string> binds = {path};
    for (std::size_t i = 0; i < columns.size(); ++i) {
        cols += "," + QuoteIdent(columns[i]);
        marks += ",?";
        binds.push_back(BlankIfEmpty(i < values.size() ? values[i] : std::string()));
    }
    return Run("insert into LinkmanTable (" + cols + ") values (" + marks + ")", binds) >= 0;
}

bool CLinkmanBook::DeleteContact(const std::string& path, const std::string& name) {
    return Run("delete from LinkmanTable where DirInfo=? and 姓名=?", {path, name}) >= 0;
}

bool CLinkmanBook::DeleteContacts(const std::vector<std::pair<std::string, std::string>>& contacts) {
    return InTransaction([&] {
        for (const auto& [path, name] : contacts)
            if (!DeleteContact(path, name)) return false;
        return true;
    });
}

bool CLinkmanBook::EditContact(const std::string& path, const std::string& oldName,
                               const std::vector<std::string>& columns, const std::vector<std::string>& values) {
    return InTransaction([&] { return DeleteContact(path, oldName) && InsertContact(path, columns, values); });
}

std::optional<std::vector<std::string>> CLinkmanBook::ReadContact(const std::string& path, const std::string& name,
                                                                  const std::vector<std::string>& fields) const {
    std::vector<std::vector<std::string>> rows;
    if (fields.empty() ||
        Run("select " + FieldList(fields) + " from LinkmanTable where DirInfo=? and 姓名=?", {path, name}, &rows,
            fields) <= 0)
        return std::nullopt;
    return std::move(rows.front());
}

bool CLinkmanBook::MoveContact(const std::string& source, const std::string& name, const std::string& target,
                               bool replace) {
    return InTransaction([&] {
        if (replace && !DeleteContact(target, name)) return false;
        return Run("update LinkmanTable set DirInfo=? where DirInfo=? and 姓名=?", {target, source, name}) >= 0;
    });
}

std::string CLinkmanBook::NameOfNumber(const std::string& number) const {
    std::vector<std::vector<std::string>> rows;
    if (!IsOpen()) return {};
    // No error text kept: it belongs to the UI thread's operations.
    Run("select 姓名 from LinkmanTable where 手机号码=? limit 1", {number}, &rows, {"姓名"}, false);
    return rows.empty() ? std::string() : rows.front()[0];
}

std::vector<std::string> CLinkmanBook::NumbersOf(
    const std::vector<std::pair<std::string, std::string>>& contacts) const {
    // One query per group path; a name stands once in a group, the first row counts. Names are
    // equal under the text collation exactly when their ASCII-folded texts are, so that folding
    // is the key of a hash map: one pass over the rows, no collation call per look-up.
    std::map<std::string, std::unordered_map<std::string, std::string>> byPath;
    std::vector<std::string> out;
    out.reserve(contacts.size());
    for (const auto& [name, path] : contacts) {
        auto it = byPath.find(path);
        if (it == byPath.end()) {
            it = byPath.emplace(path, std::unordered_map<std::string, std::string>()).first;
            std::vector<std::vector<std::string>> rows;
            Run("select 姓名,手机号码 from LinkmanTable where DirInfo=?", {path}, &rows, {"姓名", "手机号码"});
            it->second.reserve(rows.size());
            for (auto& r : rows) it->second.emplace(codec::AsciiLower(r[0]), std::move(r[1]));
        }
        const auto found = it->second.find(codec::AsciiLower(name));
        if (found != it->second.end()) out.push_back(found->second);
    }
    return out;
}

std::vector<LinkmanRow> CLinkmanBook::Search(bool withScope, const std::string& scope,
                                             const std::vector<std::string>& fields,
                                             const std::vector<std::string>& values) const {
    std::string where;
    std::vector<std::string> binds;
    if (withScope) {
        where = "DirInfo like ?";
        binds.push_back("%" + scope + "%");
    }
    for (std::size_t i = 0; i < fields.size() && i < values.size(); ++i) {
        if (values[i] == " " || values[i].empty()) continue;
        where += (where.empty() ? "" : " and ") + QuoteIdent(fields[i]) + " like ?";
        binds.push_back("%" + values[i] + "%");
    }
    std::vector<LinkmanRow> out;
    if (where.empty() || fields.empty()) return out;
    std::vector<std::string> read = fields;
    read.push_back("DirInfo");
    std::vector<std::vector<std::string>> rows;
    Run("select " + FieldList(fields) + ",DirInfo from LinkmanTable where " + where + " order by 姓名", binds, &rows,
        read);
    out.reserve(rows.size());
    for (auto& r : rows) {
        LinkmanRow row;
        row.dir = std::move(r.back());
        r.pop_back();
        row.values = std::move(r);
        out.push_back(std::move(row));
    }
    return out;
}
