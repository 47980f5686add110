// The main window and its small dialogs, on real widgets under the offscreen platform.
#include "core/MainTabCtrl.h"
#include "core/NoticeDlg.h"
#include "core/PageGlobals.h"
#include "core/PicturePageDlg.h"
#include "core/SMSSendingListDlg.h"
#include "core/SendingListDlg.h"
#include "core/SMSServerDlg.h"
#include "core/SMSTextDlg.h"
#include "core/WelComeDlg.h"
#include "core/WorkerEngine.h"
#include "contacts/AdoConnection.h"
#include "core/Globals.h"
#include "platform/Seams.h"
#include "support/TestSupport.h"
#include "uikit/ImageButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>

using testsupport::TempAppDir;

namespace {

// A program folder with the staged pictures of the build.
void StagePictures(const TempAppDir& dir, bool withBackground = true) {
    for (const char* name : {"MMSP1.bmp", "MMSP1-a.bmp", "MMSP2.bmp", "Smsdb.mdb", "LinkmanBook.mdb"}) {
        if (!withBackground && std::string(name) == "MMSP1.bmp") continue;
        QFile::copy(QString(SMS_APP_DIR) + "/" + name, QString::fromStdString(dir.file(name)));
    }
}

struct MainWindowFixture : ::testing::Test {
    TempAppDir dir;
    std::vector<std::string> messages;
    int answer = 0;  // reply to questions
    int loginResult = QDialog::Accepted;
    seam::ScopedMessageBox box{[this](const std::string& text, int type) {
        messages.push_back(text);
        return type == 1 ? answer : 1;
    }};

    std::unique_ptr<CSMSServerDlg> Open(bool withBackground = true) {
        StagePictures(dir, withBackground);
        auto dlg = std::make_unique<CSMSServerDlg>();
        dlg->SetTrayAvailable(true);
        EXPECT_EQ(dlg->OnInitDialog(), 1);
        return dlg;
    }
    MainWindowFixture() {
        g_bStopThreads = 0;
        CSMSServerDlg::SetLoginExec([this](CLoginDlg&) { return loginResult; });
    }
    ~MainWindowFixture() override {
        CSMSServerDlg::SetLoginExec({});
        CSMSServerDlg::SetLoadProbeForTest({});
        g_dlgWelcome.DestroyWindow();
        g_bStopThreads = 0;
    }
};

QColor TextColour(CImageButton* b) { return b->GetColor(CImageButton::BTNST_COLOR_FG_OUT); }

}  // namespace

TEST_F(MainWindowFixture, InitialisationMakesFoldersPagesAndSplash) {
    auto dlg = Open();
    EXPECT_EQ(g_pMainDlg, dlg.get());
    for (const char* f : {"RecvMsg", "DBTemp", "MMSSink/接收彩信", "SMSText", "D/彩信记录备份"})
        EXPECT_TRUE(paths::IsDirectory(dir.file(f))) << f;
    for (int i = 0; i < 12; ++i) ASSERT_NE(dlg->TabCtrl()->Page(i), nullptr);
    EXPECT_EQ(static_cast<QWidget*>(g_pPicturePageDlg), dlg->TabCtrl()->Page(0));
    EXPECT_EQ(g_nSmsMaxLength, 250);
    ASSERT_TRUE(g_dlgWelcome.IsWindow());
    EXPECT_EQ(g_dlgWelcome.Window()->findChild<QLabel*>("1269")->text(), "正在启动彩信软件……");
    EXPECT_TRUE(dlg->HasBackground());
    EXPECT_FALSE(dlg->TabCtrl()->isVisibleTo(dlg.get()));  // shown by the first switch
    ASSERT_TRUE(dlg->Database()->GetConnection());
    EXPECT_TRUE(dlg->Database()->GetConnection()->IsOpen());  // "Smsdb.mdb" of the program folder
}

TEST_F(MainWindowFixture, PageSwitchLooksAndRange) {
    auto dlg = Open();
    const QColor normal(0, 120, 133), selected(254, 6, 6);
    dlg->ShowPage(4);
    EXPECT_EQ(g_nCurrentPage, 4);
    EXPECT_TRUE(dlg->TabCtrl()->isVisibleTo(dlg.get()));
    EXPECT_TRUE(dlg->TabCtrl()->Page(4)->isVisibleTo(dlg.get()));
    EXPECT_FALSE(dlg->TabCtrl()->Page(0)->isVisibleTo(dlg.get()));
    EXPECT_EQ(TextColour(dlg->Button(1008)), selected);
    EXPECT_EQ(dlg->ButtonBitmap(1008), 602);
    EXPECT_EQ(TextColour(dlg->Button(1004)), normal);

    dlg->ShowPage(4);  // the shown page's button does nothing
    EXPECT_EQ(TextColour(dlg->Button(1008)), selected);
    dlg->ShowPage(12);
    dlg->ShowPage(-1);
    EXPECT_EQ(g_nCurrentPage, 4);

    dlg->Button(1051)->click();  // number-location page is reachable
    EXPECT_EQ(g_nCurrentPage, 11);
    EXPECT_EQ(TextColour(dlg->Button(1008)), normal);
    EXPECT_EQ(dlg->ButtonBitmap(1008), 601);
    EXPECT_EQ(TextColour(dlg->Button(1051)), selected);
}

