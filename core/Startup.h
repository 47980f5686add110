#pragma once
// The file work of the start-up routine (CSMSServerApp::InitInstance), without any window.
#include <cstddef>
#include <optional>
#include <string>

namespace startup {

// Empties a damaged file: when it exists and its size is not a whole number of recordSize
// records (exactSize: not exactly recordSize bytes), its content is first copied to
// "<path>.bad" (replacing an older one), then the file is truncated to 0 bytes. True when it
// was emptied.
bool EmptyIfDamaged(const std::string& path, std::size_t recordSize, bool exactSize);

// The repair run: the five queue and log files of 1592-byte records and "SysInfo.dat".
void RepairDataFiles();

// "ProxyServer.ini", section "代理服务器": g_strProxyIP (trimmed, 50-byte buffer) and
// g_nProxyPort (default 80).
void ReadProxySettings();

// Empties "SysInfo.dat" when it is not 528 bytes long.
void CheckSysInfoFile();
// Zeroes g_SysInfo and reads "SysInfo.dat" into it.
void LoadSysInfo();

// The notice server: "公告服务器地址" of section "登陆信息" in "Logp.dat" (host or host:port,
// trimmed); empty means no notice.
std::string NoticeAddress();
// The text of the notice popup: "\r\n " and the notice, when the notice is longer than one GBK
// byte; nothing otherwise.
std::optional<std::string> NoticePopupText(const std::string& notice);

}  // namespace startup
