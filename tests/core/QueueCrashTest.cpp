// A kill -9 while the SMS page sends: the program itself in a child process (this test binary
// in its child mode) drives the queue, the batch and the send threads against a simulator
// answering after a delay.
#include "QueueTestSupport.h"

#include "contacts/AutoReply.h"
#include "core/FileUtil.h"
#include "core/Globals.h"
#include "core/LoginSettings.h"
#include "core/QueueJournal.h"
#include "core/RecordForward.h"
#include "core/RecordLog.h"
#include "core/SmsBatch.h"
#include "core/WorkerEngine.h"
#include "platform/AppPath.h"
#include "platform/HttpClient.h"
#include "platform/TextCodec.h"
#include "tools/platform-sim/PlatformSim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace queuetest;

namespace {

constexpr int kRows = 6000;

// The child's side: load, send until the queue is empty, save.
int RunSender(const std::string& dir, const std::string& host) {
    g_strAppPath = dir;
    ReleaseRecordLockOnce();
    http::GlobalInit();
    LoginInfo info = GetLoginInfo();
    info.strSmsServer = host;
    info.strMmsServer = host;
    SetLoginInfo(info);
    SetLoginCredentials("E01", "u", "pw", "01");
    CRecordLog log(LogKind::Sms);
    g_pSMSRecordLog = &log;
    ScheduledStore timed("MsgTS.dat", false), cyclic("MsgCS.dat", true);
    PendingQueues q(queue::Kind::Sms, timed, cyclic);
    q.LoadQueues();
    q.CheckTimedItems();
    CSmsBatch batch(q.Immediate());
    batch.SetRecordSink([&log](const MsgRecord& r) { log.AddLogRecord(&r); });
    batch.SetJournal(&q.Journal());
    worker::SetSmsQueue(&batch);
    worker::SetPassSleepsForTest(0, 1);
    g_bStopThreads = 0;
    CEventLock::Lock(g_lockSMSQueue, 0, 0);
    StartMsgThreads(0);
    const bool done = testsupport::WaitUntil([&] { return q.Immediate().Count() == 0; }, 120000);
    worker::StopMsgThreads(10000);
    worker::SetSmsQueue(nullptr);
    q.SaveQueues();
    return done ? 0 : 3;
}

// The child's side of the scheduled test: the due timed and cyclic entries fire, then a kill
// before any whole save of the scheduled files.
void FireAndDie(const std::string& dir) {
    g_strAppPath = dir;
    ScheduledStore timed("MsgTS.dat", false), cyclic("MsgCS.dat", true);
    PendingQueues q(queue::Kind::Sms, timed, cyclic);
    q.LoadQueues();
    clk::SetFixed(2026, 12, 8, 8, 30, 0);
    q.CheckTimedItems();
    q.CheckCyclicItems(1000000);
    raise(SIGKILL);
}

// The child's side of the save test: rows leave one by one, journalled, with a whole save
// every 200; each number is noted in "gone.txt" after it left. Runs until killed.
void RemoveAndSave(const std::string& dir) {
    g_strAppPath = dir;
    ScheduledStore timed("MsgTS.dat", false), cyclic("MsgCS.dat", true);
    PendingQueues q(queue::Kind::Sms, timed, cyclic);
    q.LoadQueues();
    FILE* gone = std::fopen((dir + "/gone.txt").c_str(), "a");
    for (int n = 1; q.Immediate().Count() > 0; ++n) {
        const rows::RowData row = q.Immediate().Snapshot().front();
        q.Journal().Apply({qjournal::Removed(row.cells)}, [&] { q.Immediate().Remove(row.id); });
        std::fprintf(gone, "%s\n", row.cells[queue::kColNumber].c_str());
        std::fflush(gone);
        if (n % 200 == 0) q.SaveQueues();
    }
    for (;;) pause();
}

// The child's side of the import test: calls of the bulk writer, each noted in "done.txt"
// once it returned. Runs until killed.
constexpr int kImportRows = 5000;
void ImportUntilKilled(const std::string& dir) {
    g_strAppPath = dir;
    ScheduledStore timed("MsgTS.dat", false), cyclic("MsgCS.dat", true);
    PendingQueues q(queue::Kind::Sms, timed, cyclic);
    q.LoadQueues();
    FILE* done = std::fopen((dir + "/done.txt").c_str(), "a");
    for (int call = 0;; ++call) {
        std::vector<PendingQueues::SmsItem> items;
        for (int i = 0; i < kImportRows; ++i)
            items.push_back({call, std::to_string(13900000000LL + call * kImportRows + i), "", "导入的短信"});
        q.AddSMSItems(std::move(items));
        std::fprintf(done, "%d\n", call);
        std::fflush(done);
    }
}

// The numbers each writer of the writers test queues.
std::vector<std::string> Numbers(long long first, int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(std::to_string(first + i));
    return out;
}
const std::vector<std::string> kTyped = Numbers(13800000000LL, 20), kImported = Numbers(13810000000LL, 300),
                               kResent = Numbers(13820000000LL, 30), kTimed = Numbers(13830000000LL, 10),
                               kAsked = Numbers(13900000000LL, 50);

// The child's side of the writers test: every writer queues, then a kill before any save.
void WriteAndDie(const std::string& dir) {
    g_strAppPath = dir;
    ScheduledStore timed("MsgTS.dat", false), cyclic("MsgCS.dat", true);
    PendingQueues q(queue::Kind::Sms, timed, cyclic);
    q.LoadQueues();
    for (const auto& n : kTyped) q.AddSMSItem(CFileUtil::GetNextSerial(1), n, "", "输入的短信", "", 0);
    std::vector<PendingQueues::SmsItem> items;
    for (const auto& n : kImported) items.push_back({CFileUtil::GetNextSerial(1), n, "", "导入的短信"});
    q.AddSMSItems(std::move(items));
    std::vector<recforward::RecordRow> records;
    for (const auto& n : kResent) records.push_back({"发送成功", "", n, "重发的短信", "", ""});
    EXPECT_EQ(recforward::ResendRecords(records, recforward::WritersOf(&q, nullptr), nullptr, nullptr, {7}).queued,
              int(kResent.size()));
    std::string list;
    for (const auto& n : kTimed) list += n + " ";
    q.AddSMSItem(CFileUtil::GetNextSerial(1), list, "", "定时短信", "2000-01-01 08:00:00", 0);
    g_strAutoReplyIni = dir + "\\AutoReS.dat";
    g_nSmsBalance = 1000000;
    autoreply::QueueWriters replies;
    replies.AddSMSItem = [&](int id, const std::string& n, const std::string& name, const std::string& text) {
        q.AddSMSItem(id, n, name, text, "", 0);
    };
    CAutoReply engine(replies);
    engine.SetOtherReply("谢谢您的来信");
    for (const auto& n : kAsked) engine.ProcessIncoming(n, "查询", 0);
    raise(SIGKILL);
}

pid_t StartSender(const std::string& dir, const std::string& host) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QJ_SENDER_DIR", dir.c_str(), 1);
        setenv("QJ_SENDER_HOST", host.c_str(), 1);
        execl("/proc/self/exe", "core_tests", "--gtest_filter=QueueCrash.SenderChild", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

int ExitCode(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(QueueCrash, SenderChild) {
    const char* dir = std::getenv("QJ_SENDER_DIR");
    if (!dir) GTEST_SKIP() << "child mode of the kill test";
    if (!std::strcmp(std::getenv("QJ_SENDER_HOST"), "fire")) FireAndDie(dir);
    if (!std::strcmp(std::getenv("QJ_SENDER_HOST"), "save")) RemoveAndSave(dir);
    if (!std::strcmp(std::getenv("QJ_SENDER_HOST"), "import")) ImportUntilKilled(dir);
    if (!std::strcmp(std::getenv("QJ_SENDER_HOST"), "writers")) WriteAndDie(dir);
    _exit(RunSender(dir, std::getenv("QJ_SENDER_HOST")));
}

TEST(QueueCrash, KillWhileSendingResendsOnlyBatchesInFlight) {
    platformsim::PlatformSim sim;
    ASSERT_TRUE(sim.Start());
    sim.AddAccount({"E01", "u", "pw", {}, 100000000, 1000});
    platformsim::Fault slow;
    slow.delayMs = 200;
    sim.SetFault("YFMsg.asp", slow);

    std::set<std::string> queued;
    {
        Pages p;
        p.LoadBoth();
        for (int i = 0; i < kRows; ++i) {
            const std::string n = std::to_string(13800000000LL + i);
            queued.insert(n);
            p.sms->AddSMSItem(i % 1000, n, "", "测试", "", 0);  // ids repeat
        }
        p.SaveBoth();
        const std::string dir = g_strAppPath;

        const pid_t first = StartSender(dir, sim.HostPort());
        ASSERT_TRUE(testsupport::WaitUntil([&] { return sim.SentSmsCount() >= 15; }, 60000));
        kill(first, SIGKILL);
        ExitCode(first);
        const std::size_t sentAtKill = sim.SentSmsCount();
        EXPECT_LT(sentAtKill * 100, std::size_t(kRows)) << "the kill came after the queue was done";

        const pid_t second = StartSender(dir, sim.HostPort());
        ASSERT_EQ(ExitCode(second), 0);

        std::map<std::string, int> sent;
        for (const auto& s : sim.SentSmsList())
            for (const auto& n : s.numbers) ++sent[n];
        std::map<std::string, int> logged;
        std::vector<MsgRecord> records;
        CRecordLog log(LogKind::Sms);
        ASSERT_TRUE(log.ReadRecords(records));
        for (const auto& r : records) ++logged[msgrec::GetField(r.szNumber)];

        std::size_t twice = 0;
        for (const auto& n : queued) {
            EXPECT_GE(sent[n], 1) << n;
            EXPECT_LE(sent[n], 2) << n;
            EXPECT_GE(logged[n], 1) << n;
            if (sent[n] == 2) ++twice;
            if (logged[n] > 1) EXPECT_EQ(sent[n], 2) << n;
        }
        // At most the ten threads' batches of 100 were in flight at the kill.
        EXPECT_LE(twice, 10u * 100u);
        EXPECT_EQ(sent.size(), queued.size());
        // The last save left the file empty and the journal empty with it.
        EXPECT_EQ(testsupport::ReadFile(p.dir.file("SMSMsgWS.dat")), "");
        EXPECT_TRUE(p.sms->Journal().Read().empty());
    }
    sim.Stop();
}

TEST(QueueCrash, EntriesFiredJustBeforeAKillDoNotFireAgain) {
    ClockGuard clock;
    Pages p;
    p.LoadBoth();
    p.sms->AddSMSItem(1, "13800000001 13800000002", "", "定时", "2026-12-08 08:30:00", 0);
    p.sms->AddSMSItem(2, "13800000003", "", "每日", "[每日]8时30分", 0);
    p.SaveBoth();
    ASSERT_EQ(ExitCode(StartSender(g_strAppPath, "fire")), -1);  // killed

    p.Restart();
    p.LoadBoth();
    EXPECT_EQ(p.sms->Immediate().Count(), 3u) << "the fired rows were saved at once";
    clk::SetFixed(2026, 12, 8, 8, 30, 0);
    p.sms->CheckTimedItems();
    p.sms->CheckCyclicItems(1000000);
    auto numbers = Column(p.sms->Immediate(), queue::kColNumber);
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<std::string>{"13800000001", "13800000002", "13800000003"}));
    EXPECT_EQ(p.sms->Timed().Count(), 0u);
    EXPECT_EQ(p.sms->Cyclic().Count(), 1u);
}

TEST(QueueCrash, KillDuringWholeSavesLeavesFileAndJournalAgreeing) {
    for (int round = 0; round < 3; ++round) {
        Pages p;
        p.LoadBoth();
        for (int i = 0; i < 3000; ++i) p.sms->AddSMSItem(i % 700, std::to_string(13800000000LL + i), "", "t", "", 0);
        p.SaveBoth();
        const pid_t child = StartSender(g_strAppPath, "save");
        // Killed somewhere among the saves.
        ASSERT_TRUE(testsupport::WaitUntil([&] {
            return testsupport::ReadFile(p.dir.file("gone.txt")).size() >= std::size_t(12 * (300 + 400 * round));
        }, 60000));
        kill(child, SIGKILL);
        ExitCode(child);
        std::set<std::string> gone;
        {
            const std::string text = testsupport::ReadFile(p.dir.file("gone.txt"));
            for (std::size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
                gone.insert(text.substr(at, nl - at));
        }
        p.Restart();
        p.LoadBoth();
        std::set<std::string> left;
        for (const auto& n : Column(p.sms->Immediate(), queue::kColNumber)) EXPECT_TRUE(left.insert(n).second) << n;
        for (const auto& n : gone) EXPECT_EQ(left.count(n), 0u) << "came back: " << n;
        // Only the row in hand at the kill may be gone without its note.
        EXPECT_LE(3000 - left.size() - gone.size(), 1u) << "round " << round;
    }
}

TEST(QueueCrash, RowsOfEveryWriterAreSentOnceAfterAKill) {
    platformsim::PlatformSim sim;
    ASSERT_TRUE(sim.Start());
    sim.AddAccount({"E01", "u", "pw", {}, 100000000, 1000});
    Pages p;
    const std::string dir = g_strAppPath;
    ASSERT_EQ(ExitCode(StartSender(dir, "writers")), -1);  // killed before any save
    EXPECT_FALSE(paths::FileExists(p.dir.file("SMSMsgWS.dat")));

    ASSERT_EQ(ExitCode(StartSender(dir, sim.HostPort())), 0);
    std::map<std::string, int> sent, logged;
    for (const auto& m : sim.SentSmsList())
        for (const auto& n : m.numbers) ++sent[n];
    std::vector<MsgRecord> records;
    CRecordLog log(LogKind::Sms);
    ASSERT_TRUE(log.ReadRecords(records));
    for (const auto& r : records) ++logged[msgrec::GetField(r.szNumber)];
    std::size_t total = 0;
    for (const auto* list : {&kTyped, &kImported, &kResent, &kTimed, &kAsked})
        for (const auto& n : *list) {
            EXPECT_EQ(sent[n], 1) << n;
            EXPECT_EQ(logged[n], 1) << n;
            ++total;
        }
    EXPECT_EQ(sent.size(), total);
    // Every "已回复" record of the reply log has its reply among those sent.
    const std::string rl = testsupport::ReadFile(p.dir.file("RL.dat"));
    const std::size_t size = sizeof(AutoReplyLogRecord);
    std::size_t answered = 0;
    for (std::size_t at = 0; at + size <= rl.size(); at += size) {
        AutoReplyLogRecord r;
        std::memcpy(&r, rl.data() + at, size);
        if (codec::FromGbkField(r.status, sizeof r.status) != "已回复") continue;
        ++answered;
        EXPECT_EQ(sent[codec::FromGbkField(r.mobile, sizeof r.mobile)], 1);
    }
    EXPECT_EQ(answered, kAsked.size());
    sim.Stop();
}

TEST(QueueCrash, AKillInsideABulkCallKeepsItsRowsWholeOrNotAtAll) {
    std::mt19937 random(20261211);
    for (int round = 0; round < 4; ++round) {
        Pages p;
        const pid_t child = StartSender(g_strAppPath, "import");
        const std::size_t calls = 1 + random() % 6;
        ASSERT_TRUE(testsupport::WaitUntil([&] {
            const std::string text = testsupport::ReadFile(p.dir.file("done.txt"));
            return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= calls;
        }, 60000));
        kill(child, SIGKILL);
        ExitCode(child);
        const std::string doneText = testsupport::ReadFile(p.dir.file("done.txt"));
        const auto done = static_cast<std::size_t>(std::count(doneText.begin(), doneText.end(), '\n'));
        p.LoadBoth();
        const auto numbers = Column(p.sms->Immediate(), queue::kColNumber);
        // Whole calls in order: the ones that returned, perhaps the one in hand.
        EXPECT_EQ(numbers.size() % kImportRows, 0u) << "round " << round;
        EXPECT_GE(numbers.size(), done * kImportRows) << "round " << round;
        EXPECT_LE(numbers.size(), (done + 1) * kImportRows) << "round " << round;
        for (std::size_t i = 0; i < numbers.size(); ++i)
            if (numbers[i] != std::to_string(13900000000LL + static_cast<long long>(i))) {
                ADD_FAILURE() << "row " << i << ": " << numbers[i];
                break;
            }
    }
}
