#pragma once
// The journal beside a pending-queue file ("<name>.jnl"): an append-only list of the changes
// that the next whole save would carry and that a crash must not undo (a row sent, deleted or
// fired; a cyclic entry's last-send date). Rows are named by id and a key of their number
// cell, since ids repeat after the counter wraps. The load applies it after the file; each
// whole save empties it of the entries the new file holds. The queue file itself keeps its
// format, so an older program simply ignores the journal.
#include "platform/RowStore.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qjournal {

enum Op : std::uint32_t { kRemoved = 1, kLastSend = 2 };

struct Entry {
    Op op = kRemoved;
    std::int32_t id = 0;
    std::uint64_t key = 0;  // RowKey of the number cell
    std::string value;      // kLastSend: the new column-6 text
};

constexpr std::size_t kEntrySize = 48;

std::uint64_t RowKey(std::string_view numberCell);
// The entry naming a row (cells: its queue cells, or a packed row).
Entry Removed(const std::vector<std::string>& cells);
Entry LastSend(const std::vector<std::string>& cells, std::string date);

void Encode(const Entry& e, char out[kEntrySize]);
// Whole, well-formed entries from the start of data; stops at the first bad one.
std::vector<Entry> Decode(std::string_view data);

// Applies entries to rows loaded from the queue file (one or more lists, matched in that
// order); each entry changes at most one row. Returns the entries that found their row.
std::size_t ApplyTo(const std::vector<Entry>& entries, std::vector<std::vector<rows::PackedRow>*> lists);

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
    std::uint64_t SizeLocked() const;

    const std::string m_strFile;
    mutable std::mutex m_mutex;
    bool m_bFailLogged = false;
};
