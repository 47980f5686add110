#pragma once
// The main window, its twelve pages and the page shown; set before the worker threads start.
class CSMSServerDlg;
class CPicturePageDlg;
class CSMSSendingListDlg;
class CSMSRecordDlg;
class CSendMMSDlg;
class CSendSMSDlg;
class CSendingListDlg;
class CMMSRecordDlg;
class CMMSSinkDlg;
class CLinkmanBookDlg;
class CAutoReplyDlg;
class CPhraseLibDlg;
class CNumberLocationDlg;

extern CSMSServerDlg* g_pMainDlg;
extern CPicturePageDlg* g_pPicturePageDlg;
extern CSMSSendingListDlg* g_pSMSSendingListDlg;  // defined with its page
extern CSMSRecordDlg* g_pSMSRecordDlg;
extern CSendMMSDlg* g_pSendMMSDlg;
extern CSendSMSDlg* g_pSendSMSDlg;
extern CSendingListDlg* g_pSendingListDlg;
extern CMMSRecordDlg* g_pMMSRecordDlg;
extern CMMSSinkDlg* g_pMMSSinkDlg;
extern CLinkmanBookDlg* g_pLinkmanBookDlg;
extern CAutoReplyDlg* g_pAutoReplyDlg;
extern CPhraseLibDlg* g_pPhraseLibDlg;
extern CNumberLocationDlg* g_pNumberLocationDlg;

// Index of the visible page (0..11).
extern int g_nCurrentPage;
// Longest immediate SMS text of the send-SMS page, in UTF-16 units of its GBK form.
extern int g_nSmsMaxLength;
