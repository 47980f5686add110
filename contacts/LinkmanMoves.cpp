#include "contacts/LinkmanMoves.h"

#include "core/Helpers.h"

namespace linkman {

bool IsGroupCell(const std::string& cell, std::string* name) {
    if (cell.size() < 2 || cell.front() != '<' || cell.back() != '>') return false;
    if (name) *name = cell.substr(1, cell.size() - 2);
    return true;
}

PasteOutcome PasteContact(CLinkmanBook& book, const std::string& source, const std::string& name,
                          const std::string& target, const std::vector<std::string>& fields) {
    PasteOutcome out;
    out.name = name;
    out.source = source;
    // The source first: a contact no longer there is skipped before anything is asked or deleted.
    std::optional<std::vector<std::string>> values = book.ReadContact(source, name, fields);
    if (!values) return out;
    const bool taken = book.NameTaken(target, name);
    if (taken && ShowMessage("该目录下一存在联系人“" + name + "”，选择“确定”原有联系人将被删除，选择“取消”跳过该联系人。",
                             1) != 1)
        return out;
    if (!book.MoveContact(source, name, target, taken)) {
        out.kind = PasteOutcome::kFailed;
        ShowMessage(book.ErrorText());
        return out;
    }
    out.kind = PasteOutcome::kMoved;
    out.replaced = taken;
    out.values = std::move(*values);
    return out;
}

PasteOutcome PasteGroup(CLinkmanBook& book, const std::string& source, const std::string& name,
                        const std::string& target) {
    PasteOutcome out;
    out.group = true;
    out.name = name;
    out.source = source;
    if (!book.GroupExists(source, name)) return out;
    const std::string s = GroupPath(source, name);
    const std::string t = GroupPath(target, name);
    // Into itself or below it; or a replace that would delete the moved group itself.
    if (LiesBelow(target, s) || LiesBelow(s, t)) {
        out.kind = PasteOutcome::kRefused;
        ShowMessage("无法移动“" + name + "”：目标组不能为源组的子组。");
        return out;
    }
    const bool taken = book.GroupExists(target, name);
    if (taken && ShowMessage("该目录下一存在组“" + name + "”，选择“确定”原有组及其联系人将被删除！", 1) != 1) return out;
    if (!book.MoveGroup(source, name, target, taken)) {
        out.kind = PasteOutcome::kFailed;
        ShowMessage(book.ErrorText());
        return out;
    }
    out.kind = PasteOutcome::kMoved;
    out.replaced = taken;
    return out;
}

std::vector<PasteOutcome> PasteEntries(CLinkmanBook& book, const std::vector<CutEntry>& entries,
                                       const std::string& target, const std::vector<std::string>& fields) {
    std::vector<PasteOutcome> out;
    if (entries.empty()) return out;
    if (target.empty()) {
        ShowMessage(kNoGroupOpenText);
        return out;
    }
    for (const CutEntry& e : entries) {
        if (e.path == target) continue;
        std::string group;
        out.push_back(IsGroupCell(e.cell, &group) ? PasteGroup(book, e.path, group, target)
                                                  : PasteContact(book, e.path, e.cell, target, fields));
    }
    return out;
}

}  // namespace linkman
