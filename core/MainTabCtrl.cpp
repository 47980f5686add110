#include "core/MainTabCtrl.h"

#include "compose/MMSSinkDlg.h"
#include "compose/PhraseLibDlg.h"
#include "compose/SendMMSDlg.h"
#include "compose/SendSMSDlg.h"
#include "contacts/AutoReplyDlg.h"
#include "contacts/LinkmanBookDlg.h"
#include "contacts/NumberLocationDlg.h"
#include "core/MMSRecordDlg.h"
#include "core/PageGlobals.h"
#include "core/PicturePageDlg.h"
#include "core/SMSRecordDlg.h"
#include "core/SMSSendingListDlg.h"
#include "core/SendingListDlg.h"

CMainTabCtrl::CMainTabCtrl(QWidget* parent) : QWidget(parent) { setObjectName("1003"); }

CMainTabCtrl::~CMainTabCtrl() {
    // The workers reach pages through the pointers: clear them before the pages go.
    g_pPicturePageDlg = nullptr;
    g_pSMSSendingListDlg = nullptr;
    g_pSMSRecordDlg = nullptr;
    g_pSendMMSDlg = nullptr;
    g_pSendSMSDlg = nullptr;
    g_pSendingListDlg = nullptr;
    g_pMMSRecordDlg = nullptr;
    g_pMMSSinkDlg = nullptr;
    g_pLinkmanBookDlg = nullptr;
    g_pAutoReplyDlg = nullptr;
    g_pPhraseLibDlg = nullptr;
    g_pNumberLocationDlg = nullptr;
    for (QWidget*& page : m_pages) {
        delete page;
        page = nullptr;
    }
}

void CMainTabCtrl::CreatePages() {
    auto* picture = new CPicturePageDlg(this);
    auto* smsSending = new CSMSSendingListDlg(this);
    auto* smsRecord = new CSMSRecordDlg(this);
    auto* sendMms = new CSendMMSDlg(this);
    auto* sendSms = new CSendSMSDlg(this);
    auto* mmsSending = new CSendingListDlg(this);
    auto* mmsRecord = new CMMSRecordDlg(this);
    auto* sink = new CMMSSinkDlg(this);
    auto* linkman = new CLinkmanBookDlg(this);
    auto* autoReply = new CAutoReplyDlg(this);
    auto* phrases = new CPhraseLibDlg(this);
    auto* location = new CNumberLocationDlg(this);
    m_pages = {picture, smsSending, smsRecord, sendMms, sendSms, mmsSending,
               mmsRecord, sink, linkman, autoReply, phrases, location};
    for (QWidget* page : m_pages) page->hide();
    g_pPicturePageDlg = picture;
    g_pSMSSendingListDlg = smsSending;
    g_pSMSRecordDlg = smsRecord;
    g_pSendMMSDlg = sendMms;
    g_pSendSMSDlg = sendSms;
    g_pSendingListDlg = mmsSending;
    g_pMMSRecordDlg = mmsRecord;
    g_pMMSSinkDlg = sink;
    g_pLinkmanBookDlg = linkman;
    g_pAutoReplyDlg = autoReply;
    g_pPhraseLibDlg = phrases;
    g_pNumberLocationDlg = location;
    LayoutPages();
}

void CMainTabCtrl::LayoutPages() {
    for (int i = 0; i < kPageCount; ++i) {
        if (!m_pages[i]) continue;
        m_pages[i]->setGeometry(rect());
        m_pages[i]->setVisible(i == 0);
    }
}

QWidget* CMainTabCtrl::Page(int index) const {
    return index >= 0 && index < kPageCount ? m_pages[index] : nullptr;
}

void CMainTabCtrl::resizeEvent(QResizeEvent*) {
    for (QWidget* page : m_pages)
        if (page) page->setGeometry(rect());
}
