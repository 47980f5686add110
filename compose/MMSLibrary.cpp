#include "compose/MMSLibrary.h"

#include "compose/MmsSend.h"
#include "platform/AppPath.h"
#include "platform/FolderList.h"

namespace mmslib {

namespace {
constexpr const char kExt[] = ".qmx";
constexpr std::size_t kExtLen = sizeof(kExt) - 1;
}  // namespace

std::string SinkFolder() { return paths::AppFile("MMSSink"); }

std::string GroupFolder(const std::string& group) { return SinkFolder() + "/" + group; }

std::string PackagePath(const std::string& group, const std::string& name) {
    return mmssend::AppStored("MMSSink\\" + group + "\\" + name + kExt);
}

std::vector<std::string> ListGroups() { return paths::ListFolder(SinkFolder(), paths::EntryKind::Folders); }

std::vector<std::string> ListPackages(const std::string& group) {
    std::vector<std::string> names;
    for (const std::string& file : paths::ListFolder(GroupFolder(group), paths::EntryKind::Files)) {
        if (file.size() > kExtLen && file.compare(file.size() - kExtLen, kExtLen, kExt) == 0)
            names.push_back(file.substr(0, file.size() - kExtLen));
    }
    paths::SortNames(names);  // shown without the ending, so ordered without it
    return names;
}

}  // namespace mmslib
