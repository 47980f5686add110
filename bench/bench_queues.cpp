// Load and save of an immediate queue of 100,000 rows, against a plain read and write of the
// same bytes, the queue writers queueing 100,000 numbers, a resend of 100,000 SMS records
// through them, and a load from a journal of 100,000 additions.
#include "core/MsgRecord.h"
#include "core/PendingQueues.h"
#include "core/QueueJournal.h"
#include "core/RecordForward.h"
#include "core/ScheduledStore.h"
#include "core/Scheduler.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kRows = 100000;

std::string SeventyCharText() {
    std::string t;
    const char* chars[] = {"尊", "敬", "的", "客", "户", "您", "好", "本", "店", "优"};
    for (int i = 0; i < 70; ++i) t += chars[i % 10];
    return t;
}

struct Env {
    std::string dir;
    std::string file;
    std::size_t bytes = 0;
    ScheduledStore timed{"MsgTS.dat", false};
    ScheduledStore cyclic{"MsgCS.dat", true};

    Env() {
        char tmpl[] = "/tmp/bench_queuesXXXXXX";
        dir = mkdtemp(tmpl);
        g_strAppPath = dir;
        file = dir + "/SMSMsgWS.dat";
        PendingQueues q(queue::Kind::Sms, timed, cyclic);
        q.LoadQueues();
        const std::string text = SeventyCharText();
        for (int i = 0; i < kRows; ++i)
            q.AddSMSItem(1000000 + 3 * i, std::to_string(13800000000LL + i), "", text, "", 0);
        q.SaveQueues();
        struct stat st {};
        stat(file.c_str(), &st);
        bytes = static_cast<std::size_t>(st.st_size);
    }
    ~Env() { std::system(("rm -rf " + dir).c_str()); }
};

Env& E() {
    static Env env;
    return env;
}

// Reads up to bytes bytes of a file into buf; returns how many were read.
std::size_t ReadInto(const std::string& path, char* buf, std::size_t bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::size_t got = 0;
    while (got < bytes) {
        const ssize_t n = ::read(fd, buf + got, bytes - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return got;
}

void BM_PlainRead(benchmark::State& state) {
    Env& e = E();
    for (auto _ : state) {
        std::unique_ptr<char[]> buf(new char[e.bytes]);
        const std::size_t got = ReadInto(e.file, buf.get(), e.bytes);
        benchmark::DoNotOptimize(buf.get()[got - 1]);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * e.bytes));
}

// Times fresh loads of the immediate queue; each must end with rowsAfter rows.
void TimeLoads(benchmark::State& state, Env& e, std::size_t rowsAfter) {
    for (auto _ : state) {
        state.PauseTiming();
        auto q = std::make_unique<PendingQueues>(queue::Kind::Sms, e.timed, e.cyclic);
        state.ResumeTiming();
        q->LoadQueues();
        benchmark::DoNotOptimize(q->Immediate().Count());
        state.PauseTiming();
        if (q->Immediate().Count() != rowsAfter) state.SkipWithError("wrong row count");
        q.reset();
        state.ResumeTiming();
    }
}

void BM_LoadImmediate(benchmark::State& state) {
    Env& e = E();
    TimeLoads(state, e, kRows);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * e.bytes));
    state.SetItemsProcessed(state.iterations() * kRows);
}

// A restart after a crash: the same file and a journal removing every one of its rows.
void BM_LoadWithJournal100k(benchmark::State& state) {
    Env& e = E();
    std::string journal;
    {
        PendingQueues q(queue::Kind::Sms, e.timed, e.cyclic);
        q.LoadQueues();
        const auto rowsNow = q.Immediate().Snapshot();
        journal.resize(rowsNow.size() * qjournal::kEntrySize);
        for (std::size_t i = 0; i < rowsNow.size(); ++i)
            qjournal::Encode(qjournal::Removed(rowsNow[i].cells), journal.data() + i * qjournal::kEntrySize);
    }
    const std::string path = e.file + ".jnl";
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, journal.data(), journal.size()) != ssize_t(journal.size())) state.SkipWithError("journal write");
        ::close(fd);
    }
    TimeLoads(state, e, 0);
    ::unlink(path.c_str());
    state.SetItemsProcessed(state.iterations() * kRows);
}

