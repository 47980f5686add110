#include "core/RecordLog.h"

#include "core/Globals.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/Event.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unordered_map>
#include <unistd.h>

// ---- Status vocabulary ---------------------------------------------------------------------------
namespace recstatus {

int IconOf(std::string_view s) {
    static constexpr std::string_view kAll[] = {kSmsSent,      kSmsDelivered, kSmsReceived,
                                                kSmsFailed,    kMmsSent,      kMmsDelivered,
                                                kMmsRejected,  kMmsReceived,  kMmsFailed};
    for (int i = 0; i < 9; ++i)
        if (s == kAll[i]) return i;
    return -1;
}

bool IsSms(std::string_view s) { return s.find("短信") != std::string_view::npos; }
bool IsMms(std::string_view s) { return s.find("彩信") != std::string_view::npos; }

bool HasClass(std::string_view s, int statusClass) {
    static constexpr std::string_view kClass[] = {"", "已发送", "发送失败", "已送达", "被拒收", "接收"};
    if (statusClass <= 0 || statusClass > 5) return true;
    return s.find(kClass[statusClass]) != std::string_view::npos;
}

}  // namespace recstatus

// ---- Notices -----------------------------------------------------------------------------------
CReportNoticeList g_ReportNoticeList;
std::atomic<int> g_bSMSReportsBusy{0};
std::atomic<int> g_bMMSReportsBusy{0};
CRecordLog* g_pSMSRecordLog = nullptr;
CRecordLog* g_pMMSRecordLog = nullptr;

CReportNoticeList::~CReportNoticeList() { RemoveAll(); }

void CReportNoticeList::AddTail(ReportNotice* p) {
    if (!p) return;
    std::lock_guard<std::mutex> lock(m_);
    list_.push_back(p);
    ++(NoticeKind(*p) == LogKind::Sms ? sms_ : mms_);
}

int CReportNoticeList::GetCount() const {
    std::lock_guard<std::mutex> lock(m_);
    return sms_ + mms_;
}

int CReportNoticeList::GetCount(LogKind kind) const {
    std::lock_guard<std::mutex> lock(m_);
    return kind == LogKind::Sms ? sms_ : mms_;
}

std::unique_ptr<ReportNotice> CReportNoticeList::TakeFirst(LogKind kind) {
    std::lock_guard<std::mutex> lock(m_);
    for (auto it = list_.begin(); it != list_.end(); ++it) {
        if (NoticeKind(**it) != kind) continue;
        std::unique_ptr<ReportNotice> p(*it);
        list_.erase(it);
        --(kind == LogKind::Sms ? sms_ : mms_);
        return p;
    }
    return nullptr;
}

void CReportNoticeList::RemoveAll() {
    std::lock_guard<std::mutex> lock(m_);
    for (ReportNotice* p : list_) delete p;
    list_.clear();
    sms_ = mms_ = 0;
}

// ---- Record lock -------------------------------------------------------------------------------
CRecordLock::CRecordLock(int timeoutMs) {
    // CEventLock logs each wait that runs out; the lock is only ever had by one holder.
    while (!CEventLock::Lock(g_lockRecord, 1, timeoutMs)) ++m_nTimeouts;
}

CRecordLock::~CRecordLock() { CEventLock::Lock(g_lockRecord, 0, 0); }

void ReleaseRecordLockOnce() {
    // Only the first call frees the lock: a later page made while a writer holds it must not
    // let a second writer in.
    static std::atomic<bool> released{false};
    if (!released.exchange(true)) CEventLock::Lock(g_lockRecord, 0, 0);
}

// ---- Auto-reply hook -----------------------------------------------------------------------------
namespace {
std::mutex g_hookMutex;
IncomingHook g_hook;

void HandIncoming(const std::string& number, const std::string& text, int type) {
    IncomingHook hook;
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        hook = g_hook;
    }
    if (!hook) return;
    try {
        hook(number, text, type);
    } catch (...) {
        // The engine's result is not used; the record is stored whatever it did.
    }
}

// GBK forms of the statuses the log code compares and writes.
struct GbkStatus {
    std::string smsSent = codec::ToGbk(recstatus::kSmsSent);
    std::string smsDelivered = codec::ToGbk(recstatus::kSmsDelivered);
    std::string smsReceived = codec::ToGbk(recstatus::kSmsReceived);
    std::string mmsDelivered = codec::ToGbk(recstatus::kMmsDelivered);
    std::string mmsRejected = codec::ToGbk(recstatus::kMmsRejected);
    std::string mmsReceived = codec::ToGbk(recstatus::kMmsReceived);
};
const GbkStatus& Gbk() {
    static const GbkStatus s;
    return s;
}

