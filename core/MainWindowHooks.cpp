#include "core/MainWindowHooks.h"

#include "core/NoticeDlg.h"
#include "core/PlatformClient.h"
#include "core/SMSServerApp.h"
#include "core/SMSServerDlg.h"

void InstallMainWindowHooks(CSMSServerApp& app) {
    app.m_fnFetchNotice = [](const std::string& host) { return FetchNoticeFrom(host); };
    app.m_fnShowNotice = [](const std::string& text) {
        CNoticeDlg dlg;
        dlg.m_strNotice = text;
        dlg.DoModal();
    };
    app.m_fnRunMainWindow = [&app] {
        CSMSServerDlg dlg;
        app.m_fnShowMainWindow = [&dlg] { dlg.OnTrayNotify(CSMSServerDlg::kLButtonDown); };
        const int result = dlg.DoModal();
        app.m_fnShowMainWindow = nullptr;
        return result;
    };
}
