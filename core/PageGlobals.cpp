#include "core/PageGlobals.h"

CSMSServerDlg* g_pMainDlg = nullptr;
CPicturePageDlg* g_pPicturePageDlg = nullptr;
CSMSRecordDlg* g_pSMSRecordDlg = nullptr;
CSendMMSDlg* g_pSendMMSDlg = nullptr;
CSendSMSDlg* g_pSendSMSDlg = nullptr;
CSendingListDlg* g_pSendingListDlg = nullptr;
CMMSRecordDlg* g_pMMSRecordDlg = nullptr;
CMMSSinkDlg* g_pMMSSinkDlg = nullptr;
CLinkmanBookDlg* g_pLinkmanBookDlg = nullptr;
CAutoReplyDlg* g_pAutoReplyDlg = nullptr;
CPhraseLibDlg* g_pPhraseLibDlg = nullptr;
CNumberLocationDlg* g_pNumberLocationDlg = nullptr;

int g_nCurrentPage = 0;
int g_nSmsMaxLength = 250;
