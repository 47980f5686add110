// The send-SMS page end to end: numbers typed into the real number dialog, the text typed,
// the send buttons clicked; the SMS pending page, the sending threads and the simulator take
// it from there to "已发送短信" records, one per number.
#include "compose/CyclePeriodDlg.h"
#include "compose/MultiLineEdit.h"
#include "compose/RecipientInputDlg.h"
#include "compose/RecipientList.h"
#include "compose/SendSMSDlg.h"
#include "compose/TimedSendDlg.h"
#include "core/Globals.h"
#include "core/LoginSettings.h"
#include "core/PlatformClient.h"
#include "core/RecordLog.h"
#include "core/SMSSendingListDlg.h"
#include "core/WorkerEngine.h"
#include "platform/Clock.h"
#include "platform/HttpClient.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"
#include "tools/platform-sim/PlatformSim.h"

#include <gtest/gtest.h>

#include <QDateEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>

using codec::ToQ;

namespace {

// Types the text key by key; an Enter for each line end.
void TypeInto(QWidget* w, const QString& text) {
    for (const QChar ch : text) {
        if (ch == '\n')
            QTest::keyClick(w, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

struct SendRoad {
    testsupport::TempAppDir dir;
    platformsim::PlatformSim sim;
    CRecordLog smsLog{LogKind::Sms};
    std::vector<std::string> messages;
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    }};
    std::unique_ptr<CSMSSendingListDlg> queue;
    std::unique_ptr<CSendSMSDlg> page;

    explicit SendRoad(int balance) {
        http::GlobalInit();
        EXPECT_TRUE(sim.Start());
        sim.AddAccount({.ecode = "E01", .user = "user", .password = "pw", .mmsPassword = {}, .smsBalance = balance});
        LoginInfo info = GetLoginInfo();
        info.strSmsServer = sim.HostPort();
        info.strMmsServer = sim.HostPort();
        SetLoginInfo(info);
        SetLoginCredentials("E01", "user", "pw", "01");
        platformclient::ResetPollState();
        g_pSMSRecordLog = &smsLog;
        ReleaseRecordLockOnce();
        g_bStopThreads = 0;
        queue = std::make_unique<CSMSSendingListDlg>();
        g_pSMSSendingListDlg = queue.get();
        queue->List(2).Clear();
        queue->List(3).Clear();
        page = std::make_unique<CSendSMSDlg>();
        page->resize(730, 376);
        page->show();
    }
    ~SendRoad() {
        worker::StopMsgThreads(70000);
        worker::SetPassSleepsForTest(worker::kFirstSleepMs, worker::kSecondSleepMs);
        g_bStopThreads = 0;
        page.reset();
        g_pSMSSendingListDlg = nullptr;
        queue.reset();
        g_pSMSRecordLog = nullptr;
        sim.Stop();
        clk::Reset();
    }
    // Types the numbers into the number dialog opened from menu item 32781.
    void EnterNumbers(const std::string& lines) {
        ScopedModalRun run([&](CSkinDialog& d) {
            auto& dlg = static_cast<CRecipientInputDlg&>(d);
            dlg.ShowForHook();
            // Each number ends with Enter, as the note asks.
            TypeInto(dlg.m_editNumbers, ToQ(lines));
            dlg.m_btnOK->click();
            return dlg.result();
        });
        page->Recipients()->OnInputManually();
    }
    void TypeText(const std::string& text) {
        page->m_editContent->clear();
        page->m_editContent->setFocus();
        TypeInto(page->m_editContent, ToQ(text));
    }
    std::size_t Sent(const std::string& number, const std::string& text) {
        std::size_t n = 0;
        std::vector<MsgRecord> recs;
        smsLog.ReadRecords(recs);
        for (const MsgRecord& r : recs)
            n += msgrec::GetField(r.szType) == "已发送短信" && msgrec::GetField(r.szNumber) == number &&
                 msgrec::GetField(r.szText) == text;
        return n;
    }
};

}  // namespace

TEST(SendSmsPageThreads, ImmediateLongTimedAndCyclicSendsEndAsRecords) {
    SendRoad road(1000);
    clk::SetFixed(2026, 12, 10, 9, 0, 0);
    worker::SetPassSleepsForTest(1, 2);
    StartMsgThreads(0);

    road.EnterNumbers("13800000001\n13800000002\n");
    road.TypeText("立即发送的短信");
    road.page->m_btnSendNow->click();
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        return road.Sent("13800000001", "立即发送的短信") == 1 && road.Sent("13800000002", "立即发送的短信") == 1;
    }, 30000));

    // A long text: the simulator gets the whole of it.
    const std::string longText = std::string(150, 'L') + "长短信的结尾部分，完整送达。";
    road.EnterNumbers("13800000003\n");
    road.TypeText(longText);
    road.page->m_btnSendNow->click();
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        for (const auto& s : road.sim.SentSmsList())
            if (s.content == longText) return true;
        return false;
    }, 30000));

    // Timed, already due on the set clock (the dialog is moved back an hour).
    road.EnterNumbers("13800000004\n13800000005\n");
    road.TypeText("定时短信");
    {
        ScopedModalRun run([](CSkinDialog& d) {
            auto& t = static_cast<CTimedSendDlg&>(d);
            t.ShowForHook();
            t.m_dateSend->setDate(QDate(2026, 12, 10));
            t.m_timeSend->setTime(QTime(8, 0, 0));
            t.m_btnOK->click();
            return t.result();
        });
        road.page->m_btnSendTimed->click();
    }
    // Daily at 9:00, due now.
    road.EnterNumbers("13800000006\n");
    road.TypeText("循环短信");
    {
        ScopedModalRun run([](CSkinDialog& d) {
            auto& c = static_cast<CCyclePeriodDlg&>(d);
            c.ShowForHook();
            c.m_radio[3]->click();
            c.m_btnOK->click();
            return c.result();
        });
        road.page->m_btnSendCyclic->click();
    }
    ASSERT_EQ(road.queue->List(2).Count(), 1u);
    ASSERT_EQ(road.queue->List(3).Count(), 1u);
    g_nSmsBalance = 1000;
    road.queue->OnTimer(2);
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        return road.Sent("13800000004", "定时短信") == 1 && road.Sent("13800000005", "定时短信") == 1 &&
               road.Sent("13800000006", "循环短信") == 1;
    }, 30000));
    EXPECT_EQ(road.queue->List(2).Count(), 0u);
    EXPECT_EQ(road.queue->List(3).Count(), 1u);  // a cyclic entry stays
    EXPECT_EQ(road.messages, std::vector<std::string>(4, "已将要发送的短消息加入了发送队列！"));
}

TEST(SendSmsPageThreads, ShortBalanceQueuesNothing) {
    SendRoad road(1);
    road.EnterNumbers("13800000001\n13800000002\n");
    road.TypeText("余额不够");
    road.page->m_btnSendNow->click();
    EXPECT_EQ(road.messages, std::vector<std::string>{"剩余可发送短信条数不够！"});
    EXPECT_EQ(road.queue->ImmediateList().Count(), 0u);
    EXPECT_EQ(road.page->Recipients()->GetCount(), 2);
}
