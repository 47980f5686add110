#pragma once
// The queue row: twelve text cells of a pending list, and how a row becomes a record and back.
#include "core/MsgRecord.h"

#include <string>
#include <string_view>

namespace queue {

// Columns of a queue row.
enum Col {
    kColType = 0,      // type text
    kColNumber,        // one number (immediate) or the numbers joined by blanks
    kColNameOrFiles,   // recipient name (SMS page) or uploaded file names (MMS page)
    kColText,          // SMS text or MMS title
    kColTime,          // schedule text
    kColResourceId,
    kColSubmitTime,    // minute key (timed) or last-send date (cyclic)
    kColPackage,
    kColState,         // "处理中" while a sending thread holds the row; not stored
    kColDevice,        // the holding thread's index; not stored
    kColSize,
    kColId,
    kColumnCount
};

// Row icons.
constexpr int kIconMms = 9;
constexpr int kIconSms = 10;
constexpr int kIconHeldMms = 11;
constexpr int kIconOther = 12;
constexpr int kIconHeldSms = 14;

// The two kinds of message; also the two pending pages.
enum class Kind { Sms, Mms };

// Where a writer puts a message, by its schedule text.
enum class Placement { Immediate, Timed, Cyclic };
Placement PlacementOf(std::string_view schedule);

// Type texts of column 0.
inline constexpr const char* kTypeImmediateSms = "待发短信";
inline constexpr const char* kTypeTimedSms = "定时短信";
inline constexpr const char* kTypeCyclicSms = "循环短信";
inline constexpr const char* kTypeImmediateMms = "待发彩信";
inline constexpr const char* kTypeTimedMms = "定时彩信";
inline constexpr const char* kTypeCyclicMms = "循环彩信";
inline constexpr const char* kStateHeld = "处理中";

const char* TypeText(Placement placement, Kind kind);

// Width in bytes (with its NUL) of the record field that holds column 2 for rows of a kind:
// szName for SMS, szFiles for MMS.
std::size_t Column2Width(Kind kind);

// ((month * 31 + day) * 24 + hour) * 60 + minute of a schedule text read as a date and time;
// -46141 when it does not read as one.
int MinuteKey(std::string_view schedule);

// The "%dK" size text of an MMS package: the size of "MMSSink\<package>.qmx" in the program
// folder divided by 1000, plus 1 ("1K" when the file is missing).
std::string PackageSizeText(const std::string& package);

}  // namespace queue
