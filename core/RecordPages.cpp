#include "core/MMSRecordDlg.h"
#include "core/Globals.h"
#include "core/SMSRecordDlg.h"

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
