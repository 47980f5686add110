#include "core/LoginSettings.h"

#include "core/Globals.h"
#include "platform/AppPath.h"
#include "platform/ProfileFile.h"

#include <mutex>

namespace {

std::mutex g_loginMutex;
LoginInfo g_loginInfo;

std::string Read(const char* key, std::size_t size, const char* def = "") {
    return profile::GetString(LoginFilePath(), kLoginSection, key, def, size);
}

void Write(const char* key, const std::string& value) {
    profile::WriteString(LoginFilePath(), kLoginSection, key, value, /*ownerOnly=*/true);
}

}  // namespace

LoginInfo GetLoginInfo() {
    std::lock_guard<std::mutex> lock(g_loginMutex);
    return g_loginInfo;
}

void SetLoginInfo(const LoginInfo& info) {
    std::lock_guard<std::mutex> lock(g_loginMutex);
    g_loginInfo = info;
}

void SetLoginCredentials(const std::string& ecode, const std::string& userName, const std::string& password,
                         const std::string& extNo) {
    std::lock_guard<std::mutex> lock(g_loginMutex);
    g_loginInfo.strEcode = ecode;
    g_loginInfo.strUserName = userName;
    g_loginInfo.strPassword = password;
    g_loginInfo.strExtNo = extNo;
}

void SetLoginPassword(const std::string& password) {
    std::lock_guard<std::mutex> lock(g_loginMutex);
    g_loginInfo.strPassword = password;
}

std::string LoginFilePath() { return paths::AppFile(kLoginFile); }

LoginValues LoadLoginSettings() {
    // Hand-edited keys are read whole; the login values with their 20-byte buffers.
    LoginInfo info = GetLoginInfo();
    info.strMmsServer = Read("彩信服务器地址", profile::kWhole);
    info.strSmsServer = Read("短信服务器地址", profile::kWhole);
    info.strMmsSender = Read("彩信发送者手机号", profile::kWhole, "13500000000");
    info.strFtpServer = Read("Ftp服务器地址", profile::kWhole);
    info.strFtpUser = Read("Ftp用户名", profile::kWhole);
    info.strFtpPassword = Read("Ftp密码", profile::kWhole);
    info.strResourceUrl = Read("资源下载地址", profile::kWhole);
    info.nFtpPort = profile::GetInt(LoginFilePath(), kLoginSection, "Ftp端口", 21);
    SetLoginInfo(info);
    LoadSerialNo();

    LoginValues v;
    v.strEcode = Read("企业代码", 20);
    v.strUserName = Read("用户名", 20);
    v.strExtNo = Read("扩展号", 20);
    v.bRemember = profile::GetInt(LoginFilePath(), kLoginSection, "是否记住", 0) == 1;
    if (v.bRemember) v.strPassword = Read("登陆密码", 20);
    return v;
}

void SaveLoginValues(const LoginValues& v) {
    Write("企业代码", v.strEcode);
    Write("用户名", v.strUserName);
    Write("登陆密码", v.bRemember ? v.strPassword : std::string());
    Write("扩展号", v.strExtNo);
    Write("是否记住", v.bRemember ? "1" : "0");
    SetLoginCredentials(v.strEcode, v.strUserName, v.strPassword, v.strExtNo);
}

void SavePassword(const std::string& password) {
    SetLoginPassword(password);
    const bool remember = profile::GetInt(LoginFilePath(), kLoginSection, "是否记住", 0) == 1;
    Write("登陆密码", remember ? password : std::string());
}
