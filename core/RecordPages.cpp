#include "core/MMSRecordDlg.h"
#include "core/Globals.h"
#include "core/SMSRecordDlg.h"

// Each page points the workers at its log and, initialised, lets the record lock go once.
CSMSRecordDlg::CSMSRecordDlg(QWidget* parent) : CRecordPage(kSmsRecordPage, parent) {
    g_pSMSRecordLog = &Log();
    ReleaseRecordLockOnce();
}

CSMSRecordDlg::~CSMSRecordDlg() {
    if (g_pSMSRecordLog == &Log()) g_pSMSRecordLog = nullptr;
}

CMMSRecordDlg::CMMSRecordDlg(QWidget* parent) : CPageDlg(139, parent) {
    g_pMMSRecordLog = &m_log;
    ReleaseRecordLockOnce();
}

CMMSRecordDlg::~CMMSRecordDlg() {
    if (g_pMMSRecordLog == &m_log) g_pMMSRecordLog = nullptr;
}
