#include "core/ReceiveSpool.h"

#include "core/FileUtil.h"
#include "core/Helpers.h"
#include "core/RecordLog.h"
#include "core/WorkerEngine.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mospool {
namespace {

constexpr char kMagic[8] = {'X', 'F', 'M', 'O', 'S', 'P', 'L', '1'};
constexpr off_t kProgressAt = 16;

std::atomic<StepHook> g_hook{nullptr};

void Reached(Step step, std::size_t value) {
    if (const StepHook hook = g_hook.load()) hook(step, value);
}

struct Progress {
    std::int32_t stored = 0, offered = 0, offering = 0, inFlight = 0;
    std::int64_t base = 0;
};
static_assert(sizeof(Progress) == 24 && offsetof(Progress, base) == 16, "the header's progress block");

bool Plausible(const Progress& p) {
    return p.stored >= 0 && p.inFlight >= 0 && p.base >= 0 && p.stored + static_cast<std::int64_t>(p.inFlight) <= p.offered &&
           p.offered <= p.offering && p.offering <= p.offered + 1;
}

// An open spool and its progress as last noted; without a file (a reply stored from memory) the
// progress is kept in memory only.
class Spool {
public:
    Spool() = default;
    explicit Spool(int fd) : fd_(fd) {}
    ~Spool() { Close(); }
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    bool Backed() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // Writes the progress into the header, in one write.
    bool Note() {
        if (fd_ < 0) return true;
        char bytes[sizeof(Progress)];
        std::memcpy(bytes, &p, sizeof bytes);  // little-endian host
        return ::pwrite(fd_, bytes, sizeof bytes, kProgressAt) == static_cast<ssize_t>(sizeof bytes);
    }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    Progress p;

private:
    int fd_ = -1;
};

// Counts a batch left in flight from the log's whole records; under the record lock, so nothing
// else writes the log meanwhile.
bool SettleInFlight(CRecordLog& log, Spool& spool) {
    Progress& p = spool.p;
    if (p.inFlight <= 0) return true;
    CRecordLock lock(CRecordLock::kAppendTimeoutMs);
    const long long size = paths::FileSize(log.FilePath());
    const long long whole = size > 0 ? size / static_cast<long long>(kMsgRecordSize) : 0;
    p.stored += static_cast<std::int32_t>(std::clamp<long long>(whole - p.base, 0, p.inFlight));
    p.inFlight = 0;
    p.base = 0;
    return spool.Note();
}

Result Failed(const std::string& why) {
    WriteRunLog(why);
    return Result::Failed;
}

// Puts a spool that cannot be read as one of ours aside; nothing of it is stored.
Result PutAside(Spool& spool, const std::string& path) {
    spool.Close();
    if (::rename(path.c_str(), (path + ".bad").c_str()) != 0)
        return Failed("接收短信暂存文件已损坏且无法改名：" + path);
    WriteRunLog("接收短信暂存文件已损坏，已改存为：" + path + ".bad");
    return Result::None;
}

// Stores the messages the spool's progress does not count yet, in batches: each message is
// offered to the engine (noted before and after), then its batch is appended (noted under the
// record lock on both sides); at the end the log goes to the disk and the spool goes.
Result StoreMessages(CRecordLog& log, Spool& spool, const std::vector<worker::ReceivedSms>& messages,
                     const std::string& path) {
    const std::size_t n = messages.size();
    Progress& p = spool.p;
    const auto noteFailed = [&path] { return Failed("接收短信暂存文件无法写入：" + path); };
    if (p.offering > static_cast<std::int64_t>(n) || !Plausible(p)) return PutAside(spool, path);
    if (!SettleInFlight(log, spool)) return noteFailed();
    if (p.offering == p.offered + 1) {
        // The engine had this message in hand at a kill and may have queued its answer: it is not
        // offered again, so no answer goes twice, and the run log names it.
        WriteRunLog("接收短信未能确定是否已自动回复：" + messages[static_cast<std::size_t>(p.offered)].number);
        p.offered = p.offering;
        if (!spool.Note()) return noteFailed();
    }
    const auto first = static_cast<std::size_t>(p.stored);
    if (first < n) {
        const std::vector<int> ids = CFileUtil::GetNextSerials(n - first);
        std::vector<MsgRecord> batch;
        batch.reserve(std::min(kBatch, n - first));
        std::string sender;
        for (std::size_t b = first; b < n;) {
            const std::size_t e = std::min(n, b + kBatch);
            batch.clear();
            for (std::size_t i = b; i < e; ++i) {
                batch.push_back(worker::ReceivedRecord(messages[i], ids[i - first], &sender));
                if (static_cast<std::int64_t>(i) < p.offered) continue;  // the engine had it before a kill
                p.offering = static_cast<std::int32_t>(i + 1);
                if (!spool.Note()) return noteFailed();
                log.OfferIncoming(batch.back(), sender);
                Reached(Step::Offered, i + 1);
                p.offered = p.offering;
                if (!spool.Note()) return noteFailed();
            }
            bool noted = true;
            const auto count = static_cast<std::int32_t>(e - b);
            const bool stored = log.AppendLogRecords(
                batch.data(), batch.size(),
                [&](std::int64_t at) {
                    p.inFlight = count;
                    p.base = at;
                    return noted = spool.Note();
                },
                [&](bool all, std::int64_t whole) {
                    if (all) Reached(Step::BatchWritten, e);
                    // A failed write may have left some of the batch whole in the log.
                    p.stored += all ? count : static_cast<std::int32_t>(std::clamp<std::int64_t>(whole - p.base, 0, count));
                    p.inFlight = 0;
                    p.base = 0;
                    noted = spool.Note();
                });
            if (!noted) return noteFailed();
            if (!stored) return Failed("接收短信未能存入记录文件：" + log.FilePath());
            Reached(Step::BatchNoted, e);
            b = e;
        }
    }
    if (!log.SyncLog()) return Failed("接收短信记录文件未能写入磁盘：" + log.FilePath());
    Reached(Step::AllStored, n);
    if (spool.Backed()) {
        spool.Close();
        ::unlink(path.c_str());
    }
    return Result::Stored;
}

// Writes the reply whole into a new spool and puts it on the disk; the spool stays open for its
// progress. -1 when it cannot be written (nothing of it is left then).
int WriteSpool(const std::string& path, const std::string& reply) {
    if (reply.size() > std::numeric_limits<std::uint32_t>::max() - kHeaderSize) return -1;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    char head[kHeaderSize] = {};
    std::memcpy(head, kMagic, sizeof kMagic);
    const auto len = static_cast<std::uint32_t>(reply.size());
    std::memcpy(head + 8, &len, sizeof len);
    bool good = files::WriteAll(fd, head, sizeof head);
    for (std::size_t at = 0; good && at < reply.size();) {
        const std::size_t piece = std::min(kWritePiece, reply.size() - at);
        good = files::WriteAll(fd, reply.data() + at, piece);
        at += piece;
        if (good) Reached(Step::SpoolPiece, at);
    }
    good = good && ::fdatasync(fd) == 0;
    if (!good) {
        ::close(fd);
        ::unlink(path.c_str());
        return -1;
    }
    files::SyncParentDir(path);
    return fd;
}

}  // namespace

