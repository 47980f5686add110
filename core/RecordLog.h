#pragma once
// The record logs "SMSMsgSL.dat" and "MMSMsgSL.dat": fixed 1592-byte MsgRecord entries back to
// back, newest last. CRecordLog holds everything the two records pages share (append, delivery
// reports, the record lock, the whole-log read); each page owns one and its members delegate.
#include "core/MsgRecord.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// ---- Status vocabulary (szType of a log record) ----------------------------------------------
namespace recstatus {
inline constexpr std::string_view kSmsSent = "已发送短信";       // icon 0
inline constexpr std::string_view kSmsDelivered = "已送达短信";  // icon 1
inline constexpr std::string_view kSmsReceived = "接收短信";     // icon 2
inline constexpr std::string_view kSmsFailed = "发送失败短信";   // icon 3
inline constexpr std::string_view kMmsSent = "已发送彩信";       // icon 4
inline constexpr std::string_view kMmsDelivered = "已送达彩信";  // icon 5
inline constexpr std::string_view kMmsRejected = "被拒收彩信";   // icon 6
inline constexpr std::string_view kMmsReceived = "接收彩信";     // icon 7
inline constexpr std::string_view kMmsFailed = "发送失败彩信";   // icon 8

// Icon index of a status in the records lists (0 to 8), -1 for a text that is none of the nine.
int IconOf(std::string_view utf8Status);
inline bool IsKnown(std::string_view utf8Status) { return IconOf(utf8Status) >= 0; }

// Kind and class are read from the status text alone: "短信" SMS, "彩信" MMS; the classes are
// 1 "已发送", 2 "发送失败", 3 "已送达", 4 "被拒收", 5 "接收" (contained in the text).
bool IsSms(std::string_view utf8Status);
bool IsMms(std::string_view utf8Status);
bool HasClass(std::string_view utf8Status, int statusClass);  // class 0: always true
}  // namespace recstatus

// ---- Delivery-report notices ------------------------------------------------------------------
// One notice, made on the heap by a producer and owned by g_ReportNoticeList until a log takes it.
struct ReportNotice {
    std::int32_t nMsgId = 0;      // id of the reported MMS; below 1 for an SMS report (by number)
    std::int32_t nDelivered = 0;  // 1 delivered, anything else rejected (MMS only)
    char szNumber[60] = {};       // SMS report: the number, GBK, NUL-terminated
    char szTime[40] = {};         // report time, GBK, at most 39 characters
};

// The kind of a log and of a notice: an SMS notice has nMsgId below 1, an MMS notice 1 or more.
enum class LogKind { Sms, Mms };
inline LogKind NoticeKind(const ReportNotice& n) { return n.nMsgId < 1 ? LogKind::Sms : LogKind::Mms; }

// The program-wide list of waiting notices; safe from any thread.
class CReportNoticeList {
public:
    ~CReportNoticeList();
    // Adds a notice at the tail and takes it over (a null pointer is ignored).
    void AddTail(ReportNotice* p);
    int GetCount() const;
    int GetCount(LogKind kind) const;  // notices of one kind
    // Takes the first notice of a kind out of the list; null when none is left. The caller owns it.
    std::unique_ptr<ReportNotice> TakeFirst(LogKind kind);
    void RemoveAll();

private:
    mutable std::mutex m_;
    std::deque<ReportNotice*> list_;
    int sms_ = 0, mms_ = 0;
};
extern CReportNoticeList g_ReportNoticeList;

// One busy flag per log: 1 while ApplyDeliveryReports of that log runs.
extern std::atomic<int> g_bSMSReportsBusy;
extern std::atomic<int> g_bMMSReportsBusy;

// ---- The record lock (g_lockRecord) ------------------------------------------------------------
// Takes g_lockRecord for a scope. A wait that runs out is written to the run log and waited for
// again, so a second holder is never let in. Order: a queue lock first, then this one.
class CRecordLock {
public:
    static constexpr int kAppendTimeoutMs = 5000;   // append, delete, clear
    static constexpr int kReportsTimeoutMs = 10000; // delivery reports
    explicit CRecordLock(int timeoutMs);
    ~CRecordLock();
    CRecordLock(const CRecordLock&) = delete;
    CRecordLock& operator=(const CRecordLock&) = delete;
    // Waits that ran out before the lock was had (each one was logged).
    int timeouts() const { return m_nTimeouts; }

private:
    int m_nTimeouts = 0;
};

// Releases g_lockRecord the first time it is called (later calls do nothing); each records page
// calls it at the end of its initialisation.
void ReleaseRecordLockOnce();

// ---- Hand-off of received messages to the auto-reply engine ------------------------------------
// (sender number, content, type 0 SMS / 1 MMS), UTF-8; the result is ignored. The engine installs
// itself here; until then the hook does nothing.
using IncomingHook = std::function<void(const std::string& number, const std::string& text, int type)>;
IncomingHook SetIncomingHook(IncomingHook hook);  // returns the hook it replaces

// ---- One record log ------------------------------------------------------------------------------
// Where a record stands: its index in the log (0 the oldest) as of the log's rewrite count
// `rewrite` (a delete or clear moves the records behind it and counts one up).
struct RecordPlace {
    std::int64_t index = -1;
    std::uint64_t rewrite = 0;
};

// What the owning page's view serves on the UI thread. Each stored append with auto-refresh on
// hands a copy of the record and its place to InsertRecordRow(record, place); appends that
// arrive before the UI thread comes round are served by one queued call, in their order, and
// followed by one UpdateCountLabel().
struct RecordLogNotify {
    std::function<void(const MsgRecord&, RecordPlace)> InsertRecordRow;
    std::function<void()> UpdateCountLabel;
};

