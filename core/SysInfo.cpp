#include "core/SysInfo.h"

#include "platform/TextCodec.h"

#include <cstdio>
#include <cstring>

namespace sysinfo {

bool Load(const std::string& path, SysInfoRecord& rec) {
    std::memset(&rec, 0, sizeof rec);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    const std::size_t n = std::fread(&rec, 1, sizeof rec, f);
    (void)n;
    std::fclose(f);
    return true;
}

std::string NumberPrefix(const SysInfoRecord& rec) {
    return codec::FromGbkField(rec.szNumberPrefix, sizeof rec.szNumberPrefix - 1);
}

}  // namespace sysinfo
