// Login settings in "Logp.dat", and the login, password and balance dialogs with their flows.
#include "SimFixture.h"

#include "core/BalanceDlg.h"
#include "core/ChangePasswordDlg.h"
#include "core/LoginDlg.h"
#include "platform/ProfileFile.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <QPushButton>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <atomic>
#include <thread>
#include <vector>

using codec::FromGbk;
using codec::ToGbk;
using codec::ToQ;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// Records every message and answers OK.
struct MessageLog {
    std::vector<std::string> texts;
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        texts.push_back(t);
        return 1;
    }};
};

// Types text key by key, as a user (or an input method) would.
void Type(QWidget* w, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

std::string Key(const std::string& key) {
    return profile::GetString(LoginFilePath(), kLoginSection, key, "<missing>", profile::kWhole);
}

}  // namespace

TEST(LoginSettingsTest, MissingFileGivesTheDefaults) {
    testsupport::TempAppDir dir;
    g_nSerialNo = 5;
    const LoginValues v = LoadLoginSettings();
    const LoginInfo li = GetLoginInfo();
    EXPECT_EQ(li.strSmsServer, "");
    EXPECT_EQ(li.strMmsSender, "13500000000");
    EXPECT_EQ(li.nFtpPort, 21);
    EXPECT_EQ(g_nSerialNo.load(), 0);
    EXPECT_EQ(v.strEcode, "");
    EXPECT_FALSE(v.bRemember);
    SetLoginInfo(LoginInfo{});
}

TEST(LoginSettingsTest, ReadsEveryKeyHandEditedOnesWhole) {
    testsupport::TempAppDir dir;
    const std::string longHost = "sms.example.com:8080/" + std::string(100, 'p');
    const std::string longUrl = "http://files.example.com/彩信资源/" + std::string(90, 'r');
    WriteFile(dir.file("Logp.dat"),
              ToGbk("[登陆信息]\r\n彩信服务器地址=mms.example.com\r\n短信服务器地址=" + longHost +
                    "\r\n企业代码=企业01\r\n用户名=张三\r\n登陆密码=secret\r\n扩展号=12\r\n是否记住=1\r\n"
                    "彩信发送者手机号=13900000000\r\nFtp服务器地址=ftp.example.com\r\nFtp用户名=fu\r\n"
                    "Ftp密码=fp\r\n资源下载地址=" + longUrl + "\r\n流水号=1234\r\nFtp端口=2121\r\n"));
    const LoginValues v = LoadLoginSettings();
    const LoginInfo li = GetLoginInfo();
    EXPECT_EQ(li.strMmsServer, "mms.example.com");
    EXPECT_EQ(li.strSmsServer, longHost);
    EXPECT_EQ(li.strResourceUrl, longUrl);
    EXPECT_EQ(li.strMmsSender, "13900000000");
    EXPECT_EQ(li.strFtpServer, "ftp.example.com");
    EXPECT_EQ(li.strFtpUser, "fu");
    EXPECT_EQ(li.strFtpPassword, "fp");
    EXPECT_EQ(li.nFtpPort, 2121);
    EXPECT_EQ(g_nSerialNo.load(), 1234);
    EXPECT_EQ(v.strEcode, "企业01");
    EXPECT_EQ(v.strUserName, "张三");
    EXPECT_EQ(v.strPassword, "secret");
    EXPECT_EQ(v.strExtNo, "12");
    EXPECT_TRUE(v.bRemember);

    // Not remembered: the password is not read.
    profile::WriteString(LoginFilePath(), kLoginSection, "是否记住", "0");
    EXPECT_EQ(LoadLoginSettings().strPassword, "");
    SetLoginInfo(LoginInfo{});
}

