#pragma once
// The queues of one pending page: its immediate list (file "SMSMsgWS.dat" or "MsgWS.dat") and
// its own kind of the shared timed and cyclic entries, with the two queue writers, load, save
// and the schedulers. The page (CSMSSendingListDlg, CSendingListDlg) owns one and delegates;
// the lists it shows are these row stores.
#include "core/QueueRow.h"
#include "core/ScheduledStore.h"
#include "platform/RowStore.h"

#include <functional>
#include <mutex>
#include <string>

class QueueJournal;

class PendingQueues {
public:
    // page: the page's kind (its immediate file, its column-2 field, the entries it shows).
    // The first form uses the program's shared scheduled stores.
    explicit PendingQueues(queue::Kind page);
    PendingQueues(queue::Kind page, ScheduledStore& timed, ScheduledStore& cyclic);
    PendingQueues(const PendingQueues&) = delete;
    PendingQueues& operator=(const PendingQueues&) = delete;

    queue::Kind PageKind() const { return m_page; }
    const char* ImmediateFileName() const;

    // The three lists of the page (timed and cyclic: this page's kind only).
    rows::RowStore& Immediate() { return m_immediate; }
    rows::RowStore& Timed() { return m_timed.Rows(m_page); }
    rows::RowStore& Cyclic() { return m_cyclic.Rows(m_page); }
    ScheduledStore& TimedStore() { return m_timed; }
    ScheduledStore& CyclicStore() { return m_cyclic; }

    // The queue writers; safe from any thread. A number (immediate) or a file list wider than
    // its record field is refused and written to the run log; other texts are cut to their
    // fields on a character boundary. A row is in its queue's journal before the writer
    // returns, so a crash from then on keeps it; a bulk call's rows are journalled as one.
    void AddSMSItem(int id, std::string numbers, std::string name, std::string text,
                    std::string schedule, int toTop);
    void AddMMSItem(int id, std::string numbers, std::string files, std::string title,
                    std::string package, std::string schedule, int toTop);
    // Many immediate SMS rows at the end of the list (toFront: at its top), in order, each
    // checked and cut as AddSMSItem does; one insert, one journal entry and one count
    // notification. Returns the rows queued.
    static constexpr std::size_t kTextNotMeasured = static_cast<std::size_t>(-1);
    struct SmsItem {
        int id;
        std::string numbers, name, text;
        // The text's GBK length when the caller has measured it already (else it is measured).
        std::size_t textGbkLength = kTextNotMeasured;
    };
    std::size_t AddSMSItems(std::vector<SmsItem> items, bool toFront = false);
    // Many immediate rows of either kind at the end of the list, in order, each checked and
    // cut as AddSMSItem / AddMMSItem do (col2: name or file list). Returns the rows queued.
    struct Item {
        queue::Kind kind;
        int id;
        std::string numbers, col2, text, package;
    };
    std::size_t AddItems(std::vector<Item> items);

    // Loads the immediate list from its file and the shared stores (once). Saving is refused
    // until this has run, and a file that could not be read is never rewritten.
    void LoadQueues();
    void SaveQueues();
    // The immediate file alone (after a scheduler moved entries into the list).
    void SaveImmediate();
    // The journal of the immediate file.
    QueueJournal& Journal() const;
    bool IsLoaded() const;

    // The user's delete in the timed or the cyclic list (journalled).
    std::size_t RemoveScheduled(bool cyclic, const std::vector<rows::RowId>& ids) {
        return (cyclic ? m_cyclic : m_timed).RemoveRows(m_page, ids);
    }

    // The schedulers of the page (see Scheduler.h).
    void CheckTimedItems();
    void CheckCyclicItems(int balance);

    // The MMS writer's size text, read once per run of one package name.
    std::string CachedPackageSizeText(const std::string& package);

    // Called after a writer inserted a row and after a load (the page refreshes its count
    // label); may run on any thread, so it must only post work to the UI thread.
    void SetCountChangedHandler(std::function<void()> handler);

private:
    void Add(queue::Kind kind, int id, std::string& numbers, std::string& col2, std::string& text,
             std::string& package, std::string& schedule, int toTop);
    // The cells of a new row; false when the row is refused (and logged).
    bool MakeCells(queue::Kind kind, queue::Placement placement, int id, std::string& numbers,
                   std::string& col2, std::string& text, std::string& package, std::string& schedule,
                   std::vector<std::string>& cells, std::size_t textGbkLength = kTextNotMeasured);
    void NotifyCountChanged();
    // Journals rows of one list and then puts them there, under the journal's lock.
    void Commit(queue::Placement placement, queue::Kind kind, bool front, rows::PackedRows rows);
    QueueJournal& JournalOf(queue::Placement placement) const;
    rows::RowStore& ListOf(queue::Placement placement, queue::Kind kind);

    const queue::Kind m_page;
    ScheduledStore& m_timed;
    ScheduledStore& m_cyclic;
    rows::RowStore m_immediate{queue::kColumnCount};

    mutable std::mutex m_mutex;  // the fields below
    bool m_bLoaded = false;
    bool m_bImmediateUnreadable = false;
    std::function<void()> m_countChanged;

    std::mutex m_sizeMutex;  // the size cache
    std::string m_strLastPackage;
    std::string m_strLastSize;
    bool m_bHaveLastSize = false;
};