std::string SpoolPath(const CRecordLog& log) { return log.FilePath() + ".spool"; }

void SetStepHook(StepHook hook) { g_hook.store(hook); }

bool Settle(CRecordLog& log) {
    const std::string path = SpoolPath(log);
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    Spool spool(fd);
    char head[kHeaderSize];
    std::size_t got = 0;
    // Cut short or not ours: Store deals with it; nothing of such a spool is in flight.
    if (!files::ReadFull(fd, head, sizeof head, got, 0) || got < sizeof head) return true;
    std::memcpy(&spool.p, head + kProgressAt, sizeof spool.p);
    if (std::memcmp(head, kMagic, sizeof kMagic) != 0 || !Plausible(spool.p)) return true;
    return SettleInFlight(log, spool);
}

Result Store(CRecordLog& log) {
    const std::string path = SpoolPath(log);
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return Result::None;
        return Failed("接收短信暂存文件无法打开：" + path);
    }
    Spool spool(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return Failed("接收短信暂存文件无法读取：" + path);
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    if (!files::ReadFull(fd, bytes.data(), bytes.size(), got, 0)) return Failed("接收短信暂存文件无法读取：" + path);
    bytes.resize(got);
    if (bytes.size() < kHeaderSize) {
        // Cut short before its header was whole: it holds no byte of the reply.
        spool.Close();
        ::unlink(path.c_str());
        return Result::None;
    }
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return PutAside(spool, path);
    std::uint32_t len = 0;
    std::memcpy(&len, bytes.data() + 8, sizeof len);
    std::memcpy(&spool.p, bytes.data() + kProgressAt, sizeof spool.p);
    const bool whole = bytes.size() - kHeaderSize >= len;
    std::string text = bytes.substr(kHeaderSize, whole ? len : std::string::npos);
    bytes.clear();
    bytes.shrink_to_fit();
    if (!whole) {
        // A kill during the spool's write: the messages before the last separator are whole.
        const std::size_t sep = text.rfind("|#|");
        text.resize(sep == std::string::npos ? 0 : sep);
    }
    return StoreMessages(log, spool, worker::ParsePollReply(text, !whole), path);
}

Result Receive(CRecordLog& log, const std::string& reply) {
    if (reply.size() < 10) return Result::None;  // fewer than 10 bytes hold no message
    const std::string path = SpoolPath(log);
    const int fd = WriteSpool(path, reply);
    Spool spool(fd);
    if (spool.Backed()) Reached(Step::SpoolSynced, reply.size());
    else WriteRunLog("接收短信暂存文件无法写入，本次收到的短信直接存入记录文件：" + path);
    const std::vector<worker::ReceivedSms> messages = worker::ParsePollReply(reply);
    if (messages.empty()) {
        if (spool.Backed()) {
            spool.Close();
            ::unlink(path.c_str());
        }
        return Result::None;
    }
    return StoreMessages(log, spool, messages, path);
}

}  // namespace mospool