TEST(LoginSettingsTest, WritesTheLoginValuesOwnerOnly) {
    testsupport::TempAppDir dir;
    SaveLoginValues({"E1", "用户", "pw", "7", false});
    struct stat st {};
    ASSERT_EQ(stat(LoginFilePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Key("企业代码"), "E1");
    EXPECT_EQ(Key("用户名"), "用户");
    EXPECT_EQ(Key("登陆密码"), "");  // not remembered: never stored
    EXPECT_EQ(Key("扩展号"), "7");
    EXPECT_EQ(Key("是否记住"), "0");
    EXPECT_EQ(GetLoginInfo().strPassword, "pw");  // but it is the current password
    // The file is GBK on disk.
    EXPECT_NE(ReadFile(LoginFilePath()).find(ToGbk("用户名=用户")), std::string::npos);

    SaveLoginValues({"E1", "用户", "pw", "7", true});
    EXPECT_EQ(Key("登陆密码"), "pw");
    EXPECT_EQ(Key("是否记住"), "1");
    SavePassword("new");
    EXPECT_EQ(Key("登陆密码"), "new");
    EXPECT_EQ(GetLoginInfo().strPassword, "new");

    g_nSerialNo = 987;
    SaveSerialNo();
    EXPECT_EQ(Key("流水号"), "987");
    SetLoginInfo(LoginInfo{});
}

// A platform that takes the connection and never answers, until Close() (which resets the
// connections it left waiting).
struct SilentPlatform {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    SilentPlatform() {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && ::listen(fd, 8) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            port = ntohs(addr.sin_port);
    }
    ~SilentPlatform() { Close(); }
    void Close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port); }
};

class LoginDialogsThreadsTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        // The hosts come from "Logp.dat" as in a real start.
        profile::WriteString(LoginFilePath(), kLoginSection, "短信服务器地址", sim.HostPort());
        profile::WriteString(LoginFilePath(), kLoginSection, "彩信服务器地址", sim.HostPort());
    }
    static void Fill(CLoginDlg& d, const char* ecode, const char* user, const char* pw, const char* ext) {
        d.m_editEcode->setText(ToQ(ecode));
        d.m_editUserName->setText(ToQ(user));
        d.m_editPassword->setText(ToQ(pw));
        d.m_editExtNo->setText(ToQ(ext));
    }
};

TEST_F(LoginDialogsThreadsTest, ChecksInTheirOrder) {
    const struct { const char* ecode; const char* user; const char* pw; const char* message; const char* focus; } cases[] = {
        {"", "", "", "请输入企业代码！", "1057"},
        {"", "user", "pw", "请输入企业代码！", "1057"},
        {"E-1", "", "", "请输入用户名！", "1058"},
        {"E-1", "user", "", "请输入登陆密码！", "1115"},
        {"E-1", "user", "bad", "短信登录信息错误！", nullptr},
        {"E-1", "nobody", "pw", "短信登录信息错误！", nullptr},
    };
    for (const auto& c : cases) {
        MessageLog log;
        CLoginDlg dlg;
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        Fill(dlg, c.ecode, c.user, c.pw, "");
        dlg.m_btnOK->click();
        ASSERT_EQ(log.texts, std::vector<std::string>{c.message}) << c.ecode << "/" << c.user << "/" << c.pw;
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_TRUE(dlg.isVisible());
        if (c.focus) {
            ASSERT_TRUE(testsupport::WaitUntil([&] { return QApplication::focusWidget() != nullptr; }, 2000));
            EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), c.focus);
        }
    }
    // Only the refused credentials reached the platform.
    EXPECT_EQ(sim.RequestCount("/Account.asp"), 2u);
}

TEST_F(LoginDialogsThreadsTest, PlatformWithoutAnswerKeepsTheDialogOpen) {
    // No reply at all names the SMS host; a negative reply is the credentials' message.
    const std::string dead = DeadHost();
    const struct { const char* name; std::string host; int status; std::string message; } cases[] = {
        {"refused", dead, 0, "无法连接短信平台 " + dead + "，请检查网络后重试！"},
        {"status 500", sim.HostPort(), 500, "无法连接短信平台 " + sim.HostPort() + "，请检查网络后重试！"},
        {"negative reply", sim.HostPort(), 0, "短信登录信息错误！"},
    };
    for (const auto& c : cases) {
        profile::WriteString(LoginFilePath(), kLoginSection, "短信服务器地址", c.host);
        platformsim::Fault fault;
        fault.httpStatus = c.status;
        sim.SetFault("/Account.asp", fault);
        MessageLog log;
        bool open = false;
        const bool ok = RunLogin(nullptr, [&](CLoginDlg& d) {
            Fill(d, "E-1", "user", c.status || c.host == dead ? "pw" : "bad", "");
            d.m_btnOK->click();
            open = d.result() != QDialog::Accepted && d.m_btnOK->isEnabled();
            return d.result();
        });
        EXPECT_FALSE(ok) << c.name;
        EXPECT_TRUE(open) << c.name;
        EXPECT_EQ(log.texts, std::vector<std::string>{c.message}) << c.name;
    }
}