// A record chosen for deletion: its index as the list knows it and its id.
struct RecordTarget {
    std::int64_t index = -1;
    std::int32_t id = 0;
};

class CRecordLog {
public:
    explicit CRecordLog(LogKind kind);
    ~CRecordLog();
    CRecordLog(const CRecordLog&) = delete;
    CRecordLog& operator=(const CRecordLog&) = delete;

    LogKind kind() const { return m_kind; }
    // "SMSMsgSL.dat" or "MMSMsgSL.dat"; the full path lies in the program folder.
    const char* FileName() const;
    std::string FilePath() const;

    // Appends one record (the caller keeps it). A received message ("接收短信" / "接收彩信")
    // goes to the auto-reply hook first, stored or not. A log that cannot be opened loses the
    // record silently. Any thread; never waits for the UI thread.
    void AddLogRecord(const MsgRecord* pRecord);
    // The same for a received message whose sender arrived as `sender` (UTF-8): the hook gets
    // that in place of the record's number, so a sender the field had to cut is seen as such.
    void AddLogRecord(const MsgRecord* pRecord, const std::string& sender);

    // The two halves of AddLogRecord for many records at once. OfferIncoming: the hand-off of a
    // received message to the auto-reply hook alone (nothing for other statuses).
    void OfferIncoming(const MsgRecord& r, const std::string& sender) const;
    // Appends n records in one write under the record lock, a torn tail cut first. Under the lock,
    // before(first) gets the index the first record will have (the log's whole records) and may
    // refuse the append; after(stored, whole) gets whether all were written and the whole records
    // the log holds then. Stored records reach the page's view as AddLogRecord's do. True when
    // all were stored.
    bool AppendLogRecords(const MsgRecord* records, std::size_t n,
                          const std::function<bool(std::int64_t first)>& before,
                          const std::function<void(bool stored, std::int64_t whole)>& after);
    // Puts the log's content on the disk; false when it cannot.
    bool SyncLog() const;

    // Takes every waiting notice of this log's kind, applies it to the newest matching record and
    // rewrites the log atomically when one matched. Returns at once when none waits or another
    // run on this log is busy; a missing or empty log leaves the notices waiting. Any thread.
    void ApplyDeliveryReports();

    // The page's view: 1 all, 2 sent, 3 received, 4 advanced query.
    void ResetView() { m_nView = 1; }
    int GetView() const { return m_nView; }
    void SetView(int view) { m_nView = view; }

    // Check box "自动刷新显示新记录。" (on by default).
    void SetAutoRefresh(bool on) { m_bAutoRefresh = on ? 1 : 0; }
    bool GetAutoRefresh() const { return m_bAutoRefresh != 0; }

    // The page's view installs its notification handlers (UI thread). Calls still queued when the
    // log is destroyed are dropped.
    void SetNotify(RecordLogNotify notify);

    // Reads the whole log without the record lock, from the oldest record, and hands each whole
    // record to fn; a torn tail is never read as a record. newestOnly > 0 keeps only that many of
    // the newest. Returns false when the log does not exist or cannot be read. A rewrite running
    // meanwhile is never seen half done (it replaces the file whole).
    bool ForEachRecord(const std::function<void(const MsgRecord&)>& fn, std::size_t newestOnly = 0) const;
    // Same, with each record's index in the log; *total (when given) gets the end of the range
    // read: the number of whole records the log held when the read began.
    bool ForEachRecordAt(const std::function<void(const MsgRecord&, std::size_t index)>& fn,
                         std::size_t newestOnly = 0, std::size_t* total = nullptr) const;
    // The records [first, end) of those there when the read begins (fewer when the log is
    // shorter); *total gets the end of the range read. Several readers may read one log at once.
    bool ForEachRecordIn(std::size_t first, std::size_t end,
                         const std::function<void(const MsgRecord&, std::size_t index)>& fn,
                         std::size_t* total = nullptr) const;
    // Same, into a vector.
    bool ReadRecords(std::vector<MsgRecord>& out, std::size_t newestOnly = 0) const;

    // Whole-log change under the record lock (5000 ms rule): reads the log, lets edit change the
    // bytes, and replaces the log atomically when edit returns true. False when the log does not
    // exist, cannot be read, or the rewrite failed (then the log is as it was).
    bool RewriteLog(const std::function<bool(std::string& bytes)>& edit);
    // Empties the log under the record lock (atomically); false when it does not exist.
    bool ClearLog();

    // Removes the chosen records under the record lock, streaming the kept ones into an atomic
    // rewrite (one read chunk in memory). A target whose index still holds its id goes; any
    // other goes by its id alone: the oldest record with that id not already going. `removed`
    // gets the indexes that went, ascending. False when the log does not exist or the rewrite
    // failed (the log is then as it was and `removed` is empty).
    bool DeleteRecords(const std::vector<RecordTarget>& targets, std::vector<std::int64_t>& removed);

    // Deletes and clears done so far (the `rewrite` of a RecordPlace).
    std::uint64_t Rewrites() const { return m_nRewrites.load(); }

private:
    struct Shared {
        std::mutex m;
        RecordLogNotify notify;
        std::vector<std::pair<MsgRecord, RecordPlace>> waiting;  // appends not yet served
    };
    std::atomic<int>& BusyFlag() const;
    void Notify(const MsgRecord& r, RecordPlace place);

    const LogKind m_kind;
    std::atomic<int> m_nView{1};
    std::atomic<int> m_bAutoRefresh{1};
    std::atomic<std::uint64_t> m_nRewrites{0};  // changed under the record lock
    std::shared_ptr<Shared> m_shared;
};

// The logs of the records pages; each page points its own here when it is made (null until then).
extern CRecordLog* g_pSMSRecordLog;
extern CRecordLog* g_pMMSRecordLog;
