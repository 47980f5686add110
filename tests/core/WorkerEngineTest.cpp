#include "core/WorkerEngine.h"

#include "core/FileUtil.h"
#include "core/Globals.h"
#include "core/RecordLog.h"
#include "core/SmsBatch.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>

using worker::ParsePollReply;

namespace {

// Replaces the jobs' services for a test and restores them after.
struct ScopedServices {
    worker::Services old = worker::GetServices();
    ScopedServices() { worker::GetServices() = {}; }
    ~ScopedServices() { worker::GetServices() = old; }
};

// A character whose GBK form ends in the given byte.
std::string CharWithTrailByte(char trail) {
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        const std::string gbk{static_cast<char>(lead), trail};
        const std::string utf8 = codec::FromGbk(gbk);
        if (utf8 != "?" && utf8.find('?') == std::string::npos && codec::ToGbk(utf8) == gbk) return utf8;
    }
    return {};
}

}  // namespace

TEST(WorkerEngine, PollReplyIsCutIntoMessagesAndFields) {
    const auto two = ParsePollReply("1|^|13800000001|^|你好|^|2026-12-09 10:00:00|#|"
                                    "2|^|13800000002|^|再见|^|2026-12-09 10:01:00");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].number, "13800000001");
    EXPECT_EQ(two[0].text, "你好");
    EXPECT_EQ(two[0].time, "2026-12-09 10:00:00");
    EXPECT_EQ(two[1].number, "13800000002");
    EXPECT_EQ(two[1].time, "2026-12-09 10:01:00");

    EXPECT_TRUE(ParsePollReply("123456789").empty());            // 9 characters
    // 10 bytes, the shortest reply read: one message.
    const auto ten = ParsePollReply("|^|1|^||^|");
    ASSERT_EQ(ten.size(), 1u);
    EXPECT_EQ(ten[0].number, "1");
    EXPECT_TRUE(ParsePollReply("1|^||^|text|^|time").empty());   // no sender
    EXPECT_TRUE(ParsePollReply("1|^|13800000001").empty());      // second separator missing
    const auto noText = ParsePollReply("1|^|13800000001|^|text only");
    ASSERT_EQ(noText.size(), 1u);
    EXPECT_EQ(noText[0].text, "");
    EXPECT_EQ(noText[0].time, "");
    // A short tail after the last separator is dropped.
    EXPECT_EQ(ParsePollReply("1|^|13800000001|^|t|^|x|#|short").size(), 1u);
    // A NUL or control byte is data: the text keeps it and the next message follows.
    const auto nul = ParsePollReply(std::string("1|^|13800000001|^|a\0b\x01|^|t1|#|2|^|13800000002|^|c|^|t2", 49));
    ASSERT_EQ(nul.size(), 2u);
    EXPECT_EQ(nul[0].text, std::string("a\0b\x01", 4));
    EXPECT_EQ(nul[0].time, "t1");
    EXPECT_EQ(nul[1].number, "13800000002");
    // A short rest is measured in GBK bytes: 10 of them are read, 9 (10 bytes of UTF-8) are not.
    EXPECT_EQ(ParsePollReply("1|^|13800000001|^|t|^|x|#||^|汉汉|^|").size(), 2u);
    EXPECT_EQ(ParsePollReply("1|^|13800000001|^|t|^|x|#||^|汉|^|x").size(), 1u);
}

TEST(WorkerEngine, GbkTrailBytesNeverSplitAMessage) {
    for (char trail : {'|', '^'}) {
        const std::string c = CharWithTrailByte(trail);
        ASSERT_FALSE(c.empty());
        const std::string text = c + "^|" + c + "#|" + c;
        const auto got = ParsePollReply("1|^|13800000001|^|" + text + "|^|t1|#|2|^|139|^|b|^|t2");
        ASSERT_EQ(got.size(), 2u) << trail;
        EXPECT_EQ(got[0].text, text);
        EXPECT_EQ(got[1].number, "139");
    }
}

TEST(WorkerEngine, FileUrlsFromUploadedNames) {
    const struct {
        const char* names;
        const char* urls;
    } cases[] = {
        {"a.jpg#b.mid#", "http://res/a.jpg|http://res/b.mid"},
        {"a.jpg#b.mid", "http://res/a.jpg"},
        {"#a.jpg#", ""},
        {"", ""},
        {"a.jpg##b#", "http://res/a.jpg"},
    };
    for (const auto& c : cases) EXPECT_EQ(worker::BuildFileUrls(c.names, "http://res"), c.urls) << c.names;
}

TEST(WorkerEngine, ReceivedMessagesBecomeRecordsCutToTheirFields) {
    testsupport::TempAppDir dir;
    ScopedServices services;
    ReleaseRecordLockOnce();
    CRecordLog log(LogKind::Sms);
    worker::GetServices().ReceiveLog = [&] { return &log; };
    std::vector<std::string> senders;
    const IncomingHook oldHook = SetIncomingHook([&](const std::string& number, const std::string&, int) {
        senders.push_back(number);
    });
    const std::string longNumber(25, '1');
    std::string longTextUtf8;
    for (int i = 0; i < 300; ++i) longTextUtf8 += "汉";  // 600 GBK bytes
    worker::GetServices().PollMo = [&] {
        return "1|^|13800000001|^|你好|^|2026-12-09 10:00:00|#|1|^|" + longNumber + "|^|" + longTextUtf8 +
               "|^|" + std::string(45, '9');
    };
    EXPECT_EQ(ReceiveSms(), 1);
    std::vector<MsgRecord> got;
    ASSERT_TRUE(log.ReadRecords(got));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(msgrec::GetField(got[0].szType), "接收短信");
    EXPECT_EQ(msgrec::GetField(got[0].szNumber), "13800000001");
    EXPECT_EQ(msgrec::GetField(got[0].szText), "你好");
    EXPECT_EQ(msgrec::GetField(got[0].szTime), "2026-12-09 10:00:00");
    EXPECT_EQ(msgrec::GetField(got[0].szSubmitTime), "2026-12-09 10:00:00");
    EXPECT_EQ(got[0].nDevice, 0);
    EXPECT_EQ(got[1].nId, got[0].nId + 3);
    EXPECT_EQ(msgrec::GetField(got[1].szNumber), std::string(19, '1'));
    std::string expectText;
    for (int i = 0; i < 255; ++i) expectText += "汉";  // 510 bytes: the 256th would pass 511
    EXPECT_EQ(msgrec::GetField(got[1].szText), expectText);
    EXPECT_EQ(msgrec::GetField(got[1].szTime), std::string(39, '9'));

    // The engine gets each sender as it came; a NUL, which would end the field's text, is stored
    // as "?".
    senders.clear();
    worker::GetServices().PollMo = [&] {
        return "1|^|" + longNumber + "|^|" + std::string("a\0b\x01", 4) + std::string("|^|t\0", 5) + "|#|2|^|13800000002|^|c|^|t2";
    };
    EXPECT_EQ(ReceiveSms(), 1);
    ASSERT_TRUE(log.ReadRecords(got));
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(senders, (std::vector<std::string>{longNumber, "13800000002"}));
    EXPECT_EQ(msgrec::GetField(got[2].szNumber), std::string(19, '1'));
    EXPECT_EQ(msgrec::GetField(got[2].szText), "a?b\x01");
    EXPECT_EQ(msgrec::GetField(got[2].szTime), "t?");
    EXPECT_EQ(msgrec::GetField(got[3].szText), "c");
    EXPECT_EQ(got[3].nId, got[2].nId + 3);
    SetIncomingHook(oldHook);
}

TEST(WorkerEngine, IdsOfManyCallsAtOnceAreThoseOfSingleCalls) {
    // Around the counter's wrap too: a stored value of 990001 or more counts as 1.
    for (std::uint32_t start : {0u, 5u, 989990u}) {
        SCOPED_TRACE(start);
        std::vector<int> single, many;
        for (int pass = 0; pass < 2; ++pass) {
            testsupport::TempAppDir dir;
            testsupport::WriteFile(dir.file("SmsIndex.dat"), std::string(reinterpret_cast<const char*>(&start), 4));
            if (pass == 0) {
                for (int i = 0; i < 8; ++i) single.push_back(CFileUtil::GetNextSerial(1));
            } else {
                many = CFileUtil::GetNextSerials(8);
            }
            // The next single call goes on where the eight left the counter.
            (pass == 0 ? single : many).push_back(CFileUtil::GetNextSerial(1));
        }
        EXPECT_EQ(many, single);
    }
    EXPECT_TRUE(CFileUtil::GetNextSerials(0).empty());
}

namespace {

// A queue side whose fetch serves a fixed number of one-row batches.
struct CountingQueue : ISmsQueueSide {
    std::atomic<int> left{0};
    std::atomic<int> fetches{0};
    std::mutex m;
    std::vector<std::pair<int, int>> finished;  // (device, result)
    int FetchSMSBatch(int, std::string& nums, std::string& text) override {
        ++fetches;
        if (left.fetch_sub(1) <= 0) return 0;
        nums = "13800000001";
        text = "t";
        return 1;
    }
    void FinishSMSBatch(int dev, int result, int) override {
        std::lock_guard<std::mutex> l(m);
        finished.emplace_back(dev, result);
    }
};

struct EngineFixture {
    testsupport::TempAppDir dir;
    ScopedServices services;
    EngineFixture() {
        g_bStopThreads = 0;
        CEventLock::Lock(g_lockSMSQueue, 0, 0);
        CEventLock::Lock(g_lockMMSQueue, 0, 0);
    }
    ~EngineFixture() {
        worker::StopMsgThreads(10000);
        worker::SetSmsQueue(nullptr);
        worker::SetPassSleepsForTest(worker::kFirstSleepMs, worker::kSecondSleepMs);
        g_bStopThreads = 0;
    }
};

}  // namespace

