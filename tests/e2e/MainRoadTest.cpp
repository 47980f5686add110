// The main road: rows queued on the SMS pending page leave in batches from the sending threads
// to the platform simulator and come back as records; received SMS are polled and recorded.
#include "core/FileUtil.h"
#include "core/Globals.h"
#include "core/LoginSettings.h"
#include "core/PlatformClient.h"
#include "core/RecordLog.h"
#include "core/SMSSendingListDlg.h"
#include "core/WorkerEngine.h"
#include "platform/Clock.h"
#include "platform/HttpClient.h"
#include "support/TestSupport.h"
#include "tools/platform-sim/PlatformSim.h"

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr const char* kEcode = "E01";
constexpr const char* kUser = "user";
constexpr const char* kPassword = "pw";

struct MainRoad {
    testsupport::TempAppDir dir;
    platformsim::PlatformSim sim;
    CRecordLog smsLog{LogKind::Sms};
    std::unique_ptr<CSMSSendingListDlg> page;

    MainRoad() {
        http::GlobalInit();
        EXPECT_TRUE(sim.Start());
        sim.AddAccount({.ecode = kEcode, .user = kUser, .password = kPassword, .mmsPassword = {},
                        .smsBalance = 100000});
        LoginInfo info = GetLoginInfo();
        info.strSmsServer = sim.HostPort();
        info.strMmsServer = sim.HostPort();
        SetLoginInfo(info);
        SetLoginCredentials(kEcode, kUser, kPassword, "01");
        platformclient::ResetPollState();
        g_pSMSRecordLog = &smsLog;
        ReleaseRecordLockOnce();
        g_bStopThreads = 0;
        page = std::make_unique<CSMSSendingListDlg>();
        g_pSMSSendingListDlg = page.get();
        page->List(2).Clear();
        page->List(3).Clear();
    }
    ~MainRoad() {
        worker::StopMsgThreads(70000);
        worker::SetPassSleepsForTest(worker::kFirstSleepMs, worker::kSecondSleepMs);
        g_bStopThreads = 0;
        page.reset();
        g_pSMSRecordLog = nullptr;
        sim.Stop();
    }

    void Queue(int n, const std::string& text, const std::string& prefix) {
        for (int i = 0; i < n; ++i)
            page->AddSMSItem(CFileUtil::GetNextSerial(1), prefix + std::to_string(10000 + i), "", text, "", 0);
    }
    std::vector<MsgRecord> Records() {
        std::vector<MsgRecord> out;
        smsLog.ReadRecords(out);
        return out;
    }
    std::size_t CountRecords(const std::string& type) {
        std::size_t n = 0;
        for (const MsgRecord& r : Records()) n += msgrec::GetField(r.szType) == type;
        return n;
    }
};

}  // namespace

