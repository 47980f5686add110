#pragma once
// How the send pages reach the phrase picker and the address-book picker: each runs its
// dialog modally and gives back what was chosen, or nothing when it was cancelled. Their own
// dialogs install these; without one nothing is chosen.
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace picker {

using PhraseFn = std::function<std::optional<std::string>(QWidget* parent)>;
using NumbersFn = std::function<std::optional<std::vector<std::string>>(QWidget* parent)>;

// Install a picker; each returns the one it replaces.
PhraseFn SetPhrasePicker(PhraseFn fn);
NumbersFn SetLinkmanPicker(NumbersFn fn);

// The chosen phrase (CInsertPhraseDlg).
std::optional<std::string> PickPhrase(QWidget* parent);
// The numbers of the chosen contacts (CSelectLinkmanDlg).
std::optional<std::vector<std::string>> PickLinkmanNumbers(QWidget* parent);

}  // namespace picker