// The same bytes written to a new file; with fsync (as a whole-file rewrite must) or without.
void BM_PlainWrite(benchmark::State& state) {
    Env& e = E();
    const bool sync = state.range(0) != 0;
    std::unique_ptr<char[]> buf(new char[e.bytes]);
    ReadInto(e.file, buf.get(), e.bytes);
    const std::string out = e.dir + "/plain.dat";
    for (auto _ : state) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::size_t put = 0;
        while (put < e.bytes) {
            const ssize_t n = ::write(fd, buf.get() + put, std::min<std::size_t>(e.bytes - put, 1 << 20));
            if (n <= 0) break;
            put += static_cast<std::size_t>(n);
        }
        if (sync) ::fsync(fd);
        ::close(fd);
        state.PauseTiming();
        ::unlink(out.c_str());
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * e.bytes));
}

void BM_SaveImmediate(benchmark::State& state) {
    Env& e = E();
    PendingQueues q(queue::Kind::Sms, e.timed, e.cyclic);
    q.LoadQueues();
    for (auto _ : state) q.SaveQueues();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * e.bytes));
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_WriterQueue100k(benchmark::State& state) {
    Env& e = E();
    const std::string text = SeventyCharText();
    for (auto _ : state) {
        state.PauseTiming();
        auto q = std::make_unique<PendingQueues>(queue::Kind::Sms, e.timed, e.cyclic);
        std::vector<std::string> numbers;
        numbers.reserve(kRows);
        for (int i = 0; i < kRows; ++i) numbers.push_back(std::to_string(13800000000LL + i));
        state.ResumeTiming();
        for (int i = 0; i < kRows; ++i) q->AddSMSItem(1000000 + 3 * i, numbers[std::size_t(i)], "", text, "", 0);
        state.PauseTiming();
        q.reset();
        ::unlink((e.file + ".jnl").c_str());
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// The bulk writer (a send-list import) queueing 100,000 rows in one call, journal included.
void BM_BulkWriterQueue100k(benchmark::State& state) {
    Env& e = E();
    const std::string text = SeventyCharText();
    const std::string journal = e.file + ".jnl";
    for (auto _ : state) {
        state.PauseTiming();
        auto q = std::make_unique<PendingQueues>(queue::Kind::Sms, e.timed, e.cyclic);
        std::vector<PendingQueues::SmsItem> items;
        items.reserve(kRows);
        // Measured once, as the send page and the import do.
        const std::size_t textLength = codec::GbkLength(text);
        for (int i = 0; i < kRows; ++i)
            items.push_back({1000000 + 3 * i, std::to_string(13800000000LL + i), "", text, textLength});
        state.ResumeTiming();
        q->AddSMSItems(std::move(items));
        state.PauseTiming();
        if (q->Immediate().Count() != std::size_t(kRows)) state.SkipWithError("wrong row count");
        q.reset();
        ::unlink(journal.c_str());
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// A resend of 100,000 selected SMS records (each its own number, name and text) into the same
// queue, in the resend's batches, journal included; beside BM_BulkWriterQueue100k.
void BM_ResendSms100k(benchmark::State& state) {
    Env& e = E();
    const std::string text = SeventyCharText();
    const std::string journal = e.file + ".jnl";
    std::vector<recforward::RecordRow> records;
    records.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        records.push_back({"已发送短信", "客户" + std::to_string(i % 1000), std::to_string(13800000000LL + i), text,
                           "", ""});
    for (auto _ : state) {
        state.PauseTiming();
        auto q = std::make_unique<PendingQueues>(queue::Kind::Sms, e.timed, e.cyclic);
        std::vector<recforward::RecordRow> selected = records;  // the page's copy of the selection
        state.ResumeTiming();
        const recforward::ResendResult res =
            recforward::ResendRecords(std::move(selected), recforward::WritersOf(q.get(), nullptr), nullptr,
                                      [](std::size_t, std::size_t) { return true; });
        state.PauseTiming();
        if (res.queued != kRows || q->Immediate().Count() != std::size_t(kRows)) state.SkipWithError("wrong row count");
        q.reset();
        ::unlink(journal.c_str());
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// A restart after a crash that followed an import of 100,000 rows: no queue file, a journal
// of their additions.
void BM_LoadWithAddedJournal100k(benchmark::State& state) {
    Env& e = E();
    const std::string saved = e.file + ".saved";
    ::rename(e.file.c_str(), saved.c_str());
    {
        PendingQueues q(queue::Kind::Sms, e.timed, e.cyclic);
        const std::string text = SeventyCharText();
        std::vector<PendingQueues::SmsItem> items;
        // Measured once, as the send page and the import do.
        const std::size_t textLength = codec::GbkLength(text);
        for (int i = 0; i < kRows; ++i)
            items.push_back({1000000 + 3 * i, std::to_string(13800000000LL + i), "", text, textLength});
        q.AddSMSItems(std::move(items));
    }
    TimeLoads(state, e, kRows);
    ::unlink((e.file + ".jnl").c_str());
    ::rename(saved.c_str(), e.file.c_str());
    state.SetItemsProcessed(state.iterations() * kRows);
}

// A timed entry of 100,000 numbers coming due: one immediate row per number, on the UI thread.
void BM_TimedEntryFires100k(benchmark::State& state) {
    E();  // the program folder
    std::string list;
    for (int i = 0; i < kRows; ++i) list += std::to_string(13800000000LL + i) + " ";
    const std::string text = SeventyCharText();
    for (auto _ : state) {
        state.PauseTiming();
        ScheduledStore timed("bench_TS.dat", false), cyclic("bench_CS.dat", true);
        auto q = std::make_unique<PendingQueues>(queue::Kind::Sms, timed, cyclic);
        q->AddSMSItem(1, list, "", text, "2000-01-01 00:00:00", 0);
        state.ResumeTiming();
        q->CheckTimedItems();
        state.PauseTiming();
        if (q->Immediate().Count() != std::size_t(kRows)) state.SkipWithError("wrong row count");
        q.reset();
        for (const char* f : {"SMSMsgWS.dat.jnl", "bench_TS.dat.jnl"}) ::unlink((E().dir + "/" + f).c_str());
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// Heap bytes per loaded row, beyond the UTF-8 bytes of its cells.
void BM_MemoryPerRow(benchmark::State& state) {
    Env& e = E();
    double perRow = 0, beyondText = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const std::size_t before = mallinfo2().uordblks;
        auto q = std::make_unique<PendingQueues>(queue::Kind::Sms, e.timed, e.cyclic);
        q->LoadQueues();
        malloc_trim(0);
        const std::size_t after = mallinfo2().uordblks;
        std::size_t textBytes = 0;
        for (const auto& r : q->Immediate().Snapshot())
            for (const auto& c : r.cells) textBytes += c.size();
        perRow = double(after - before) / kRows;
        beyondText = double(after - before - textBytes) / kRows;
    }
    state.counters["bytes_per_row"] = perRow;
    state.counters["beyond_text"] = beyondText;
}

}  // namespace

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LoadImmediate)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LoadWithJournal100k)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PlainWrite)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SaveImmediate)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_WriterQueue100k)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_BulkWriterQueue100k)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ResendSms100k)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LoadWithAddedJournal100k)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_TimedEntryFires100k)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_MemoryPerRow)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
