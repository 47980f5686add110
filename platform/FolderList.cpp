#include "platform/FolderList.h"

#include "platform/Database.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace paths {

std::vector<std::string> ListFolder(const std::string& fsPath, EntryKind kind) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(fsPath, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code sec;
        const bool folder = it->is_directory(sec);
        if (folder == (kind == EntryKind::Folders)) names.push_back(it->path().filename().string());
    }
    SortNames(names);
    return names;
}

void SortNames(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int c = db::CompareText(a, b);
        return c != 0 ? c < 0 : a < b;
    });
}

}  // namespace paths