TEST_F(MainWindowFixture, SideMenuMovesRelativeToButton1009) {
    auto dlg = Open();
    const QRect ref = dlg->Button(1009)->geometry();
    auto top = [&](int id) { return dlg->Button(id)->geometry().top() - ref.top(); };
    auto shown = [&](int id) { return dlg->Button(id)->isVisibleTo(dlg.get()); };

    dlg->Button(1052)->click();
    EXPECT_EQ(dlg->SideMenuState(), 1);
    EXPECT_TRUE(shown(1007) && shown(1009) && shown(1010) && shown(1011));
    EXPECT_FALSE(shown(1008) || shown(1053) || shown(1054) || shown(1055));
    EXPECT_EQ(top(1050), 156);
    EXPECT_EQ(top(1013), 208);
    EXPECT_EQ(top(1051), 260);
    EXPECT_EQ(dlg->Button(1050)->geometry().left(), ref.left());
    EXPECT_EQ(dlg->Button(1050)->size(), ref.size());

    dlg->Button(1050)->click();
    EXPECT_EQ(dlg->SideMenuState(), 2);
    EXPECT_TRUE(shown(1008) && shown(1053) && shown(1054) && shown(1055));
    EXPECT_FALSE(shown(1007) || shown(1011));
    EXPECT_EQ(top(1050), -52);

    dlg->Button(1013)->click();
    EXPECT_EQ(g_nCurrentPage, 9);
    EXPECT_EQ(dlg->SideMenuState(), 0);
    EXPECT_FALSE(shown(1008) || shown(1007));
    EXPECT_EQ(top(1050), -52);
    EXPECT_EQ(top(1013), 0);
    EXPECT_EQ(top(1051), 52);

    dlg->Button(1052)->click();
    dlg->ShowPage(5);
    QDir().mkpath(QString(SMS_BUILD_DIR) + "/screens");
    dlg->grab().save(QString(SMS_BUILD_DIR) + "/screens/main-window.png");  // for review
}

TEST_F(MainWindowFixture, TrayHidesAndAClickRestores) {
    auto dlg = Open();
    dlg->show();
    dlg->OnHideToTray();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(dlg->IsTrayIconShown());
    EXPECT_EQ(dlg->TrayTip(), "显示星帆");
    dlg->OnTrayNotify(0x200);  // mouse move: ignored
    EXPECT_FALSE(dlg->isVisible());
    dlg->OnTrayNotify(CSMSServerDlg::kRButtonDown);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(dlg->IsTrayIconShown());

    dlg->SetTrayAvailable(false);  // no notification area: minimised, never hidden
    dlg->OnHideToTray();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(dlg->IsTrayIconShown());
}

TEST_F(MainWindowFixture, ExitCancelledLeavesEverythingRunning) {
    auto dlg = Open();
    dlg->show();
    answer = 0;
    dlg->OnCancel();
    EXPECT_EQ(messages, std::vector<std::string>{"真的要退出吗？"});
    EXPECT_EQ(g_bStopThreads.load(), 0);
    EXPECT_TRUE(dlg->isVisible());

    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &enter);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(MainWindowFixture, ExitConfirmedStopsSavesAndSaysSo) {
    auto dlg = Open();
    answer = 1;
    int result = -1;
    QTimer::singleShot(0, dlg.get(), [&] { dlg->OnCancel(); });
    result = dlg->exec();
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(g_bStopThreads.load(), 1);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], "系统数据已经保存完毕，现在可以安全退出彩信软件！\r\n\r\n谢谢使用！");
    dlg->OnTimer(25);  // a first tick after the exit began loads and starts nothing
    EXPECT_FALSE(g_pSMSSendingListDlg->Queues().IsLoaded());
    EXPECT_EQ(worker::RunningThreads(), 0);
}

