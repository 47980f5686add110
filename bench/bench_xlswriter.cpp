// Workbook writer speed: a full sheet of contacts (65,535 rows of eight text cells under the
// header) built and saved, next to writing the same cells as TAB-separated text. The files go
// to $BENCH_DIR (default: the current folder).
#include "platform/AtomicFile.h"
#include "platform/XlsWriter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kRows = 65535;

const std::vector<std::string> kHeader = {"姓名", "手机", "性别", "生日", "单位", "职务", "地址", "备注"};

const std::vector<std::vector<std::string>>& Rows() {
    static const auto rows = [] {
        std::vector<std::vector<std::string>> r(kRows);
        for (std::size_t i = 0; i < kRows; ++i) {
            r[i] = {"联系人" + std::to_string(i), std::to_string(13800000000ull + i), i % 2 ? "男" : "女",
                    "1980-01-" + std::to_string(1 + i % 28), "单位" + std::to_string(i % 500), "经理",
                    "北京市海淀区" + std::to_string(i % 3000) + "号", i % 7 ? " " : "老客户"};
        }
        return r;
    }();
    return rows;
}

std::string OutPath(const char* name) {
    const char* dir = std::getenv("BENCH_DIR");
    return std::string(dir && *dir ? dir : ".") + "/" + name;
}

void BM_XlsWorkbook(benchmark::State& state) {
    const auto& rows = Rows();
    const std::string path = OutPath("bench-contacts.xls");
    for (auto _ : state) {
        xls::WorkbookWriter w("通信录", kHeader);
        for (const auto& r : rows) w.AddRow(r);
        if (!w.Save(path)) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_XlsWorkbook)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TabText(benchmark::State& state) {
    const auto& rows = Rows();
    const std::string path = OutPath("bench-contacts.txt");
    for (auto _ : state) {
        std::string out;
        auto line = [&](const std::vector<std::string>& r) {
            for (std::size_t c = 0; c < r.size(); ++c) {
                if (c) out += '\t';
                out += r[c];
            }
            out += "\r\n";
        };
        line(kHeader);
        for (const auto& r : rows) line(r);
        files::AtomicFileWriter w(path);
        if (!w.Write(out) || !w.Commit()) state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_TabText)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
