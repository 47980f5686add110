#include "core/QueueJournal.h"

#include "core/Helpers.h"
#include "core/QueueRow.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qjournal {
namespace {

// Entry layout: "QJ01", op, id, 0, key (uint64), value (char[20], NUL-padded), check.
constexpr char kTag[4] = {'Q', 'J', '0', '1'};
constexpr std::size_t kValueOffset = 24, kValueWidth = 20, kCheckOffset = 44;

template <class T>
void Put(char* p, T v) { std::memcpy(p, &v, sizeof v); }
template <class T>
T Get(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::uint32_t Check(const char* p, std::size_t n) {
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 16777619u;
    return h;
}

// The check of rows in the entry's form (per row: length, icon, cells); false when they do not
// make exactly count rows.
bool RowsCheck(const char* p, std::size_t n, std::uint32_t count, std::uint32_t& check) {
    std::uint64_t h = kFoldStart;
    if (!WalkRows(p, n, count, [&](std::string_view cells, int icon) { h = FoldRow(h, cells, icon); })) return false;
    check = FoldEnd(h);
    return true;
}

// Added header: "QJ01", op, count, list | front << 16, rows length (uint64), 0, header check;
// the rows follow, then their check (uint32), so a writer checks the rows as it writes them.
constexpr std::size_t kRowsLengthOffset = 16, kHeadCheckOffset = 28, kRowsCheckSize = 4;
// Bounds a length field so a damaged one cannot make the reader allocate without end.
constexpr std::uint64_t kMaxRowsBytes = std::uint64_t(1) << 40;


std::int32_t IdOf(std::string_view idCell) {
    long long v = 0;
    bool neg = false;
    std::size_t i = 0;
    if (i < idCell.size() && idCell[i] == '-') neg = true, ++i;
    for (; i < idCell.size() && idCell[i] >= '0' && idCell[i] <= '9' && v < 10000000000LL; ++i) v = v * 10 + (idCell[i] - '0');
    return static_cast<std::int32_t>(neg ? -v : v);
}

Entry Named(Op op, std::string_view numberCell, std::string_view idCell) {
    Entry e;
    e.op = op;
    e.id = IdOf(idCell);
    e.key = RowKey(numberCell);
    return e;
}

std::string WithCell(std::string_view packed, int col, std::string_view text) {
    std::string out;
    for (int c = 0; c < queue::kColumnCount; ++c) {
        if (c) out += '\0';
        out += c == col ? text : rows::PackedCell(packed, c);
    }
    return out;
}

}  // namespace

// The check of an addition's rows, row by row (so a writer can check rows where they lie):
// eight bytes a step, so a bulk entry of many MB is checked at memory speed.
std::uint64_t FoldRow(std::uint64_t h, std::string_view cells, int icon) {
    const char* p = cells.data();
    const std::size_t n = cells.size();
    h = (h ^ (n | static_cast<std::uint64_t>(static_cast<std::uint32_t>(icon)) << 32)) * 0x100000001B3ull;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    for (; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 0x100000001B3ull;
    return h ^ (h >> 31);
}


std::uint64_t RowKey(std::string_view numberCell) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char ch : numberCell) h = (h ^ ch) * 1099511628211ull;
    return h;
}

Entry Removed(const std::vector<std::string>& cells) {
    static const std::string none;
    return Named(kRemoved, cells.size() > queue::kColNumber ? cells[queue::kColNumber] : none,
                 cells.size() > queue::kColId ? cells[queue::kColId] : none);
}

Entry LastSend(const std::vector<std::string>& cells, std::string date) {
    Entry e = Removed(cells);
    e.op = kLastSend;
    e.value = std::move(date);
    return e;
}

Entry Added(std::uint32_t list, bool front) {
    Entry e;
    e.op = kAdded;
    e.list = list;
    e.front = front;
    return e;
}

void AddRow(Entry& e, std::string_view packedCells, int icon) {
    char head[8];
    Put<std::uint32_t>(head, static_cast<std::uint32_t>(packedCells.size()));
    Put<std::int32_t>(head + 4, icon);
    e.rows.append(head, sizeof head);
    e.rows.append(packedCells);
    ++e.count;
}

void AddedHeader(std::uint32_t list, bool front, std::uint32_t count, std::uint64_t rowsLength,
                 char out[kAddedHeaderSize]) {
    std::memset(out, 0, kAddedHeaderSize);
    std::memcpy(out, kTag, sizeof kTag);
    Put<std::uint32_t>(out + 4, kAdded);
    Put<std::uint32_t>(out + 8, count);
    Put<std::uint32_t>(out + 12, (list & 0xFFFFu) | (front ? 1u << 16 : 0u));
    Put<std::uint64_t>(out + kRowsLengthOffset, rowsLength);
    Put<std::uint32_t>(out + kHeadCheckOffset, Check(out, kHeadCheckOffset));
}

std::string EncodeAny(const Entry& e) {
    if (e.op != kAdded) {
        std::string out(kEntrySize, '\0');
        Encode(e, out.data());
        return out;
    }
    std::string out(kAddedHeaderSize, '\0');
    AddedHeader(e.list, e.front, e.count, e.rows.size(), out.data());
    out += e.rows;
    std::uint32_t check = 0;
    RowsCheck(e.rows.data(), e.rows.size(), e.count, check);
    char tail[kRowsCheckSize];
    Put<std::uint32_t>(tail, check);
    out.append(tail, sizeof tail);
    return out;
}

void Encode(const Entry& e, char out[kEntrySize]) {
    std::memset(out, 0, kEntrySize);
    std::memcpy(out, kTag, sizeof kTag);
    Put<std::uint32_t>(out + 4, e.op);
    Put<std::int32_t>(out + 8, e.id);
    Put<std::uint64_t>(out + 16, e.key);
    std::memcpy(out + kValueOffset, e.value.data(), std::min(e.value.size(), kValueWidth - 1));
    Put<std::uint32_t>(out + kCheckOffset, Check(out, kCheckOffset));
}

std::vector<Entry> Decode(std::string_view data, std::size_t* goodBytes) {
    std::vector<Entry> out;
    std::size_t pos = 0;
    for (;;) {
        if (data.size() - pos < 8) break;
        const char* p = data.data() + pos;
        if (std::memcmp(p, kTag, sizeof kTag) != 0) break;
        if (Get<std::uint32_t>(p + 4) == kAdded) {
            if (data.size() - pos < kAddedHeaderSize || Get<std::uint32_t>(p + kHeadCheckOffset) != Check(p, kHeadCheckOffset)) break;
            const auto length = Get<std::uint64_t>(p + kRowsLengthOffset);
            if (length > kMaxRowsBytes || data.size() - pos - kAddedHeaderSize < kRowsCheckSize ||
                length > data.size() - pos - kAddedHeaderSize - kRowsCheckSize)
                break;
            const char* rows = p + kAddedHeaderSize;
            const auto count = Get<std::uint32_t>(p + 8);
            std::uint32_t check = 0;
            if (!RowsCheck(rows, static_cast<std::size_t>(length), count, check) ||
                Get<std::uint32_t>(rows + length) != check)
                break;
            Entry e;
            e.op = kAdded;
            e.count = count;
            const auto where = Get<std::uint32_t>(p + 12);
            e.list = where & 0xFFFFu;
            e.front = (where >> 16) & 1u;
            e.rows.assign(rows, static_cast<std::size_t>(length));
            out.push_back(std::move(e));
            pos += kAddedHeaderSize + static_cast<std::size_t>(length) + kRowsCheckSize;
            continue;
        }
        if (data.size() - pos < kEntrySize) break;
        if (Get<std::uint32_t>(p + kCheckOffset) != Check(p, kCheckOffset)) break;
        Entry e;
        const auto op = Get<std::uint32_t>(p + 4);
        if (op != kRemoved && op != kLastSend) break;
        e.op = static_cast<Op>(op);
        e.id = Get<std::int32_t>(p + 8);
        e.key = Get<std::uint64_t>(p + 16);
        const char* v = p + kValueOffset;
        e.value.assign(v, strnlen(v, kValueWidth));
        out.push_back(std::move(e));
        pos += kEntrySize;
    }
    if (goodBytes) *goodBytes = pos;
    return out;
}

