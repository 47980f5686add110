#include "core/PendingQueues.h"

#include "core/Helpers.h"
#include "core/QueueJournal.h"
#include "core/RecordCodec.h"
#include "core/Scheduler.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/TextCodec.h"

#include <cstring>
#include <vector>

using queue::Kind;
using queue::Placement;

PendingQueues::PendingQueues(Kind page)
    : PendingQueues(page, ScheduledStore::Timed(), ScheduledStore::Cyclic()) {}

PendingQueues::PendingQueues(Kind page, ScheduledStore& timed, ScheduledStore& cyclic)
    : m_page(page), m_timed(timed), m_cyclic(cyclic) {}

const char* PendingQueues::ImmediateFileName() const {
    return m_page == Kind::Sms ? "SMSMsgWS.dat" : "MsgWS.dat";
}

bool PendingQueues::IsLoaded() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bLoaded;
}

void PendingQueues::SetCountChangedHandler(std::function<void()> handler) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_countChanged = std::move(handler);
}

void PendingQueues::NotifyCountChanged() {
    std::function<void()> fn;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        fn = m_countChanged;
    }
    if (fn) fn();
}

std::string PendingQueues::CachedPackageSizeText(const std::string& package) {
    std::lock_guard<std::mutex> lock(m_sizeMutex);
    if (!m_bHaveLastSize || package != m_strLastPackage) {
        m_strLastSize = queue::PackageSizeText(package);
        m_strLastPackage = package;
        m_bHaveLastSize = true;
    }
    return m_strLastSize;
}

void PendingQueues::AddSMSItem(int id, std::string numbers, std::string name, std::string text,
                               std::string schedule, int toTop) {
    std::string package;
    Add(Kind::Sms, id, numbers, name, text, package, schedule, toTop);
}

void PendingQueues::AddMMSItem(int id, std::string numbers, std::string files, std::string title,
                               std::string package, std::string schedule, int toTop) {
    Add(Kind::Mms, id, numbers, files, title, package, schedule, toTop);
}

namespace {
void CutTo(std::string& text, std::size_t fieldWidth, std::size_t gbkLength = PendingQueues::kTextNotMeasured) {
    if (gbkLength == PendingQueues::kTextNotMeasured) gbkLength = codec::GbkLength(text);
    if (gbkLength >= fieldWidth) text = codec::CutToGbkBytes(text, fieldWidth - 1);
}
}  // namespace

bool PendingQueues::MakeCells(Kind kind, Placement placement, int id, std::string& numbers, std::string& col2,
                              std::string& text, std::string& package, std::string& schedule,
                              std::vector<std::string>& cells, std::size_t textGbkLength) {
    // Column 2 lands in the field of the list's kind: the page's own for immediate rows, the
    // entry's for timed and cyclic ones.
    const Kind col2Kind = placement == Placement::Immediate ? m_page : kind;
    const std::size_t col2Width = queue::Column2Width(col2Kind);
    if (placement == Placement::Immediate && codec::GbkLength(numbers) >= sizeof(MsgRecord::szNumber)) {
        WriteRunLog("号码过长，未加入发送队列：" + numbers);
        return false;
    }
    if (kind == Kind::Mms && codec::GbkLength(col2) >= col2Width) {
        WriteRunLog("彩信文件列表过长，未加入发送队列：" + std::to_string(id));
        return false;
    }
    CutTo(col2, col2Width);
    CutTo(text, sizeof(MsgRecord::szText), textGbkLength);
    CutTo(schedule, sizeof(MsgRecord::szTime));
    CutTo(package, sizeof(MsgRecord::szPackage));

    cells.assign(queue::kColumnCount, std::string());
    cells[queue::kColType] = queue::TypeText(placement, kind);
    cells[queue::kColNumber] = std::move(numbers);
    cells[queue::kColNameOrFiles] = std::move(col2);
    cells[queue::kColText] = std::move(text);
    if (kind == Kind::Sms || placement != Placement::Immediate) cells[queue::kColTime] = schedule;
    if (placement != Placement::Immediate) cells[queue::kColSubmitTime] = std::to_string(queue::MinuteKey(schedule));
    if (kind == Kind::Mms) {
        cells[queue::kColSize] = CachedPackageSizeText(package);
        cells[queue::kColPackage] = std::move(package);
    }
    cells[queue::kColId] = std::to_string(id);
    return true;
}