// A NUL-padded field equals a text exactly.
bool FieldIs(const char* field, std::size_t width, std::string_view text) {
    const std::size_t len = ::strnlen(field, width);
    return len == text.size() && std::memcmp(field, text.data(), len) == 0;
}

void SetFieldBytes(char* field, std::size_t width, const char* src, std::size_t srcWidth) {
    std::memset(field, 0, width);
    std::memcpy(field, src, std::min(::strnlen(src, srcWidth), width - 1));
}

constexpr std::size_t kOffType = offsetof(MsgRecord, szType);
constexpr std::size_t kOffNumber = offsetof(MsgRecord, szNumber);
constexpr std::size_t kOffSubmit = offsetof(MsgRecord, szSubmitTime);
constexpr std::size_t kWType = sizeof(MsgRecord::szType);
constexpr std::size_t kWNumber = sizeof(MsgRecord::szNumber);
constexpr std::size_t kWSubmit = sizeof(MsgRecord::szSubmitTime);

// Applies one notice to the records of a log buffer, newest first; true when one matched.
bool ApplyNotice(char* buf, std::size_t count, const ReportNotice& n) {
    const GbkStatus& g = Gbk();
    for (std::size_t i = count; i-- > 0;) {
        char* rec = buf + i * kMsgRecordSize;
        if (n.nMsgId < 1) {
            if (!FieldIs(rec + kOffType, kWType, g.smsSent)) continue;
            const std::size_t len = ::strnlen(n.szNumber, sizeof n.szNumber);
            if (!FieldIs(rec + kOffNumber, kWNumber, std::string_view(n.szNumber, len))) continue;
            SetFieldBytes(rec + kOffSubmit, kWSubmit, n.szTime, sizeof n.szTime);
            SetFieldBytes(rec + kOffType, kWType, g.smsDelivered.c_str(), g.smsDelivered.size());
            return true;
        }
        std::int32_t id;
        std::memcpy(&id, rec, sizeof id);
        if (id != n.nMsgId) continue;
        const std::string& status = n.nDelivered == 1 ? g.mmsDelivered : g.mmsRejected;
        SetFieldBytes(rec + kOffSubmit, kWSubmit, n.szTime, sizeof n.szTime);
        SetFieldBytes(rec + kOffType, kWType, status.c_str(), status.size());
        return true;
    }
    return false;
}

}  // namespace

IncomingHook SetIncomingHook(IncomingHook hook) {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    std::swap(g_hook, hook);
    return hook;
}

// ---- CRecordLog ----------------------------------------------------------------------------------
CRecordLog::CRecordLog(LogKind kind) : m_kind(kind), m_shared(std::make_shared<Shared>()) {}

CRecordLog::~CRecordLog() {
    if (g_pSMSRecordLog == this) g_pSMSRecordLog = nullptr;
    if (g_pMMSRecordLog == this) g_pMMSRecordLog = nullptr;
}

const char* CRecordLog::FileName() const { return m_kind == LogKind::Sms ? "SMSMsgSL.dat" : "MMSMsgSL.dat"; }

std::string CRecordLog::FilePath() const { return paths::AppFile(FileName()); }

std::atomic<int>& CRecordLog::BusyFlag() const {
    return m_kind == LogKind::Sms ? g_bSMSReportsBusy : g_bMMSReportsBusy;
}

void CRecordLog::AddLogRecord(const MsgRecord* pRecord) {
    if (pRecord) AddLogRecord(pRecord, msgrec::GetField(pRecord->szNumber));
}

void CRecordLog::AddLogRecord(const MsgRecord* pRecord, const std::string& sender) {
    if (!pRecord) return;
    const MsgRecord r = *pRecord;

    // 1. Received messages go to the auto-reply engine first, whether or not they get stored.
    OfferIncoming(r, sender);

    // 2-6. One whole record appended under the record lock (a torn tail is cut first), shown in
    // the page's view when stored; waiting delivery notices applied when many.
    AppendLogRecords(&r, 1, {}, {});
}

void CRecordLog::OfferIncoming(const MsgRecord& r, const std::string& sender) const {
    const GbkStatus& g = Gbk();
    if (FieldIs(r.szType, kWType, g.smsReceived))
        HandIncoming(sender, msgrec::GetField(r.szText), 0);
    else if (FieldIs(r.szType, kWType, g.mmsReceived))
        HandIncoming(sender, msgrec::GetField(r.szText), 1);
}

