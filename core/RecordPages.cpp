#include "core/MMSRecordDlg.h"
#include "core/Globals.h"
#include "core/SMSRecordDlg.h"
#include "core/SendingListDlg.h"

// Each page points the workers at its log and, initialised, lets the record lock go once.
CSMSRecordDlg::CSMSRecordDlg(QWidget* parent) : CPageDlg(159, parent) {
    g_pSMSRecordLog = &m_log;
    ReleaseRecordLockOnce();
}

CSMSRecordDlg::~CSMSRecordDlg() {
    if (g_pSMSRecordLog == &m_log) g_pSMSRecordLog = nullptr;
}

CMMSRecordDlg::CMMSRecordDlg(QWidget* parent) : CPageDlg(139, parent) {
    g_pMMSRecordLog = &m_log;
    ReleaseRecordLockOnce();
}

CMMSRecordDlg::~CMMSRecordDlg() {
    if (g_pMMSRecordLog == &m_log) g_pMMSRecordLog = nullptr;
}

// The queue lock starts taken; the page lets it go at the end of its initialisation.
CSendingListDlg::CSendingListDlg(QWidget* parent) : CPageDlg(138, parent) {
    m_batch.SetRecordSink([](const MsgRecord& r) {
        if (const auto& add = worker::GetServices().AddMmsRecord) add(r);
    });
    m_batch.SetJournal(&m_queues.Journal());
    worker::SetMmsQueue(&m_batch);
    CEventLock::Lock(g_lockMMSQueue, 0, 0);
}

CSendingListDlg::~CSendingListDlg() { worker::ClearMmsQueue(&m_batch); }
