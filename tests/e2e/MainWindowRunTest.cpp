// The program's main window run whole against the platform simulator: login, the first tick's
// loads and threads, a queued SMS sent and recorded, and the exit that saves the queues.
#include "core/Globals.h"
#include "core/LoginDlg.h"
#include "core/MsgRecord.h"
#include "core/PageGlobals.h"
#include "core/PendingQueues.h"
#include "core/SMSSendingListDlg.h"
#include "core/RecordLog.h"
#include "core/SMSServerDlg.h"
#include "core/WelComeDlg.h"
#include "core/WorkerEngine.h"
#include "platform/AppPath.h"
#include "platform/HttpClient.h"
#include "platform/ProfileFile.h"
#include "platform/Seams.h"
#include "support/TestSupport.h"
#include "tools/platform-sim/PlatformSim.h"
#include "uikit/ImageButton.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

std::vector<MsgRecord> ReadLog(const std::string& path) {
    std::vector<MsgRecord> out;
    const std::string bytes = testsupport::ReadFile(path);
    for (std::size_t at = 0; at + sizeof(MsgRecord) <= bytes.size(); at += sizeof(MsgRecord))
        out.push_back(msgrec::FromBytes(bytes.data() + at));
    return out;
}

}  // namespace

struct MainWindowRunThreads : ::testing::Test {
    testsupport::TempAppDir dir;
    platformsim::PlatformSim sim;
    std::string logp = dir.file("Logp.dat");
    std::vector<std::string> messages;
    seam::ScopedMessageBox box{[this](const std::string& text, int) {
        messages.push_back(text);
        return 1;
    }};

    MainWindowRunThreads() {
        for (const char* name :
             {"MMSP1.bmp", "MMSP1-a.bmp", "MMSP2.bmp", "Login.bmp", "Smsdb.mdb", "LinkmanBook.mdb"})
            QFile::copy(QString(SMS_APP_DIR) + "/" + name, QString::fromStdString(dir.file(name)));
        http::GlobalInit();
        EXPECT_TRUE(sim.Start());
        sim.AddAccount({.ecode = "E01", .user = "user", .password = "pw", .mmsPassword = {},
                        .smsBalance = 1000});
        const std::pair<const char*, std::string> keys[] = {
            {"短信服务器地址", sim.HostPort()}, {"彩信服务器地址", sim.HostPort()},
            {"企业代码", "E01"}, {"用户名", "user"}, {"登陆密码", "pw"}, {"扩展号", "01"},
            {"是否记住", "1"}, {"流水号", "100"}};
        for (const auto& [key, value] : keys) profile::WriteString(logp, "登陆信息", key, value);
        // The real login dialog, pre-filled from "Logp.dat", checked against the simulator.
        CSMSServerDlg::SetLoginExec([](CLoginDlg& login) {
            QTimer::singleShot(0, &login, [&login] { login.m_btnOK->click(); });
            return login.exec();
        });
        worker::SetPassSleepsForTest(20, 20);
        g_bStopThreads = 0;
    }
    ~MainWindowRunThreads() override {
        CSMSServerDlg::SetLoginExec({});
        worker::SetPassSleepsForTest(worker::kFirstSleepMs, worker::kSecondSleepMs);
        g_bStopThreads = 0;
        sim.Stop();
    }
};

TEST_F(MainWindowRunThreads, LogsInSendsTheQueuedSmsAndSavesOnExit) {
    {  // a row left pending by an earlier run
        PendingQueues queues(queue::Kind::Sms);
        queues.LoadQueues();
        queues.AddSMSItem(7, "13800000001", "", "会议改到三点", "", 0);
        queues.SaveQueues();
    }
    ASSERT_EQ(paths::FileSize(dir.file("SMSMsgWS.dat")), static_cast<long long>(sizeof(MsgRecord)));

    int result = 0;
    bool sent = false;
    {
        CSMSServerDlg dlg;
        QTimer poll;
        QElapsedTimer waited;
        waited.start();
        QObject::connect(&poll, &QTimer::timeout, &dlg, [&] {
            sent = !ReadLog(dir.file("SMSMsgSL.dat")).empty();
            if (sent || waited.elapsed() > 20000) {
                poll.stop();
                dlg.OnCancel();
            }
        });
        poll.start(20);
        result = dlg.DoModal();
        EXPECT_FALSE(g_dlgWelcome.IsWindow());  // gone after the first tick
    }
    SaveSerialNo();  // the start-up routine's last step

    EXPECT_EQ(result, 2);
    ASSERT_TRUE(sent);
    const auto records = ReadLog(dir.file("SMSMsgSL.dat"));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(msgrec::GetField(records[0].szType), "已发送短信");
    EXPECT_EQ(msgrec::GetField(records[0].szNumber), "13800000001");
    EXPECT_EQ(sim.SentSmsCount(), 1u);
    EXPECT_EQ(worker::RunningThreads(), 0);
    EXPECT_EQ(paths::FileSize(dir.file("SMSMsgWS.dat")), 0);  // saved empty at exit
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "真的要退出吗？");
    EXPECT_EQ(profile::GetInt(logp, "登陆信息", "流水号", 0), g_nSerialNo.load());
    EXPECT_GT(g_nSerialNo.load(), 100);
}

