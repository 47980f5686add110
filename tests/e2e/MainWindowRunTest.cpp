// The program's main window run whole against the platform simulator: login, the first tick's
// loads and threads, a queued SMS sent and recorded, and the exit that saves the queues.
#include "core/Globals.h"
#include "core/LoginDlg.h"
#include "core/MsgRecord.h"
#include "core/PendingQueues.h"
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