TEST(MainRoadThreads, QueuedRowsAreSentPolledAndRecorded) {
    MainRoad road;
    road.Queue(150, "第一条短信", "1380000");
    road.Queue(30, "第二条短信", "1390000");
    road.sim.QueueMo(kEcode, kUser, {"13700000001", "你好，收到", "2026-12-09 10:00:00"});
    road.sim.QueueMo(kEcode, kUser, {"13700000002", "再见", "2026-12-09 10:01:00"});
    worker::SetPassSleepsForTest(1, 2);
    StartMsgThreads(0);

    ASSERT_TRUE(testsupport::WaitUntil([&] { return road.CountRecords("已发送短信") == 180; }, 30000));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return road.CountRecords("接收短信") == 2; }, 30000));
    // The rows leave the queue just after their records are logged.
    EXPECT_TRUE(testsupport::WaitUntil([&] { return road.page->ImmediateList().Count() == 0; }));

    // Batches of at most 100 numbers of one text; every number sent once.
    std::multiset<std::string> sent;
    for (const auto& s : road.sim.SentSmsList()) {
        EXPECT_LE(s.numbers.size(), 100u);
        EXPECT_TRUE(s.content == "第一条短信" || s.content == "第二条短信");
        sent.insert(s.numbers.begin(), s.numbers.end());
    }
    EXPECT_EQ(sent.size(), 180u);
    EXPECT_EQ(std::set<std::string>(sent.begin(), sent.end()).size(), 180u);

    std::vector<MsgRecord> received;
    for (const MsgRecord& r : road.Records()) {
        const std::string type = msgrec::GetField(r.szType);
        if (type == "已发送短信") {
            EXPECT_EQ(msgrec::GetField(r.szResult), "[1]");
            EXPECT_GE(r.nDevice, 0);
            EXPECT_LE(r.nDevice, 9);
        } else if (type == "接收短信") {
            received.push_back(r);
        }
    }
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(msgrec::GetField(received[0].szNumber), "13700000001");
    EXPECT_EQ(msgrec::GetField(received[0].szText), "你好，收到");
    EXPECT_EQ(msgrec::GetField(received[0].szTime), "2026-12-09 10:00:00");
    EXPECT_EQ(received[0].nDevice, 0);
    EXPECT_EQ(received[1].nId, received[0].nId + 3);

    // A refused send becomes failed records with the platform's result text.
    road.sim.SetSmsSendCode(-13);
    road.Queue(3, "余额测试", "1360000");
    ASSERT_TRUE(testsupport::WaitUntil([&] { return road.CountRecords("发送失败短信") == 3; }, 30000));
    for (const MsgRecord& r : road.Records()) {
        if (msgrec::GetField(r.szType) == "发送失败短信") {
            EXPECT_EQ(msgrec::GetField(r.szResult), "[余额不足]");
        }
    }
    road.sim.SetSmsSendCode(std::nullopt);

    // A paused page sends nothing while the threads go on polling.
    road.page->OnPauseToggle();
    const std::size_t sendsBefore = road.sim.RequestCount("/YFMsg.asp");
    road.Queue(5, "暂停中", "1350000");
    const std::size_t polls = road.sim.RequestCount("/MO.asp");
    ASSERT_TRUE(testsupport::WaitUntil([&] { return road.sim.RequestCount("/MO.asp") >= polls + 2; }, 30000));
    EXPECT_EQ(road.sim.RequestCount("/YFMsg.asp"), sendsBefore);
    EXPECT_EQ(road.page->ImmediateList().Count(), 5u);
    road.page->OnPauseToggle();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return road.page->ImmediateList().Count() == 0; }, 30000));
}

TEST(MainRoadThreads, StopFlagEndsEveryThreadWithinAPass) {
    MainRoad road;
    // Every send takes a while; a stop must still end each thread within a pass plus one request.
    platformsim::Fault slow;
    slow.delayMs = 300;
    road.sim.SetFault("/YFMsg.asp", slow);
    road.Queue(2000, "停止测试", "1380000");
    StartMsgThreads(0);  // the pass sleeps of the program
    ASSERT_TRUE(testsupport::WaitUntil([&] { return road.sim.RequestCount("/YFMsg.asp") >= 10; }, 10000));
    const auto start = clk::SteadyMs();
    g_bStopThreads = 1;  // as the main window does: the flag alone, nobody wakes the threads
    ASSERT_TRUE(testsupport::WaitUntil([] { return worker::RunningThreads() == 0; }, 5000));
    EXPECT_LE(clk::SteadyMs() - start, 1300 + 300 + 200);
    ASSERT_TRUE(worker::StopMsgThreads(1000));
    // Every request that went out is recorded; the rows still queued are pending or held.
    const std::size_t sent = road.CountRecords("已发送短信");
    std::size_t numbersSent = 0;
    for (const auto& s : road.sim.SentSmsList()) numbersSent += s.numbers.size();
    EXPECT_EQ(sent, numbersSent);
    EXPECT_EQ(road.page->ImmediateList().Count() + sent, 2000u);
}
