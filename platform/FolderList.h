#pragma once
// Folder listings, sorted by name (ASCII letters folded, then GBK byte order).
#include <string>
#include <vector>

namespace paths {

enum class EntryKind { Folders, Files };

// The names (UTF-8) of the folder's sub-folders ("." and ".." never appear) or of its entries
// that are not folders; empty when the folder cannot be read.
std::vector<std::string> ListFolder(const std::string& fsPath, EntryKind kind);

// Sorts names as the listings are sorted.
void SortNames(std::vector<std::string>& names);

}  // namespace paths