std::size_t ApplyTo(const std::vector<Entry>& entries, std::vector<std::vector<rows::PackedRow>*> lists) {
    if (entries.empty()) return 0;
    // Each list as three parts: rows added at its front (latest first), the loaded rows, rows
    // added at its back. A row's place in list order: -1 - k for the k-th front row, i for the
    // i-th loaded row, loaded + k for the k-th back row.
    struct Parts {
        std::vector<rows::PackedRow> front, back;
        std::vector<bool> goneFront, goneBase, goneBack;
    };
    std::vector<Parts> parts(lists.size());
    for (std::size_t li = 0; li < lists.size(); ++li) parts[li].goneBase.assign(lists[li]->size(), false);
    struct Where {
        std::size_t list;
        long long place;
    };
    struct HashPair {
        std::size_t operator()(const std::pair<std::int32_t, std::uint64_t>& k) const {
            return std::hash<std::uint64_t>()(k.second ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(k.first)) * 0x9E3779B97F4A7C15ull));
        }
    };
    // (id, key) -> the live rows that carry it; built only when an entry names a row.
    std::unordered_map<std::pair<std::int32_t, std::uint64_t>, std::vector<Where>, HashPair> at;
    bool indexed = false;
    const auto nameOf = [](std::string_view cells) {
        return std::make_pair(IdOf(rows::PackedCell(cells, queue::kColId)), RowKey(rows::PackedCell(cells, queue::kColNumber)));
    };
    const auto rowAt = [&](const Where& w) -> rows::PackedRow& {
        Parts& pt = parts[w.list];
        const long long base = static_cast<long long>(lists[w.list]->size());
        if (w.place < 0) return pt.front[static_cast<std::size_t>(-1 - w.place)];
        if (w.place < base) return (*lists[w.list])[static_cast<std::size_t>(w.place)];
        return pt.back[static_cast<std::size_t>(w.place - base)];
    };
    const auto markGone = [&](const Where& w) {
        Parts& pt = parts[w.list];
        const long long base = static_cast<long long>(lists[w.list]->size());
        if (w.place < 0) pt.goneFront[static_cast<std::size_t>(-1 - w.place)] = true;
        else if (w.place < base) pt.goneBase[static_cast<std::size_t>(w.place)] = true;
        else pt.goneBack[static_cast<std::size_t>(w.place - base)] = true;
    };
    const auto index = [&] {
        std::size_t total = 0;
        for (const auto* l : lists) total += l->size();
        for (const auto& pt : parts) total += pt.front.size() + pt.back.size();
        at.reserve(total);
        for (std::size_t li = 0; li < lists.size(); ++li) {
            const Parts& pt = parts[li];
            const long long base = static_cast<long long>(lists[li]->size());
            for (std::size_t k = 0; k < pt.front.size(); ++k)
                if (!pt.goneFront[k]) at[nameOf(pt.front[k].cells)].push_back({li, -1 - static_cast<long long>(k)});
            for (std::size_t i = 0; i < lists[li]->size(); ++i)
                at[nameOf((*lists[li])[i].cells)].push_back({li, static_cast<long long>(i)});
            for (std::size_t k = 0; k < pt.back.size(); ++k)
                if (!pt.goneBack[k]) at[nameOf(pt.back[k].cells)].push_back({li, base + static_cast<long long>(k)});
        }
        indexed = true;
    };
    std::size_t applied = 0;
    for (const Entry& e : entries) {
        if (e.op == kAdded) {
            if (e.list >= lists.size()) continue;
            Parts& pt = parts[e.list];
            const long long base = static_cast<long long>(lists[e.list]->size());
            std::vector<rows::PackedRow> added;
            added.reserve(e.count);
            ForEachRow(e, [&](std::string_view cells, int icon) { added.push_back({std::string(cells), icon, 0}); });
            if (e.front) {
                // The first row of the call ends up first: push them latest first.
                for (auto it = added.rbegin(); it != added.rend(); ++it) {
                    pt.front.push_back(std::move(*it));
                    pt.goneFront.push_back(false);
                    if (indexed) at[nameOf(pt.front.back().cells)].push_back({e.list, -static_cast<long long>(pt.front.size())});
                }
            } else {
                for (auto& r : added) {
                    pt.back.push_back(std::move(r));
                    pt.goneBack.push_back(false);
                    if (indexed) at[nameOf(pt.back.back().cells)].push_back({e.list, base + static_cast<long long>(pt.back.size()) - 1});
                }
            }
            ++applied;
            continue;
        }
        if (!indexed) index();
        const auto it = at.find({e.id, e.key});
        if (it == at.end() || it->second.empty()) continue;
        // The first in list order (lists in their order).
        auto& v = it->second;
        std::size_t best = 0;
        for (std::size_t i = 1; i < v.size(); ++i)
            if (v[i].list < v[best].list || (v[i].list == v[best].list && v[i].place < v[best].place)) best = i;
        const Where w = v[best];
        ++applied;
        if (e.op == kRemoved) {
            markGone(w);
            v.erase(v.begin() + static_cast<std::ptrdiff_t>(best));
        } else {
            auto& row = rowAt(w);
            row.cells = WithCell(row.cells, queue::kColSubmitTime, e.value);
        }
    }
    for (std::size_t li = 0; li < lists.size(); ++li) {
        Parts& pt = parts[li];
        auto& l = *lists[li];
        const bool anyGone = std::find(pt.goneBase.begin(), pt.goneBase.end(), true) != pt.goneBase.end();
        if (pt.front.empty() && pt.back.empty() && !anyGone) continue;
        std::vector<rows::PackedRow> out;
        out.reserve(pt.front.size() + l.size() + pt.back.size());
        for (std::size_t k = pt.front.size(); k-- > 0;)
            if (!pt.goneFront[k]) out.push_back(std::move(pt.front[k]));
        for (std::size_t i = 0; i < l.size(); ++i)
            if (!pt.goneBase[i]) out.push_back(std::move(l[i]));
        for (std::size_t k = 0; k < pt.back.size(); ++k)
            if (!pt.goneBack[k]) out.push_back(std::move(pt.back[k]));
        l = std::move(out);
    }
    return applied;
}

}  // namespace qjournal