TEST_F(MainWindowFixture, FirstTickUnderTheExitQuestionWaitsForItsAnswer) {
    auto dlg = Open();
    dlg->show();
    bool loadedUnderQuestion = true;
    seam::ScopedMessageBox cancel([&](const std::string& text, int) {
        messages.push_back(text);
        dlg->OnTimer(25);  // timer 25 comes while the question is open
        loadedUnderQuestion = g_pSMSSendingListDlg->Queues().IsLoaded();
        return 0;
    });
    dlg->OnCancel();
    EXPECT_EQ(messages, std::vector<std::string>{"真的要退出吗？"});
    EXPECT_FALSE(loadedUnderQuestion);
    EXPECT_EQ(g_bStopThreads.load(), 0);
    // Cancelled: the first tick comes back and loads.
    EXPECT_TRUE(testsupport::WaitUntil([&] { return g_pSMSSendingListDlg->Queues().IsLoaded(); }));
    EXPECT_FALSE(g_dlgWelcome.IsWindow());
    worker::StopMsgThreads(10000);
}

TEST_F(MainWindowFixture, FailedFirstLoadSkipsTheRestAndStartsNoThread) {
    auto dlg = Open();
    CSMSServerDlg::SetLoadProbeForTest([](int step) {
        if (step == 3) throw std::runtime_error("load failed");  // the SMS pending queues
    });
    dlg->OnTimer(25);
    EXPECT_TRUE(g_pSendingListDlg->Queues().IsLoaded());      // the loads before it ran
    EXPECT_FALSE(g_pSMSSendingListDlg->Queues().IsLoaded());  // it and those after did not
    EXPECT_EQ(worker::RunningThreads(), 0);
    EXPECT_TRUE(g_dlgWelcome.IsWindow());  // the splash stays up
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_NE(testsupport::ReadFile(dir.file("RunLog.txt")).find("CSMSServerDlg::OnTimer Error"),
              std::string::npos);
}

TEST_F(MainWindowFixture, FirstTickShowsTheHomePage) {
    auto dlg = Open();
    QWidget* home = dlg->TabCtrl()->Page(0);
    const QImage picture(QString::fromStdString(dir.file("MMSP2.bmp")));
    ASSERT_FALSE(picture.isNull());
    const QPoint at = home->mapTo(dlg.get(), QPoint(40, 30));
    auto shown = [&] { return dlg->grab().toImage().pixelColor(at); };
    EXPECT_NE(shown(), picture.pixelColor(40, 30));  // the start-up text until the loads end
    dlg->OnTimer(25);
    worker::StopMsgThreads(10000);
    EXPECT_EQ(g_nCurrentPage, 0);
    EXPECT_TRUE(home->isVisibleTo(dlg.get()));
    EXPECT_EQ(shown(), picture.pixelColor(40, 30));
}

TEST_F(MainWindowFixture, FrameJoinsTheBackgroundAfterTheFirstSwitch) {
    auto dlg = Open();
    const QImage frame(QString(SMS_APP_DIR) + "/MMSP1-a.bmp");
    ASSERT_FALSE(frame.isNull());
    auto pixel = [&](int x, int y) { return dlg->grab().toImage().pixelColor(x, y); };
    EXPECT_NE(pixel(211, 131), frame.pixelColor(1, 1));
    dlg->ShowPage(3);
    EXPECT_EQ(pixel(210, 130), frame.pixelColor(0, 0));
    EXPECT_EQ(pixel(211, 131), frame.pixelColor(1, 1));
    EXPECT_EQ(pixel(943, 509), frame.pixelColor(733, 379));
    dlg->ShowPage(0);  // and it stays through later paints
    EXPECT_EQ(pixel(211, 131), frame.pixelColor(1, 1));
}

TEST_F(MainWindowFixture, DraggingTheClientAreaMovesTheWindowButNotFromAPage) {
    auto dlg = Open();
    dlg->show();
    dlg->ShowPage(3);
    auto send = [](QWidget* w, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons held) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, local, global, button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    const QPoint start = dlg->pos();
    const QPoint grabAt = start + QPoint(300, 60);
    send(dlg.get(), QEvent::MouseButtonPress, {300, 60}, grabAt, Qt::LeftButton);
    send(dlg.get(), QEvent::MouseMove, {300, 60}, grabAt + QPoint(40, 25), Qt::LeftButton);
    send(dlg.get(), QEvent::MouseButtonRelease, {340, 85}, grabAt + QPoint(40, 25), Qt::NoButton);
    EXPECT_EQ(dlg->pos(), start + QPoint(40, 25));

    QWidget* page = dlg->TabCtrl()->Page(3);
    const QPoint moved = dlg->pos();
    const QPoint onPage = page->mapToGlobal(QPoint(10, 10));
    send(page, QEvent::MouseButtonPress, {10, 10}, onPage, Qt::LeftButton);
    send(page, QEvent::MouseMove, {10, 10}, onPage + QPoint(40, 25), Qt::LeftButton);
    send(page, QEvent::MouseButtonRelease, {10, 10}, onPage + QPoint(40, 25), Qt::NoButton);
    EXPECT_EQ(dlg->pos(), moved);
}