bool CRecordLog::AppendLogRecords(const MsgRecord* records, std::size_t n,
                                  const std::function<bool(std::int64_t first)>& before,
                                  const std::function<void(bool stored, std::int64_t whole)>& after) {
    if (n == 0) return true;
    std::vector<char> bytes(n * kMsgRecordSize);
    for (std::size_t i = 0; i < n; ++i) msgrec::ToBytes(records[i], bytes.data() + i * kMsgRecordSize);
    RecordPlace place;
    bool stored = false;
    {
        // The first record's index is the count of whole records before it.
        CRecordLock lock(CRecordLock::kAppendTimeoutMs);
        const std::string path = FilePath();
        const auto wholeNow = [&path] {
            const long long size = paths::FileSize(path);
            return size > 0 ? size / static_cast<long long>(kMsgRecordSize) : 0;
        };
        place.index = wholeNow();
        place.rewrite = m_nRewrites.load();
        if (before && !before(place.index)) return false;
        stored = files::AppendRecords(path, kMsgRecordSize, bytes.data(), n);
        if (after) after(stored, wholeNow());
    }
    // The page's view gets a copy of each stored record on the UI thread.
    if (m_bAutoRefresh && stored)
        for (std::size_t i = 0; i < n; ++i) Notify(records[i], {place.index + static_cast<std::int64_t>(i), place.rewrite});
    // Only more than 100 waiting notices of this log are worth a rewrite of the whole log.
    if (g_ReportNoticeList.GetCount(m_kind) > 100) ApplyDeliveryReports();
    return stored;
}

bool CRecordLog::SyncLog() const { return files::SyncFileData(FilePath()); }

void CRecordLog::SetNotify(RecordLogNotify notify) {
    std::lock_guard<std::mutex> lock(m_shared->m);
    m_shared->notify = std::move(notify);
}

void CRecordLog::Notify(const MsgRecord& r, RecordPlace place) {
    {
        std::lock_guard<std::mutex> lock(m_shared->m);
        if (!m_shared->notify.InsertRecordRow && !m_shared->notify.UpdateCountLabel) return;
        m_shared->waiting.emplace_back(r, place);
        if (m_shared->waiting.size() > 1) return;  // a call is posted already and serves this one too
    }
    std::weak_ptr<Shared> weak = m_shared;
    seam::PostToUi([weak] {
        const std::shared_ptr<Shared> s = weak.lock();
        if (!s) return;
        RecordLogNotify n;
        std::vector<std::pair<MsgRecord, RecordPlace>> waiting;
        {
            std::lock_guard<std::mutex> lock(s->m);
            n = s->notify;
            waiting.swap(s->waiting);
        }
        if (n.InsertRecordRow)
            for (const auto& [record, at] : waiting) n.InsertRecordRow(record, at);
        if (n.UpdateCountLabel && !waiting.empty()) n.UpdateCountLabel();
    });
}

void CRecordLog::ApplyDeliveryReports() {
    if (g_ReportNoticeList.GetCount(m_kind) == 0) return;
    std::atomic<int>& busy = BusyFlag();
    int idle = 0;
    if (!busy.compare_exchange_strong(idle, 1)) return;
    struct ClearBusy {
        std::atomic<int>& flag;
        ~ClearBusy() { flag = 0; }
    } clearBusy{busy};

    try {
        CRecordLock lock(CRecordLock::kReportsTimeoutMs);
        const std::string path = FilePath();
        std::string buf;
        if (!files::ReadWholeFile(path, buf) || buf.empty()) return;  // missing or empty: the notices wait
        const std::size_t count = buf.size() / kMsgRecordSize;
        bool changed = false;
        while (std::unique_ptr<ReportNotice> notice = g_ReportNoticeList.TakeFirst(m_kind))
            changed = ApplyNotice(buf.data(), count, *notice) || changed;
        // The whole content goes back, a torn tail included; nothing matched, nothing to write.
        if (changed) files::WriteFileAtomic(path, buf);
    } catch (...) {
        // The lock and the busy flag are released on the way out; notices taken so far are gone.
    }
}

bool CRecordLog::ForEachRecord(const std::function<void(const MsgRecord&)>& fn, std::size_t newestOnly) const {
    return ForEachRecordAt([&fn](const MsgRecord& r, std::size_t) { fn(r); }, newestOnly);
}

bool CRecordLog::ForEachRecordAt(const std::function<void(const MsgRecord&, std::size_t)>& fn,
                                 std::size_t newestOnly, std::size_t* totalOut) const {
    if (newestOnly == 0) return ForEachRecordIn(0, static_cast<std::size_t>(-1), fn, totalOut);
    // The newest records of those there now: the range is fixed by one look at the size.
    const long long size = paths::FileSize(FilePath());
    const std::size_t now = size > 0 ? static_cast<std::size_t>(size) / kMsgRecordSize : 0;
    return ForEachRecordIn(now > newestOnly ? now - newestOnly : 0, now, fn, totalOut);
}

