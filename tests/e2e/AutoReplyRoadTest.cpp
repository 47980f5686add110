// Received SMS answered automatically: the receive thread polls them from the platform
// simulator, the auto-reply page's engine queues its answers, and the sending threads take them
// back to the simulator: a keyword reply, the any-other reply, reply-list rows in turn and at
// random, and a package of the MMS library uploaded to a real FTP server.
#include "contacts/AutoReplyMmsFixture.h"
#include "core/RecordLog.h"
#include "core/WorkerEngine.h"
#include "platform/TextCodec.h"

namespace {

struct AutoReplyRoad {
    autoreplytest::MmsPages p;
    CRecordLog smsLog{LogKind::Sms};
    CRecordLog mmsLog{LogKind::Mms};
    int mo = 0;

    AutoReplyRoad() {
        platformclient::ResetPollState();
        g_pSMSRecordLog = &smsLog;
        g_pMMSRecordLog = &mmsLog;
        ReleaseRecordLockOnce();
        g_bStopThreads = 0;
        p.smsPage->List(2).Clear();
        p.smsPage->List(3).Clear();
    }
    ~AutoReplyRoad() {
        worker::StopMsgThreads(70000);
        worker::SetPassSleepsForTest(worker::kFirstSleepMs, worker::kSecondSleepMs);
        g_bStopThreads = 0;
        g_pSMSRecordLog = nullptr;
        g_pMMSRecordLog = nullptr;
    }
    // A message from the sender reaches the platform; waits until its answer was sent and
    // returns the answer's text.
    std::string Receive(const std::string& sender, const std::string& text) {
        const std::size_t before = p.sim.SentSmsList().size();
        p.sim.QueueMo("E01", "user", {sender, text, "2026-12-09 10:00:" + std::to_string(10 + mo++)});
        if (!testsupport::WaitUntil([&] { return p.sim.SentSmsList().size() > before; }, 30000)) return "<none>";
        const platformsim::SentSms s = p.sim.SentSmsList().back();
        EXPECT_EQ(s.numbers, std::vector<std::string>{sender});
        return s.content;
    }
    std::size_t CountSms(const std::string& type, const std::string& text) {
        std::vector<MsgRecord> all;
        smsLog.ReadRecords(all);
        std::size_t n = 0;
        for (const MsgRecord& r : all) n += msgrec::GetField(r.szType) == type && msgrec::GetField(r.szText) == text;
        return n;
    }
};

}  // namespace

TEST(AutoReplyRoadThreads, ReceivedSmsAreAnsweredByKeywordListAndPackage) {
    AutoReplyRoad road;
    ASSERT_TRUE(road.p.ftp.ok());
    road.p.MakePackage("自动回复的彩信", false);
    // The tables are set before the threads run; the mode switches while they run.
    CAutoReply& e = road.p.page->Engine();
    e.KeywordList().Append({"查询", "您好，已收到"});
    e.KeywordList().Append({"彩信", "彩信文件：G\\N"});
    e.SetOtherReply("请发送“查询”");
    for (const char* t : {"甲", "乙", "丙"}) e.AddCyclicItem(t, "");
    worker::SetPassSleepsForTest(1, 2);
    StartMsgThreads(0);

    EXPECT_EQ(road.Receive("13700000001", "查询"), "您好，已收到");
    ASSERT_TRUE(testsupport::WaitUntil([&] { return road.CountSms("已发送短信", "您好，已收到") == 1; }, 30000));
    EXPECT_EQ(road.CountSms("接收短信", "查询"), 1u);
    EXPECT_EQ(road.Receive("13700000002", "别的"), "请发送“查询”");

    // The reply list, in turn and then at random.
    e.Set(autoreply::kReplyMode, 1);
    EXPECT_EQ(road.Receive("13700000003", "x"), "甲");
    EXPECT_EQ(road.Receive("13700000003", "y"), "乙");
    e.Set(autoreply::kRandomPick, 1);
    const std::string random = road.Receive("13700000004", "z");
    EXPECT_TRUE(random == "甲" || random == "乙" || random == "丙") << random;
    EXPECT_EQ(e.Get(autoreply::kCyclicPos), 2);

    // A package of the MMS library.
    e.Set(autoreply::kReplyMode, 0);
    road.p.sim.QueueMo("E01", "user", {"13700000005", "彩信", "2026-12-09 10:01:00"});
    ASSERT_TRUE(testsupport::WaitUntil([&] { return road.p.sim.SentMmsList().size() == 1; }, 30000));
    const platformsim::SentMms m = road.p.sim.SentMmsList()[0];
    EXPECT_EQ(m.receivers, std::vector<std::string>{"13700000005"});
    EXPECT_EQ(m.subject, "自动回复");
    ASSERT_EQ(m.fileUrls.size(), 1u);
    http::Request req;
    req.url = m.fileUrls[0];
    EXPECT_EQ(http::Get(req).body, codec::ToGbk("自动回复的彩信"));

    // One "已回复" per answer in the reply log.
    const std::string bytes = testsupport::ReadFile(road.p.dir.file("RL.dat"));
    ASSERT_EQ(bytes.size(), 6 * sizeof(AutoReplyLogRecord));
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(codec::FromGbkField(bytes.data() + i * sizeof(AutoReplyLogRecord), 10), "已回复") << i;
    EXPECT_EQ(codec::FromGbkField(bytes.data() + 90, 30), "13700000001");
}

