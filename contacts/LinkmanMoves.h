#pragma once
// Cut-and-paste moves of contacts and whole groups between groups of the address book. No
// widgets: the questions go through ShowMessage, and the page applies the outcomes to its tree
// and list.
#include "contacts/LinkmanBook.h"

#include <string>
#include <vector>

namespace linkman {

inline constexpr const char* kNoGroupOpenText = "请选择添加联系人的目录！";

// One cut row: its first cell ("<" + name + ">" for a group, else the contact's name) and the
// group path it was cut from.
struct CutEntry {
    std::string cell;
    std::string path;
};

// True for a group's cell ("<" + name + ">"); name is then the text between.
bool IsGroupCell(const std::string& cell, std::string* name = nullptr);

struct PasteOutcome {
    enum Kind { kSkipped, kMoved, kRefused, kFailed } kind = kSkipped;
    bool group = false;
    std::string name;
    std::string source;
    bool replaced = false;            // a namesake in the target was deleted
    std::vector<std::string> values;  // a moved contact's fields, for its list row
};

// Moves contact `name` from `source` into `target`. A source that is gone is skipped; a namesake
// in the target is replaced only when the user says OK. A failed move changes nothing and shows
// the error text.
PasteOutcome PasteContact(CLinkmanBook& book, const std::string& source, const std::string& name,
                          const std::string& target, const std::vector<std::string>& fields);

// Moves group `name` of `source` with everything below it into `target`. Refused with a message
// when the target lies below the group, or when the group lies below the one it would replace.
PasteOutcome PasteGroup(CLinkmanBook& book, const std::string& source, const std::string& name,
                        const std::string& target);

// Pastes every entry not cut from `target` itself, in order. With no group open (`target`
// empty) nothing moves and the user is told kNoGroupOpenText.
std::vector<PasteOutcome> PasteEntries(CLinkmanBook& book, const std::vector<CutEntry>& entries,
                                       const std::string& target, const std::vector<std::string>& fields);

}  // namespace linkman
