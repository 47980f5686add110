// The SMS records page over a log of 1,000,000 records (11-digit numbers, 70-character Chinese
// texts, 10% received): each figure is a ratio measured in this one run. The logs live in
// $BENCH_DIR (default: a folder "bench-recordspage" in the current folder). Run offscreen:
// QT_QPA_PLATFORM=offscreen build/bench/bench_recordspage
// With --mms the MMS records page over a log of MMS records (titles, package names, "#" file
// lists, 10% received with their folder).
#include "bench/BenchSupport.h"
#include "core/AdvancedQueryDlg.h"
#include "core/Globals.h"
#include "core/MMSRecordDlg.h"
#include "core/RecordQuery.h"
#include "core/SMSRecordDlg.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/RowStoreModel.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "uikit/SkinEdit.h"
#include "uikit/SortListCtrl.h"

#include <QApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using benchsupport::Best;
using benchsupport::Report;
using benchsupport::Seconds;

std::string g_big, g_small;  // the two program folders
bool g_mms = false;          // the MMS page over an MMS log
LogKind LogOf() { return g_mms ? LogKind::Mms : LogKind::Sms; }
std::unique_ptr<CRecordPage> MakePage() {
    if (g_mms) return std::make_unique<CMMSRecordDlg>();
    return std::make_unique<CSMSRecordDlg>();
}

MsgRecord Sample(int i) {
    MsgRecord r = msgrec::Empty();
    r.nId = i % 990001 + 1;
    const bool received = i % 10 == 0;
    msgrec::SetField(r.szType, g_mms ? (received ? "接收彩信" : "已发送彩信") : (received ? "接收短信" : "已发送短信"));
    // One record in a hundred carries the name the query looks for.
    msgrec::SetField(r.szName, i % 100 == 7 ? "王小明" : "张三");
    const std::string number = "139" + std::to_string(10000000 + i % 90000000);
    msgrec::SetField(r.szNumber, number);
    std::string text;
    const char* words = "您好欢迎使用星帆短信平台本周末商场举行会员专享活动全场商品八折优惠详情请咨询客服热线谢谢";
    text = words;  // 45 characters
    text += "请于本月底之前到店领取您的积分礼品逾期作废敬请留意";  // 25 more: 70
    msgrec::SetField(r.szText, text);
    msgrec::SetField(r.szTime, "2008-05-01 10:00:00");
    msgrec::SetField(r.szSubmitTime, "2008-05-01 10:00:05");
    msgrec::SetField(r.szResult, received ? "" : "1");
    r.nDevice = i % 10;
    if (g_mms) {
        msgrec::SetField(r.szText, "周末会员专享活动彩信第" + std::to_string(i % 1000) + "期");
        msgrec::SetField(r.szPackage, "活动彩信\\第" + std::to_string(i % 200) + "期");
        msgrec::SetField(r.szSize, "12K");
        msgrec::SetField(r.szResult, "");
        const std::string n = std::to_string(i % 100000);
        msgrec::SetField(r.szFiles, received ? "D:\\RecvMMS\\" + n
                                             : n + "1106140309-00.txt#" + n + "1106140309-00.gif#" + n +
                                                   "1106140309-01.amr#");
    }
    return r;
}

void MakeLog(const std::string& folder, std::size_t n) {
    g_strAppPath = folder;
    paths::MakeDirs(folder);
    CRecordLog log(LogOf());
    if (paths::FileSize(log.FilePath()) == static_cast<long long>(n * kMsgRecordSize)) return;
    files::AtomicFileWriter w(log.FilePath());
    for (std::size_t i = 0; i < n; ++i) {
        const MsgRecord r = Sample(static_cast<int>(i));
        w.Write(&r, sizeof r);
    }
    w.Commit();
}

void Warm(const CRecordLog& log) {
    log.ForEachRecord([](const MsgRecord&) {});
}

// The heap in use, its mapped pieces included.
std::size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}
// Resident memory: also what is mapped outside malloc (the row store's big arenas).
std::size_t Resident() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<std::size_t>(resident) * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// The page's rows after the UI thread has served every queued call.
int ListedRows(CRecordPage& page) {
    page.List()->Model()->Sync();
    return page.List()->GetItemCount();
}