TEST(WorkerEngineThreads, JobsRunWithTheirDeviceNumbersAndPassTiming) {
    EngineFixture f;
    CountingQueue queue;
    queue.left = 50;
    worker::SetSmsQueue(&queue);
    std::atomic<int> polls{0}, smsBalance{0}, mmsBalance{0}, sends{0};
    worker::GetServices().SendSms = [&](const std::string&, const std::string&) { return ++sends, 1; };
    worker::GetServices().PollMo = [&] { return ++polls, std::string(); };
    CRecordLog log(LogKind::Sms);
    worker::GetServices().ReceiveLog = [&] { return &log; };
    worker::GetServices().QuerySmsBalance = [&] { return ++smsBalance; };
    worker::GetServices().QueryMmsBalance = [&] { return ++mmsBalance; };
    worker::SetPassSleepsForTest(0, 1);
    EXPECT_EQ(StartMsgThreads(0), 1);
    EXPECT_EQ(worker::ThreadsStarted(), 1);
    EXPECT_EQ(g_SysInfo.bThreadsStarted, 1);
    EXPECT_EQ(worker::RunningThreads(), 23);  // 0-20, 22 and 23
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return smsBalance >= 2 && polls >= 3 && mmsBalance >= 2 && sends >= 50; }, 20000));
    ASSERT_TRUE(worker::StopMsgThreads(5000));
    EXPECT_EQ(worker::RunningThreads(), 0);
    EXPECT_EQ(sends.load(), 50);
    std::set<int> devices;
    for (const auto& [dev, result] : queue.finished) {
        devices.insert(dev);
        EXPECT_EQ(result, 1);
    }
    EXPECT_TRUE(std::all_of(devices.begin(), devices.end(), [](int d) { return d >= 0 && d <= 9; }));
    // The balance refreshes come every 130 and 90 passes, the poll every 50: the SMS balance is
    // never refreshed more often than the poll.
    EXPECT_LE(smsBalance.load(), polls.load());
}

TEST(WorkerEngineThreads, StopEndsSleepingThreadsWithoutANewRequest) {
    EngineFixture f;
    CountingQueue queue;
    worker::SetSmsQueue(&queue);
    StartMsgThreads(0);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return queue.fetches >= 10; }, 5000));
    const int fetches = queue.fetches;
    const auto start = clk::SteadyMs();
    EXPECT_TRUE(worker::StopMsgThreads(1300 + 500));
    EXPECT_LT(clk::SteadyMs() - start, 1300);
    EXPECT_LE(queue.fetches.load(), fetches + 10);
}

TEST(WorkerEngineThreads, AnExceptionRestartsTheLoopAndReleasesTheLock) {
    EngineFixture f;
    CountingQueue queue;
    queue.left = 3;
    worker::SetSmsQueue(&queue);
    std::atomic<int> calls{0};
    worker::GetServices().SendSms = [&](const std::string&, const std::string&) -> int {
        if (++calls == 1) throw std::runtime_error("boom");
        return 1;
    };
    worker::SetPassSleepsForTest(0, 1);
    StartMsgThreads(0);
    // Had the lock stayed taken, no other batch would finish within the deadline. The batch
    // whose send threw is closed as failed.
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        std::lock_guard<std::mutex> l(queue.m);
        return queue.finished.size() == 3;
    }, 10000));
    ASSERT_TRUE(worker::StopMsgThreads(5000));
    EXPECT_EQ(std::count_if(queue.finished.begin(), queue.finished.end(),
                            [](const std::pair<int, int>& f) { return f.second == 0; }), 1);
    const std::string log = codec::FromGbk(testsupport::ReadFile(f.dir.file("RunLog.txt")));
    EXPECT_NE(log.find("ModemMsgThread Error"), std::string::npos);
}

