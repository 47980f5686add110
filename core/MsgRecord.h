#pragma once
// The fixed 1592-byte message record of every queue file and both record logs.
// Text fields are GBK, NUL-terminated and NUL-padded; the record is zero-filled first.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#pragma pack(push, 1)
struct MsgRecord {
    std::int32_t nId;
    char szType[20];
    char szResourceId[20];
    char szName[40];
    char szNumber[20];
    char szText[512];
    char szTime[40];
    char szSubmitTime[40];
    char szSendId[50];
    char szPackage[120];
    char szFiles[512];
    char szSize[10];
    std::int32_t nDevice;
    char szResult[200];
};
#pragma pack(pop)

static_assert(sizeof(MsgRecord) == 1592, "MsgRecord is 1592 bytes");
static_assert(offsetof(MsgRecord, szType) == 4);
static_assert(offsetof(MsgRecord, szResourceId) == 24);
static_assert(offsetof(MsgRecord, szName) == 44);
static_assert(offsetof(MsgRecord, szNumber) == 84);
static_assert(offsetof(MsgRecord, szText) == 104);
static_assert(offsetof(MsgRecord, szTime) == 616);
static_assert(offsetof(MsgRecord, szSubmitTime) == 656);
static_assert(offsetof(MsgRecord, szSendId) == 696);
static_assert(offsetof(MsgRecord, szPackage) == 746);
static_assert(offsetof(MsgRecord, szFiles) == 866);
static_assert(offsetof(MsgRecord, szSize) == 1378);
static_assert(offsetof(MsgRecord, nDevice) == 1388);
static_assert(offsetof(MsgRecord, szResult) == 1392);

constexpr std::size_t kMsgRecordSize = sizeof(MsgRecord);

namespace msgrec {

// A zero-filled record.
MsgRecord Empty();

// Writes a UTF-8 text into a field as GBK. Returns false (and leaves the field empty) when the
// text does not fit and refuse is set; otherwise a longer text is cut on a character boundary.
template <std::size_t N>
bool SetField(char (&field)[N], std::string_view utf8, bool refuse = false);
bool SetFieldRaw(char* field, std::size_t width, std::string_view utf8, bool refuse);

// The text of a field as UTF-8 (up to the first NUL).
template <std::size_t N>
std::string GetField(const char (&field)[N]);
std::string GetFieldRaw(const char* field, std::size_t width);

// Record <-> its 1592 bytes on disk (little-endian integers).
void ToBytes(const MsgRecord& r, char* out);
MsgRecord FromBytes(const char* in);

template <std::size_t N>
bool SetField(char (&field)[N], std::string_view utf8, bool refuse) {
    return SetFieldRaw(field, N, utf8, refuse);
}
template <std::size_t N>
std::string GetField(const char (&field)[N]) {
    return GetFieldRaw(field, N);
}

}  // namespace msgrec