TEST(AutoReplyRoad, ASenderWiderThanTheNumberFieldIsStoredCutAndNeverAnswered) {
    AutoReplyRoad road;
    CAutoReply& e = road.p.page->Engine();
    e.SetOtherReply("已收到");
    const std::string wide(40, '1');
    road.p.sim.QueueMo("E01", "user", {wide, "查询", "2026-12-09 10:00:00"});
    road.p.sim.QueueMo("E01", "user", {"13700000001", "查询", "2026-12-09 10:00:01"});
    road.p.sim.ClearLog();

    // The receive job, then the sending job of thread 0 for whatever was queued.
    EXPECT_EQ(ReceiveSms(), 1);
    EXPECT_EQ(SendSmsBatch(0), 1);
    EXPECT_EQ(SendSmsBatch(0), -1);

    std::vector<MsgRecord> recs;
    ASSERT_TRUE(road.smsLog.ReadRecords(recs));
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(msgrec::GetField(recs[0].szType), "接收短信");
    EXPECT_EQ(msgrec::GetField(recs[0].szNumber), std::string(19, '1'));  // as much as the field holds
    EXPECT_EQ(msgrec::GetField(recs[1].szNumber), "13700000001");
    EXPECT_EQ(msgrec::GetField(recs[2].szType), "已发送短信");
    EXPECT_EQ(msgrec::GetField(recs[2].szNumber), "13700000001");

    // Only the sender that fits was answered: one send request, to it.
    EXPECT_EQ(road.p.sim.RequestCount("/YFMsg.asp"), 1u);
    const auto sent = road.p.sim.SentSmsList();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].numbers, std::vector<std::string>{"13700000001"});
    EXPECT_EQ(sent[0].content, "已收到");

    // The refusal is in the reply log.
    const std::string bytes = testsupport::ReadFile(road.p.dir.file("RL.dat"));
    ASSERT_EQ(bytes.size(), 2 * sizeof(AutoReplyLogRecord));
    const auto field = [&](std::size_t rec, std::size_t off, std::size_t width) {
        return codec::FromGbkField(bytes.data() + rec * sizeof(AutoReplyLogRecord) + off, width);
    };
    EXPECT_EQ(field(0, offsetof(AutoReplyLogRecord, status), 10), "查询限制");
    EXPECT_EQ(field(0, offsetof(AutoReplyLogRecord, mobile), 30), std::string(29, '1'));
    EXPECT_EQ(field(0, offsetof(AutoReplyLogRecord, reply), 60), "<号码超长，无信息回复>");
    EXPECT_EQ(field(1, offsetof(AutoReplyLogRecord, status), 10), "已回复");
}
