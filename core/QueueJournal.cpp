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
#include <sys/stat.h>
#include <unistd.h>

namespace qjournal {
namespace {

// Entry layout: "QJ01", op, id, 0, key (uint64), value (char[20], NUL-padded), check.
constexpr char kTag[4] = {'Q', 'J', '0', '1'};
constexpr std::size_t kValueOffset = 24, kValueWidth = 20, kCheckOffset = 44;

std::uint32_t Check(const char* p, std::size_t n) {
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 16777619u;
    return h;
}

template <class T>
void Put(char* p, T v) { std::memcpy(p, &v, sizeof v); }
template <class T>
T Get(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

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

void Encode(const Entry& e, char out[kEntrySize]) {
    std::memset(out, 0, kEntrySize);
    std::memcpy(out, kTag, sizeof kTag);
    Put<std::uint32_t>(out + 4, e.op);
    Put<std::int32_t>(out + 8, e.id);
    Put<std::uint64_t>(out + 16, e.key);
    std::memcpy(out + kValueOffset, e.value.data(), std::min(e.value.size(), kValueWidth - 1));
    Put<std::uint32_t>(out + kCheckOffset, Check(out, kCheckOffset));
}

std::vector<Entry> Decode(std::string_view data) {
    std::vector<Entry> out;
    out.reserve(data.size() / kEntrySize);
    for (std::size_t pos = 0; data.size() - pos >= kEntrySize; pos += kEntrySize) {
        const char* p = data.data() + pos;
        if (std::memcmp(p, kTag, sizeof kTag) != 0 || Get<std::uint32_t>(p + kCheckOffset) != Check(p, kCheckOffset)) break;
        Entry e;
        const auto op = Get<std::uint32_t>(p + 4);
        if (op != kRemoved && op != kLastSend) break;
        e.op = static_cast<Op>(op);
        e.id = Get<std::int32_t>(p + 8);
        e.key = Get<std::uint64_t>(p + 16);
        const char* v = p + kValueOffset;
        e.value.assign(v, strnlen(v, kValueWidth));
        out.push_back(std::move(e));
    }
    return out;
}

std::size_t ApplyTo(const std::vector<Entry>& entries, std::vector<std::vector<rows::PackedRow>*> lists) {
    if (entries.empty()) return 0;
    // (id, key) -> the rows that carry it, in list order; each entry takes the first one left.
    struct Where {
        std::size_t list, index;
    };
    struct HashPair {
        std::size_t operator()(const std::pair<std::int32_t, std::uint64_t>& k) const {
            return std::hash<std::uint64_t>()(k.second ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(k.first)) * 0x9E3779B97F4A7C15ull));
        }
    };
    std::unordered_map<std::pair<std::int32_t, std::uint64_t>, std::vector<Where>, HashPair> at;
    std::size_t total = 0;
    for (const auto* l : lists) total += l->size();
    at.reserve(total);
    for (std::size_t li = 0; li < lists.size(); ++li) {
        const auto& l = *lists[li];
        for (std::size_t i = 0; i < l.size(); ++i) {
            const std::string_view cells = l[i].cells;
            at[{IdOf(rows::PackedCell(cells, queue::kColId)), RowKey(rows::PackedCell(cells, queue::kColNumber))}].push_back({li, i});
        }
    }
    for (auto& [k, v] : at) std::reverse(v.begin(), v.end());  // the first row at the back
    std::vector<std::vector<bool>> gone(lists.size());
    for (std::size_t li = 0; li < lists.size(); ++li) gone[li].assign(lists[li]->size(), false);
    std::size_t applied = 0, removed = 0;
    for (const Entry& e : entries) {
        const auto it = at.find({e.id, e.key});
        if (it == at.end() || it->second.empty()) continue;
        const Where w = it->second.back();
        ++applied;
        if (e.op == kRemoved) {
            gone[w.list][w.index] = true;
            it->second.pop_back();
            ++removed;
        } else {
            auto& row = (*lists[w.list])[w.index];
            row.cells = WithCell(row.cells, queue::kColSubmitTime, e.value);
        }
    }
    if (removed) {
        for (std::size_t li = 0; li < lists.size(); ++li) {
            auto& l = *lists[li];
            std::size_t keep = 0;
            for (std::size_t i = 0; i < l.size(); ++i)
                if (!gone[li][i]) {
                    if (keep != i) l[keep] = std::move(l[i]);
                    ++keep;
                }
            l.resize(keep);
        }
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

void QueueJournal::Append(const std::vector<qjournal::Entry>& entries) {
    if (entries.empty()) return;
    std::string buf(entries.size() * qjournal::kEntrySize, '\0');
    for (std::size_t i = 0; i < entries.size(); ++i) qjournal::Encode(entries[i], buf.data() + i * qjournal::kEntrySize);
    if (!files::AppendRecords(Path(), qjournal::kEntrySize, buf.data(), entries.size())) {
        if (!m_bFailLogged) WriteRunLog("无法写入队列日志 " + m_strFile + ".jnl");
        m_bFailLogged = true;
    }
}

std::uint64_t QueueJournal::SizeLocked() const {
    struct stat st {};
    if (::stat(Path().c_str(), &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size) / qjournal::kEntrySize * qjournal::kEntrySize;
}

void QueueJournal::Truncate(std::uint64_t mark) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string path = Path();
    const std::uint64_t size = SizeLocked();
    if (size == 0) return;
    if (size <= mark) {
        if (::truncate(path.c_str(), 0) != 0) WriteRunLog("无法清空队列日志 " + m_strFile + ".jnl");
        return;
    }
    std::string data;
    if (!files::ReadWholeFile(path, data) || data.size() < mark) return;
    data.erase(0, static_cast<std::size_t>(mark));
    data.resize(data.size() / qjournal::kEntrySize * qjournal::kEntrySize);
    files::WriteFileAtomic(path, data);
}

std::vector<qjournal::Entry> QueueJournal::Read() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string data;
    if (!files::ReadWholeFile(Path(), data)) return {};
    return qjournal::Decode(data);
}
