#pragma once
// Auto-reply without widgets: the settings "AutoReS.dat", the keyword table "AutoRe1.dat", the
// reply list "AutoRe2.dat", the reply log "RL.dat", and the engine that answers received
// messages. The auto-reply page owns one CAutoReply by shared pointer and delegates to it; the
// receive thread's hook holds the same pointer, so a running call outlives the page.
#include "compose/MMSPackage.h"
#include "platform/RowStore.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

// "%s\AutoReS.dat" of the program folder; set when the page is made.
extern std::string g_strAutoReplyIni;

// ---- File records (GBK, NUL-padded) ------------------------------------------------------------
struct AutoReplyKeywordRecord {  // "AutoRe1.dat"
    char query[50];
    char reply[500];
};
struct AutoReplyCyclicRecord {  // "AutoRe2.dat"
    char text[512];
    char mmsFile[488];
    char timesSent[24];
};
struct AutoReplyLogRecord {  // "RL.dat"
    char status[10];
    char time[40];
    char name[40];
    char mobile[30];
    char query[40];
    char reply[60];
    char key[60];
    char port[10];
};
static_assert(sizeof(AutoReplyKeywordRecord) == 550 && offsetof(AutoReplyKeywordRecord, reply) == 50);
static_assert(sizeof(AutoReplyCyclicRecord) == 1024 && offsetof(AutoReplyCyclicRecord, mmsFile) == 512 &&
              offsetof(AutoReplyCyclicRecord, timesSent) == 1000);
static_assert(sizeof(AutoReplyLogRecord) == 290 && offsetof(AutoReplyLogRecord, time) == 10 &&
              offsetof(AutoReplyLogRecord, name) == 50 && offsetof(AutoReplyLogRecord, mobile) == 90 &&
              offsetof(AutoReplyLogRecord, query) == 120 && offsetof(AutoReplyLogRecord, reply) == 160 &&
              offsetof(AutoReplyLogRecord, key) == 220 && offsetof(AutoReplyLogRecord, port) == 280);

namespace autoreply {

// The eight settings, in the order of their keys in section "自动回复".
enum Setting {
    kDisabled,     // "启用自动回复": 0 the engine answers, 1 stopped
    kOnlyLinkman,  // "回复所有查询": 1 answers senders of the address book only
    kQueryLimit,   // "查询消息限制": 0 SMS, 1 MMS, 2 both
    kCyclicPos,    // "循环列表位置"
    kAddNumber,    // "添加自动编号"
    kNextNumber,   // "消息自动编号"
    kReplyMode,    // "标记回复与循环回复": 1 reply list, else keyword table
    kRandomPick,   // "随即选取回复消息"
    kSettingCount
};
const char* SettingKey(Setting s);
int SettingDefault(Setting s);
inline constexpr const char* kSection = "自动回复";

// The settings file's reading of a value: its leading decimal digits (with a sign), 0 when none.
int ParseLeadingInt(const std::string& value);

inline constexpr const char* kAnyOtherKey = "54w64asdf34etwe65r67";
inline constexpr const char* kMmsPrefix = "彩信文件：";
inline constexpr const char* kWorkFolder = "AutoReTemp";

// Columns of the two tables.
enum { kColQuery = 0, kColReply = 1, kKeywordColumns = 2 };
enum { kColText = 0, kColMmsFile = 1, kColTimesSent = 2, kCyclicColumns = 3 };

// Longest sender and content the engine takes from the receive hook (GBK bytes).
inline constexpr std::size_t kMaxSenderBytes = 19;
inline constexpr std::size_t kMaxContentBytes = 511;
// The reply-log text of a sender longer than kMaxSenderBytes, which gets no answer.
inline constexpr const char* kSenderTooLong = "<号码超长，无信息回复>";

// A number the engine answers: 11 to 19 ASCII digits beginning with "1". Anything else is a
// service number, or names more than one recipient.
bool IsAnswerableSender(const std::string& sender);

// The reply of a reply-list row's package file "...\G\N.qmx": "彩信文件：G\N"; empty when the
// path has no "\" after its first character or no package name.
std::string PackageReplyOf(const std::string& mmsFile);

// Pseudo-random values 0..32767 from a seed, local to its user.
class ReplyRandom {
public:
    explicit ReplyRandom(unsigned seed) : m_state(seed) {}
    int Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7fff);
    }

