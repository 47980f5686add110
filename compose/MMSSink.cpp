#include "compose/MMSSink.h"

#include "compose/MMSLibrary.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/FolderList.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace mmssink {

std::string PackageFile(const std::string& group, const std::string& name) {
    return paths::ToFsPath(mmslib::PackagePath(group, name));
}

bool IsReservedGroup(const std::string& group) { return group == kRecvGroup || group == kFileGroup; }

bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/") == std::string::npos;
}

bool SplitChosenFile(const std::string& path, std::string& baseName) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return false;
    const std::string file = path.substr(slash + 1);
    const std::size_t dot = file.rfind('.');
    baseName = dot == std::string::npos ? file : file.substr(0, dot);
    return true;
}

CopyResult CopyPackage(const std::string& sourceFs, const std::string& targetFs) {
    std::string bytes;
    if (!paths::FileExists(sourceFs) || paths::IsDirectory(sourceFs) || !files::ReadWholeFile(sourceFs, bytes))
        return CopyResult::SourceMissing;
    return files::WriteFileAtomic(targetFs, bytes) ? CopyResult::Ok : CopyResult::TargetFailed;
}

bool DeleteGroup(const std::string& group) {
    if (!IsPlainName(group)) return false;
    const std::string folder = mmslib::GroupFolder(group);
    std::error_code ec;
    for (const std::string& file : paths::ListFolder(folder, paths::EntryKind::Files)) fs::remove(folder + "/" + file, ec);
    fs::remove(folder, ec);
    return !fs::exists(folder, ec);
}

bool RenamePackage(const std::string& group, const std::string& oldName, const std::string& newName) {
    if (!IsPlainName(group) || !IsPlainName(oldName) || !IsPlainName(newName)) return false;
    const std::string from = PackageFile(group, oldName), to = PackageFile(group, newName);
    std::error_code ec;
    if (fs::exists(to, ec) || !fs::is_regular_file(from, ec)) return false;
    fs::rename(from, to, ec);
    return !ec;
}

bool DeletePackage(const std::string& group, const std::string& name) {
    if (!IsPlainName(group) || !IsPlainName(name)) return false;
    const std::string file = PackageFile(group, name);
    std::error_code ec;
    fs::remove(file, ec);
    return !fs::exists(file, ec);
}

bool MakeGroup(const std::string& group) {
    if (!IsPlainName(group)) return false;
    const std::string folder = mmslib::GroupFolder(group);
    return paths::MakeDirs(folder) && paths::IsDirectory(folder);
}

}  // namespace mmssink