// A send that throws fails its own rows; the thread's next batch logs only its rows, with its
// own result.
TEST(WorkerEngine, ABatchWhoseSendThrowsIsLoggedAsFailed) {
    testsupport::TempAppDir dir;
    ScopedServices services;
    CEventLock::Lock(g_lockSMSQueue, 0, 0);
    rows::RowStore store(12);
    CSmsBatch batch(store);
    std::vector<MsgRecord> logged;
    batch.SetRecordSink([&](const MsgRecord& r) { logged.push_back(r); });
    auto add = [&](const std::string& number, const std::string& text) {
        std::vector<std::string> c(12);
        c[smsbatch::kNumber] = number;
        c[smsbatch::kText] = text;
        store.Append(c, 10);
    };
    add("1301", "A");
    add("1302", "A");
    add("1303", "B");
    worker::SetSmsQueue(&batch);
    bool fail = true;
    worker::GetServices().SendSms = [&](const std::string&, const std::string&) -> int {
        if (fail) throw std::runtime_error("boom");
        return 1;
    };
    EXPECT_THROW(SendSmsBatch(3), std::runtime_error);
    EXPECT_TRUE(g_lockSMSQueue.Wait(0));  // released after the failed completion
    g_lockSMSQueue.Set();
    fail = false;
    EXPECT_EQ(SendSmsBatch(3), 1);
    worker::SetSmsQueue(nullptr);
    ASSERT_EQ(logged.size(), 3u);
    const struct {
        const char* number;
        const char* type;
        const char* result;
    } want[] = {{"1301", "发送失败短信", "[0]"}, {"1302", "发送失败短信", "[0]"}, {"1303", "已发送短信", "[1]"}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(msgrec::GetField(logged[i].szNumber), want[i].number);
        EXPECT_EQ(msgrec::GetField(logged[i].szType), want[i].type) << i;
        EXPECT_EQ(msgrec::GetField(logged[i].szResult), want[i].result) << i;
    }
    EXPECT_EQ(store.Count(), 0u);
}

namespace {
struct OneMmsBatch : IMmsQueueSide {
    int served = 0;
    std::vector<std::pair<int, int>> finished;
    int FetchMMSBatch(int, std::string& receivers, std::string& title, std::string& files) override {
        if (served++) return 0;
        receivers = "13800000001,13800000002";
        title = "标题";
        files = "a.jpg#b.mid#c.txt";
        return 2;
    }
    void FinishMMSBatch(int dev, int result, int count) override {
        finished.emplace_back(dev, result);
        EXPECT_EQ(count, 2);
    }
};
}  // namespace

TEST(WorkerEngine, MmsBatchSendsFileUrlsAndRecordsOneOrZero) {
    testsupport::TempAppDir dir;
    CEventLock::Lock(g_lockMMSQueue, 0, 0);
    for (const int reply : {1, 401, -1}) {
        ScopedServices services;
        std::string gotUrls, gotTitle;
        worker::GetServices().ResourceUrl = [] { return std::string("http://res/files"); };
        worker::GetServices().SendMms = [&](const std::string&, const std::string& title, const std::string& urls) {
            gotTitle = title;
            gotUrls = urls;
            return reply;
        };
        OneMmsBatch queue;
        worker::SetMmsQueue(&queue);
        EXPECT_EQ(SendMmsBatch(12), 1);
        EXPECT_EQ(SendMmsBatch(12), -1);  // nothing left
        worker::SetMmsQueue(nullptr);
        EXPECT_EQ(gotTitle, "标题");
        EXPECT_EQ(gotUrls, "http://res/files/a.jpg|http://res/files/b.mid");
        ASSERT_EQ(queue.finished.size(), 1u);
        EXPECT_EQ(queue.finished[0], std::make_pair(12, reply == 1 ? 1 : 0));
    }
    // Without an MMS page there is nothing to send.
    EXPECT_EQ(SendMmsBatch(10), -1);
}

TEST(WorkerEngineThreads, AThreadStuckInARequestIsLetGoAtStop) {
    EngineFixture f;
    CountingQueue queue;
    queue.left = 1;
    worker::SetSmsQueue(&queue);
    std::mutex gate;
    std::condition_variable opened;
    bool open = false;
    std::atomic<bool> inRequest{false};
    worker::GetServices().SendSms = [&](const std::string&, const std::string&) {
        inRequest = true;
        std::unique_lock<std::mutex> l(gate);
        opened.wait(l, [&] { return open; });
        return 1;
    };
    worker::SetPassSleepsForTest(0, 1);
    StartMsgThreads(0);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return inRequest.load(); }, 5000));
    EXPECT_FALSE(worker::StopMsgThreads(100));
    EXPECT_EQ(worker::RunningThreads(), 1);
    g_bStopThreads = 0;
    EXPECT_EQ(StartMsgThreads(0), 1);  // no second set while one still runs
    EXPECT_EQ(worker::RunningThreads(), 1);
    g_bStopThreads = 1;
    {
        std::lock_guard<std::mutex> l(gate);
        open = true;
    }
    opened.notify_all();
    ASSERT_TRUE(testsupport::WaitUntil([] { return worker::RunningThreads() == 0; }, 5000));
    // The request that was out is finished and handed back before the thread ends.
    std::lock_guard<std::mutex> l(queue.m);
    EXPECT_EQ(queue.finished.size(), 1u);
}
