// Excel export of a records list: 65,535 rows of 13 record-like cells (Chinese titles, numbers,
// times, "#" lists) through the export, next to writing the same cell texts as TAB-separated
// text with the same atomic flush; and the export's heap peak. Files go to $BENCH_DIR (default:
// the current folder).
#include "bench/BenchSupport.h"
#include "core/RecordExport.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using benchsupport::Best;
using benchsupport::OutPath;

constexpr std::size_t kRows = 65535;

std::vector<std::vector<std::string>> ListRows() {
    std::vector<std::vector<std::string>> rows(kRows);
    for (std::size_t i = 0; i < kRows; ++i) {
        const std::string n = std::to_string(i);
        rows[i] = {i % 10 ? "已发送彩信" : "发送失败彩信",
                   "2008-05-01 10:" + std::to_string(10 + i % 50) + ":00",
                   "联系人" + std::to_string(i % 3000),
                   std::to_string(13900000000ull + i),
                   "周末会员专享活动彩信第" + n + "期",
                   "2008-05-01 10:20:00",
                   "活动彩信\\第" + std::to_string(i % 200) + "期",
                   "",
                   "",
                   n,
                   "12K",
                   std::to_string(i % 40),
                   n + "1106140309-00.txt#" + n + "1106140309-00.gif#" + n + "1106140309-01.amr#"};
    }
    return rows;
}

}  // namespace

int main() {
    const auto rows = ListRows();
    const std::string xls = OutPath("bench-records.xls"), txt = OutPath("bench-records.txt");
    std::string message;
    const double ours = Best(5, [&] { message = recexport::ExportRows(xls, rows); });
    if (message != recexport::kDoneText) std::printf("export failed: %s\n", message.c_str());
    const double plain = Best(5, [&] {
        // The same 13 texts per row as the sheet gets (the 8 list cells and 5 blanks).
        std::string out;
        for (const auto& r : rows) {
            for (std::size_t c : {9, 0, 1, 2, 3, 4, 5, 6}) {
                out += r[c].empty() ? std::string(" ") : r[c];
                out += '\t';
            }
            out += " \t \t \t \t \r\n";
        }
        files::AtomicFileWriter w(txt);
        if (!w.Write(out) || !w.Commit()) std::printf("text write failed\n");
    });

    malloc_trim(0);
    const std::size_t start = mallinfo2().uordblks;
    std::atomic<bool> sampling{true};
    std::atomic<std::size_t> peak{start};
    std::thread sampler([&] {
        while (sampling) {
            peak = std::max(peak.load(), mallinfo2().uordblks);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    recexport::ExportRows(xls, rows);
    sampling = false;
    sampler.join();

    std::printf("export of %zu rows x 13 cells: %.3f s, plain TAB text %.3f s = %.2fx (goal <= 3x) %s\n", kRows, ours,
                plain, ours / plain, ours / plain <= 3 ? "ok" : "OVER");
    std::printf("export heap peak above its start: %.1f MB (the rows themselves take %.1f MB)\n",
                (static_cast<double>(peak.load()) - static_cast<double>(start)) / 1e6,
                static_cast<double>(start) / 1e6);
    return 0;
}