TEST_F(MainWindowRunThreads, EndedWithoutTheExitPathTheWorkersGoBeforeThePages) {
    bool started = false;
    {
        CSMSServerDlg dlg;
        QTimer poll;
        QElapsedTimer waited;
        waited.start();
        QObject::connect(&poll, &QTimer::timeout, &dlg, [&] {
            started = worker::RunningThreads() > 0;
            if (started || waited.elapsed() > 20000) {
                poll.stop();
                dlg.done(QDialog::Rejected);  // as a quit of the event loops ends it
            }
        });
        poll.start(20);
        dlg.DoModal();
    }
    ASSERT_TRUE(started);
    EXPECT_EQ(worker::RunningThreads(), 0);
    EXPECT_TRUE(messages.empty());  // no question, no closing message
}

// 退出 pressed at each point of the start-up the program reaches soon after the login: the
// question comes, OK ends the program, the workers are stopped and no queued row is lost.
struct MainWindowExitThreads : MainWindowRunThreads, ::testing::WithParamInterface<const char*> {};

TEST_P(MainWindowExitThreads, ExitAnsweredRightAfterTheLogin) {
    const std::string when = GetParam();
    constexpr int kRows = 200;
    {
        PendingQueues queues(queue::Kind::Sms);
        queues.LoadQueues();
        for (int i = 0; i < kRows; ++i)
            queues.AddSMSItem(i + 1, std::to_string(13800000000LL + i), "", "通知", "", 0);
        queues.SaveQueues();
    }
    const long long queued = kRows * static_cast<long long>(sizeof(MsgRecord));
    ASSERT_EQ(paths::FileSize(dir.file("SMSMsgWS.dat")), queued);

    CSMSServerDlg dlg;
    bool loadedWhenAsked = false, threadsWhenAsked = false;
    seam::ScopedMessageBox answer([&](const std::string& text, int type) {
        messages.push_back(text);
        if (type != 1) return 1;
        if (when == "tick during the question") dlg.OnTimer(25);  // timer 25 comes while it is open
        loadedWhenAsked = g_pSMSSendingListDlg->Queues().IsLoaded();
        threadsWhenAsked = worker::RunningThreads() > 0;
        return 1;
    });
    auto press = [&dlg] { dlg.OnCancel(); };
    CSMSServerDlg::SetLoginExec([&](CLoginDlg& login) {
        QTimer::singleShot(0, &login, [&login] { login.m_btnOK->click(); });
        const int r = login.exec();
        // Pressed at once: the first thing the main window's loop delivers.
        if (when == "at the login" || when == "tick during the question") QTimer::singleShot(0, &dlg, press);
        return r;
    });
    int lastStep = -1;
    CSMSServerDlg::SetLoadProbeForTest([&](int step) {
        lastStep = step;
        if (when == "during the first load" && step == 3) press();  // as a load that lets input through
    });
    QTimer poll;
    QElapsedTimer waited;
    if (when == "after the threads start") {
        waited.start();
        QObject::connect(&poll, &QTimer::timeout, &dlg, [&] {
            if (worker::RunningThreads() > 0 || waited.elapsed() > 20000) {
                poll.stop();
                press();
            }
        });
        poll.start(5);
    }
    const int result = dlg.DoModal();
    CSMSServerDlg::SetLoadProbeForTest({});

    EXPECT_EQ(result, 2);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "真的要退出吗？");
    EXPECT_EQ(messages[1], "系统数据已经保存完毕，现在可以安全退出彩信软件！\r\n\r\n谢谢使用！");
    EXPECT_EQ(g_bStopThreads.load(), 1);
    EXPECT_EQ(worker::RunningThreads(), 0);
    const std::size_t logged = ReadLog(dir.file("SMSMsgSL.dat")).size();
    const long long left = paths::FileSize(dir.file("SMSMsgWS.dat"));
    if (when == "at the login" || when == "tick during the question") {
        // Asked before the first load: nothing loaded, started or sent, the queue file untouched.
        EXPECT_FALSE(loadedWhenAsked);
        EXPECT_FALSE(threadsWhenAsked);
        EXPECT_EQ(lastStep, -1);
        EXPECT_EQ(sim.SentSmsCount(), 0u);
        EXPECT_EQ(logged, 0u);
        EXPECT_EQ(left, queued);
    } else {
        // Asked once the loads were done (and the threads started); every row sent or kept.
        EXPECT_TRUE(loadedWhenAsked);
        EXPECT_TRUE(threadsWhenAsked);
        EXPECT_EQ(lastStep, 6);
        EXPECT_EQ(static_cast<long long>(logged * sizeof(MsgRecord)) + left, queued);
    }
}

INSTANTIATE_TEST_SUITE_P(Points, MainWindowExitThreads,
                         ::testing::Values("at the login", "tick during the question", "during the first load",
                                           "after the threads start"),
                         [](const auto& info) {
                             std::string name;
                             for (char c : std::string(info.param)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });
