#pragma once
// The program folder and the mapping of stored (Windows-style) paths to file-system paths.
#include <string>
#include <string_view>

// Program folder: the folder of the executable; tests set it to a temporary folder.
// Set once at start, before any worker thread runs.
extern std::string g_strAppPath;

namespace paths {

// The folder of the running executable.
std::string ExecutableFolder();

// A stored path ("G\N", "D:\彩信记录备份", "%s\SMSText\%d.txt") as a file-system path:
// "\" becomes "/", and a drive path "X:\..." maps to "<program folder>/X/...".
std::string ToFsPath(std::string_view stored);

// A file or folder of the program folder: g_strAppPath + "/" + rel (rel may use "\").
std::string AppFile(std::string_view rel);

// File helpers on file-system paths.
bool FileExists(const std::string& fsPath);
bool IsDirectory(const std::string& fsPath);
long long FileSize(const std::string& fsPath);  // -1 when missing
bool MakeDirs(const std::string& fsPath);

}  // namespace paths
