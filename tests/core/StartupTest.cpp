#include "core/Globals.h"
#include "core/SMSServerApp.h"
#include "core/Startup.h"
#include "core/SysInfo.h"
#include "platform/AppPath.h"
#include "platform/ProfileFile.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QWidget>
#include <cstring>
#include <thread>

using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WriteFile;

TEST(Startup, RepairEmptiesOnlyDamagedFilesAndKeepsThemAside) {
    TempAppDir dir;
    struct Case {
        const char* name;
        long long size;  // -1: no file
        long long after;
        bool bad;
    };
    const Case cases[] = {
        {"SMSMsgSL.dat", 3184, 3184, false},  // two whole records
        {"MsgWS.dat", 3185, 0, true},
        {"SMSMsgWS.dat", 0, 0, false},
        {"MsgSL.dat", 1591, 0, true},
        {"MMSMsgSL.dat", -1, -1, false},
        {"SysInfo.dat", 527, 0, true},
    };
    for (const auto& c : cases)
        if (c.size >= 0) WriteFile(dir.file(c.name), std::string(static_cast<std::size_t>(c.size), 'x'));
    WriteFile(dir.file("MsgWS.dat.bad"), "older copy");
    startup::RepairDataFiles();
    for (const auto& c : cases) {
        EXPECT_EQ(paths::FileSize(dir.file(c.name)), c.after) << c.name;
        EXPECT_EQ(paths::FileSize(dir.file(std::string(c.name) + ".bad")), c.bad ? c.size : -1) << c.name;
    }
    WriteFile(dir.file("SysInfo.dat"), std::string(528, 'y'));
    startup::CheckSysInfoFile();
    EXPECT_EQ(paths::FileSize(dir.file("SysInfo.dat")), 528);
}

TEST(Startup, ProxySettings) {
    TempAppDir dir;
    startup::ReadProxySettings();
    EXPECT_EQ(g_strProxyIP, "");
    EXPECT_EQ(g_nProxyPort, 80);
    WriteFile(dir.file("ProxyServer.ini"),
              codec::ToGbk("[代理服务器]\r\n代理服务器IP=  10.0.0.1  \r\n代理服务器端口=8080\r\n"));
    startup::ReadProxySettings();
    EXPECT_EQ(g_strProxyIP, "10.0.0.1");
    EXPECT_EQ(g_nProxyPort, 8080);
    WriteFile(dir.file("ProxyServer.ini"), codec::ToGbk("[代理服务器]\r\n代理服务器IP=" + std::string(60, '1') + "\r\n"));
    startup::ReadProxySettings();
    EXPECT_EQ(g_strProxyIP, std::string(49, '1'));  // a 50-byte buffer
    EXPECT_EQ(g_nProxyPort, 80);
    g_strProxyIP.clear();
}

TEST(Startup, SysInfoRecordAndNumberPrefix) {
    TempAppDir dir;
    std::string data(528, '\0');
    std::memcpy(&data[420], codec::ToGbk("0086").data(), 4);
    data[516] = 1;
    data[0] = 'k';
    WriteFile(dir.file("SysInfo.dat"), data);
    startup::LoadSysInfo();
    EXPECT_EQ(sysinfo::NumberPrefix(g_SysInfo), "0086");
    EXPECT_EQ(g_SysInfo.bThreadsStarted, 1);
    EXPECT_EQ(g_SysInfo.reserved1[0], 'k');

    // A prefix field without any NUL gives 95 bytes, never running into the next field.
    std::memset(&data[420], '9', 96);
    WriteFile(dir.file("SysInfo.dat"), data);
    startup::LoadSysInfo();
    EXPECT_EQ(sysinfo::NumberPrefix(g_SysInfo), std::string(95, '9'));

    WriteFile(dir.file("SysInfo.dat"), "12");  // short: the rest zero
    startup::LoadSysInfo();
    EXPECT_EQ(sysinfo::NumberPrefix(g_SysInfo), "");
    ::unlink(dir.file("SysInfo.dat").c_str());
    startup::LoadSysInfo();
    EXPECT_EQ(g_SysInfo.reserved1[0], 0);
}

TEST(Startup, NoticeAddressAndPopupText) {
    TempAppDir dir;
    EXPECT_EQ(startup::NoticeAddress(), "");
    WriteFile(dir.file("Logp.dat"), codec::ToGbk("[登陆信息]\r\n公告服务器地址= 127.0.0.1:8080 \r\n"));
    EXPECT_EQ(startup::NoticeAddress(), "127.0.0.1:8080");
    const std::string longHost(120, 'n');  // hand-edited keys are read whole
    WriteFile(dir.file("Logp.dat"), codec::ToGbk("[登陆信息]\r\n公告服务器地址=" + longHost + "\r\n"));
    EXPECT_EQ(startup::NoticeAddress(), longHost);
    struct Case {
        const char* notice;
        std::optional<std::string> want;
    };
    const Case cases[] = {
        {"", std::nullopt}, {"a", std::nullopt}, {"ab", "\r\n ab"}, {"中", "\r\n 中"}, {"€", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(startup::NoticePopupText(c.notice), c.want) << c.notice;
}

TEST(SerialNoThreads, EveryRaiseIsSavedAndTheFileNeverGoesBack) {
    TempAppDir dir;
    WriteFile(dir.file("Logp.dat"), codec::ToGbk("[登陆信息]\r\n流水号=41\r\n用户名=u\r\n"));
    LoadSerialNo();
    EXPECT_EQ(g_nSerialNo, 41);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 25; ++i) {
                ++g_nSerialNo;
                SaveSerialNo();
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(profile::GetInt(dir.file("Logp.dat"), "登陆信息", "流水号", -1), 141);
    EXPECT_EQ(ReadFile(dir.file("Logp.dat")), codec::ToGbk("[登陆信息]\r\n流水号=141\r\n用户名=u\r\n"));
    g_nSerialNo = 0;
}

TEST(Startup, ShowRequestReachesOnlyAMainWindowThatExists) {
    CSMSServerApp app;
    int shown = 0;
    app.OnShowRequest();  // no hook yet: nothing
    app.m_fnShowMainWindow = [&] { ++shown; };
    struct Case {
        const char* name;
        std::function<std::unique_ptr<QWidget>()> make;
        int want;
    };
    const Case cases[] = {
        {"no window", [] { return std::unique_ptr<QWidget>(); }, 0},
        {"window still starting (untitled)", [] { return std::make_unique<QWidget>(); }, 0},
        {"login dialog", [] {
             auto w = std::make_unique<QWidget>();
             w->setWindowTitle(QString::fromUtf8("登陆系统"));
             return w;
         }, 0},
        {"standard box of the same title", [] {
             return std::unique_ptr<QWidget>(std::make_unique<QMessageBox>(
                 QMessageBox::Warning, QString::fromUtf8("星帆"), "x").release());
         }, 0},
        {"main window hidden in the tray", [] {
             auto w = std::make_unique<QWidget>();
             w->setWindowTitle(QString::fromUtf8("星帆"));
             return w;
         }, 1},
    };
    for (const auto& c : cases) {
        shown = 0;
        const auto w = c.make();
        app.OnShowRequest();
        EXPECT_EQ(shown, c.want) << c.name;
    }
}
