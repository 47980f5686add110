#include "core/Startup.h"

#include "core/Globals.h"
#include "core/MsgRecord.h"
#include "platform/AppPath.h"
#include "platform/ProfileFile.h"
#include "platform/TextCodec.h"

#include <filesystem>
#include <unistd.h>

namespace startup {

bool EmptyIfDamaged(const std::string& path, std::size_t recordSize, bool exactSize) {
    const long long size = paths::FileSize(path);
    if (size < 0) return false;
    const auto n = static_cast<std::size_t>(size);
    const bool sound = exactSize ? n == recordSize : n % recordSize == 0;
    if (sound) return false;
    std::error_code ec;
    std::filesystem::copy_file(path, path + ".bad", std::filesystem::copy_options::overwrite_existing, ec);
    return ::truncate(path.c_str(), 0) == 0;
}

void RepairDataFiles() {
    for (const char* name : {"MsgWS.dat", "SMSMsgWS.dat", "MsgSL.dat", "MMSMsgSL.dat", "SMSMsgSL.dat"})
        EmptyIfDamaged(paths::AppFile(name), kMsgRecordSize, false);
    CheckSysInfoFile();
}

void ReadProxySettings() {
    const std::string ini = paths::AppFile("ProxyServer.ini");
    std::string ip = profile::GetString(ini, "代理服务器", "代理服务器IP", "", 50);
    const auto b = ip.find_first_not_of(" \t");
    const auto e = ip.find_last_not_of(" \t");
    g_strProxyIP = b == std::string::npos ? std::string() : ip.substr(b, e - b + 1);
    g_nProxyPort = profile::GetInt(ini, "代理服务器", "代理服务器端口", 80);
}

void CheckSysInfoFile() { EmptyIfDamaged(paths::AppFile("SysInfo.dat"), kSysInfoSize, true); }

void LoadSysInfo() { sysinfo::Load(paths::AppFile("SysInfo.dat"), g_SysInfo); }

std::string NoticeAddress() {
    std::string a = profile::GetString(paths::AppFile("Logp.dat"), "登陆信息", "公告服务器地址", "", profile::kWhole);  // hand-edited: read whole
    const auto b = a.find_first_not_of(" \t");
    const auto e = a.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : a.substr(b, e - b + 1);
}

std::optional<std::string> NoticePopupText(const std::string& notice) {
    if (codec::GbkLength(notice) <= 1) return std::nullopt;
    return "\r\n " + notice;
}

}  // namespace startup
