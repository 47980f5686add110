#pragma once
// MMS pending page; owns the MMS pending queues.
#include "core/PageDlg.h"
#include "core/PendingQueues.h"

class CSendingListDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CSendingListDlg(QWidget* parent = nullptr);
    void LoadQueues() { m_queues.LoadQueues(); }
    void SaveQueues() { m_queues.SaveQueues(); }
    PendingQueues& Queues() { return m_queues; }

private:
    PendingQueues m_queues{queue::Kind::Mms};
};
