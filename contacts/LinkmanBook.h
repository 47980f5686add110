#pragma once
// The address book's statements on "LinkmanBook.mdb": groups as paths ("@通信录@A@B"), their
// contacts, and every read and write the page, its dialogs and the picker issue. No widgets.
// Values are always bound; field names (read from the installed file) are spliced only as
// quoted identifiers. An operation of several statements is one transaction.
#include "contacts/AdoConnection.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace linkman {

// The root group's path, and its name as the scope list shows it.
inline constexpr const char* kRootPath = "@通信录";
inline constexpr const char* kRootName = "通信录";

// "%s@%s": the path of group `name` inside `parent`.
std::string GroupPath(const std::string& parent, const std::string& name);
// True when `path` equals `group` or begins with `group` followed by "@" (ASCII case folded,
// as the database compares texts).
bool LiesBelow(const std::string& path, const std::string& group);
// `path` with its start `oldGroup` replaced by `newGroup`; unchanged when it does not lie below.
std::string RewriteStart(const std::string& path, const std::string& oldGroup, const std::string& newGroup);
// A field name as an SQL identifier: between double quotes, inner ones doubled.
std::string QuoteIdent(const std::string& name);

}  // namespace linkman

// One contact: its group path and one value per field.
struct LinkmanRow {
    std::string dir;
    std::vector<std::string> values;
};

class CLinkmanBook {
public:
    explicit CLinkmanBook(CAdoConnection* conn = nullptr) : m_pConn(conn) {}
    CLinkmanBook(const CLinkmanBook& o) : m_pConn(o.m_pConn.load()), m_strError(o.m_strError) {}
    CLinkmanBook& operator=(const CLinkmanBook& o) {
        m_pConn.store(o.m_pConn.load());
        m_strError = o.m_strError;
        return *this;
    }
    // The connection may be set while another thread looks a number up.
    void SetConnection(CAdoConnection* conn) { m_pConn.store(conn); }
    CAdoConnection* Connection() const { return m_pConn.load(); }
    bool IsOpen() const;

    // The text to show after a failed write: the failed statement's error text, "连接数据库失败！"
    // when the book is not open.
    std::string ErrorText() const;

    // -- reading the structure
    // LinkmanItem of every LinkmanItemTable row, in ItemIndex order.
    std::vector<std::string> ReadFields() const;
    // Names (ChildDir after its "@") of the sub-groups of `path`, in ChildDir order when asked.
    std::vector<std::string> SubGroups(const std::string& path, bool ordered = false) const;
    // Names of every group (empty ChildDir skipped), for the search scope list.
    std::vector<std::string> AllGroupNames() const;
    // The contacts of `path` in 姓名 order: the given fields of each.
    std::vector<std::vector<std::string>> Contacts(const std::string& path,
                                                   const std::vector<std::string>& fields) const;
    // The same, handed to fn row by row (trimmed texts, valid during the call); false when the
    // query failed.
    bool ForEachContact(const std::string& path, const std::vector<std::string>& fields,
                        const std::function<void(const std::vector<std::string_view>&)>& fn) const;
    // Every (path, 姓名) of the groups lying below `path`, grouped by path; for tree fills.
    std::vector<std::pair<std::string, std::string>> NamesBelow(const std::string& path) const;
    // Every (FatherDir, name) below `path` (its own sub-groups and theirs).
    std::vector<std::pair<std::string, std::string>> GroupsBelow(const std::string& path) const;
    // The groups below `path` as a tree: each after its parent (index into the result, -1 for a
    // sub-group of `path` itself), siblings in stored order; a group whose parent has no row is
    // left out. For tree fills, in one query.
    struct GroupEntry {
        std::string path, name;
        int parent;
    };
    std::vector<GroupEntry> GroupTree(const std::string& path) const;

    // -- groups
    bool GroupExists(const std::string& parent, const std::string& name) const;
    bool AddGroup(const std::string& parent, const std::string& name);
    // Its row, every DirTable row below it and every contact below it.
    bool DeleteGroup(const std::string& parent, const std::string& name);
    // Several groups of `parent`, each with everything below it, as one transaction.
    bool DeleteGroups(const std::string& parent, const std::vector<std::string>& names);
    // Renames the row and rewrites every path below the old group path.
    bool RenameGroup(const std::string& parent, const std::string& oldName, const std::string& newName);
    // Moves group `name` from `source` into `target` with everything below it; a group of that
    // name in the target is deleted first when `replace`. Refused (false, nothing changed) when
    // the target lies below the group, or when the group lies below the one it would replace.
    bool MoveGroup(const std::string& source, const std::string& name, const std::string& target, bool replace);

    // -- contacts
    bool NameTaken(const std::string& path, const std::string& name) const;
    bool NumberTaken(const std::string& path, const std::string& number) const;
    // Inserts a contact: the given columns with their values (an empty one as " ").
    bool InsertContact(const std::string& path, const std::vector<std::string>& columns,
                       const std::vector<std::string>& values);
    bool DeleteContact(const std::string& path, const std::string& name);
    // Several contacts (path, name), as one transaction.
    bool DeleteContacts(const std::vector<std::pair<std::string, std::string>>& contacts);
    // Replaces contact `oldName` of `path` by the new values (delete and insert, one transaction).
    bool EditContact(const std::string& path, const std::string& oldName, const std::vector<std::string>& columns,
                     const std::vector<std::string>& values);
    // The given fields of contact `name` of `path`; nothing when there is none.
    std::optional<std::vector<std::string>> ReadContact(const std::string& path, const std::string& name,
                                                        const std::vector<std::string>& fields) const;
    // Moves contact `name` from `source` to `target`; a namesake in the target is deleted first
    // when `replace`.
    bool MoveContact(const std::string& source, const std::string& name, const std::string& target, bool replace);

    // -- lookups
    // 姓名 of the first contact with this 手机号码, in any group; empty when none, or when the book
    // is not open. Safe on another thread while this one writes (it keeps no error text).
    std::string NameOfNumber(const std::string& number) const;
    // 手机号码 of each (name, path), in order; a contact that is not there gives no number.
    std::vector<std::string> NumbersOf(const std::vector<std::pair<std::string, std::string>>& contacts) const;
    // Search: the contacts whose DirInfo holds `scope` (when `withScope`) and whose field i holds
    // values[i] (values equal to " " or empty left out), in 姓名 order. No condition at all finds
    // nothing.
    std::vector<LinkmanRow> Search(bool withScope, const std::string& scope, const std::vector<std::string>& fields,
                                   const std::vector<std::string>& values) const;

private:
    // Runs one statement; -1 on failure, else 1 with rows, 0 without. Reads the named columns.
    // A failure's text is kept for ErrorText unless keepError is false.
    int Run(const std::string& sql, const std::vector<std::string>& binds,
            std::vector<std::vector<std::string>>* rows = nullptr, const std::vector<std::string>& read = {},
            bool keepError = true) const;
    // Runs fn inside one transaction: committed when fn succeeds, rolled back otherwise.
    template <typename F> bool InTransaction(F&& fn);
    bool DeleteBelow(const std::string& groupPath);
    bool RewriteBelow(const std::string& oldPath, const std::string& newPath);

    std::atomic<CAdoConnection*> m_pConn;
    mutable std::string m_strError;  // error text of the last failed statement
};
