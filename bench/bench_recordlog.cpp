// Record log speed: appending 1,000,000 records one at a time, and reading a log of 1,000,000
// records (1.6 GB) whole as a search does, next to a plain sequential read of the same file.
// The log lives in $BENCH_DIR (default: a folder "bench-recordlog" in the current folder).
#include "core/Globals.h"
#include "core/RecordLog.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kRecords = 1000000;

void UseBenchFolder() {
    static bool done = false;
    if (done) return;
    const char* dir = std::getenv("BENCH_DIR");
    g_strAppPath = dir && *dir ? dir : "bench-recordlog";
    paths::MakeDirs(g_strAppPath);
    ReleaseRecordLockOnce();
    done = true;
}

MsgRecord Sample(int id) {
    MsgRecord r = msgrec::Empty();
    r.nId = id;
    msgrec::SetField(r.szType, id % 7 ? "已发送短信" : "发送失败短信");
    msgrec::SetField(r.szName, "张三");
    msgrec::SetField(r.szNumber, "13800138000");
    msgrec::SetField(r.szText, "您好，这是一条测试短信，用来衡量记录日志的写入和读取速度。");
    msgrec::SetField(r.szTime, "2008-05-01 10:00:00");
    msgrec::SetField(r.szResult, "[1]");
    r.nDevice = id % 10;
    return r;
}

// Makes sure the SMS log holds exactly kRecords records (written in bulk when it does not),
// and reads it through once so both read benchmarks start from a warm page cache.
void EnsureLog(CRecordLog& log) {
    static bool warm = false;
    if (paths::FileSize(log.FilePath()) != static_cast<long long>(kRecords * kMsgRecordSize)) {
        files::AtomicFileWriter w(log.FilePath());
        for (std::size_t i = 0; i < kRecords; ++i) {
            const MsgRecord r = Sample(static_cast<int>(i) * 3 + 1);
            w.Write(&r, sizeof r);
        }
        w.Commit();
        warm = false;
    }
    if (warm) return;
    std::string all;
    files::ReadWholeFile(log.FilePath(), all);
    benchmark::DoNotOptimize(all.data());
    warm = true;
}

void BM_AppendOneByOne(benchmark::State& state) {
    UseBenchFolder();
    CRecordLog log(LogKind::Sms);
    std::vector<MsgRecord> recs;
    recs.reserve(kRecords);
    for (std::size_t i = 0; i < kRecords; ++i) recs.push_back(Sample(static_cast<int>(i) * 3 + 1));
    for (auto _ : state) {
        state.PauseTiming();
        ::unlink(log.FilePath().c_str());
        state.ResumeTiming();
        for (const MsgRecord& r : recs) log.AddLogRecord(&r);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRecords));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRecords * kMsgRecordSize));
    if (paths::FileSize(log.FilePath()) != static_cast<long long>(kRecords * kMsgRecordSize))
        state.SkipWithError("log has the wrong size");
}
BENCHMARK(BM_AppendOneByOne)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A plain sequential read of the file in 1.6 MB blocks, touching nothing: the yardstick.
void BM_PlainSequentialRead(benchmark::State& state) {
    UseBenchFolder();
    CRecordLog log(LogKind::Sms);
    EnsureLog(log);
    std::vector<char> buf(1024 * kMsgRecordSize);
    for (auto _ : state) {
        const int fd = ::open(log.FilePath().c_str(), O_RDONLY);
        std::size_t total = 0;
        for (;;) {
            const ssize_t n = ::read(fd, buf.data(), buf.size());
            if (n <= 0) break;
            total += static_cast<std::size_t>(n);
        }
        ::close(fd);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRecords * kMsgRecordSize));
}
BENCHMARK(BM_PlainSequentialRead)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// The search's whole-log read: every record handed over, its status looked at.
void BM_ReadWholeLogForSearch(benchmark::State& state) {
    UseBenchFolder();
    CRecordLog log(LogKind::Sms);
    EnsureLog(log);
    for (auto _ : state) {
        std::size_t seen = 0, failed = 0;
        log.ForEachRecord([&](const MsgRecord& r) {
            ++seen;
            failed += r.szType[0] == '\xb7';  // GBK lead byte of "发"
        });
        benchmark::DoNotOptimize(failed);
        if (seen != kRecords) state.SkipWithError("wrong record count");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRecords));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRecords * kMsgRecordSize));
}
BENCHMARK(BM_ReadWholeLogForSearch)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// The newest 100 ("显示最近记录").
void BM_ReadNewest100(benchmark::State& state) {
    UseBenchFolder();
    CRecordLog log(LogKind::Sms);
    EnsureLog(log);
    std::vector<MsgRecord> out;
    for (auto _ : state) {
        log.ReadRecords(out, 100);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_ReadNewest100)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The 1.6 GB log goes unless asked to stay (BENCH_KEEP=1).
    const char* keep = std::getenv("BENCH_KEEP");
    if (!(keep && *keep == '1') && !g_strAppPath.empty()) {
        CRecordLog log(LogKind::Sms);
        ::unlink(log.FilePath().c_str());
        ::unlink((log.FilePath() + ".bad").c_str());
    }
    return 0;
}
