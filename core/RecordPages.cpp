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

CMMSRecordDlg::CMMSRecordDlg(QWidget* parent) : CRecordPage(kMmsRecordPage, parent) {
    g_pMMSRecordLog = &Log();
    ReleaseRecordLockOnce();
    m_resendPackage.m_strWorkFolder = g_strAppPath + "\\MMSListTemp";
    m_resendPackage.ClearFrames();
}

CMMSRecordDlg::~CMMSRecordDlg() {
    if (g_pMMSRecordLog == &Log()) g_pMMSRecordLog = nullptr;
}
