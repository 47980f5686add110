// The reply-log viewer on an "RL.dat" of 100,000 records: its load next to a plain read of the
// file, a delete of 1,000 scattered rows next to a plain atomic rewrite of the file, the memory
// a row takes, and an export of 65,535 rows next to writing the same cell texts to a plain file.
// The files go to $BENCH_DIR (default: the current folder).
#include "bench/BenchSupport.h"
#include "contacts/AutoReplyLog.h"
#include "core/MsgRecord.h"
#include "platform/AtomicFile.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using benchsupport::OutPath;

constexpr std::size_t kRecords = 100000;
constexpr std::size_t kExportRows = 65535;

const std::string& Image() {
    static const std::string image = [] {
        const char* statuses[] = {"已回复", "未回复", "查询限制", "无查询项"};
        std::string out;
        out.reserve(kRecords * autoreply::kLogRecordSize);
        for (std::size_t i = 0; i < kRecords; ++i) {
            AutoReplyLogRecord r{};
            msgrec::SetField(r.status, statuses[i % 4]);
            msgrec::SetField(r.time, "2026-12-10 08:30:05");
            msgrec::SetField(r.mobile, std::to_string(13900000000ull + i));
            msgrec::SetField(r.query, i % 3 ? "查询天气" + std::to_string(i % 100) : "tq" + std::to_string(i));
            msgrec::SetField(r.reply, i % 2 ? "彩信文件：旅游\\景点" + std::to_string(i % 50) : "<无查询项，无信息回复>");
            out.append(reinterpret_cast<const char*>(&r), sizeof r);
        }
        return out;
    }();
    return image;
}

std::string LogPath() {
    static const std::string path = [] {
        const std::string p = OutPath("bench-RL.dat");
        files::WriteFileAtomic(p, Image());
        return p;
    }();
    return path;
}

void BM_PlainRead(benchmark::State& state) {
    const std::string path = LogPath();
    for (auto _ : state) {
        std::string bytes;
        files::ReadWholeFile(path, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ViewerLoad(benchmark::State& state) {
    const std::string path = LogPath();
    std::size_t perRow = 0;
    for (auto _ : state) {
        auto used = [] {
            const struct mallinfo2 m = mallinfo2();  // the heap and malloc's own mappings
            return m.uordblks + m.hblkhd;
        };
        const std::size_t before = used();
        auto view = std::make_unique<autoreply::CReplyLogView>();
        view->Load(path);
        perRow = (used() - before) / kRecords;
        benchmark::DoNotOptimize(view->Rows().Count());
    }
    state.counters["bytes_per_row"] = static_cast<double>(perRow);
}
BENCHMARK(BM_ViewerLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainRewrite(benchmark::State& state) {
    const std::string path = LogPath();
    for (auto _ : state) {
        std::string bytes;
        files::ReadWholeFile(path, bytes);
        files::WriteFileAtomic(path, bytes);
    }
}
BENCHMARK(BM_PlainRewrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Delete1000(benchmark::State& state) {
    const std::string path = LogPath();
    std::unique_ptr<autoreply::CReplyLogView> view;
    for (auto _ : state) {
        state.PauseTiming();
        view.reset();  // the last view goes outside the timing
        files::WriteFileAtomic(path, Image());
        view = std::make_unique<autoreply::CReplyLogView>();
        view->Load(path);
        std::vector<rows::RowId> ids;
        for (std::size_t i = 0; i < kRecords; i += kRecords / 1000) ids.push_back(view->Rows().IdAt(i));
        state.ResumeTiming();
        if (!view->Delete(ids)) state.SkipWithError("delete failed");
    }
    files::WriteFileAtomic(path, Image());
}
BENCHMARK(BM_Delete1000)->Unit(benchmark::kMillisecond)->UseRealTime();

autoreply::CReplyLogView& ExportView() {
    static autoreply::CReplyLogView view;
    static const bool loaded = [] {
        const std::string p = OutPath("bench-RL-export.dat");
        files::WriteFileAtomic(p, Image().substr(0, kExportRows * autoreply::kLogRecordSize));
        view.Load(p);
        return true;
    }();
    (void)loaded;
    return view;
}

void BM_Export(benchmark::State& state) {
    autoreply::CReplyLogView& view = ExportView();
    const std::string path = OutPath("bench-RL.xls");
    for (auto _ : state)
        if (autoreply::ExportLog(view.Rows(), path) != autoreply::kExportDoneText) state.SkipWithError("export failed");
}
BENCHMARK(BM_Export)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportPlainText(benchmark::State& state) {
    autoreply::CReplyLogView& view = ExportView();
    const std::string path = OutPath("bench-RL.txt");
    for (auto _ : state) {
        std::string out;
        view.Rows().Locked([&](rows::RowStore::Access& a) {
            for (std::size_t i = 0; i < a.Count(); ++i) {
                for (int c : {0, 1, 2, 3, 4, 5, 7}) {
                    out += a.CellAt(i, c);
                    out += '\t';
                }
                out += "\r\n";
            }
        });
        files::WriteFileAtomic(path, out);
    }
}
BENCHMARK(BM_ExportPlainText)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
