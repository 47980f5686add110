// The SMS pending page with 100,000 queued rows: what the UI thread pays for a batch going out
// (the view following a fetch and a completion), a header-click sort, and "全部取消".
#include "core/Globals.h"
#include "core/SMSSendingListDlg.h"
#include "platform/AppPath.h"
#include "platform/RowStoreModel.h"
#include "platform/Seams.h"
#include "uikit/SortListCtrl.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr int kRows = 100000;

rows::RowStoreModel* Model(CSMSSendingListDlg& page) {
    return page.View(1)->Model();
}

void Show(CSMSSendingListDlg& page) {
    page.resize(900, 600);
    page.show();
}

// Queues kRows numbers and lets the view catch up.
void Fill(CSMSSendingListDlg& page) {
    for (int i = 0; i < kRows; ++i)
        page.AddSMSItem(i + 1, std::to_string(13800000000LL + i), "", "您好，这是一条测试短信。", "", 0);
    Model(page)->Sync();
}

void UseBenchFolder() {
    const char* dir = std::getenv("BENCH_DIR");
    g_strAppPath = std::filesystem::absolute(dir && *dir ? dir : "bench-smspage").string();
    paths::MakeDirs(g_strAppPath);
}

// The view catching up with one batch of 100 taken and one finished, at the top of 100,000 rows.
void BM_ViewFollowsABatch(benchmark::State& state) {
    UseBenchFolder();
    CSMSSendingListDlg page;
    Show(page);
    Fill(page);
    page.Batch().SetRecordSink([](const MsgRecord&) {});
    int next = kRows;
    for (auto _ : state) {
        state.PauseTiming();
        std::string nums, text;
        const int n = page.FetchSMSBatch(0, nums, text);
        state.ResumeTiming();
        Model(page)->Sync();
        QApplication::processEvents();
        state.PauseTiming();
        page.FinishSMSBatch(0, 1, n);
        state.ResumeTiming();
        Model(page)->Sync();
        QApplication::processEvents();
        state.PauseTiming();
        for (int i = 0; i < n; ++i) {
            ++next;
            page.AddSMSItem(next, std::to_string(13900000000LL + next), "", "x", "", 0);
        }
        Model(page)->Sync();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ViewFollowsABatch)->Unit(benchmark::kMicrosecond);

void BM_HeaderSort(benchmark::State& state) {
    UseBenchFolder();
    CSMSSendingListDlg page;
    Show(page);
    Fill(page);
    for (auto _ : state) {
        page.View(1)->SortColumn(1);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_HeaderSort)->Unit(benchmark::kMillisecond);

void BM_CancelAll(benchmark::State& state) {
    UseBenchFolder();
    seam::ScopedMessageBox box([](const std::string&, int) { return 1; });
    CSMSSendingListDlg page;
    Show(page);
    for (auto _ : state) {
        state.PauseTiming();
        Fill(page);
        state.ResumeTiming();
        page.OnCancelAll();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_CancelAll)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    CEventLock::Lock(g_lockSMSQueue, 0, 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