QueueJournal& QueueJournal::For(const std::string& queueFile) {
    static std::mutex mapMutex;
    static std::map<std::string, std::unique_ptr<QueueJournal>> journals;
    std::lock_guard<std::mutex> lock(mapMutex);
    auto& j = journals[queueFile];
    if (!j) j.reset(new QueueJournal(queueFile));
    return *j;
}

std::string QueueJournal::Path() const { return paths::AppFile(m_strFile + ".jnl"); }

void QueueJournal::NoteFile(std::uint64_t size) {
    struct stat st {};
    m_strKnownPath = Path();
    if (::stat(m_strKnownPath.c_str(), &st) != 0) {
        m_knownIno = m_knownDev = m_knownSize = 0;
        return;
    }
    m_knownIno = st.st_ino;
    m_knownDev = st.st_dev;
    m_knownSize = size;
}

std::uint64_t QueueJournal::SizeLocked() {
    const std::string path = Path();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        m_strKnownPath.clear();
        return 0;
    }
    if (path == m_strKnownPath && static_cast<std::uint64_t>(st.st_ino) == m_knownIno &&
        static_cast<std::uint64_t>(st.st_dev) == m_knownDev && static_cast<std::uint64_t>(st.st_size) == m_knownSize)
        return m_knownSize;
    // Not the file this process left: find where its whole entries end and cut the rest.
    std::string data;
    if (!files::ReadWholeFile(path, data)) return static_cast<std::uint64_t>(st.st_size);
    std::size_t good = 0;
    qjournal::Decode(data, &good);
    if (good < data.size()) {
        if (::truncate(path.c_str(), static_cast<off_t>(good)) != 0) {
            WriteRunLog("无法清空队列日志 " + m_strFile + ".jnl");
            m_strKnownPath.clear();
            return good;
        }
    }
    NoteFile(good);
    return good;
}

void QueueJournal::Append(const std::vector<qjournal::Entry>& entries) {
    if (entries.empty()) return;
    std::string buf;
    for (const auto& e : entries) buf += qjournal::EncodeAny(e);
    Write(buf.size(), [&](const auto& put) { put(buf.data(), buf.size()); });
}

