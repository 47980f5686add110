// The send-SMS page with 100,000 recipients, each against its baseline in the same run: the
// text import against a plain read and line split, "清除重号" against std::sort and
// std::unique, deleting half of the entries against rebuilding the list without them, and
// "立即发送短消息" against bare AddSMSItem calls.
#include "compose/MultiLineEdit.h"
#include "compose/RecipientList.h"
#include "compose/SendSMSDlg.h"
#include "core/FileUtil.h"
#include "core/Globals.h"
#include "core/LoginSettings.h"
#include "core/SMSSendingListDlg.h"
#include "platform/AppPath.h"
#include "platform/HttpClient.h"
#include "platform/Seams.h"
#include "tools/platform-sim/PlatformSim.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QListView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

constexpr int kCount = 100000;

std::vector<std::string> Numbers(int n, int distinct) {
    std::vector<std::string> out;
    out.reserve(n);
    for (int i = 0; i < n; ++i) out.push_back(std::to_string(13800000000LL + (i % distinct) * 7919 % 100000000));
    return out;
}

struct Env {
    QTemporaryDir dir;
    std::string file;
    seam::ScopedMessageBox box{[](const std::string&, int) { return 1; }};
    Env() {
        g_strAppPath = dir.path().toStdString();
        file = g_strAppPath + "/numbers.txt";
        std::ofstream out(file, std::ios::binary);
        for (const std::string& n : Numbers(kCount, kCount)) out << "  " << n << "\r\n";
    }
};
Env& E() {
    static Env env;
    return env;
}

CRecipientList* MakeList() {
    auto* list = new CRecipientList({1068, 1070, 1018, 1003, 1002, 1069}, "?", [] {});
    list->resize(300, 320);
    list->show();
    return list;
}

void BM_PlainReadAndSplit(benchmark::State& st) {
    for (auto _ : st) {
        std::ifstream in(E().file, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        const std::string all = ss.str();
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t nl; (nl = all.find('\n', start)) != std::string::npos; start = nl + 1)
            lines.emplace_back(all, start, nl - start);
        benchmark::DoNotOptimize(lines.data());
    }
}
BENCHMARK(BM_PlainReadAndSplit)->Unit(benchmark::kMillisecond);

void BM_TextImport(benchmark::State& st) {
    seam::ScopedFileDialog fd([](const seam::FileDialogRequest&) { return std::optional<std::string>(E().file); });
    for (auto _ : st) {
        st.PauseTiming();
        CRecipientList* list = MakeList();
        st.ResumeTiming();
        list->OnImportFromText();
        QApplication::processEvents();
        st.PauseTiming();
        if (list->GetCount() != kCount) st.SkipWithError("wrong count");
        delete list;
        st.ResumeTiming();
    }
}
BENCHMARK(BM_TextImport)->Unit(benchmark::kMillisecond);

void BM_SortUniqueBaseline(benchmark::State& st) {
    const std::vector<std::string> src = Numbers(kCount, kCount / 2);
    for (auto _ : st) {
        st.PauseTiming();
        std::vector<std::string> v = src;
        st.ResumeTiming();
        std::sort(v.begin(), v.end());
        v.erase(std::unique(v.begin(), v.end()), v.end());
        benchmark::DoNotOptimize(v.data());
    }
}
BENCHMARK(BM_SortUniqueBaseline)->Unit(benchmark::kMillisecond);

void BM_RemoveDuplicates(benchmark::State& st) {
    const std::vector<std::string> src = Numbers(kCount, kCount / 2);
    for (auto _ : st) {
        st.PauseTiming();
        CRecipientList* list = MakeList();
        list->AddEntries(src);
        QApplication::processEvents();
        st.ResumeTiming();
        list->OnBtnRemoveDuplicates();
        QApplication::processEvents();
        st.PauseTiming();
        if (list->GetCount() != kCount / 2) st.SkipWithError("wrong count");
        delete list;
        st.ResumeTiming();
    }
}
BENCHMARK(BM_RemoveDuplicates)->Unit(benchmark::kMillisecond);