// UI time to take 100 records appended by a worker into a page listing its whole log.
double AutoRefreshUiTime(CRecordPage& page) {
    const int before = ListedRows(page);
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) {
            const MsgRecord r = Sample(5000000 + i);
            page.AddLogRecord(&r);
        }
    });
    worker.join();  // every notification is queued now
    const double t = Seconds([&] {
        while (ListedRows(page) < before + 100) QCoreApplication::processEvents();
        page.List()->viewport()->repaint();
    });
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    for (int i = 1; i < argc; ++i) g_mms = g_mms || std::string(argv[i]) == "--mms";
    const char* dir = std::getenv("BENCH_DIR");
    const std::string root = std::string(dir && *dir ? dir : "bench-recordspage") + (g_mms ? "/mms" : "");
    g_big = root + "/big";
    g_small = root + "/small";
    ReleaseRecordLockOnce();
    seam::SetMessageBox([](const std::string&, int) { return 1; });
    clk::SetFixed(2008, 5, 1, 12, 0, 0);

    std::printf("making the logs...\n");
    MakeLog(g_small, 1000);
    MakeLog(g_big, 1000000);
    g_strAppPath = g_big;
    CRecordLog plainLog(LogOf());
    Warm(plainLog);

    // The plain whole-log read, and the plain read making each record's 13 cell texts.
    const double plain = Best(3, [&] { plainLog.ForEachRecord([](const MsgRecord&) {}); });
    std::size_t cellBytes = 0;
    const double plainCells = Best(2, [&] {
        cellBytes = 0;
        plainLog.ForEachRecord([&](const MsgRecord& r) {
            std::string cells[13] = {codec::FromGbkField(r.szType, sizeof r.szType),
                                     codec::FromGbkField(r.szTime, sizeof r.szTime),
                                     codec::FromGbkField(r.szName, sizeof r.szName),
                                     codec::FromGbkField(r.szNumber, sizeof r.szNumber),
                                     codec::FromGbkField(r.szText, sizeof r.szText),
                                     g_mms ? codec::FromGbkField(r.szSubmitTime, sizeof r.szSubmitTime)
                                           : codec::FromGbkField(r.szResult, sizeof r.szResult),
                                     codec::FromGbkField(r.szPackage, sizeof r.szPackage),
                                     codec::FromGbkField(r.szSendId, sizeof r.szSendId),
                                     codec::FromGbkField(r.szResourceId, sizeof r.szResourceId),
                                     std::to_string(r.nId),
                                     codec::FromGbkField(r.szSize, sizeof r.szSize),
                                     std::to_string(r.nDevice),
                                     codec::FromGbkField(r.szFiles, sizeof r.szFiles)};
            for (const std::string& c : cells) cellBytes += c.size();
        });
    });

    std::unique_ptr<CRecordPage> pagePtr = MakePage();
    CRecordPage& page = *pagePtr;
    page.resize(900, 500);
    page.show();
    QCoreApplication::processEvents();

    // Advanced query listing 1% (the name), and view 3 (the received 10%).
    page.OnShowQuery();
    CSkinDialog::SetModalRunHook([](CSkinDialog& d) {
        d.ShowForHook();
        static_cast<CAdvancedQueryDlg&>(d).m_editName->setText(QString::fromUtf8("小明"));
        d.OnOK();
        return d.result();
    });
    int queryRows = 0;
    const double query = Best(2, [&] {
        page.OnSearchAgain();
        queryRows = ListedRows(page);
    });
    CSkinDialog::SetModalRunHook({});
    page.OnShowReceived();
    int receivedRows = 0;
    const double view3 = Best(2, [&] {
        page.OnSearchAgain();
        receivedRows = ListedRows(page);
    });

    // View 1 listing every record, and what a listed row costs.
    page.OnShowAll();
    page.OnClearDisplay();
    QCoreApplication::processEvents();
    malloc_trim(0);
    const std::size_t heapBefore = HeapInUse(), residentBefore = Resident();
    int allRows = 0;
    const double view1 = Seconds([&] {
        page.OnSearchAgain();
        allRows = ListedRows(page);
        page.List()->viewport()->repaint();
    });
    const std::size_t heapAfter = HeapInUse(), residentAfter = Resident();
    // A second listing, as the plain loops are the best of their runs.
    const double view1Again = Seconds([&] {
        page.OnSearchAgain();
        allRows = ListedRows(page);
        page.List()->viewport()->repaint();
    });
    // The larger of the heap's and the resident memory's growth.
    const double perRow =
        std::max(static_cast<double>(heapAfter) - static_cast<double>(heapBefore),
                 static_cast<double>(residentAfter) - static_cast<double>(residentBefore)) / allRows;
    const double cellsPerRow = static_cast<double>(cellBytes) / allRows;

    // Auto-refresh with 1,000,000 rows listed (the first round after a search also pays for the
    // search's one-off index pass: the best of three).
    double refreshBig = 1e9;
    for (int i = 0; i < 5; ++i) refreshBig = std::min(refreshBig, AutoRefreshUiTime(page));

    // Delete 1,000 selected rows of the 1,000,000 listed, next to a plain copy with fsync.
    page.List()->clearSelection();
    for (int i = 0; i < 1000; ++i) page.List()->SetItemSelected(i * 997, true);
    const double plainCopy = Seconds([&] {
        const int in = ::open(plainLog.FilePath().c_str(), O_RDONLY);
        const std::string tmp = plainLog.FilePath() + ".copy";
        const int out = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char> buf(1024 * kMsgRecordSize);
        for (ssize_t n; (n = ::read(in, buf.data(), buf.size())) > 0;)
            if (::write(out, buf.data(), static_cast<std::size_t>(n)) != n) break;
        ::fsync(out);
        ::close(out);
        ::close(in);
        ::unlink(tmp.c_str());
    });
    std::atomic<bool> sampling{true};
    std::atomic<std::size_t> peak{0};
    malloc_trim(0);
    const std::size_t heapAtDelete = HeapInUse();
    std::thread sampler([&] {
        while (sampling) {
            peak = std::max(peak.load(), HeapInUse());
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const double del = Seconds([&] { page.OnDeleteRecords(); });
    sampling = false;
    sampler.join();
    const int afterDelete = ListedRows(page);

    // The latest 100 of 1,000,000 and of 1,000 records.
    const double recentBig = Best(20, [&] { page.OnShowRecent(); });
    g_strAppPath = g_small;
    std::unique_ptr<CRecordPage> smallPtr = MakePage();
    CRecordPage& small = *smallPtr;
    small.resize(900, 500);
    small.show();
    QCoreApplication::processEvents();
    Warm(small.Log());
    const double recentSmall = Best(20, [&] { small.OnShowRecent(); });
    small.OnSearchAgain();
    double refreshSmall = 1e9;
    for (int i = 0; i < 5; ++i) refreshSmall = std::min(refreshSmall, AutoRefreshUiTime(small));
    g_strAppPath = g_big;

    std::printf("\nlog of 1,000,000 records (%.0f MB); plain read %.3f s\n", 1000000.0 * kMsgRecordSize / 1e6, plain);
    std::printf("query rows %d, view 3 rows %d, view 1 rows %d, rows after deleting 1,000 (500 arrived): %d\n", queryRows,
                receivedRows, allRows, afterDelete);
    Report("advanced query listing 1% / plain read", query, plain, 3);
    Report("view 3 (received) / plain read", view3, plain, 3);
    Report("view 1, all 1,000,000 / plain read making 13 cell texts", std::min(view1, view1Again), plainCells, 2);
    Report("latest 100 at 1,000,000 / at 1,000", recentBig, recentSmall, 2);
    Report("delete 1,000 selected rows / plain copy with fsync", del, plainCopy, 2);
    Report("auto-refresh UI per 100 records, 1,000,000 / 1,000 rows", refreshBig, refreshSmall, 2);
    std::printf("listed row: %.0f bytes of memory, its cell texts %.0f bytes: overhead %.0f bytes (goal <= 200)\n", perRow,
                cellsPerRow, perRow - cellsPerRow);
    std::printf("delete: heap peak above its start %.1f MB (a read chunk is %.1f MB)\n",
                (static_cast<double>(peak.load()) - static_cast<double>(heapAtDelete)) / 1e6, 1024.0 * kMsgRecordSize / 1e6);
    clk::Reset();
    return 0;
}
