#include "core/ScheduledStore.h"

#include "core/Helpers.h"
#include "core/QueueJournal.h"
#include "core/RecordCodec.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"

#include <cstring>

using queue::Kind;

ScheduledStore::ScheduledStore(std::string fileName, bool cyclic)
    : m_strFile(std::move(fileName)), m_bCyclic(cyclic) {}

ScheduledStore& ScheduledStore::Timed() {
    static ScheduledStore store("MsgTS.dat", false);
    return store;
}

ScheduledStore& ScheduledStore::Cyclic() {
    static ScheduledStore store("MsgCS.dat", true);
    return store;
}

bool ScheduledStore::IsLoaded() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bLoaded;
}

namespace {
// The length field: decimal digits up to its NUL; 0 when it is anything else or too big.
std::size_t ListLength(const MsgRecord& r) {
    std::size_t n = 0;
    std::size_t i = 0;
    for (; i < sizeof r.szNumber && r.szNumber[i] >= '0' && r.szNumber[i] <= '9'; ++i) {
        if (n > (std::size_t(1) << 40)) return 0;
        n = n * 10 + static_cast<std::size_t>(r.szNumber[i] - '0');
    }
    if (i == sizeof r.szNumber || r.szNumber[i] != '\0') return 0;
    return n;
}
}  // namespace

queue::LoadStop ScheduledStore::Parse(std::string_view data, bool cyclic, std::vector<rows::PackedRow>& sms,
                                      std::vector<rows::PackedRow>& mms) {
    queue::RowPacker packer;
    std::string scratch;
    std::size_t pos = 0;
    std::size_t entry = 0;
    while (pos < data.size()) {
        ++entry;
        if (data.size() - pos < kMsgRecordSize + 1) return {entry, "记录不完整"};
        const auto* r = reinterpret_cast<const MsgRecord*>(data.data() + pos);
        const std::size_t len = ListLength(*r);
        if (len == 0 || len > data.size() - pos - kMsgRecordSize) return {entry, "号码列表长度无效"};
        if (const char* fault = queue::RecordFault(*r, false)) return {entry, fault};
        const std::string_view list(data.data() + pos + kMsgRecordSize, len);
        if (list.find('\0') == std::string_view::npos) return {entry, "号码列表没有结束符"};
        const Kind kind = r->szPackage[0] == '\0' ? Kind::Sms : Kind::Mms;
        const auto placement = cyclic ? queue::Placement::Cyclic : queue::Placement::Timed;
        scratch.clear();
        packer.Pack(*r, queue::TypeText(placement, kind), list, kind, scratch);
        auto& out = kind == Kind::Sms ? sms : mms;
        out.push_back({scratch, kind == Kind::Sms ? queue::kIconSms : queue::kIconMms, 0});
        pos += kMsgRecordSize + len;
    }
    return {};
}

bool ScheduledStore::Load() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bLoaded) return true;
    const std::string path = paths::AppFile(m_strFile);
    const queue::FileBytes file = queue::ReadQueueFile(path);
    if (file.status == queue::FileBytes::Unreadable) {
        WriteRunLog("无法读取队列文件 " + m_strFile + "，本次运行不会改写它");
        return false;
    }
    std::vector<rows::PackedRow> sms, mms;
    if (file.status == queue::FileBytes::Read)
        if (const queue::LoadStop stop = Parse(file.view(), m_bCyclic, sms, mms))
            queue::KeepBadCopy(m_strFile, file.view(), stop);
    // Entries added since that file was written (in this run too, before the load) come back
    // from the journal, so the result takes the place of the rows.
    Journal().Load([&](const std::vector<qjournal::Entry>& entries) {
        qjournal::ApplyTo(entries, {&sms, &mms});
        m_sms.AssignPacked(std::move(sms));
        m_mms.AssignPacked(std::move(mms));
    });
    // The rows may hold more than the file (entries queued before the load, or by another
    // thread meanwhile), so the first save always writes.
    m_savedSms = m_savedMms = kNeverSaved;
    m_bLoaded = true;
    return true;
}

bool ScheduledStore::Save() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bLoaded) return false;
    const std::uint64_t genSms = m_sms.Generation(), genMms = m_mms.Generation();
    const std::string path = paths::AppFile(m_strFile);
    if (genSms == m_savedSms && genMms == m_savedMms && paths::FileExists(path)) return true;
    std::vector<rows::PackedRow> sms, mms;
    const std::uint64_t mark = Journal().Snapshot([&] {
        sms = m_sms.SnapshotPacked();
        mms = m_mms.SnapshotPacked();
    });
    files::AtomicFileWriter out(path);
    if (!out.ok()) {
        WriteRunLog("无法写入队列文件 " + m_strFile);
        return false;
    }
    queue::RecordFiller filler;
    char rec[kMsgRecordSize];
    for (const auto* list : {&sms, &mms}) {
        const Kind kind = list == &sms ? Kind::Sms : Kind::Mms;
        for (const auto& row : *list) {
            MsgRecord r = msgrec::Empty();
            filler.Fill(row.cells, kind, false, r);
            const std::string& numbers = filler.Gbk(queue::kColNumber, rows::PackedCell(row.cells, queue::kColNumber));
            const std::string len = std::to_string(numbers.size() + 1);
            std::memcpy(r.szNumber, len.data(), len.size());
            msgrec::ToBytes(r, rec);
            out.Write(rec, sizeof rec);
            out.Write(numbers.data(), numbers.size());
            out.Write("", 1);
        }
    }
    if (!out.Commit()) {
        WriteRunLog("写入队列文件失败 " + m_strFile);
        return false;
    }
    Journal().Truncate(mark);
    m_savedSms = genSms;
    m_savedMms = genMms;
    return true;
}

QueueJournal& ScheduledStore::Journal() const { return QueueJournal::For(m_strFile); }

std::size_t ScheduledStore::RemoveRows(Kind kind, const std::vector<rows::RowId>& ids) {
    rows::RowStore& list = Rows(kind);
    std::size_t n = 0;
    QueueJournal& j = Journal();
    // Journal lock, then the store's: the same order as a save's snapshot.
    std::vector<qjournal::Entry> entries;
    std::vector<rows::RowId> present;
    for (rows::RowId id : ids)
        if (const auto row = list.Row(id)) {
            entries.push_back(qjournal::Removed(row->cells));
            present.push_back(id);
        }
    j.Apply(entries, [&] { n = list.RemoveRows(present); });
    return n;
}

bool ScheduledStore::SetLastSend(Kind kind, rows::RowId id, const std::string& date) {
    rows::RowStore& list = Rows(kind);
    const auto row = list.Row(id);
    if (!row) return false;
    bool done = false;
    Journal().Apply({qjournal::LastSend(row->cells, date)},
                    [&] { done = list.SetCell(id, queue::kColSubmitTime, date); });
    return done;
}
