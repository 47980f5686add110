#include "core/FileUtil.h"

#include "platform/AppPath.h"
#include "platform/AtomicFile.h"

#include <cstdint>
#include <cstring>
#include <mutex>

CFileUtil* g_pFileUtil = nullptr;

int CFileUtil::GetNextSerial(int count) {
    static std::mutex mutex;
    static std::int64_t lastHandedOut = 0;  // never hand out an id twice in one run
    std::lock_guard<std::mutex> lock(mutex);
    const std::string path = paths::AppFile("SmsIndex.dat");
    std::uint32_t stored = 1;
    std::string data;
    if (files::ReadWholeFile(path, data) && data.size() >= 4) {
        std::memcpy(&stored, data.data(), 4);
        if (stored == 0 || stored >= 990001) stored = 1;
    }
    std::int64_t result = static_cast<std::int64_t>(stored) + 1;
    if (result <= lastHandedOut && lastHandedOut < 990001) result = lastHandedOut + 3;
    lastHandedOut = result;
    const std::uint32_t next = static_cast<std::uint32_t>(result + count + 1);
    char buf[4];
    std::memcpy(buf, &next, 4);
    files::WriteFileAtomic(path, std::string_view(buf, 4));
    return static_cast<int>(result);
}

std::string CFileUtil::GetFileExt(const std::string& path) {
    const auto dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}
