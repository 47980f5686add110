// The built program in a temporary program folder: repair run, second instance, serial number
// saved at exit.
#include "platform/AppPath.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

using testsupport::ReadFile;
using testsupport::WaitUntil;
using testsupport::WriteFile;

namespace {

class ProgramFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QFile::copy(QStringLiteral(SMS_APP_DIR "/XingFan"), QString::fromStdString(file("XingFan"))));
        ASSERT_TRUE(QFile::copy(QStringLiteral(SMS_APP_DIR "/libhttpsocket.so"), QString::fromStdString(file("libhttpsocket.so"))));
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(runDir())));
        QFile::setPermissions(QString::fromStdString(runDir()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    std::string file(const std::string& rel) const { return dir_.path().toStdString() + "/" + rel; }
    std::string runDir() const { return file("run"); }

    // The program with the user's runtime folder in the test folder, so instances of other
    // tests never meet.
    void Prepare(QProcess& p, const QStringList& args, bool withDisplay) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runDir()));
        if (withDisplay) {
            env.insert("QT_QPA_PLATFORM", "offscreen");
        } else {
            // A platform that needs a display, and none: any window would end the program.
            env.insert("QT_QPA_PLATFORM", "xcb");
            env.remove("DISPLAY");
            env.remove("WAYLAND_DISPLAY");
        }
        p.setProcessEnvironment(env);
        p.setProgram(QString::fromStdString(file("XingFan")));
        p.setArguments(args);
        p.setWorkingDirectory("/");
    }

    int RunToEnd(const QStringList& args, bool withDisplay) {
        QProcess p;
        Prepare(p, args, withDisplay);
        p.start();
        if (!p.waitForFinished(20000)) {
            p.kill();
            p.waitForFinished();
            return -100;
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -200;
    }

    bool FirstInstanceListening() const { return paths::FileExists(runDir() + "/DRAVO-MMS-API"); }

    QTemporaryDir dir_;
};

}  // namespace

TEST_F(ProgramFolder, RepairRunNeedsNoDisplayAndEmptiesOnlyDamagedFiles) {
    WriteFile(file("SMSMsgSL.dat"), std::string(3184, 'a'));
    WriteFile(file("MMSMsgSL.dat"), std::string(3185, 'b'));
    WriteFile(file("SysInfo.dat"), std::string(527, 'c'));
    WriteFile(file("MsgSL.dat"), std::string(1592, 'd'));
    EXPECT_EQ(RunToEnd({"repair"}, false), 0);
    EXPECT_EQ(paths::FileSize(file("SMSMsgSL.dat")), 3184);
    EXPECT_EQ(paths::FileSize(file("MsgSL.dat")), 1592);
    EXPECT_EQ(paths::FileSize(file("MMSMsgSL.dat")), 0);
    EXPECT_EQ(ReadFile(file("MMSMsgSL.dat.bad")), std::string(3185, 'b'));
    EXPECT_EQ(paths::FileSize(file("SysInfo.dat")), 0);
    EXPECT_EQ(ReadFile(file("SysInfo.dat.bad")), std::string(527, 'c'));
    EXPECT_FALSE(paths::FileExists(file("Logp.dat")));  // no shutdown of a normal run
}

TEST_F(ProgramFolder, SecondInstanceEndsAndTheFirstSavesTheSerialNumberAtExit) {
    WriteFile(file("Logp.dat"), codec::ToGbk("; kept\r\n[登陆信息]\r\n用户名=张三\r\n流水号= 41abc\r\n"));
    QProcess first;
    Prepare(first, {}, true);
    first.start();
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(WaitUntil([&] { return FirstInstanceListening(); }, 20000));

    // A second start ends on its own, without a window of its own.
    EXPECT_EQ(RunToEnd({}, true), 0);
    // A repair run leaves the files of a running instance alone.
    WriteFile(file("MsgWS.dat"), std::string(10, 'x'));
    EXPECT_EQ(RunToEnd({"repair"}, false), 0);
    EXPECT_EQ(paths::FileSize(file("MsgWS.dat")), 10);
    EXPECT_EQ(first.state(), QProcess::Running);

    // End of session: the modal run returns and the shutdown writes "流水号".
    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(ReadFile(file("Logp.dat")), codec::ToGbk("; kept\r\n[登陆信息]\r\n用户名=张三\r\n流水号=41\r\n"));
    EXPECT_FALSE(FirstInstanceListening());  // a clean exit takes its name away

    // The name is free again: a new start runs normally.
    QProcess again;
    Prepare(again, {}, true);
    again.start();
    ASSERT_TRUE(again.waitForStarted());
    EXPECT_TRUE(WaitUntil([&] { return FirstInstanceListening(); }, 20000));  // the one instance now
    EXPECT_EQ(again.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(again.processId()), SIGTERM);
    EXPECT_TRUE(again.waitForFinished(20000));
}

TEST_F(ProgramFolder, CrashedInstanceDoesNotBlockTheNextStart) {
    QProcess first;
    Prepare(first, {}, true);
    first.start();
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(WaitUntil([&] { return FirstInstanceListening(); }, 20000));
    first.kill();  // no clean-up at all
    first.waitForFinished();
    ASSERT_TRUE(FirstInstanceListening());  // its name is left behind

    WriteFile(file("MsgWS.dat"), std::string(10, 'x'));
    EXPECT_EQ(RunToEnd({"repair"}, false), 0);
    EXPECT_EQ(paths::FileSize(file("MsgWS.dat")), 0);
}
