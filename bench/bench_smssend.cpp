// Sending speed: the ten SMS threads (and the ten MMS threads, without sleeps) against the in-process platform simulator (answering
// at once), with the program's pass sleeps (goal: within 5% of 10 threads x 100 numbers per
// 1.3 s) and with the sleeps set to zero (goal: 20,000 numbers a second); and the cost of one
// batch fetch and completion as the queue grows.
// Work files go to $BENCH_DIR (default: a folder "bench-smssend" in the current folder).
#include "core/FileUtil.h"
#include "core/Globals.h"
#include "core/LoginSettings.h"
#include "core/PendingQueues.h"
#include "core/QueueJournal.h"
#include "core/RecordLog.h"
#include "core/SmsBatch.h"
#include "core/WorkerEngine.h"
#include "platform/AppPath.h"
#include "platform/Clock.h"
#include "platform/HttpClient.h"
#include "tools/platform-sim/PlatformSim.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

void UseBenchFolder() {
    static bool done = false;
    if (done) return;
    const char* dir = std::getenv("BENCH_DIR");
    g_strAppPath = std::filesystem::absolute(dir && *dir ? dir : "bench-smssend").string();
    paths::MakeDirs(g_strAppPath);
    ReleaseRecordLockOnce();
    http::GlobalInit();
    done = true;
}

