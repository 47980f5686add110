#include "core/Globals.h"

#include "platform/ProfileFile.h"

#include <mutex>

std::atomic<int> g_bStopThreads{0};
std::atomic<int> g_nSmsBalance{0};
std::atomic<int> g_nMmsBalance{-1};  // -1 until the first MMS balance reply
AutoResetEvent g_lockSMSQueue("g_lockSMSQueue");
AutoResetEvent g_lockMMSQueue("g_lockMMSQueue");
AutoResetEvent g_lockRecord("g_lockRecord");

std::string g_strMainTitle = "星帆";
SysInfoRecord g_SysInfo{};
std::atomic<int> g_nSerialNo{0};

namespace {
std::mutex g_serialFileMutex;
}

void SaveSerialNo() {
    std::lock_guard<std::mutex> lock(g_serialFileMutex);
    profile::WriteString(paths::AppFile("Logp.dat"), "登陆信息", "流水号", std::to_string(g_nSerialNo.load()),
                         /*ownerOnly=*/true);
}

void LoadSerialNo() {
    g_nSerialNo = profile::GetInt(paths::AppFile("Logp.dat"), "登陆信息", "流水号", 0);
}
