// The sortable list with a million rows of twelve cells: header-click sorts by a text column and
// by a number column against std::stable_sort of the same rows by the same key, the cost of one
// scrolled frame at a thousand and at a million rows, and the memory a row costs.
#include "platform/RowStore.h"
#include "uikit/SortListCtrl.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <algorithm>
#include <malloc.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kColumns = 12;
constexpr int kTextCol = 1;    // a name: Chinese and ASCII
constexpr int kNumberCol = 2;  // an 11-digit mobile number
constexpr int kShuffleCol = 11;

const char* const kSurnames[] = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄", "周", "吴", "Smith", "Lee"};
const char* const kGiven[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "涛", "明"};

std::vector<std::string> MakeRow(std::mt19937_64& rng, std::size_t i) {
    std::vector<std::string> r(kColumns);
    r[0] = std::to_string(i * 3 + 1);
    r[1] = std::string(kSurnames[rng() % 12]) + kGiven[rng() % 15] + kGiven[rng() % 15];
    r[2] = "13" + std::to_string(100000000 + rng() % 900000000);
    r[3] = "您好，您的验证码是" + std::to_string(rng() % 1000000) + "，请勿泄露。";
    r[4] = "2026-12-10 13:" + std::to_string(10 + rng() % 50) + ":00";
    r[5] = "待发送";
    r[6] = std::to_string(rng() % 100);
    r[7] = "星帆";
    r[8] = "";
    r[9] = "1";
    r[10] = "0";
    r[11] = std::to_string(rng());  // a random key to shuffle the rows between runs
    return r;
}

struct Fixture {
    rows::RowStore store{kColumns};
    std::unique_ptr<uikit::CSortListCtrl> list;
    std::vector<std::vector<std::string>> copy;  // the same rows, for the std::stable_sort baseline
    std::size_t rows = 0;

    explicit Fixture(std::size_t n, bool keepCopy) : rows(n) {
        std::mt19937_64 rng(42);
        std::vector<rows::RowData> data(n);
        for (std::size_t i = 0; i < n; ++i) {
            data[i].cells = MakeRow(rng, i);
            if (keepCopy) copy.push_back(data[i].cells);
        }
        store.Assign(std::move(data));
        list = std::make_unique<uikit::CSortListCtrl>();
        for (int c = 0; c < kColumns; ++c) list->InsertColumn(c, QString("列%1").arg(c), uikit::LVCFMT_LEFT, 90);
        list->SetStore(store);
        list->resize(800, 600);
        list->Model()->Sync();
    }
    void Shuffle() {
        store.SortByColumn(kShuffleCol, [](std::string_view a, std::string_view b) { return a < b; });
        list->Model()->Sync();
    }
};

std::unique_ptr<Fixture> g_big;  // made on first use, dropped before the application ends

Fixture& Big() {
    if (!g_big) g_big = std::make_unique<Fixture>(1000000, true);
    return *g_big;
}

bool NumberLess(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

void BM_ListSort(benchmark::State& state, int col) {
    Fixture& f = Big();
    for (auto _ : state) {
        state.PauseTiming();
        f.Shuffle();
        state.ResumeTiming();
        f.list->SortColumn(col);  // the header click: reorders the store, the view follows
    }
    state.counters["rows"] = static_cast<double>(f.rows);
}

void BM_StdStableSort(benchmark::State& state, int col) {
    Fixture& f = Big();
    std::vector<const std::vector<std::string>*> order;
    for (const auto& r : f.copy) order.push_back(&r);
    for (auto _ : state) {
        state.PauseTiming();
        std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return (*a)[kShuffleCol] < (*b)[kShuffleCol]; });
        state.ResumeTiming();
        if (col == kNumberCol)
            std::stable_sort(order.begin(), order.end(), [col](auto* a, auto* b) { return NumberLess((*a)[col], (*b)[col]); });
        else
            std::stable_sort(order.begin(), order.end(), [col](auto* a, auto* b) { return (*a)[col] < (*b)[col]; });
        benchmark::DoNotOptimize(order.data());
    }
}

BENCHMARK_CAPTURE(BM_ListSort, text, kTextCol)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_StdStableSort, text, kTextCol)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_ListSort, number, kNumberCol)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_StdStableSort, number, kNumberCol)->Unit(benchmark::kMillisecond)->Iterations(5);

// One frame: scroll a page down and paint the view (top to bottom, then again).
void BM_ScrollFrame(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    std::unique_ptr<Fixture> small;
    Fixture* f = nullptr;
    if (n == Big().rows) f = &Big();
    else {
        small = std::make_unique<Fixture>(n, false);
        f = small.get();
    }
    QScrollBar* bar = f->list->verticalScrollBar();
    QImage img(f->list->viewport()->size(), QImage::Format_RGB32);
    const int step = std::max(1, bar->maximum() / 2000);  // 2000 frames from top to bottom
    int value = 0;
    for (auto _ : state) {
        value = value + step > bar->maximum() ? 0 : value + step;
        bar->setValue(value);
        f->list->viewport()->render(&img);
    }
    state.counters["rows"] = static_cast<double>(n);
}
BENCHMARK(BM_ScrollFrame)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// Heap bytes per row: the store with its rows, then the model and view over it.
void BM_MemoryPerRow(benchmark::State& state) {
    for (auto _ : state) {
        const std::size_t n = 200000;
        std::mt19937_64 rng(7);
        std::vector<std::vector<std::string>> src;
        std::size_t textBytes = 0;
        for (std::size_t i = 0; i < n; ++i) {
            src.push_back(MakeRow(rng, i));
            for (const auto& c : src.back()) textBytes += c.size();
        }
        const std::size_t before = mallinfo2().uordblks;
        auto store = std::make_unique<rows::RowStore>(kColumns);
        for (const auto& r : src) store->Append(r);
        const std::size_t withStore = mallinfo2().uordblks;
        auto list = std::make_unique<uikit::CSortListCtrl>();
        for (int c = 0; c < kColumns; ++c) list->InsertColumn(c, QString::number(c), uikit::LVCFMT_LEFT, 90);
        list->SetStore(*store);
        list->resize(800, 600);
        QImage img(list->viewport()->size(), QImage::Format_RGB32);
        list->viewport()->render(&img);
        const std::size_t withView = mallinfo2().uordblks;
        state.counters["text_bytes_per_row"] = static_cast<double>(textBytes) / n;
        state.counters["store_bytes_per_row"] = static_cast<double>(withStore - before) / n;
        state.counters["view_bytes_per_row"] = (static_cast<double>(withView) - static_cast<double>(withStore)) / n;
    }
}
BENCHMARK(BM_MemoryPerRow)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_big.reset();
    return 0;
}