private:
    unsigned m_state;
};
// Seconds of the clock since 1970-01-01 00:00:00 of its local time.
long long ClockSeconds();

// The address book's name of a mobile number (CLinkmanBookDlg::GetNameByMobile, which sets the
// lookup); empty while none is set, as when the address book cannot be opened. Any thread.
using NameLookup = std::function<std::string(const std::string& mobile)>;
void SetNameLookup(NameLookup lookup);
std::string GetNameByMobile(const std::string& mobile);

// Where the engine's answers go: the immediate SMS and MMS queues.
struct QueueWriters {
    std::function<void(int id, const std::string& number, const std::string& name, const std::string& text)>
        AddSMSItem;
    std::function<void(int id, const std::string& number, const std::string& files, const std::string& title,
                       const std::string& package)>
        AddMMSItem;
};

}  // namespace autoreply

class CAutoReply {
public:
    explicit CAutoReply(autoreply::QueueWriters writers = {});
    CAutoReply(const CAutoReply&) = delete;
    CAutoReply& operator=(const CAutoReply&) = delete;

    // Settings: read without a lock; Set stores and writes the value to "AutoReS.dat" at once.
    int Get(autoreply::Setting s) const { return m_settings[s].load(); }
    void Set(autoreply::Setting s, int value);

    // The tables. Changes that read or write several cells, the position, the running number
    // or a times-sent cell take LockTables() for their duration, never across a dialog.
    rows::RowStore& KeywordList() { return m_keywords; }
    rows::RowStore& CyclicList() { return m_cyclic; }
    std::unique_lock<std::mutex> LockTables() { return std::unique_lock<std::mutex>(m_tableMutex); }
    // The two default replies: to an empty message, to any other content.
    std::string EmptyReply() const;
    std::string OtherReply() const;
    void SetEmptyReply(const std::string& text);
    void SetOtherReply(const std::string& text);

    // Settings and tables from their files (once, at start-up).
    void LoadSettings();
    // Rewrites "AutoRe1.dat" and "AutoRe2.dat". Nothing before LoadSettings; a table file that
    // existed but could not be read is left alone for the rest of the run. Failures are silent.
    void SaveLists();
    // Appends a reply-list row (text, file, no count) and saves.
    void AddCyclicItem(const std::string& text, const std::string& file);
    // Stamps the time and appends the record to "RL.dat"; a failure loses the record silently.
    void AppendLog(AutoReplyLogRecord& record);

    // The engine (receive thread). type 0 SMS (content its text), 1 MMS (content its title).
    // 1 when an answer reached the queueing step, 0 when nothing was answered. A sender longer
    // than kMaxSenderBytes gets no answer, only the log record "查询限制" kSenderTooLong.
    int ProcessIncoming(const std::string& sender, const std::string& content, int type);
    // The choice; writes exactly one reply-log record. With answered given, an answer's
    // "已回复" record is not written but its reply text left there, for the caller to write
    // once the reply is queued.
    std::string ChooseReply(const std::string& sender, const std::string& content, std::string& name,
                            std::string& text, std::optional<std::string>* answered = nullptr);

    // Called in a list-mode choice after the row, position and running number are read and before
    // they advance, with the tables locked. Empty in the program; set before any call.
    void SetCyclicChoiceHook(std::function<void()> hook) { m_cyclicChoiceHook = std::move(hook); }

private:
    void Log(const char* status, const std::string& sender, const std::string& content, const std::string& reply);
    void StoreLocked(autoreply::Setting s, int value);
    void WriteSetting(autoreply::Setting s);

    autoreply::QueueWriters m_writers;
    std::function<void()> m_cyclicChoiceHook;
    std::array<std::atomic<int>, autoreply::kSettingCount> m_settings;

    mutable std::mutex m_tableMutex;  // both tables as a whole, the two replies, position, number
    rows::RowStore m_keywords{autoreply::kKeywordColumns};
    rows::RowStore m_cyclic{autoreply::kCyclicColumns};
    std::string m_strEmptyReply, m_strOtherReply;

    std::mutex m_saveMutex;  // the fields below, and one save at a time
    bool m_bLoaded = false;
    bool m_bKeywordUnreadable = false;
    bool m_bCyclicUnreadable = false;

    std::mutex m_engineMutex;  // one engine call at a time (the package object)
    CMMSPackage m_package;
};
