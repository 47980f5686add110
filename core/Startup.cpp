#include "core/Startup.h"

#include "core/Globals.h"
#include "core/LoginSettings.h"
#include "core/MsgRecord.h"
#include "platform/AppPath.h"
#include "platform/ProfileFile.h"
#include "platform/TextCodec.h"

#include <filesystem>
#include <unistd.h>

namespace startup {
namespace {

std::string TrimBlanks(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    const auto e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

}  // namespace

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
    g_strProxyIP = TrimBlanks(profile::GetString(ini, "代理服务器", "代理服务器IP", "", 50));
    g_nProxyPort = profile::GetInt(ini, "代理服务器", "代理服务器端口", 80);
}

void CheckSysInfoFile() { EmptyIfDamaged(paths::AppFile("SysInfo.dat"), kSysInfoSize, true); }

void LoadSysInfo() { sysinfo::Load(paths::AppFile("SysInfo.dat"), g_SysInfo); }

std::string NoticeAddress() {
    // hand-edited: read whole
    return TrimBlanks(profile::GetString(LoginFilePath(), kLoginSection, "公告服务器地址", "", profile::kWhole));
}

std::optional<std::string> NoticePopupText(const std::string& notice) {
    if (codec::GbkLength(notice) <= 1) return std::nullopt;
    return "\r\n " + notice;
}

}  // namespace startup