bool CRecordLog::ForEachRecordIn(std::size_t firstWanted, std::size_t end,
                                 const std::function<void(const MsgRecord&, std::size_t)>& fn,
                                 std::size_t* totalOut) const {
    if (totalOut) *totalOut = 0;
    const int fd = ::open(FilePath().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct FdCloser {  // closes the log on every way out, a throwing fn included
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    // The records there when the read starts; later appends and a torn tail are not read.
    const std::size_t total = std::min(static_cast<std::size_t>(st.st_size) / kMsgRecordSize, end);
    if (totalOut) *totalOut = total;
    const std::size_t first = std::min(firstWanted, total);
    if (first > 0 && ::lseek(fd, static_cast<off_t>(first * kMsgRecordSize), SEEK_SET) < 0) return false;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    constexpr std::size_t kChunk = 1024;  // records per read
    std::vector<MsgRecord> chunk(std::min(kChunk, std::max<std::size_t>(total - first, 1)));
    std::size_t left = total - first;
    bool good = true;
    while (left > 0) {
        const std::size_t want = std::min(left, chunk.size());
        std::size_t got = 0;
        if (!files::ReadFull(fd, chunk.data(), want * kMsgRecordSize, got)) {
            good = false;
            break;
        }
        const std::size_t whole = got / kMsgRecordSize;
        const std::size_t base = total - left;
        for (std::size_t i = 0; i < whole; ++i) fn(chunk[i], base + i);
        if (got < want * kMsgRecordSize) break;  // the file became shorter meanwhile
        left -= whole;
    }
    return good;
}

bool CRecordLog::ReadRecords(std::vector<MsgRecord>& out, std::size_t newestOnly) const {
    out.clear();
    const long long size = paths::FileSize(FilePath());
    if (size > 0) {
        std::size_t n = static_cast<std::size_t>(size) / kMsgRecordSize;
        if (newestOnly > 0) n = std::min(n, newestOnly);
        out.reserve(n);
    }
    return ForEachRecord([&out](const MsgRecord& r) { out.push_back(r); }, newestOnly);
}

bool CRecordLog::RewriteLog(const std::function<bool(std::string& bytes)>& edit) {
    CRecordLock lock(CRecordLock::kAppendTimeoutMs);
    const std::string path = FilePath();
    std::string buf;
    if (!files::ReadWholeFile(path, buf)) return false;  // missing or unreadable
    if (!edit(buf)) return false;
    return files::WriteFileAtomic(path, buf);
}

bool CRecordLog::ClearLog() {
    CRecordLock lock(CRecordLock::kAppendTimeoutMs);
    const std::string path = FilePath();
    if (!paths::FileExists(path)) return false;
    if (!files::WriteFileAtomic(path, {})) return false;
    ++m_nRewrites;
    return true;
}

bool CRecordLog::DeleteRecords(const std::vector<RecordTarget>& targets, std::vector<std::int64_t>& removed) {
    removed.clear();
    CRecordLock lock(CRecordLock::kAppendTimeoutMs);
    const std::string path = FilePath();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool statted = ::fstat(fd, &st) == 0;
    const std::size_t total = statted ? static_cast<std::size_t>(st.st_size) / kMsgRecordSize : 0;
    // A target whose index still holds its id is that record; any other is known by its id only.
    std::vector<std::int64_t> exact;
    std::unordered_map<std::int32_t, int> byId;
    for (const RecordTarget& t : targets) {
        std::int32_t id = 0;
        const bool inLog = t.index >= 0 && static_cast<std::size_t>(t.index) < total;
        if (inLog && ::pread(fd, &id, sizeof id, static_cast<off_t>(t.index) * static_cast<off_t>(kMsgRecordSize)) ==
                         static_cast<ssize_t>(sizeof id) &&
            id == t.id)
            exact.push_back(t.index);
        else
            ++byId[t.id];
    }
    ::close(fd);
    if (!statted) return false;
    std::sort(exact.begin(), exact.end());
    exact.erase(std::unique(exact.begin(), exact.end()), exact.end());

    files::AtomicFileWriter out(path);
    std::vector<std::int64_t> gone;
    bool good = out.ok();
    std::size_t next = 0;  // the next exact target, in index order
    const bool read = ForEachRecordAt([&](const MsgRecord& r, std::size_t i) {
        if (!good) return;
        if (next < exact.size() && static_cast<std::size_t>(exact[next]) == i) {
            ++next;
            gone.push_back(static_cast<std::int64_t>(i));
            return;
        }
        if (!byId.empty()) {
            const auto it = byId.find(r.nId);
            if (it != byId.end() && it->second > 0) {
                if (--it->second == 0) byId.erase(it);
                gone.push_back(static_cast<std::int64_t>(i));
                return;
            }
        }
        good = out.Write(&r, kMsgRecordSize);
    });
    if (!read || !good) return false;
    if (gone.empty()) return true;  // nothing of the log was chosen: no rewrite
    if (!out.Commit()) return false;
    ++m_nRewrites;
    removed = std::move(gone);
    return true;
}
