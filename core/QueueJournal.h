#pragma once
// The journal beside a pending-queue file ("<name>.jnl"): an append-only list of the changes
// that the next whole save would carry and that a crash must not undo (rows added by a writer;
// a row sent, deleted or fired; a cyclic entry's last-send date). Rows are named by id and a
// key of their number cell, since ids repeat after the counter wraps. The load applies it after the file; each
// whole save empties it of the entries the new file holds. The queue file itself keeps its
// format, so an older program simply ignores the journal.
#include "platform/RowStore.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qjournal {

enum Op : std::uint32_t { kRemoved = 1, kLastSend = 2, kAdded = 3 };

struct Entry {
    Op op = kRemoved;
    std::int32_t id = 0;
    std::uint64_t key = 0;  // RowKey of the number cell
    std::string value;      // kLastSend: the new column-6 text
    // kAdded: rows in their packed form (one writer call), for list `list` of the lists the
    // load applies to, at its front (in their order, before the first row) or at its back.
    std::string rows;       // per row: cell bytes (uint32), icon (int32), the packed cells
    std::uint32_t count = 0;
    std::uint32_t list = 0;
    bool front = false;
};

// Removed and LastSend entries: fixed size. An Added entry: a header of kAddedHeaderSize bytes
// (count and length of its rows), its rows and their check (4 bytes).
constexpr std::size_t kEntrySize = 48;
constexpr std::size_t kAddedHeaderSize = 32;

// An Added entry of one list; rows go in with AddRow.
Entry Added(std::uint32_t list, bool front);
void AddRow(Entry& e, std::string_view packedCells, int icon);
// The header of an Added entry, and the check of its rows, folded row by row.
void AddedHeader(std::uint32_t list, bool front, std::uint32_t count, std::uint64_t rowsLength,
                 char out[kAddedHeaderSize]);
inline constexpr std::uint64_t kFoldStart = 0x9E3779B97F4A7C15ull;
std::uint64_t FoldRow(std::uint64_t h, std::string_view cells, int icon);
inline std::uint32_t FoldEnd(std::uint64_t h) { return static_cast<std::uint32_t>(h ^ (h >> 32)); }
// Calls f(cells, icon) for each of the first count rows of an Added entry's bytes (p, n), in
// order; true when exactly count rows fill the bytes.
template <class F>
bool WalkRows(const char* p, std::size_t n, std::uint32_t count, F&& f);
// Calls f(cells, icon) for each row of an Added entry, in order.
template <class F>
void ForEachRow(const Entry& e, F&& f) {
    WalkRows(e.rows.data(), e.rows.size(), e.count, f);
}

std::uint64_t RowKey(std::string_view numberCell);
// The entry naming a row (cells: its queue cells, or a packed row).
Entry Removed(const std::vector<std::string>& cells);
Entry LastSend(const std::vector<std::string>& cells, std::string date);

void Encode(const Entry& e, char out[kEntrySize]);
// Any entry's bytes.
std::string EncodeAny(const Entry& e);
// Whole, well-formed entries from the start of data; stops at the first bad one (a torn or
// damaged tail, a partly written Added entry among them) and, when goodBytes is given, says
// where it ends.
std::vector<Entry> Decode(std::string_view data, std::size_t* goodBytes = nullptr);

// Applies entries in journal order to rows loaded from the queue file (one or more lists,
// matched in that order): an addition puts its rows into its list, and each other entry
// changes at most one row, the first in list order. Returns the entries that found their row
// (an addition always does).
std::size_t ApplyTo(const std::vector<Entry>& entries, std::vector<std::vector<rows::PackedRow>*> lists);

template <class F>
bool WalkRows(const char* p, std::size_t n, std::uint32_t count, F&& f) {
    const char* const end = p + n;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (end - p < 8) return false;
        std::uint32_t len;
        std::int32_t icon;
        std::memcpy(&len, p, 4);
        std::memcpy(&icon, p + 4, 4);
        p += 8;
        if (static_cast<std::size_t>(end - p) < len) return false;
        f(std::string_view(p, len), static_cast<int>(icon));
        p += len;
    }
    return p == end;
}

}  // namespace qjournal

class QueueJournal {
public:
    // The journal of a queue file of the program folder ("SMSMsgWS.dat", "MsgTS.dat", ...).
    static QueueJournal& For(const std::string& queueFile);

    std::string Path() const;

    // Appends the entries, then runs change() (the in-memory side), under the journal's lock,
    // so a save's snapshot sees either neither or both.
    template <class F>
    void Apply(const std::vector<qjournal::Entry>& entries, F&& change) {
        std::lock_guard<std::mutex> lock(m_mutex);
        Append(entries);
        change();
    }

    // Journals rows added to list `list` (see qjournal::Entry) as one entry, then runs change(),
    // under the journal's lock.
    template <class F>
    void ApplyAdded(std::uint32_t list, bool front, const rows::PackedRows& rows, F&& change) {
        std::lock_guard<std::mutex> lock(m_mutex);
        AppendAdded(list, front, rows);
        change();
    }

    // At a load: runs load(entries on disk) under the lock, so no change is journalled between
    // the read and what load() makes of it.
    template <class F>
    void Load(F&& load) {
        std::lock_guard<std::mutex> lock(m_mutex);
        load(ReadLocked());
    }

    // Runs snapshot() under the lock and returns the journal size it goes with.
    template <class F>
    std::uint64_t Snapshot(F&& snapshot) {
        std::lock_guard<std::mutex> lock(m_mutex);
        snapshot();
        return SizeLocked();
    }
    // After the file from a snapshot is in place: drops the entries up to mark (those after
    // it were made since the snapshot and stay).
    void Truncate(std::uint64_t mark);

    // The entries on disk now.
    std::vector<qjournal::Entry> Read() const;

private:
    explicit QueueJournal(std::string queueFile) : m_strFile(std::move(queueFile)) {}
    void Append(const std::vector<qjournal::Entry>& entries);
    void AppendAdded(std::uint32_t list, bool front, const rows::PackedRows& rows);
    // Appends what produce(put) puts (bytes of it), or nothing when a write fails.
    template <class F>
    void Write(std::uint64_t bytes, F&& produce);
    std::vector<qjournal::Entry> ReadLocked() const;
    // The size of the whole entries on disk; cuts a torn tail off first, so appends always
    // follow whole entries.
    std::uint64_t SizeLocked();
    void NoteFile(std::uint64_t size);

    const std::string m_strFile;
    mutable std::mutex m_mutex;
    bool m_bFailLogged = false;
    std::string m_writeBuffer;  // Write's, at most 1 MB
    // The file as this process last left it: its path, inode and size (all whole entries).
    std::string m_strKnownPath;
    std::uint64_t m_knownIno = 0, m_knownDev = 0, m_knownSize = 0;
};
