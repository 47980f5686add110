// The send-list import of 100,000 CSV rows and of a full workbook sheet (65,535 rows under the
// names) through the send-SMS page's handler, dialogs answered at once, into the SMS pending
// queues; against the readers' own bare read of the same file in the same run. The split: the
// read, the work table, the queuing (read back and the bulk SMS queue writer).
#include "compose/ImportDialogs.h"
#include "compose/SendListImport.h"
#include "compose/SendSMSDlg.h"
#include "contacts/AdoConnection.h"
#include "core/SMSSendingListDlg.h"
#include "platform/AppPath.h"
#include "platform/ForeignTable.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SkinEdit.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

constexpr int kCsvRows = 100000;
constexpr int kXlsRows = 65535;

std::string ChineseText(int i) {
    static const char* kChars[] = {"春", "夏", "秋", "冬", "山", "水", "风", "云", "花", "月"};
    std::string t;
    for (int k = 0; k < 70; ++k) t += kChars[(i + k) % 10];
    return t;
}

struct Env {
    QTemporaryDir dir;
    std::string csv, xls;
    CAdoConnection conn;
    seam::ScopedMessageBox box{[](const std::string&, int) { return 1; }};
    Env() {
        g_strAppPath = dir.path().toStdString();
        std::filesystem::copy_file(paths::ExecutableFolder() + "/../app/Smsdb.mdb", g_strAppPath + "/Smsdb.mdb");
        conn.Open("Data Source=" + g_strAppPath + "\\Smsdb.mdb");
        csv = g_strAppPath + "/list.csv";
        std::string t = "手机号码,短信内容,备注\r\n";
        for (int i = 0; i < kCsvRows; ++i)
            t += std::to_string(13800000000LL + i) + "," + ChineseText(i) + ",第" + std::to_string(i) + "行\r\n";
        std::ofstream(csv, std::ios::binary) << codec::ToGbk(t);
        xls = g_strAppPath + "/list.xls";
        QProcess p;
        p.start("/usr/bin/python3",
                {"-c",
                 QString::fromUtf8("import sys, xlwt\nwb = xlwt.Workbook(encoding='utf-8')\nws = wb.add_sheet('Sheet1')\n"
                                   "ws.write(0, 0, '手机号码'); ws.write(0, 1, '短信内容'); ws.write(0, 2, '备注')\n"
                                   "chars = '春夏秋冬山水风云花月'\n"
                                   "for i in range(1, %1):\n"
                                   "    ws.write(i, 0, 13800000000 + i)\n"
                                   "    ws.write(i, 1, ''.join(chars[(i + k) % 10] for k in range(70)))\n"
                                   "    ws.write(i, 2, '第%d行' % i)\n"
                                   "wb.save(sys.argv[1])\n")
                     .arg(kXlsRows + 1),
                 QString::fromStdString(xls)});
        p.waitForFinished(600000);
    }
};
Env& E() {
    static Env env;
    return env;
}

void BM_CsvBareRead(benchmark::State& st) {
    for (auto _ : st) {
        std::ifstream in(E().csv, std::ios::binary | std::ios::ate);
        std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
        in.seekg(0);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const ftable::Table t = ftable::ParseCsv(bytes);
        if (t.rows.size() != kCsvRows) st.SkipWithError("wrong row count");
    }
}
BENCHMARK(BM_CsvBareRead)->Unit(benchmark::kMillisecond);

void BM_XlsBareRead(benchmark::State& st) {
    for (auto _ : st)
        if (ftable::XlsReadAllCells(E().xls, "Sheet1") != 3LL * (kXlsRows + 1)) st.SkipWithError("wrong cell count");
}
BENCHMARK(BM_XlsBareRead)->Unit(benchmark::kMillisecond);

// The split of one kind: read, work table, queuing.
void Split(benchmark::State& st, const ftable::Source& src, std::size_t rows) {
    double read = 0, table = 0, queue = 0;
    for (auto _ : st) {
        CSMSSendingListDlg q;
        g_pSMSSendingListDlg = &q;
        auto t0 = std::chrono::steady_clock::now();
        const ftable::Table t = ftable::Open(src);
        auto t1 = std::chrono::steady_clock::now();
        sendlist::DropWorkTable(E().conn);
        if (!sendlist::CopyToWorkTable(E().conn, t)) st.SkipWithError("copy failed");
        auto t2 = std::chrono::steady_clock::now();
        const int n = sendlist::QueueWorkTable(E().conn, "手机号码", "短信内容", {150, "【星帆】"});
        auto t3 = std::chrono::steady_clock::now();
        sendlist::DropWorkTable(E().conn);
        if (n != static_cast<int>(rows)) st.SkipWithError("wrong queued count");
        read += std::chrono::duration<double, std::milli>(t1 - t0).count();
        table += std::chrono::duration<double, std::milli>(t2 - t1).count();
        queue += std::chrono::duration<double, std::milli>(t3 - t2).count();
        g_pSMSSendingListDlg = nullptr;
    }
    st.counters["read_ms"] = benchmark::Counter(read, benchmark::Counter::kAvgIterations);
    st.counters["worktable_ms"] = benchmark::Counter(table, benchmark::Counter::kAvgIterations);
    st.counters["queue_ms"] = benchmark::Counter(queue, benchmark::Counter::kAvgIterations);
}
void BM_CsvSplit(benchmark::State& st) { Split(st, {ftable::Kind::Text, E().csv, {}}, kCsvRows); }
void BM_XlsSplit(benchmark::State& st) { Split(st, {ftable::Kind::Excel, E().xls, "Sheet1"}, kXlsRows); }
BENCHMARK(BM_CsvSplit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XlsSplit)->Unit(benchmark::kMillisecond);

// The whole handler, dialogs answered at once.
void Handler(benchmark::State& st, const std::string& path, std::size_t rows) {
    seam::ScopedFileDialog fd([&](const seam::FileDialogRequest&) { return std::optional<std::string>(path); });
    ScopedModalRun run([](CSkinDialog& d) {
        if (auto* s = dynamic_cast<CImportSourceTableDlg*>(&d)) s->m_editTableName->setText("Sheet1");
        if (auto* m = dynamic_cast<CImportFieldMapDlg*>(&d)) {
            m->m_comboNumber->setCurrentIndex(0);
            m->m_comboContent->setCurrentIndex(1);
        }
        d.OnOK();
        return d.result();
    });
    for (auto _ : st) {
        st.PauseTiming();
        auto* q = new CSMSSendingListDlg;
        g_pSMSSendingListDlg = q;
        auto* page = new CSendSMSDlg;
        page->SetImportConnection(&E().conn);
        st.ResumeTiming();
        page->OnBtnSendExcelFile();
        st.PauseTiming();
        if (q->ImmediateList().Count() != rows) st.SkipWithError("not queued");
        delete page;
        g_pSMSSendingListDlg = nullptr;
        delete q;
        st.ResumeTiming();
    }
}
void BM_CsvImport(benchmark::State& st) { Handler(st, E().csv, kCsvRows); }
void BM_XlsImport(benchmark::State& st) { Handler(st, E().xls, kXlsRows); }
BENCHMARK(BM_CsvImport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XlsImport)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    E();  // the files are made before any timing
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