TEST_F(MainWindowFixture, EndedWithoutTheExitPathTheQueuesAreStillSaved) {
    {
        auto dlg = Open();
        g_pSMSSendingListDlg->LoadQueues();
        g_pSMSSendingListDlg->AddSMSItem(5, "13800000001", "", "会议", "", 0);
    }  // ended as by a termination signal: no exit question
    EXPECT_EQ(paths::FileSize(dir.file("SMSMsgWS.dat")), 1592);
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowFixture, CancelledLoginShowsNoWindowAndStartsNothing) {
    StagePictures(dir);
    CSMSServerDlg dlg;
    CSMSServerDlg::SetLoginExec([&dlg](CLoginDlg&) {
        dlg.OnTrayNotify(CSMSServerDlg::kLButtonDown);  // a second start during the login
        return static_cast<int>(QDialog::Rejected);
    });
    EXPECT_EQ(dlg.DoModal(), 2);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(g_dlgWelcome.IsWindow());
    EXPECT_EQ(worker::RunningThreads(), 0);
}

TEST_F(MainWindowFixture, MissingBackgroundLeavesItPlain) {
    auto dlg = Open(false);
    EXPECT_FALSE(dlg->HasBackground());
    QImage shot(dlg->size(), QImage::Format_RGB32);
    dlg->render(&shot);
    EXPECT_EQ(shot.pixelColor(300, 60), QColor(235, 243, 246));
}

TEST_F(MainWindowFixture, HomePagePicture) {
    StagePictures(dir);
    CPicturePageDlg page;
    EXPECT_TRUE(page.HasPicture());
    QFile::remove(QString::fromStdString(dir.file("MMSP2.bmp")));
    CPicturePageDlg blank;
    EXPECT_FALSE(blank.HasPicture());
}

TEST(NoticeAndTextView, NoticePopupShowsItsText) {
    CNoticeDlg dlg;
    dlg.m_strNotice = "\r\n ab";
    QTimer::singleShot(0, &dlg, [&] { dlg.findChild<QAbstractButton*>("1")->click(); });
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(dlg.windowTitle(), "消息通知");
    EXPECT_EQ(dlg.findChild<QPlainTextEdit*>("1071")->toPlainText(), "\n ab");
    EXPECT_TRUE(dlg.findChild<QPlainTextEdit*>("1071")->isReadOnly());
}

TEST(NoticeAndTextView, TextViewReadOnlyAndEditable) {
    CSMSTextDlg ro;
    ro.m_strText = "第一行\r\n第二行";
    ro.m_nReadOnly = 1;
    ro.show();  // initialised as it shows
    EXPECT_EQ(ro.windowTitle(), "文字短信内容");
    EXPECT_TRUE(ro.Edit()->isReadOnly());
    EXPECT_TRUE(ro.Edit()->textInteractionFlags() & Qt::TextSelectableByMouse);

    CSMSTextDlg rw;
    rw.m_strText = "abc";
    bool editable = false;
    QTimer::singleShot(0, &rw, [&] {
        editable = !rw.Edit()->isReadOnly() && rw.Edit()->toPlainText() == "abc";
        rw.Edit()->setPlainText("x\ny");
        rw.findChild<QAbstractButton*>("1")->click();
    });
    EXPECT_EQ(rw.DoModal(), IDOK);
    EXPECT_TRUE(editable);
    EXPECT_EQ(rw.m_strText, "x\r\ny");
}

TEST_F(MainWindowFixture, HiddenToTheTrayTheWindowKeepsRunning) {
    auto dlg = Open();
    answer = 1;
    bool runningWhileHidden = false;
    QTimer::singleShot(0, dlg.get(), [&] { dlg->OnHideToTray(); });
    QTimer::singleShot(50, dlg.get(), [&] {
        runningWhileHidden = !dlg->isVisible() && dlg->IsTrayIconShown();
        dlg->OnTrayNotify(CSMSServerDlg::kLButtonDown);
        dlg->OnCancel();
    });
    EXPECT_EQ(dlg->exec(), QDialog::Rejected);
    EXPECT_TRUE(runningWhileHidden);
    EXPECT_EQ(messages.size(), 2u);  // ended through the exit question, not by the hiding
}
