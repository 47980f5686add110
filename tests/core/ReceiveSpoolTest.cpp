// The spool of a received poll reply: a kill -9 of the program (this test binary in its child
// mode, polling a simulator) at each point after the reply is read, then a restart on the same
// folder: every message the spool holds whole is in the log once, in order, and was offered to
// the auto-reply engine once. In-process cases cover the settling at start, a log that cannot
// be written and a damaged spool.
#include "SimFixture.h"

#include "core/ReceiveSpool.h"
#include "core/RecordLog.h"
#include "core/WorkerBindings.h"
#include "core/WorkerEngine.h"
#include "platform/Event.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kMessages = 20000;

std::string NumberOf(int i) { return std::to_string(13800000000LL + i); }
std::string TextOf(int i) { return "第" + std::to_string(i) + "条收到的短信"; }

// The reply of n messages as the platform client hands it out.
std::string ReplyOf(int n) {
    std::string reply;
    for (int i = 0; i < n; ++i) {
        if (i) reply += "|#|";
        reply += std::to_string(i + 1) + "|^|" + NumberOf(i) + "|^|" + TextOf(i) + "|^|2026-12-11 10:00:00";
    }
    return reply;
}

// Each offer to the engine is one line in "offers.txt", written at once (a kill keeps it).
IncomingHook OffersTo(const std::string& dir) {
    const std::string path = dir + "/offers.txt";
    return [path](const std::string& number, const std::string&, int) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        const std::string line = number + "\n";
        if (fd >= 0) {
            (void)!::write(fd, line.data(), line.size());
            ::close(fd);
        }
    };
}