// Sends `rows` queued numbers of one text (or one MMS) through the worker threads of the kind;
// returns numbers a second.
double RunThreads(int rows, int firstSleepMs, int secondSleepMs, double* seconds,
                  queue::Kind kind = queue::Kind::Sms) {
    const bool mms = kind == queue::Kind::Mms;
    UseBenchFolder();
    std::filesystem::remove(paths::AppFile(mms ? "MMSMsgSL.dat" : "SMSMsgSL.dat"));
    platformsim::PlatformSim sim;
    sim.Start();
    sim.AddAccount({.ecode = "E01", .user = "bench", .password = "pw", .mmsPassword = {},
                    .smsBalance = 100000000, .mmsBalance = 100000000});
    LoginInfo info = GetLoginInfo();
    info.strSmsServer = sim.HostPort();
    info.strMmsServer = sim.HostPort();
    info.strResourceUrl = "http://" + sim.HostPort() + "/files/";
    SetLoginInfo(info);
    SetLoginCredentials("E01", "bench", "pw", "01");

    CRecordLog log(mms ? LogKind::Mms : LogKind::Sms);
    (mms ? g_pMMSRecordLog : g_pSMSRecordLog) = &log;
    rows::RowStore store(queue::kColumnCount);
    {
        std::vector<rows::PackedRow> packed;
        packed.reserve(static_cast<std::size_t>(rows));
        for (int i = 0; i < rows; ++i) {
            std::vector<std::string> c(queue::kColumnCount);
            c[queue::kColType] = mms ? queue::kTypeImmediateMms : queue::kTypeImmediateSms;
            c[queue::kColNumber] = std::to_string(13800000000LL + i);
            c[queue::kColText] = "您好，这是一条测试短信，用来衡量发送线程的速度。";
            c[queue::kColId] = std::to_string(i * 3 + 2);
            if (mms) {
                c[queue::kColNameOrFiles] = "1-00.txt#1-00.gif#";
                c[queue::kColPackage] = "bench";
            }
            std::string joined;
            for (std::size_t k = 0; k < c.size(); ++k) {
                if (k) joined += '\0';
                joined += c[k];
            }
            packed.push_back({std::move(joined), mms ? queue::kIconMms : queue::kIconSms, 0});
        }
        store.AssignPacked(std::move(packed));
    }
    CSmsBatch batch(store, kind);
    batch.SetRecordSink([&log](const MsgRecord& r) { log.AddLogRecord(&r); });
    // Each completion journals its rows, as the page's batch does.
    QueueJournal& journal = QueueJournal::For(mms ? "MsgWS.dat" : "SMSMsgWS.dat");
    std::filesystem::remove(journal.Path());
    batch.SetJournal(&journal);
    if (mms) worker::SetMmsQueue(&batch);
    else worker::SetSmsQueue(&batch);
    worker::SetPassSleepsForTest(firstSleepMs, secondSleepMs);
    g_bStopThreads = 0;
    CEventLock::Lock(mms ? g_lockMMSQueue : g_lockSMSQueue, 0, 0);

    const auto start = std::chrono::steady_clock::now();
    StartMsgThreads(0);
    while (store.Count() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    worker::StopMsgThreads(70000);
    if (mms) worker::SetMmsQueue(nullptr);
    else worker::SetSmsQueue(nullptr);
    worker::SetPassSleepsForTest(worker::kFirstSleepMs, worker::kSecondSleepMs);
    g_bStopThreads = 0;
    (mms ? g_pMMSRecordLog : g_pSMSRecordLog) = nullptr;
    sim.Stop();
    *seconds = secs;
    return rows / secs;
}

void BM_SendWithPassSleeps(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    double rate = 0, secs = 0;
    for (auto _ : state) {
        rate = RunThreads(rows, worker::kFirstSleepMs, worker::kSecondSleepMs, &secs);
        state.SetIterationTime(secs);
    }
    const double design = 10.0 * 100.0 / 1.3;
    state.counters["numbers_per_s"] = rate;
    state.counters["design_per_s"] = design;
    state.counters["of_design"] = rate / design;
}
BENCHMARK(BM_SendWithPassSleeps)->Arg(20000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_SendWithoutSleeps(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    double rate = 0, secs = 0;
    for (auto _ : state) {
        rate = RunThreads(rows, 0, 0, &secs);
        state.SetIterationTime(secs);
    }
    state.counters["numbers_per_s"] = rate;
}
BENCHMARK(BM_SendWithoutSleeps)->Arg(100000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_SendMmsWithoutSleeps(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    double rate = 0, secs = 0;
    for (auto _ : state) {
        rate = RunThreads(rows, 0, 0, &secs, queue::Kind::Mms);
        state.SetIterationTime(secs);
    }
    state.counters["numbers_per_s"] = rate;
}
BENCHMARK(BM_SendMmsWithoutSleeps)->Arg(100000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// One fetch of 100 rows and its completion at the top of a queue of n rows (refilled at the end);
// fetchOnly times the fetch alone.
void FetchBench(benchmark::State& state, bool fetchOnly) {
    UseBenchFolder();
    const int n = static_cast<int>(state.range(0));
    rows::RowStore store(queue::kColumnCount);
    auto add = [&](int i) {
        std::vector<std::string> c(queue::kColumnCount);
        c[queue::kColNumber] = std::to_string(13800000000LL + i);
        c[queue::kColText] = "同一条短信";
        c[queue::kColId] = std::to_string(i);
        store.Append(c, queue::kIconSms);
    };
    for (int i = 0; i < n; ++i) add(i);
    // A view follows the store, as on the page.
    store.SetChangeNotifier([] {});
    CSmsBatch batch(store);
    std::size_t logged = 0;
    batch.SetRecordSink([&](const MsgRecord&) { ++logged; });
    int next = n;
    for (auto _ : state) {
        std::string nums, text;
        const int got = batch.FetchSMSBatch(0, nums, text);
        if (fetchOnly) state.PauseTiming();
        batch.FinishSMSBatch(0, 1, got);
        store.TakeChanges();
        if (!fetchOnly) state.PauseTiming();
        for (int i = 0; i < got; ++i) add(next++);
        store.TakeChanges();
        state.ResumeTiming();
    }
    state.counters["numbers_per_s"] = benchmark::Counter(static_cast<double>(logged), benchmark::Counter::kIsRate);
}
void BM_FetchAndFinish(benchmark::State& state) { FetchBench(state, false); }
void BM_FetchOnly(benchmark::State& state) { FetchBench(state, true); }
BENCHMARK(BM_FetchAndFinish)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FetchOnly)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
