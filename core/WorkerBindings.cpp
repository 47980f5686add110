#include "core/WorkerBindings.h"

#include "core/LoginSettings.h"
#include "core/PlatformClient.h"
#include "core/RecordLog.h"

namespace worker {

Services DefaultServices() {
    Services s;
    s.SendSms = [](const std::string& numbers, const std::string& text) { return ::SendSms(numbers, text); };
    s.SendMms = [](const std::string& receivers, const std::string& subject, const std::string& urls) {
        return ::SendMms(receivers, subject, urls);
    };
    s.PollMo = [] { return ::PollMo(); };
    s.QuerySmsBalance = [] { return ::QuerySmsBalance(); };
    s.QueryMmsBalance = [] { return ::QueryMmsBalance(); };
    s.ResourceUrl = [] { return GetLoginInfo().strResourceUrl; };
    s.AddSmsRecord = [](const MsgRecord& r) {
        if (CRecordLog* log = g_pSMSRecordLog) log->AddLogRecord(&r);
    };
    s.ReceiveLog = [] { return g_pSMSRecordLog; };
    s.AddMmsRecord = [](const MsgRecord& r) {
        if (CRecordLog* log = g_pMMSRecordLog) log->AddLogRecord(&r);
    };
    return s;
}

}  // namespace worker
