#include "platform/AppPath.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

std::string g_strAppPath;

namespace paths {

std::string ExecutableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec).string();
    return exe.parent_path().string();
}

std::string ToFsPath(std::string_view stored) {
    std::string s(stored);
    for (char& c : s)
        if (c == '\\') c = '/';
    if (s.size() >= 2 && s[1] == ':' &&
        ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'))) {
        char drive = s[0];
        if (drive >= 'a' && drive <= 'z') drive = static_cast<char>(drive - 'a' + 'A');
        std::string rest = s.substr(2);
        while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
        std::string out = g_strAppPath + "/" + std::string(1, drive);
        if (!rest.empty()) out += "/" + rest;
        return out;
    }
    return s;
}

std::string AppFile(std::string_view rel) {
    std::string r(rel);
    for (char& c : r)
        if (c == '\\') c = '/';
    while (!r.empty() && r.front() == '/') r.erase(0, 1);
    return r.empty() ? g_strAppPath : g_strAppPath + "/" + r;
}

bool FileExists(const std::string& fsPath) {
    std::error_code ec;
    return std::filesystem::exists(fsPath, ec);
}

bool IsDirectory(const std::string& fsPath) {
    std::error_code ec;
    return std::filesystem::is_directory(fsPath, ec);
}

long long FileSize(const std::string& fsPath) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(fsPath, ec)) return -1;
    const auto n = std::filesystem::file_size(fsPath, ec);
    return ec ? -1 : static_cast<long long>(n);
}

bool MakeDirs(const std::string& fsPath) {
    std::error_code ec;
    std::filesystem::create_directories(fsPath, ec);
    return IsDirectory(fsPath);
}

}  // namespace paths