void QueueJournal::AppendAdded(std::uint32_t list, bool front, const rows::PackedRows& rows) {
    if (rows.Count() == 0) return;
    std::uint64_t length = 0;
    for (std::size_t i = 0; i < rows.Count(); ++i) length += 8 + rows.Cells(i).size();
    Write(qjournal::kAddedHeaderSize + length + 4, [&](const auto& put) {
        char head[qjournal::kAddedHeaderSize];
        qjournal::AddedHeader(list, front, static_cast<std::uint32_t>(rows.Count()), length, head);
        put(head, sizeof head);
        std::uint64_t h = qjournal::kFoldStart;
        for (std::size_t i = 0; i < rows.Count(); ++i) {
            const std::string_view cells = rows.Cells(i);
            char rowHead[8];
            const auto n = static_cast<std::uint32_t>(cells.size());
            const std::int32_t icon = rows.Icon(i);
            std::memcpy(rowHead, &n, 4);
            std::memcpy(rowHead + 4, &icon, 4);
            put(rowHead, sizeof rowHead);
            put(cells.data(), cells.size());
            h = qjournal::FoldRow(h, cells, icon);
        }
        const std::uint32_t check = qjournal::FoldEnd(h);
        put(reinterpret_cast<const char*>(&check), sizeof check);
    });
}

template <class F>
void QueueJournal::Write(std::uint64_t bytes, F&& produce) {
    const std::uint64_t size = SizeLocked();
    const std::string path = Path();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    bool good = fd >= 0;
    std::uint64_t written = 0;
    // Through a buffer of 1 MB: one write for a small entry, few for a bulk one.
    constexpr std::size_t kBuffer = std::size_t{1} << 20;
    // The journal's own buffer (the lock is held): kept from one append to the next, since
    // fresh memory for every bulk entry costs more than writing it; room for the whole entry.
    std::string& buf = m_writeBuffer;
    buf.clear();
    buf.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(bytes, kBuffer)));
    const auto flush = [&] {
        good = good && files::WriteAll(fd, buf.data(), buf.size());
        if (good) written += buf.size();
        buf.clear();
    };
    const auto put = [&](const char* p, std::size_t n) {
        if (!good) return;
        if (buf.size() + n > kBuffer) {
            flush();
            if (n >= kBuffer) {  // straight to the file
                good = good && files::WriteAll(fd, p, n);
                if (good) written += n;
                return;
            }
        }
        if (buf.size() + n > buf.capacity())
            buf.reserve(std::min(kBuffer, std::max<std::size_t>({buf.size() + n, 2 * buf.capacity(), 4096})));
        buf.append(p, n);
    };
    produce(put);
    flush();
    if (fd >= 0) {
        // A part written is cut off again, so the next append follows whole entries.
        if (!good && ::ftruncate(fd, static_cast<off_t>(size)) != 0) m_strKnownPath.clear();
        ::close(fd);
    }
    if (good) {
        NoteFile(size + written);
    } else {
        NoteFile(size);
        if (!m_bFailLogged) WriteRunLog("无法写入队列日志 " + m_strFile + ".jnl");
        m_bFailLogged = true;
    }
}

void QueueJournal::Truncate(std::uint64_t mark) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string path = Path();
    const std::uint64_t size = SizeLocked();
    if (size == 0) return;
    if (size <= mark) {
        if (::truncate(path.c_str(), 0) != 0) WriteRunLog("无法清空队列日志 " + m_strFile + ".jnl");
        NoteFile(0);
        return;
    }
    std::string data;
    if (!files::ReadWholeFile(path, data) || data.size() < size) return;
    data.resize(static_cast<std::size_t>(size));
    data.erase(0, static_cast<std::size_t>(mark));
    if (files::WriteFileAtomic(path, data)) NoteFile(data.size());
    else m_strKnownPath.clear();
}

std::vector<qjournal::Entry> QueueJournal::ReadLocked() const {
    std::string data;
    if (!files::ReadWholeFile(Path(), data)) return {};
    return qjournal::Decode(data);
}

std::vector<qjournal::Entry> QueueJournal::Read() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ReadLocked();
}
