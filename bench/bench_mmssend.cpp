// The send-MMS commit's recipient loop over 100,000 entries (number checks, ids, writer calls,
// the bar every 30 entries) against the queue writer alone queueing the same numbers.
// Goal: the loop within 2x of the writer alone.
#include "compose/MmsSend.h"
#include "core/FileUtil.h"
#include "core/Globals.h"
#include "core/PendingQueues.h"
#include "core/ScheduledStore.h"
#include "platform/AppPath.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kEntries = 100000;
const std::string kFiles = "12030405060700-00.gif#";

struct Env {
    std::string dir;
    std::vector<std::string> entries;
    ScheduledStore timed{"MsgTS.dat", false};
    ScheduledStore cyclic{"MsgCS.dat", true};
    Env() {
        char tmpl[] = "/tmp/bench_mmssendXXXXXX";
        dir = mkdtemp(tmpl);
        g_strAppPath = dir;
        entries.reserve(kEntries);
        for (int i = 0; i < kEntries; ++i) entries.push_back(std::to_string(13800000000LL + i));
    }
    ~Env() { std::system(("rm -rf " + dir).c_str()); }
};

Env& E() {
    static Env env;
    return env;
}

void BM_WriterAlone(benchmark::State& state) {
    Env& e = E();
    for (auto _ : state) {
        state.PauseTiming();
        auto q = std::make_unique<PendingQueues>(queue::Kind::Mms, e.timed, e.cyclic);
        state.ResumeTiming();
        int id = 1000;
        for (const std::string& n : e.entries) q->AddMMSItem(++id, n, kFiles, "标题", "文件彩信\\标题", "", 0);
        state.PauseTiming();
        if (q->Immediate().Count() != std::size_t(kEntries)) state.SkipWithError("wrong row count");
        q.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_CommitLoop(benchmark::State& state) {
    Env& e = E();
    int steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto q = std::make_unique<PendingQueues>(queue::Kind::Mms, e.timed, e.cyclic);
        state.ResumeTiming();
        const int first = CFileUtil::GetNextSerial(kEntries + 10);
        const mmssend::QueueResult r = mmssend::QueueRecipients(
            e.entries, "", first, false,
            [&](int id, std::string numbers) {
                q->AddMMSItem(id, std::move(numbers), kFiles, "标题", "文件彩信\\标题", "", 0);
            },
            [&](int pos) { steps = pos; });
        state.PauseTiming();
        if (r.accepted != kEntries || q->Immediate().Count() != std::size_t(kEntries))
            state.SkipWithError("wrong row count");
        q.reset();
        state.ResumeTiming();
    }
    state.counters["bar_steps"] = steps;
    state.SetItemsProcessed(state.iterations() * kEntries);
}

}  // namespace

BENCHMARK(BM_WriterAlone)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_CommitLoop)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_MAIN();