std::map<std::string, int> Offers(const std::string& dir) {
    std::map<std::string, int> offers;
    const std::string text = testsupport::ReadFile(dir + "/offers.txt");
    for (std::size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
        ++offers[text.substr(at, nl - at)];
    return offers;
}

// The received messages of the log, in order: number, text and time of each.
std::vector<std::string> Received(const CRecordLog& log) {
    std::vector<std::string> out;
    log.ForEachRecord([&](const MsgRecord& r) {
        if (msgrec::GetField(r.szType) == "接收短信")
            out.push_back(msgrec::GetField(r.szNumber) + " " + msgrec::GetField(r.szText) + " " +
                          msgrec::GetField(r.szTime));
    });
    return out;
}

// True when the messages are 0, 1, ... n - 1, in order, each whole.
bool FirstMessagesInOrder(const std::vector<std::string>& messages, std::size_t n) {
    if (messages.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const int k = static_cast<int>(i);
        if (messages[i] != NumberOf(k) + " " + TextOf(k) + " 2026-12-11 10:00:00") return false;
    }
    return true;
}

mospool::Step g_killStep = mospool::Step::AllStored;
std::size_t g_killAt = 0;
void KillAtStep(mospool::Step step, std::size_t value) {
    if (step == g_killStep && value >= g_killAt) raise(SIGKILL);
}

// The child's side: the receive job against the simulator, killed at the step it was given.
int ReceiveUntilKilled(const std::string& dir, const std::string& host) {
    g_strAppPath = dir;
    ReleaseRecordLockOnce();
    http::GlobalInit();
    LoginInfo li;
    li.strSmsServer = host;
    li.strEcode = "E-1";
    li.strUserName = "user";
    li.strPassword = "pw";
    SetLoginInfo(li);
    CRecordLog log(LogKind::Sms);
    g_pSMSRecordLog = &log;
    worker::GetServices() = worker::DefaultServices();
    SetIncomingHook(OffersTo(dir));
    g_killStep = static_cast<mospool::Step>(std::atoi(std::getenv("MO_KILL_STEP")));
    g_killAt = static_cast<std::size_t>(std::atoll(std::getenv("MO_KILL_AT")));
    mospool::SetStepHook(KillAtStep);
    ReceiveSms();
    return 0;  // not killed: the test fails on the exit code
}

int RunChild(const std::string& dir, const std::string& host, mospool::Step step, std::size_t at) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("MO_SPOOL_DIR", dir.c_str(), 1);
        setenv("MO_SPOOL_HOST", host.c_str(), 1);
        setenv("MO_KILL_STEP", std::to_string(static_cast<int>(step)).c_str(), 1);
        setenv("MO_KILL_AT", std::to_string(at).c_str(), 1);
        execl("/proc/self/exe", "core_tests", "--gtest_filter=ReceiveSpoolCrash.Child", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

// Messages that stand whole in a spool cut short: those followed by a separator.
std::size_t WholeMessagesIn(const std::string& spoolBytes) {
    const std::string body = spoolBytes.substr(mospool::kHeaderSize);
    std::size_t seps = 0;
    for (std::size_t at = body.find("|#|"); at != std::string::npos; at = body.find("|#|", at + 3)) ++seps;
    return seps;
}

// Thrown by a step hook to stop the work in-process where a kill would.
struct Stop {};
std::atomic<int> g_stopStep{-1};
std::atomic<std::size_t> g_stopAt{0};
void StopAtStep(mospool::Step step, std::size_t value) {
    if (static_cast<int>(step) == g_stopStep.load() && value >= g_stopAt.load()) throw Stop{};
}
struct StepHookGuard {
    StepHookGuard(mospool::Step step, std::size_t at) {
        g_stopStep = static_cast<int>(step);
        g_stopAt = at;
        mospool::SetStepHook(StopAtStep);
    }
    ~StepHookGuard() { mospool::SetStepHook(nullptr); }
};

class ReceiveSpool : public ::testing::Test {
protected:
    void SetUp() override {
        ReleaseRecordLockOnce();
        oldServices_ = worker::GetServices();
        worker::GetServices() = {};
        worker::GetServices().ReceiveLog = [this] { return &log_; };
        oldHook_ = SetIncomingHook(OffersTo(dir_.path()));
    }
    void TearDown() override {
        SetIncomingHook(std::move(oldHook_));
        worker::GetServices() = oldServices_;
    }
    // Stores n messages and stops right after the append of the batch ending at stopAt; the log
    // then keeps only `keep` records of that batch whole and a torn piece of the next.
    void LeaveTornBatch(int n, std::size_t stopAt, std::size_t keep) {
        {
            StepHookGuard stop(mospool::Step::BatchWritten, stopAt);
            EXPECT_THROW(mospool::Receive(log_, ReplyOf(n)), Stop);
        }
        const std::size_t whole = stopAt - mospool::kBatch + keep;
        ASSERT_EQ(::truncate(log_.FilePath().c_str(), static_cast<off_t>(whole * kMsgRecordSize + 300)), 0);
    }
    std::string SpoolPath() const { return mospool::SpoolPath(log_); }

    testsupport::TempAppDir dir_;
    CRecordLog log_{LogKind::Sms};
    worker::Services oldServices_;
    IncomingHook oldHook_;
};

}  // namespace

TEST(ReceiveSpoolCrash, Child) {
    const char* dir = std::getenv("MO_SPOOL_DIR");
    if (!dir) GTEST_SKIP() << "child mode of the kill test";
    _exit(ReceiveUntilKilled(dir, std::getenv("MO_SPOOL_HOST")));
}

TEST(ReceiveSpoolCrash, AKillAfterThePollKeepsEveryMessageOnceInOrder) {
    using mospool::Step;
    struct Case {
        const char* point;
        Step step;
        std::size_t at;
        bool tearLog;       // the kill cut the batch's write short: 100 records whole and a piece
        int unsureOffer;    // the message the engine had in hand, named in the run log; -1 none
    } cases[] = {
        {"during the spool's write", Step::SpoolPiece, 2 * mospool::kWritePiece, false, -1},
        {"right after the spool is on the disk", Step::SpoolSynced, 0, false, -1},
        {"while the engine has message 7000", Step::Offered, 7001, false, 7000},
        {"between an append and its note", Step::BatchWritten, 20 * mospool::kBatch, false, -1},
        {"inside an append", Step::BatchWritten, 20 * mospool::kBatch, true, -1},
        {"after the last append, before the spool goes", Step::AllStored, kMessages, false, -1},
    };
    platformsim::PlatformSim sim;
    ASSERT_TRUE(sim.Start());
    sim.AddAccount({"E-1", "user", "pw", {}, 100, 100});
    ReleaseRecordLockOnce();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.point);
        testsupport::TempAppDir dir;
        for (int i = 0; i < kMessages; ++i) sim.QueueMo("E-1", "user", {NumberOf(i), TextOf(i), "2026-12-11 10:00:00"});
        ASSERT_EQ(RunChild(dir.path(), sim.HostPort(), c.step, c.at), -SIGKILL);
        ASSERT_EQ(sim.PendingMo("E-1", "user"), 0u) << "the platform handed them out";

        CRecordLog log(LogKind::Sms);
        const std::string spool = testsupport::ReadFile(mospool::SpoolPath(log));
        ASSERT_GE(spool.size(), mospool::kHeaderSize);
        const bool cutShort = c.step == Step::SpoolPiece;
        const std::size_t expected = cutShort ? WholeMessagesIn(spool) : std::size_t{kMessages};
        if (cutShort) {
            ASSERT_GT(expected, 1000u);
            ASSERT_LT(expected, std::size_t{kMessages});
        }
        if (c.tearLog) {
            const std::size_t whole = c.at - mospool::kBatch + 100;
            ASSERT_EQ(::truncate(log.FilePath().c_str(), static_cast<off_t>(whole * kMsgRecordSize + 700)), 0);
        }

        // The restart: nothing else writes the log before the spool is stored (the start-up's
        // own order is the threads test's), so Store settles the batch in flight itself.
        const IncomingHook old = SetIncomingHook(OffersTo(dir.path()));
        EXPECT_EQ(mospool::Store(log), mospool::Result::Stored);
        SetIncomingHook(old);
        EXPECT_FALSE(paths::FileExists(mospool::SpoolPath(log)));
        EXPECT_EQ(paths::FileSize(log.FilePath()), static_cast<long long>(expected * kMsgRecordSize));
        EXPECT_TRUE(FirstMessagesInOrder(Received(log), expected)) << Received(log).size() << " of " << expected;
        const std::map<std::string, int> offers = Offers(dir.path());
        EXPECT_EQ(offers.size(), expected);
        EXPECT_TRUE(std::all_of(offers.begin(), offers.end(), [](const auto& o) { return o.second == 1; }))
            << "an offer went twice";
        const std::string runLog = codec::FromGbk(testsupport::ReadFile(dir.file("RunLog.txt")));
        if (c.unsureOffer >= 0)
            EXPECT_NE(runLog.find("接收短信未能确定是否已自动回复：" + NumberOf(c.unsureOffer)), std::string::npos) << runLog;
        else
            EXPECT_EQ(runLog.find("自动回复"), std::string::npos) << runLog;
        // A restart again finds nothing left.
        EXPECT_EQ(mospool::Store(log), mospool::Result::None);
    }
    sim.Stop();
}