namespace {
// Appends a writer's cells to the row being written (each cell up to a NUL it may hold, as
// the record would keep it).
void PackCells(const std::vector<std::string>& cells, std::string& row) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c) row.push_back('\0');
        const std::size_t nul = cells[c].find('\0');
        row.append(cells[c], 0, nul);
    }
}
}  // namespace

QueueJournal& PendingQueues::JournalOf(Placement placement) const {
    return placement == Placement::Immediate ? Journal()
           : placement == Placement::Timed   ? m_timed.Journal()
                                             : m_cyclic.Journal();
}

rows::RowStore& PendingQueues::ListOf(Placement placement, Kind kind) {
    return placement == Placement::Immediate ? m_immediate
           : placement == Placement::Timed   ? m_timed.Rows(kind)
                                             : m_cyclic.Rows(kind);
}

namespace {
// The list an addition names in its journal: scheduled stores hold both kinds (0 SMS, 1 MMS).
std::uint32_t JournalList(Placement placement, Kind kind) {
    return placement == Placement::Immediate || kind == Kind::Sms ? 0 : 1;
}
}  // namespace

void PendingQueues::Commit(Placement placement, Kind kind, bool front, rows::PackedRows packed) {
    if (packed.Count() == 0) return;
    rows::RowStore& list = ListOf(placement, kind);
    // The store takes the arena over; the rows do not move, so they are journalled first.
    const rows::PackedRows& rowsRef = packed;
    std::vector<rows::PackedRows> blocks;
    JournalOf(placement).ApplyAdded(JournalList(placement, kind), front, rowsRef, [&] {
        blocks.push_back(std::move(packed));
        list.InsertPacked(front ? 0 : rows::kEnd, std::move(blocks));
    });
    NotifyCountChanged();
}

void PendingQueues::Add(Kind kind, int id, std::string& numbers, std::string& col2, std::string& text,
                        std::string& package, std::string& schedule, int toTop) {
    const Placement placement = queue::PlacementOf(schedule);
    std::vector<std::string> cells;
    if (!MakeCells(kind, placement, id, numbers, col2, text, package, schedule, cells)) return;
    const int icon = kind == Kind::Sms ? queue::kIconSms : queue::kIconMms;
    for (std::string& c : cells)
        if (const std::size_t nul = c.find('\0'); nul != std::string::npos) c.resize(nul);
    // Only the immediate list takes a row at its top.
    const bool front = placement == Placement::Immediate && toTop == 1;
    rows::PackedRows packed(queue::kColumnCount, std::size_t{4} << 10);
    PackCells(cells, packed.Text());
    packed.EndRow(icon, 0);
    rows::RowStore& list = ListOf(placement, kind);
    JournalOf(placement).ApplyAdded(JournalList(placement, kind), front, packed,
                                    [&] { list.Insert(front ? 0 : rows::kEnd, cells, icon); });
    NotifyCountChanged();
}

std::size_t PendingQueues::AddSMSItems(std::vector<SmsItem> items, bool toFront) {
    rows::PackedRows packed(queue::kColumnCount);
    std::vector<std::string> cells;
    std::string package, schedule;
    for (SmsItem& item : items) {
        package.clear();
        schedule.clear();
        if (!MakeCells(Kind::Sms, Placement::Immediate, item.id, item.numbers, item.name, item.text, package,
                       schedule, cells, item.textGbkLength))
            continue;
        PackCells(cells, packed.Text());
        packed.EndRow(queue::kIconSms, 0);
    }
    const std::size_t queued = packed.Count();
    Commit(Placement::Immediate, Kind::Sms, toFront, std::move(packed));
    return queued;
}

std::size_t PendingQueues::AddItems(std::vector<Item> items) {
    rows::PackedRows packed(queue::kColumnCount);
    std::vector<std::string> cells;
    std::string schedule;
    for (Item& item : items) {
        schedule.clear();
        if (item.kind == Kind::Sms) item.package.clear();
        if (!MakeCells(item.kind, Placement::Immediate, item.id, item.numbers, item.col2, item.text, item.package,
                       schedule, cells))
            continue;
        PackCells(cells, packed.Text());
        packed.EndRow(item.kind == Kind::Sms ? queue::kIconSms : queue::kIconMms, 0);
    }
    const std::size_t queued = packed.Count();
    Commit(Placement::Immediate, m_page, false, std::move(packed));
    return queued;
}

