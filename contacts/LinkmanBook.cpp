#include "contacts/LinkmanBook.h"

#include "contacts/AdoRecordset.h"
#include "core/Helpers.h"
#include "platform/TextCodec.h"

#include <map>

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
    CAdoRecordset rs;
    rs.SetConnection(conn);
    const int r = rs.Open(sql, 1, 3, 3, values);
    if (r < 0 && keepError) m_strError = conn->GetErrorsText();
    if (r > 0 && rows) {
        while (!rs.IsEOF()) {
            std::vector<std::string> row(read.size());
            for (std::size_t i = 0; i < read.size(); ++i) rs.GetFieldValue(row[i], read[i]);
            rows->push_back(std::move(row));
            rs.MoveNext();
        }
    }
    rs.Close();
    return r;
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
    if (fields.empty()) return rows;
    Run("select " + FieldList(fields) + " from LinkmanTable where DirInfo=? order by 姓名", {path}, &rows, fields);
    return rows;
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
    return InTransaction([&] {
        return Run("delete from DirTable where FatherDir=? and ChildDir=?", {parent, "@" + name}) >= 0 &&
               DeleteBelow(linkman::GroupPath(parent, name));
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
    // One query per group path; a name stands once in a group, the first row counts.
    std::map<std::string, std::map<std::string, std::string, bool (*)(const std::string&, const std::string&)>> byPath;
    const auto less = +[](const std::string& a, const std::string& b) { return db::CompareText(a, b) < 0; };
    std::vector<std::string> out;
    out.reserve(contacts.size());
    for (const auto& [name, path] : contacts) {
        auto it = byPath.find(path);
        if (it == byPath.end()) {
            it = byPath.emplace(path, std::map<std::string, std::string, bool (*)(const std::string&, const std::string&)>(less)).first;
            std::vector<std::vector<std::string>> rows;
            Run("select 姓名,手机号码 from LinkmanTable where DirInfo=?", {path}, &rows, {"姓名", "手机号码"});
            for (auto& r : rows) it->second.emplace(std::move(r[0]), std::move(r[1]));
        }
        const auto found = it->second.find(name);
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