TEST_F(ReceiveSpool, ALeftBatchIsSettledBeforeAnotherWriterAppends) {
    LeaveTornBatch(2000, 2 * mospool::kBatch, 100);
    // At start: settled first; then a send thread logs a record before the receive thread runs.
    EXPECT_TRUE(mospool::Settle(log_));
    MsgRecord sent = msgrec::Empty();
    msgrec::SetField(sent.szType, "已发送短信");
    msgrec::SetField(sent.szNumber, "13900000000");
    log_.AddLogRecord(&sent);
    EXPECT_EQ(mospool::Store(log_), mospool::Result::Stored);

    EXPECT_TRUE(FirstMessagesInOrder(Received(log_), 2000)) << Received(log_).size();
    std::vector<MsgRecord> all;
    ASSERT_TRUE(log_.ReadRecords(all));
    ASSERT_EQ(all.size(), 2001u);
    EXPECT_EQ(msgrec::GetField(all[mospool::kBatch + 100].szNumber), "13900000000");
    // The torn piece was kept aside, not read as a record.
    EXPECT_EQ(paths::FileSize(log_.FilePath() + ".bad"), 300);
    const auto offers = Offers(dir_.path());
    EXPECT_EQ(offers.size(), 2000u);
    EXPECT_TRUE(std::all_of(offers.begin(), offers.end(), [](const auto& o) { return o.second == 1; }));
}

namespace {
// One batch of one row; its completion logs a sent record, as the SMS page does.
struct OneSend : ISmsQueueSide {
    CRecordLog& log;
    std::atomic<bool> fetched{false}, logged{false};
    explicit OneSend(CRecordLog& l) : log(l) {}
    int FetchSMSBatch(int, std::string& numbers, std::string& text) override {
        if (fetched.exchange(true)) return 0;
        numbers = "13900000000";
        text = "t";
        return 1;
    }
    void FinishSMSBatch(int, int, int) override {
        MsgRecord r = msgrec::Empty();
        msgrec::SetField(r.szType, "已发送短信");
        msgrec::SetField(r.szNumber, "13900000000");
        log.AddLogRecord(&r);
        logged = true;
    }
};
}  // namespace

