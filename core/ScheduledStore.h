#pragma once
// The timed ("MsgTS.dat") or cyclic ("MsgCS.dat") entries of both kinds: one store per file,
// loaded once and saved from both kinds' rows, so each pending page shows and fires only its
// own kind while every entry keeps its own column-2 field.
//
// File: entries back to back, each a MsgRecord whose szNumber is the decimal length L of the
// number list that follows it (the numbers joined by blanks, GBK, and one NUL).
#include "core/QueueRow.h"
#include "core/RecordCodec.h"
#include "platform/RowStore.h"

#include <cstdint>
#include <mutex>
#include <string>

class QueueJournal;

class ScheduledStore {
public:
    // fileName: a file of the program folder; cyclic selects the cyclic type texts.
    ScheduledStore(std::string fileName, bool cyclic);
    ScheduledStore(const ScheduledStore&) = delete;
    ScheduledStore& operator=(const ScheduledStore&) = delete;

    // The entries of one kind, in file order.
    rows::RowStore& Rows(queue::Kind kind) { return kind == queue::Kind::Sms ? m_sms : m_mms; }
    bool IsCyclic() const { return m_bCyclic; }
    const std::string& FileName() const { return m_strFile; }

    // Adds the file's entries before the rows, the first time only. A missing file adds
    // nothing. False when the file exists but cannot be read: Save then writes nothing.
    bool Load();
    bool IsLoaded() const;

    // Rewrites the file atomically from the rows (SMS entries, then MMS entries). Does nothing
    // before a successful Load or when no row changed since the last save. True when
    // the file holds the rows.
    bool Save();

    // Changes a crash must not undo, journalled before they take effect: entries fired or
    // deleted, and a cyclic entry's last-send date. RemoveRows returns the rows removed.
    std::size_t RemoveRows(queue::Kind kind, const std::vector<rows::RowId>& ids);
    bool SetLastSend(queue::Kind kind, rows::RowId id, const std::string& date);
    QueueJournal& Journal() const;

    // Parses the content of a file into packed rows of each kind; stops at the first entry
    // whose length field is not a positive number or passes the end, whose record fails
    // queue::RecordFault or whose list has no NUL, and says where.
    static queue::LoadStop Parse(std::string_view data, bool cyclic, std::vector<rows::PackedRow>& sms,
                      std::vector<rows::PackedRow>& mms);

    // The stores of the program, shared by both pending pages.
    static ScheduledStore& Timed();
    static ScheduledStore& Cyclic();

private:
    const std::string m_strFile;
    const bool m_bCyclic;
    rows::RowStore m_sms{queue::kColumnCount};
    rows::RowStore m_mms{queue::kColumnCount};
    mutable std::mutex m_mutex;  // load and save
    bool m_bLoaded = false;
    static constexpr std::uint64_t kNeverSaved = ~std::uint64_t(0);
    std::uint64_t m_savedSms = kNeverSaved, m_savedMms = kNeverSaved;  // generations at the last save
};