// The passes after a change until the list is laid out and painted: the view lays itself out
// from a zero timer and paints in the pass after that, so both sides of the ratio count them.
void SettleAndPaint() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// The list's entries replaced by the kept ones: the model reset, the view's layout and paint.
void BM_RebuildWithoutHalf(benchmark::State& st) {
    const std::vector<std::string> src = Numbers(kCount, kCount);
    for (auto _ : st) {
        st.PauseTiming();
        CRecipientList* list = MakeList();
        list->AddEntries(src);
        QApplication::processEvents();
        st.ResumeTiming();
        std::vector<std::string> kept;
        kept.reserve(src.size() / 2);
        for (std::size_t i = 0; i < src.size(); ++i)
            if (i % 2) kept.push_back(src[i]);
        list->Model()->SetEntries(std::move(kept));
        SettleAndPaint();
        st.PauseTiming();
        delete list;
        st.ResumeTiming();
    }
}
BENCHMARK(BM_RebuildWithoutHalf)->Unit(benchmark::kMillisecond);

void BM_DeleteHalf(benchmark::State& st) {
    E();  // the message box answers OK
    const std::vector<std::string> src = Numbers(kCount, kCount);
    for (auto _ : st) {
        st.PauseTiming();
        CRecipientList* list = MakeList();
        list->AddEntries(src);
        {
            // Gone before the clock runs: its persistent indexes would be charged to the reset.
            QItemSelection sel;
            for (int i = 0; i < kCount; i += 2) sel.select(list->Model()->index(i), list->Model()->index(i));
            list->View()->selectionModel()->select(sel, QItemSelectionModel::Select);
        }
        if (list->Model()->SelectedCount() != kCount / 2) st.SkipWithError("not selected");
        QApplication::processEvents();
        st.ResumeTiming();
        list->OnBtnDeleteRecipient();
        SettleAndPaint();
        st.PauseTiming();
        if (list->GetCount() != kCount / 2) st.SkipWithError("wrong count");
        delete list;
        st.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteHalf)->Unit(benchmark::kMillisecond);

struct SendEnv {
    platformsim::PlatformSim sim;
    SendEnv() {
        http::GlobalInit();
        sim.Start();
        sim.AddAccount({"E", "u", "p", {}, 10000000, 0});
        LoginInfo li = GetLoginInfo();
        li.strSmsServer = sim.HostPort();
        SetLoginInfo(li);
        SetLoginCredentials("E", "u", "p", "01");
    }
};

void BM_BareAddSMSItem(benchmark::State& st) {
    const std::vector<std::string> src = Numbers(kCount, kCount);
    for (auto _ : st) {
        st.PauseTiming();
        auto* queue = new CSMSSendingListDlg;
        st.ResumeTiming();
        int id = 1;
        for (const std::string& n : src) queue->AddSMSItem(id++, n, {}, "测试短信", {}, 0);
        QApplication::processEvents();
        st.PauseTiming();
        delete queue;
        st.ResumeTiming();
    }
}
BENCHMARK(BM_BareAddSMSItem)->Unit(benchmark::kMillisecond);

void BM_SendNow(benchmark::State& st) {
    E();
    static SendEnv env;
    const std::vector<std::string> src = Numbers(kCount, kCount);
    for (auto _ : st) {
        st.PauseTiming();
        auto* queue = new CSMSSendingListDlg;
        g_pSMSSendingListDlg = queue;
        auto* page = new CSendSMSDlg;
        page->resize(730, 376);
        page->show();
        page->m_editContent->SetText(QStringLiteral("测试短信"));
        page->Recipients()->AddEntries(src);
        QApplication::processEvents();
        st.ResumeTiming();
        page->OnBtnSendNow();
        QApplication::processEvents();
        st.PauseTiming();
        if (queue->ImmediateList().Count() != static_cast<std::size_t>(kCount)) st.SkipWithError("not queued");
        delete page;
        g_pSMSSendingListDlg = nullptr;
        delete queue;
        st.ResumeTiming();
    }
}
BENCHMARK(BM_SendNow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