TEST_F(ReceiveSpool, ALeftSpoolIsSettledBeforeTheThreadsAndStoredBeforeTheFirstPoll) {
    LeaveTornBatch(3000, 3 * mospool::kBatch, 7);
    // The receive thread comes to the log only after a send thread has logged its batch.
    OneSend sender(log_);
    const std::thread::id ui = std::this_thread::get_id();
    worker::GetServices().ReceiveLog = [&]() -> CRecordLog* {
        // (a worker thread: no UI events are served here)
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::this_thread::get_id() != ui && !sender.logged.load() && std::chrono::steady_clock::now() < end)
            std::this_thread::yield();
        return &log_;
    };
    worker::GetServices().SendSms = [](const std::string&, const std::string&) { return 1; };
    std::atomic<int> polls{0};
    std::atomic<std::size_t> atFirstPoll{0};
    worker::GetServices().PollMo = [&] {
        if (polls++ == 0) atFirstPoll = Received(log_).size();
        return std::string();
    };
    g_bStopThreads = 0;
    CEventLock::Lock(g_lockSMSQueue, 0, 0);
    worker::SetSmsQueue(&sender);
    worker::SetPassSleepsForTest(0, 1);
    StartMsgThreads(0);
    const bool polled = testsupport::WaitUntil([&] { return polls.load() > 0; }, 20000);
    EXPECT_TRUE(worker::StopMsgThreads(10000));
    worker::SetSmsQueue(nullptr);
    worker::SetPassSleepsForTest(worker::kFirstSleepMs, worker::kSecondSleepMs);
    g_bStopThreads = 0;
    ASSERT_TRUE(polled);
    EXPECT_TRUE(sender.logged.load());
    EXPECT_EQ(atFirstPoll.load(), 3000u);
    EXPECT_TRUE(FirstMessagesInOrder(Received(log_), 3000));
    EXPECT_EQ(paths::FileSize(log_.FilePath()), static_cast<long long>(3001 * kMsgRecordSize));
    EXPECT_FALSE(paths::FileExists(SpoolPath()));
}

TEST_F(ReceiveSpool, ALogThatCannotBeWrittenKeepsTheSpoolAndThePlatformKeepsItsMessages) {
    // A folder in the log's place: no append can succeed.
    ASSERT_TRUE(paths::MakeDirs(log_.FilePath()));
    int polls = 0;
    std::string reply = ReplyOf(600);
    worker::GetServices().PollMo = [&] {
        ++polls;
        return std::exchange(reply, std::string());
    };
    EXPECT_EQ(ReceiveSms(), 1);
    EXPECT_EQ(polls, 1);
    EXPECT_TRUE(paths::FileExists(SpoolPath()));
    // While the spool cannot be stored, nothing more is fetched.
    EXPECT_EQ(ReceiveSms(), 1);
    EXPECT_EQ(polls, 1);

    ASSERT_EQ(::rmdir(log_.FilePath().c_str()), 0);
    EXPECT_EQ(ReceiveSms(), 1);
    EXPECT_EQ(polls, 2);
    EXPECT_TRUE(FirstMessagesInOrder(Received(log_), 600));
    EXPECT_FALSE(paths::FileExists(SpoolPath()));
    // Offered once, when first received, though stored later.
    const auto offers = Offers(dir_.path());
    EXPECT_EQ(offers.size(), 600u);
    EXPECT_TRUE(std::all_of(offers.begin(), offers.end(), [](const auto& o) { return o.second == 1; }));
    EXPECT_NE(codec::FromGbk(testsupport::ReadFile(dir_.file("RunLog.txt"))).find("接收短信未能存入记录文件"),
              std::string::npos);
}

TEST_F(ReceiveSpool, ASpoolNotOursIsPutAsideAndOneWithoutAWholeHeaderGoes) {
    // Another kind of file (here: a spool of another layout) holding a message.
    const std::string body = "1|^|13800000001|^|你好|^|2026-12-11 10:00:00";
    const auto len = static_cast<std::uint32_t>(body.size());
    const std::string foreign = "XFMOSPL2" + std::string(reinterpret_cast<const char*>(&len), 4) +
                                std::string(mospool::kHeaderSize - 12, '\0') + body;
    testsupport::WriteFile(SpoolPath(), foreign);
    EXPECT_TRUE(mospool::Settle(log_));
    EXPECT_EQ(mospool::Store(log_), mospool::Result::None);
    EXPECT_EQ(testsupport::ReadFile(SpoolPath() + ".bad"), foreign);
    EXPECT_FALSE(paths::FileExists(log_.FilePath()));

    testsupport::WriteFile(SpoolPath(), std::string("XFMOSPL1", 8) + std::string(20, '\0'));
    EXPECT_EQ(mospool::Store(log_), mospool::Result::None);
    EXPECT_FALSE(paths::FileExists(SpoolPath()));
    EXPECT_FALSE(paths::FileExists(log_.FilePath()));

    // Progress that cannot be (more stored than offered) is no spool of ours either.
    {
        StepHookGuard stop(mospool::Step::SpoolSynced, 0);
        EXPECT_THROW(mospool::Receive(log_, ReplyOf(10)), Stop);
    }
    std::string bytes = testsupport::ReadFile(SpoolPath());
    const std::int32_t stored = 5;
    std::memcpy(bytes.data() + 16, &stored, sizeof stored);
    testsupport::WriteFile(SpoolPath(), bytes);
    EXPECT_EQ(mospool::Store(log_), mospool::Result::None);
    EXPECT_EQ(testsupport::ReadFile(SpoolPath() + ".bad"), bytes);
    EXPECT_FALSE(paths::FileExists(log_.FilePath()));
}
