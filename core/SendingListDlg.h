#pragma once
// MMS pending page; owns the MMS pending queues.
#include "core/PageDlg.h"
#include "core/PendingQueues.h"
#include "core/SmsBatch.h"

class CSendingListDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CSendingListDlg(QWidget* parent = nullptr);
    ~CSendingListDlg() override;
    void LoadQueues() { m_queues.LoadQueues(); }
    void SaveQueues() { m_queues.SaveQueues(); }
    PendingQueues& Queues() { return m_queues; }
    // The MMS sending threads' operations (caller holds g_lockMMSQueue).
    int FetchMMSBatch(int nDevice, std::string& strReceivers, std::string& strTitle, std::string& strFiles) {
        return m_batch.FetchMMSBatch(nDevice, strReceivers, strTitle, strFiles);
    }
    void FinishMMSBatch(int nDevice, int nResult, int nCount) { m_batch.FinishMMSBatch(nDevice, nResult, nCount); }
    CSmsBatch& Batch() { return m_batch; }

private:
    PendingQueues m_queues{queue::Kind::Mms};
    CSmsBatch m_batch{m_queues.Immediate(), queue::Kind::Mms};
};
