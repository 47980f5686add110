#pragma once
// The login settings of "Logp.dat" (section "登陆信息") and the program-wide values they fill.
// The hosts, credentials and FTP settings (g_strMmsServer … g_nFtpPort) live in one guarded
// record: a reader takes a consistent snapshot, so a worker never sees half a password change.
#include <string>

constexpr const char* kLoginFile = "Logp.dat";
constexpr const char* kLoginSection = "登陆信息";

struct LoginInfo {
    std::string strMmsServer;    // "彩信服务器地址": MMS host (host or host:port)
    std::string strSmsServer;    // "短信服务器地址": SMS host
    std::string strEcode;        // "企业代码" (after login)
    std::string strUserName;     // "用户名" (after login)
    std::string strPassword;     // "登陆密码" (after login or password change)
    std::string strExtNo;        // "扩展号" (after login)
    std::string strMmsSender;    // "彩信发送者手机号", default "13500000000"
    std::string strFtpServer;    // "Ftp服务器地址"
    std::string strFtpUser;      // "Ftp用户名"
    std::string strFtpPassword;  // "Ftp密码"
    std::string strResourceUrl;  // "资源下载地址": URL prefix of the uploaded files
    int nFtpPort = 21;           // "Ftp端口"
};

// A consistent copy of the settings; safe from any thread.
LoginInfo GetLoginInfo();
void SetLoginInfo(const LoginInfo& info);
// Replaces the four login values at once.
void SetLoginCredentials(const std::string& ecode, const std::string& userName,
                         const std::string& password, const std::string& extNo);
void SetLoginPassword(const std::string& password);

// The values the login dialog starts from.
struct LoginValues {
    std::string strEcode;
    std::string strUserName;
    std::string strPassword;
    std::string strExtNo;
    bool bRemember = false;
};

// Full path of "Logp.dat" in the program folder.
std::string LoginFilePath();

// Reads every key: hosts, sender, FTP settings and resource URL into the settings record,
// "流水号" into g_nSerialNo (LoadSerialNo); the login values are returned (the password only when remembered).
LoginValues LoadLoginSettings();

// After a good login: writes "企业代码", "用户名", "登陆密码" (empty when not remembered),
// "扩展号" and "是否记住", and makes the four values the current credentials.
void SaveLoginValues(const LoginValues& v);

// After a good password change: the new password becomes current and is written to "登陆密码"
// (only when the file remembers the password).
void SavePassword(const std::string& password);
