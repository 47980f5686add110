#pragma once
// The sending threads' side of an immediate queue (SMS or MMS): take a batch of rows, hand it
// back as record-log entries. Works on the row store of the immediate list; no widgets.
#include "core/MsgRecord.h"
#include "core/QueueRow.h"
#include "core/WorkerEngine.h"
#include "platform/RowStore.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class QueueJournal;

namespace smsbatch {

constexpr int kMaxBatch = 100;
constexpr int kHeldSmsIcon = queue::kIconHeldSms;
constexpr int kHeldMmsIcon = queue::kIconHeldMms;
constexpr const char* kHeld = queue::kStateHeld;
// Result text of a batch that was not sent because its long-SMS text file is missing.
constexpr const char* kMissingTextResult = "[长短信文本文件丢失]";

// Queue row columns, as the SMS page uses them.
enum Col {
    kType = queue::kColType, kNumber = queue::kColNumber, kName = queue::kColNameOrFiles,
    kFiles = queue::kColNameOrFiles,
    kText = queue::kColText, kSchedule = queue::kColTime, kResourceId = queue::kColResourceId,
    kSubmit = queue::kColSubmitTime, kPackage = queue::kColPackage, kState = queue::kColState,
    kDevice = queue::kColDevice, kSize = queue::kColSize, kId = queue::kColId
};

// "[%d]" for 0 and above, the platform's texts for -1..-14 and -50, else empty.
std::string ResultText(int result);

// The long text of an id ("SMSText\<id>.txt", at most 800 bytes, cut on a character
// boundary, up to a first NUL), or false when the file cannot be read.
bool ReadLongSmsText(int id, std::string& text);

}  // namespace smsbatch

// Fetch and completion of batches over the immediate list of one kind: SMS batches (one text)
// or MMS batches (one title and file list). The caller holds the kind's queue lock around each
// call; every walk also runs with the store locked, so the page's handlers and the queue
// writers (which take no queue lock) never see half a batch.
class CSmsBatch : public ISmsQueueSide, public IMmsQueueSide {
public:
    using RecordSink = std::function<void(const MsgRecord&)>;

    explicit CSmsBatch(rows::RowStore& immediate, queue::Kind kind = queue::Kind::Sms)
        : m_list(immediate), m_kind(kind) {}
    queue::Kind BatchKind() const { return m_kind; }

    // Where the records of finished batches go (the SMS record log).
    void SetRecordSink(RecordSink sink) { m_sink = std::move(sink); }
    // The journal of the list's queue file: rows that leave are named there first.
    void SetJournal(QueueJournal* journal) { m_journal = journal; }
    // Called after rows were removed (the page refreshes its count label).
    void SetCountChanged(std::function<void()> fn) { m_countChanged = std::move(fn); }

    // 1: sending threads get nothing.
    std::atomic<int> m_nPause{0};

    // Takes up to 100 consecutive rows of one text for the device; returns the count taken.
    int FetchSMSBatch(int nDevice, std::string& strNumbers, std::string& strText) override;
    // Turns the rows the device holds into records (one per number) and removes them.
    void FinishSMSBatch(int nDevice, int nResult, int nCount) override;

    // Takes up to 100 consecutive rows of one title and file list; no long-text expansion.
    int FetchMMSBatch(int nDevice, std::string& strReceivers, std::string& strTitle,
                      std::string& strFiles) override;
    // nResult: 1 when the platform accepted the request. One record per number, with the
    // package's size.
    void FinishMMSBatch(int nDevice, int nResult, int nCount) override;

    // The user's delete: pending rows go at once; rows a sending thread holds leave the list
    // too but are kept aside until that thread's completion logs them. Returns rows removed.
    std::size_t DeleteRows(const std::vector<rows::RowId>& ids);
    // Held rows kept aside (removed from the list, not yet logged).
    std::size_t ParkedCount() const;

private:
    // The shared walk: rows of one column 3 (and, for MMS, one column 2) get held by the device.
    int Take(int nDevice, std::string& strNumbers, std::string& strText, std::string* pFiles);
    void Complete(int nDevice, int nResult, int nCount, const std::string& resultText);
    void JournalAndRemove(const std::vector<rows::RowData>& rowsOut, const std::vector<rows::RowId>& ids,
                          std::size_t& removed);
    void LogRows(std::vector<rows::RowData>& taken, int nDevice, int nResult,
                 const std::string& resultText);

    rows::RowStore& m_list;
    const queue::Kind m_kind;
    QueueJournal* m_journal = nullptr;
    RecordSink m_sink;
    std::function<void()> m_countChanged;
    mutable std::mutex m_parkedMutex;
    std::vector<rows::RowData> m_parked;
};
