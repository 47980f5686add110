#pragma once
// The changes of the MMS library on disk (its paths and listings are in MMSLibrary.h): copies,
// renames and deletions of packages and groups. No widgets here.
#include <string>
#include <vector>

namespace mmssink {

inline constexpr const char* kRootName = "彩信仓库";
inline constexpr const char* kRecvGroup = "接收彩信";
inline constexpr const char* kFileGroup = "文件彩信";

// A package's file-system path.
std::string PackageFile(const std::string& group, const std::string& name);

// "接收彩信" and "文件彩信" cannot be deleted.
bool IsReservedGroup(const std::string& group);
// A name fit to stand as one path part: not empty, not "." or "..", no separator.
bool IsPlainName(const std::string& name);

// The last part of a chosen file path and its name without the extension; false when the path
// has no folder part.
bool SplitChosenFile(const std::string& path, std::string& baseName);

enum class CopyResult { Ok, SourceMissing, TargetFailed };
// Copies a file whole: the source is read completely before the target is written, and the
// target is replaced atomically (exporting a file onto itself leaves it whole).
CopyResult CopyPackage(const std::string& sourceFs, const std::string& targetFs);

// Deletes every file of the group folder, then the folder; true when the folder is gone.
bool DeleteGroup(const std::string& group);
// Renames a package within its group; false (nothing changed) when the new file exists or the
// rename failed.
bool RenamePackage(const std::string& group, const std::string& oldName, const std::string& newName);
// Deletes a package file; true when it is gone.
bool DeletePackage(const std::string& group, const std::string& name);
// Makes a group folder; true when it exists afterwards.
bool MakeGroup(const std::string& group);

}  // namespace mmssink
