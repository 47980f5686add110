#pragma once
// "SysInfo.dat": the 528-byte system record. The program reads it and never writes it.
#include <cstddef>
#include <cstdint>
#include <string>

#pragma pack(push, 1)
struct SysInfoRecord {
    char reserved1[420];               // kept as read
    char szNumberPrefix[96];           // GBK, NUL-terminated: put in front of every recipient number
    std::int32_t bThreadsStarted;      // set to 1 in memory when the worker threads start
    char reserved2[8];
};
#pragma pack(pop)

static_assert(sizeof(SysInfoRecord) == 528, "SysInfoRecord is 528 bytes");
static_assert(offsetof(SysInfoRecord, szNumberPrefix) == 420);
static_assert(offsetof(SysInfoRecord, bThreadsStarted) == 516);

constexpr std::size_t kSysInfoSize = sizeof(SysInfoRecord);

namespace sysinfo {

// Zeroes rec and reads up to 528 bytes of the file into it (a short file leaves the rest zero).
// False when the file does not open.
bool Load(const std::string& path, SysInfoRecord& rec);

// The number prefix as UTF-8: at most 95 bytes, up to the first NUL, even when byte 95 is not NUL.
std::string NumberPrefix(const SysInfoRecord& rec);

}  // namespace sysinfo
