#pragma once
// The MMS library on disk: one folder per group under "MMSSink" of the program folder, one
// ".qmx" package file per package. Listings are read afresh and sorted.
#include <string>
#include <vector>

namespace mmslib {

// The library root as a file-system path.
std::string SinkFolder();
// A group's folder as a file-system path.
std::string GroupFolder(const std::string& group);
// "%s\MMSSink\%s\%s.qmx" (program folder, group, name): a package's stored path.
std::string PackagePath(const std::string& group, const std::string& name);

// The groups: every sub-folder of "MMSSink".
std::vector<std::string> ListGroups();
// The packages of a group: its files (not folders) whose names are longer than 4 characters and
// end in ".qmx", without that ending.
std::vector<std::string> ListPackages(const std::string& group);

}  // namespace mmslib
