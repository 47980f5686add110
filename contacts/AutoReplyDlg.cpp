#include "contacts/AutoReplyDlg.h"

#include "core/PageGlobals.h"
#include "core/RecordLog.h"
#include "core/SMSSendingListDlg.h"
#include "core/SendingListDlg.h"
#include "platform/AppPath.h"

namespace {
// The receive hook: owns the engine for as long as a call runs.
struct EngineHook {
    std::shared_ptr<CAutoReply> engine;
    void operator()(const std::string& number, const std::string& text, int type) const {
        engine->ProcessIncoming(number, text, type);
    }
};

autoreply::QueueWriters PageQueueWriters() {
    autoreply::QueueWriters w;
    w.AddSMSItem = [](int id, const std::string& number, const std::string& name, const std::string& text) {
        if (CSMSSendingListDlg* page = g_pSMSSendingListDlg) page->AddSMSItem(id, number, name, text, "", 0);
    };
    w.AddMMSItem = [](int id, const std::string& number, const std::string& files, const std::string& title,
                      const std::string& package) {
        if (CSendingListDlg* page = g_pSendingListDlg) page->AddMMSItem(id, number, files, title, package, "", 0);
    };
    return w;
}
}  // namespace

CAutoReplyDlg::CAutoReplyDlg(QWidget* parent)
    : CPageDlg(IDD, parent), m_pEngine(std::make_shared<CAutoReply>(PageQueueWriters())) {
    g_strAutoReplyIni = g_strAppPath + "\\AutoReS.dat";
    SetIncomingHook(EngineHook{m_pEngine});
}

CAutoReplyDlg::~CAutoReplyDlg() {
    IncomingHook old = SetIncomingHook({});
    // Another engine installed since stays installed.
    const EngineHook* mine = old.target<EngineHook>();
    if (!mine || mine->engine != m_pEngine) SetIncomingHook(std::move(old));
}