void PendingQueues::LoadQueues() {
    const std::string path = paths::AppFile(ImmediateFileName());
    const queue::FileBytes file = queue::ReadQueueFile(path);
    bool unreadable = false;
    std::vector<rows::PackedRow> loaded;
    if (file.status == queue::FileBytes::Unreadable) {
        unreadable = true;
        WriteRunLog(std::string("无法读取队列文件 ") + ImmediateFileName() + "，本次运行不会改写它");
    } else if (file.status == queue::FileBytes::Read) {
        const std::size_t count = file.size / kMsgRecordSize;
        loaded.reserve(count);
        queue::RowPacker packer;
        std::string scratch, type;
        queue::LoadStop stop;
        for (std::size_t i = 0; i < count; ++i) {
            const auto* r = reinterpret_cast<const MsgRecord*>(file.data.get() + i * kMsgRecordSize);
            if (const char* fault = queue::RecordFault(*r, true)) {
                stop = {i + 1, fault};
                break;
            }
            // A damaged number is never sent to.
            if (!IsValidMobileNumber(std::string(r->szNumber, strnlen(r->szNumber, sizeof r->szNumber)))) {
                stop = {i + 1, "号码无效"};
                break;
            }
            type.clear();
            packer.AppendField(queue::kColType, r->szType, sizeof r->szType, type);
            const int icon = type == queue::kTypeImmediateSms   ? queue::kIconSms
                             : type == queue::kTypeImmediateMms ? queue::kIconMms
                                                                : queue::kIconOther;
            scratch.clear();
            packer.Pack(*r, type, std::string_view(r->szNumber, sizeof r->szNumber), m_page, scratch);
            loaded.push_back({scratch, icon, 0});
        }
        if (!stop && count * kMsgRecordSize != file.size) stop = {count + 1, "记录不完整"};
        if (stop) queue::KeepBadCopy(ImmediateFileName(), file.view(), stop);
    }
    // Rows queued since that file was written come back, rows sent, deleted or cancelled
    // leave again; all rows queued in this run are in the journal too, so the result takes
    // the place of whatever the list held.
    Journal().Load([&](const std::vector<qjournal::Entry>& entries) {
        qjournal::ApplyTo(entries, {&loaded});
        m_immediate.AssignPacked(std::move(loaded));
    });
    m_timed.Load();
    m_cyclic.Load();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bImmediateUnreadable = unreadable;
        m_bLoaded = true;
    }
    NotifyCountChanged();
}

QueueJournal& PendingQueues::Journal() const { return QueueJournal::For(ImmediateFileName()); }

void PendingQueues::SaveQueues() {
    SaveImmediate();
    m_timed.Save();
    m_cyclic.Save();
}

void PendingQueues::SaveImmediate() {
    bool skipImmediate = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_bLoaded) return;  // never rewrite the files from lists that were not loaded
        skipImmediate = m_bImmediateUnreadable;
    }
    if (!skipImmediate) {
        std::vector<rows::PackedRow> rowsNow;
        const std::uint64_t mark = Journal().Snapshot([&] { rowsNow = m_immediate.SnapshotPacked(); });
        files::AtomicFileWriter out(paths::AppFile(ImmediateFileName()));
        if (!out.ok()) {
            WriteRunLog(std::string("无法写入队列文件 ") + ImmediateFileName());
        } else {
            queue::RecordFiller filler;
            // Records are made in place in chunks of over 1 MB, which the writer passes
            // straight to the file.
            constexpr std::size_t kChunk = 660;
            std::vector<char> buf(kChunk * kMsgRecordSize);
            std::size_t inBuf = 0;
            for (const auto& row : rowsNow) {
                auto* r = reinterpret_cast<MsgRecord*>(buf.data() + inBuf * kMsgRecordSize);
                std::memset(r, 0, kMsgRecordSize);
                filler.Fill(row.cells, m_page, true, *r);
                if (++inBuf == kChunk) {
                    out.Write(buf.data(), inBuf * kMsgRecordSize);
                    inBuf = 0;
                }
            }
            out.Write(buf.data(), inBuf * kMsgRecordSize);
            if (!out.Commit()) WriteRunLog(std::string("写入队列文件失败 ") + ImmediateFileName());
            else Journal().Truncate(mark);
        }
    }
}

void PendingQueues::CheckTimedItems() { sched::CheckTimedItems(*this); }
void PendingQueues::CheckCyclicItems(int balance) { sched::CheckCyclicItems(*this, balance); }