TEST_F(LoginDialogsThreadsTest, CancelAbandonsAPendingLogin) {
    SilentPlatform silent;
    profile::WriteString(LoginFilePath(), kLoginSection, "短信服务器地址", silent.HostPort());
    for (const bool escape : {false, true}) {
        MessageLog log;
        int result = -1;
        const auto start = std::chrono::steady_clock::now();
        RunLogin(nullptr, [&](CLoginDlg& d) {
            d.show();
            Fill(d, "E-1", "user", "pw", "");
            // Pressed once the request is under way.
            QTimer::singleShot(0, &d, [&d, escape] {
                if (escape) QTest::keyClick(&d, Qt::Key_Escape);
                else d.m_btnCancel->click();
            });
            d.m_btnOK->click();
            result = d.result();
            return result;
        });
        EXPECT_EQ(result, QDialog::Rejected) << escape;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << escape;
        EXPECT_TRUE(log.texts.empty()) << escape;
    }
}

// The platform answers only well after the user cancelled: 取消 or Escape closes the dialog at
// once, the main window keeps painting meanwhile, and the late answer comes to a dialog that is gone.
TEST_F(LoginDialogsThreadsTest, BalanceAndPasswordRequestsWaitVisiblyAndCancel) {
    constexpr int kAnswerAfterMs = 2000;
    struct PaintCounter : QWidget {
        int paints = 0;
        void paintEvent(QPaintEvent*) override { ++paints; }
    } window;
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return window.paints > 0; }));
    auto cancel = [](QDialog& d, QPushButton* button, bool escape) {
        if (escape) QTest::keyClick(&d, Qt::Key_Escape);
        else button->click();
    };
    SaveLoginValues({"E-1", "user", "pw", "01", true});
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "取消");
        MessageLog log;
        platformsim::Fault slow;
        slow.delayMs = kAnswerAfterMs;
        sim.SetFault("Account.asp", slow);
        g_nSmsBalance = 0;
        g_nMmsBalance = 0;
        int result = -1;
        RunQueryBalance(&window, [&](CBalanceDlg& d) {
            d.ShowForHook();
            EXPECT_TRUE(d.IsQuerying());
            EXPECT_EQ(d.m_editSms->text(), ToQ("正在查询…"));
            EXPECT_EQ(d.m_btnClose->text(), ToQ("取  消"));
            const int before = window.paints;
            window.update();
            EXPECT_TRUE(testsupport::WaitUntil([&] { return window.paints > before; }));
            cancel(d, d.m_btnClose, escape);
            return result = d.result();
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(g_nSmsBalance.load(), 0);  // closed before the platform answered
        // The late answers arrive (the query stores them as it always does) and nothing shows.
        EXPECT_TRUE(testsupport::WaitUntil([] { return g_nMmsBalance.load() == 55; }, 15000));
        QApplication::processEvents();
        EXPECT_EQ(g_nSmsBalance.load(), 77);
        EXPECT_TRUE(log.texts.empty());
        sim.ClearFaults();

        // The password change: cancelled while the platform holds the request. The platform
        // takes it later; the program follows, so its next requests are not refused.
        const std::string newPw = escape ? "n2" : "n1";
        sim.SetFault("updatepassword.asp", slow);
        RunChangePassword(&window, [&](CChangePasswordDlg& d) {
            d.ShowForHook();
            d.m_editOld->setText(ToQ(GetLoginInfo().strPassword));
            d.m_editNew->setText(ToQ(newPw));
            d.m_editConfirm->setText(ToQ(newPw));
            QTimer::singleShot(0, &d, [&] {
                EXPECT_FALSE(d.m_btnOK->isEnabled());
                EXPECT_FALSE(d.m_editNew->isEnabled());
                EXPECT_TRUE(d.m_btnCancel->isEnabled());
                cancel(d, d.m_btnCancel, escape);
            });
            d.m_btnOK->click();
            return result = d.result();
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(sim.GetAccount("E-1", "user")->password, escape ? "n1" : "pw");  // not answered yet
        EXPECT_NE(GetLoginInfo().strPassword, newPw);
        EXPECT_TRUE(testsupport::WaitUntil([&] { return GetLoginInfo().strPassword == newPw; }, 15000));
        EXPECT_EQ(Key("登陆密码"), newPw);
        EXPECT_TRUE(log.texts.empty());
        sim.ClearFaults();
    }
}

TEST_F(LoginDialogsThreadsTest, GoodLoginWritesTheValues) {
    sim.SetBalances("E-1", "user", 0, 3);  // no SMS left still logs in
    profile::WriteString(LoginFilePath(), kLoginSection, "企业代码", "E-1");
    profile::WriteString(LoginFilePath(), kLoginSection, "用户名", "user");
    profile::WriteString(LoginFilePath(), kLoginSection, "扩展号", "55");
    profile::WriteString(LoginFilePath(), kLoginSection, "登陆密码", "pw");
    profile::WriteString(LoginFilePath(), kLoginSection, "是否记住", "0");
    SetLoginInfo(LoginInfo{});
    MessageLog log;
    const bool ok = RunLogin(nullptr, [](CLoginDlg& d) {
        // Pre-filled from the file; the password only when remembered.
        EXPECT_EQ(d.m_editEcode->text(), "E-1");
        EXPECT_EQ(d.m_editUserName->text(), "user");
        EXPECT_EQ(d.m_editExtNo->text(), "55");
        EXPECT_EQ(d.m_editPassword->text(), "");
        EXPECT_FALSE(d.m_checkRemember->isChecked());
        d.m_editPassword->setText("pw");
        d.m_editExtNo->setText("");
        d.m_checkRemember->setChecked(true);
        d.m_btnOK->click();
        return d.result();
    });
    ASSERT_TRUE(ok);
    EXPECT_TRUE(log.texts.empty());
    EXPECT_EQ(g_nSmsBalance.load(), 0);
    EXPECT_EQ(Key("企业代码"), "E-1");
    EXPECT_EQ(Key("用户名"), "user");
    EXPECT_EQ(Key("登陆密码"), "pw");
    EXPECT_EQ(Key("扩展号"), "");
    EXPECT_EQ(Key("是否记住"), "1");
    const LoginInfo li = GetLoginInfo();
    EXPECT_EQ(li.strEcode, "E-1");
    EXPECT_EQ(li.strPassword, "pw");
    EXPECT_EQ(li.strSmsServer, sim.HostPort());

    // The next start pre-fills the remembered password.
    RunLogin(nullptr, [](CLoginDlg& d) {
        EXPECT_EQ(d.m_editPassword->text(), "pw");
        EXPECT_TRUE(d.m_checkRemember->isChecked());
        return int(QDialog::Rejected);
    });
}

TEST_F(LoginDialogsThreadsTest, EditsLimitTheirTextByGbkBytes) {
    CLoginDlg dlg;
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    dlg.m_editEcode->setFocus();
    Type(dlg.m_editEcode, ToQ("一二三四五六七八九"));  // 18 GBK bytes
    EXPECT_EQ(dlg.m_editEcode->text(), ToQ("一二三四五六七八"));
    Type(dlg.m_editExtNo, "123456789");
    EXPECT_EQ(dlg.m_editExtNo->text(), "12345678");
    // A full edit takes nothing more, also in the middle.
    dlg.m_editExtNo->setCursorPosition(2);
    Type(dlg.m_editExtNo, "x");
    EXPECT_EQ(dlg.m_editExtNo->text(), "12345678");
    // A paste is cut to what fits, on a character boundary; the text after the cursor stays.
    const struct { const char* before; int cursor; const char* paste; const char* after; int cursorAfter; } pastes[] = {
        {"", 0, "一二三四五六七八九十", "一二三四五六七八", 8},
        {"ab", 1, "一二三四五六七八", "a一二三四五六七b", 8},
        {"abcdefghijklmno", 15, "一", "abcdefghijklmno", 15},   // one byte free: no half character
        {"abcdefghijklmn", 14, "一二", "abcdefghijklmn一", 15},
        {"", 0, "😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀", "😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀", 32},
    };
    for (const auto& c : pastes) {
        dlg.m_editUserName->setText(ToQ(c.before));
        dlg.m_editUserName->setCursorPosition(c.cursor);
        dlg.m_editUserName->insert(ToQ(c.paste));
        EXPECT_EQ(dlg.m_editUserName->text(), ToQ(c.after)) << c.before << " + " << c.paste;
        EXPECT_EQ(dlg.m_editUserName->cursorPosition(), c.cursorAfter) << c.before << " + " << c.paste;
    }
    // A stored value longer than the edit is cut on a character boundary.
    dlg.m_strUserName = "a一二三四五六七八";  // 17 bytes
    dlg.UpdateControls();
    EXPECT_EQ(dlg.m_editUserName->text(), ToQ("a一二三四五六七"));
}

TEST_F(LoginDialogsThreadsTest, PasswordDialogChecks) {
    const struct { const char* oldPw; const char* newPw; const char* confirm; const char* message;
                   const char* leftOld; const char* leftNew; const char* leftConfirm; } cases[] = {
        {"bad", "n", "n", "原始密码不正确！", "", "", ""},
        {"pw", "", "", "请输入新密码！", "pw", "", ""},
        {"pw", "n1", "n2", "新密码与确认密码不一致！", "pw", "", ""},
    };
    for (const auto& c : cases) {
        MessageLog log;
        CChangePasswordDlg dlg;
        dlg.m_strCurrentPassword = "pw";
        dlg.m_editOld->setText(c.oldPw);
        dlg.m_editNew->setText(c.newPw);
        dlg.m_editConfirm->setText(c.confirm);
        dlg.m_btnOK->click();
        EXPECT_EQ(log.texts, std::vector<std::string>{c.message});
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.m_editOld->text(), c.leftOld);
        EXPECT_EQ(dlg.m_editNew->text(), c.leftNew);
        EXPECT_EQ(dlg.m_editConfirm->text(), c.leftConfirm);
    }
}

TEST_F(LoginDialogsThreadsTest, PasswordChangeFlow) {
    SaveLoginValues({"E-1", "user", "pw", "01", true});
    auto change = [](const char* oldPw, const char* newPw) {
        return [=](CChangePasswordDlg& d) {
            d.m_editOld->setText(oldPw);
            d.m_editNew->setText(newPw);
            d.m_editConfirm->setText(newPw);
            d.m_btnOK->click();
            return d.result();
        };
    };
    {  // cancelled: nothing changes, nothing is sent
        MessageLog log;
        RunChangePassword(nullptr, [](CChangePasswordDlg&) { return int(IDCANCEL); });
        EXPECT_TRUE(log.texts.empty());
        EXPECT_TRUE(sim.Requests().empty());
    }
    {  // refused by the SMS host
        platformsim::Fault f;
        f.body = "-1";
        sim.SetFault("updatepassword.asp", f);
        MessageLog log;
        RunChangePassword(nullptr, change("pw", "n1"));
        EXPECT_EQ(log.texts, std::vector<std::string>{"修改密码失败！"});
        EXPECT_EQ(GetLoginInfo().strPassword, "pw");
        EXPECT_EQ(Key("登陆密码"), "pw");
        sim.ClearFaults();
    }
    {  // done: the file and the next request carry the new password
        MessageLog log;
        RunChangePassword(nullptr, change("pw", "n1"));
        EXPECT_EQ(log.texts, std::vector<std::string>{"修改密码成功！"});
        EXPECT_EQ(GetLoginInfo().strPassword, "n1");
        EXPECT_EQ(Key("登陆密码"), "n1");
        sim.ClearLog();
        EXPECT_EQ(SendSms("13800000000", "x"), 1);
        EXPECT_NE(LastTarget().find("PASSWORD=n1&"), std::string::npos);
    }
}

TEST_F(LoginDialogsThreadsTest, BalanceDialogShowsBothCounts) {
    int sms = 0, mms = 0;
    std::string smsText, mmsText;
    auto read = [&](CBalanceDlg& d) {
        sms = d.m_nSms;
        mms = d.m_nMms;
        smsText = d.m_editSms->text().toStdString();
        mmsText = d.m_editMms->text().toStdString();
        return 0;
    };
    // The counts come once the query has answered.
    auto wait = [](auto then) {
        return [then](CBalanceDlg& d) {
            EXPECT_TRUE(testsupport::WaitUntil([&] { return !d.IsQuerying(); }));
            return then(d);
        };
    };
    RunQueryBalance(nullptr, wait(read));
    EXPECT_EQ(sms, 77);
    EXPECT_EQ(mms, 55);
    EXPECT_EQ(smsText, "77");
    EXPECT_EQ(mmsText, "55");

    LoginInfo li = GetLoginInfo();
    li.strSmsServer = li.strMmsServer = DeadHost();
    SetLoginInfo(li);
    RunQueryBalance(nullptr, wait(read));
    EXPECT_EQ(smsText, "-1");
    EXPECT_EQ(mmsText, "-1");
}

TEST_F(LoginDialogsThreadsTest, PasswordAndBalanceDialogsRunModally) {
    // Acts on whichever dialog is open modally once it shows.
    auto whenModal = [](std::function<void(QWidget*)> act) {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [timer, act] {
            if (QWidget* w = QApplication::activeModalWidget(); w && w->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(w);
            }
        });
        timer->start(5);
    };
    MessageLog log;
    whenModal([](QWidget* w) {
        auto* d = qobject_cast<CChangePasswordDlg*>(w);
        ASSERT_NE(d, nullptr);
        d->m_editOld->setText("pw");
        d->m_editNew->setText("n2");
        d->m_editConfirm->setText("n2");
        d->m_btnOK->click();
    });
    RunChangePassword(nullptr);
    EXPECT_EQ(log.texts, std::vector<std::string>{"修改密码成功！"});
    EXPECT_EQ(GetLoginInfo().strPassword, "n2");

    // Escape cancels: nothing is sent.
    sim.ClearLog();
    whenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    RunChangePassword(nullptr);
    EXPECT_EQ(log.texts.size(), 1u);
    EXPECT_TRUE(sim.Requests().empty());

    whenModal([](QWidget* w) {
        auto* d = qobject_cast<CBalanceDlg*>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(testsupport::WaitUntil([d] { return !d->IsQuerying(); }));
        EXPECT_EQ(d->m_editSms->text(), "77");
        d->m_btnClose->click();
    });
    RunQueryBalance(nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(LoginSettingsThreadsTest, ReadersSeeWholeCredentials) {
    // A password change while workers read: each reader sees one login or the other, never a mix.
    std::atomic<bool> stop{false};
    std::atomic<int> mixed{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i)
        readers.emplace_back([&] {
            while (!stop) {
                const LoginInfo li = GetLoginInfo();
                if (li.strUserName.size() != li.strPassword.size()) ++mixed;
            }
        });
    for (int i = 0; i < 2000; ++i) {
        if (i % 2) SetLoginCredentials("E", "u", "p", "");
        else SetLoginCredentials("E", "user-long", "pass-long", "");
    }
    stop = true;
    for (auto& t : readers) t.join();
    EXPECT_EQ(mixed.load(), 0);
    SetLoginInfo(LoginInfo{});
}
