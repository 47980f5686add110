#include "core/FileUtil.h"

#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

CFileUtil* g_pFileUtil = nullptr;

namespace {
std::mutex g_serialMutex;
// Per counter file: what the next call would hand out had the last write held; the run never
// goes below it.
std::map<std::string, std::int64_t> g_nextInRunOf;

// Hands out one id per entry of counts, as that many calls in a row would, and writes the
// counter once.
std::vector<int> TakeSerials(const std::vector<int>& counts) {
    std::lock_guard<std::mutex> lock(g_serialMutex);
    const std::string path = paths::AppFile("SmsIndex.dat");
    std::int64_t& nextInRun = g_nextInRunOf[path];
    std::uint32_t stored = 1;
    std::string data;
    if (files::ReadWholeFile(path, data) && data.size() >= 4) std::memcpy(&stored, data.data(), 4);  // little-endian host
    std::vector<int> ids;
    ids.reserve(counts.size());
    for (const int count : counts) {
        if (stored == 0 || stored >= 990001) stored = 1;
        std::int64_t result = static_cast<std::int64_t>(stored) + 1;
        // The counter starts again at 2 once it passed 990000; that wrap is the stored format's.
        if (result < nextInRun && nextInRun <= 990001) result = nextInRun;
        stored = static_cast<std::uint32_t>(result + count + 1);
        nextInRun = static_cast<std::int64_t>(stored) + 1;
        ids.push_back(static_cast<int>(result));
    }
    if (ids.empty()) return ids;
    char buf[4];
    std::memcpy(buf, &stored, 4);
    files::WriteFileAtomic(path, std::string_view(buf, 4));
    return ids;
}
}  // namespace

int CFileUtil::GetNextSerial(int count) { return TakeSerials({count}).front(); }

std::vector<int> CFileUtil::GetNextSerials(std::size_t n) { return TakeSerials(std::vector<int>(n, 1)); }

std::string CFileUtil::GetFileExt(const std::string& path) {
    const auto dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

int CFileUtil::DeleteFolderFiles(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(paths::ToFsPath(folder), ec)) {
        std::error_code fec;
        if (!entry.is_directory(fec)) std::filesystem::remove(entry.path(), fec);
    }
    return 1;
}

int CFileUtil::CheckName(const std::string& name) {
    static const char kRefused[] = "\\/:*?\"<>|',";
    if (name.find_first_of(std::string(kRefused) + " ") == std::string::npos) return 1;
    seam::StandardMessage(std::string("输入框中不得包含下列字符：\r\n\r\n") + kRefused + "和空格");
    return 0;
}

int CFileUtil::GetImageType(const std::string& ext) {
    struct Entry {
        const char* ext;
        int type;
    };
    static const Entry kTypes[] = {
        {"bmp", 1},  {"jpg", 3},  {"jpeg", 3}, {"gif", 2},  {"png", 4},  {"ico", 5},  {"tiff", 6},
        {"tif", 6},  {"tga", 7},  {"pcx", 8},  {"wbmp", 9}, {"wmf", 10}, {"emf", 10}, {"jp2", 11},
        {"j2k", 11}, {"jpc", 12}, {"j2c", 12}, {"pgx", 13}, {"ras", 15}, {"pnm", 14}, {"pgm", 14},
        {"ppm", 14},
    };
    for (const Entry& e : kTypes)
        if (codec::EqualsIgnoreAsciiCase(ext, e.ext)) return e.type;
    return 0;
}
