// The SMS records page while worker threads append: searches, deletes and a clear lose no
// appended record, bring back no deleted one and list no torn or doubled row.
#include "RecordPageSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <thread>

using namespace recordtest;

namespace {

constexpr int kWorkers = 4;
constexpr int kPerWorker = 150;

std::string NumberOf(int id) { return "138" + std::to_string(10000000 + id); }

struct SMSRecordDlgThreads : ::testing::Test, PageFixture {
    std::atomic<int> appended{0};
    std::vector<std::thread> workers;

    void StartWorkers(int base) {
        for (int w = 0; w < kWorkers; ++w)
            workers.emplace_back([this, w, base] {
                for (int i = 0; i < kPerWorker; ++i) {
                    const int id = base + w * kPerWorker + i;
                    const MsgRecord r = Rec(id, "接收短信", NumberOf(id), "text " + std::to_string(id));
                    log().AddLogRecord(&r);
                    ++appended;
                }
            });
    }
    void JoinWorkers() {
        for (std::thread& t : workers) t.join();
        workers.clear();
        ASSERT_TRUE(DrainUi());
    }
    // Every row is whole and names its own record at its index; no record is listed twice.
    void CheckRows() {
        const std::vector<MsgRecord> recs = ReadLog();
        std::set<std::int64_t> seen;
        for (const rows::RowData& row : page->Rows().Snapshot()) {
            const int id = std::stoi(row.cells[9]);
            EXPECT_EQ(row.cells[3], NumberOf(id));
            EXPECT_EQ(row.cells[4], "text " + std::to_string(id));
            ASSERT_GE(row.data, 0);
            ASSERT_LT(static_cast<std::size_t>(row.data), recs.size()) << id;
            EXPECT_EQ(recs[static_cast<std::size_t>(row.data)].nId, id);
            EXPECT_TRUE(seen.insert(row.data).second) << "listed twice: " << id;
        }
    }
};

TEST_F(SMSRecordDlgThreads, AppendsDuringSearchesDeletesAndAClear) {
    std::set<int> deleted;
    StartWorkers(1);
    while (appended < kWorkers * kPerWorker) {
        page->OnSearchAgain();
        // Delete the top two rows now and then.
        Sync();
        if (Rows() >= 2) {
            deleted.insert(std::stoi(Cell(0, 9)));
            deleted.insert(std::stoi(Cell(1, 9)));
            Select({0, 1});
            page->OnDeleteRecords();
        }
        page->OnShowRecent();
    }
    JoinWorkers();
    CheckRows();
    // Every appended record is in the log but the deleted ones, each once.
    std::multiset<int> inLog;
    for (const MsgRecord& r : ReadLog()) inLog.insert(r.nId);
    for (int id = 1; id <= kWorkers * kPerWorker; ++id)
        EXPECT_EQ(inLog.count(id), deleted.count(id) ? 0u : 1u) << id;

    // A clear while workers append: what stays in the log came after it, and the rows match.
    page->OnSearchAgain();
    appended = 0;
    StartWorkers(10000);
    while (appended < kPerWorker) PumpMessages();
    page->OnClearRecords();
    JoinWorkers();
    CheckRows();
    const std::vector<MsgRecord> after = ReadLog();
    EXPECT_LT(after.size(), static_cast<std::size_t>(kWorkers * kPerWorker));
    std::set<int> ids;
    for (const MsgRecord& r : after) {
        EXPECT_GE(r.nId, 10000);
        EXPECT_TRUE(ids.insert(r.nId).second);
    }
    EXPECT_EQ(static_cast<std::size_t>(Rows()), after.size());  // every record appended since is listed
}

}  // namespace

TEST_F(SMSRecordDlgThreads, ManyArrivalsReachThePageInOneServe) {
    // A poll's worth of records appended by a worker while the UI thread is busy elsewhere: the
    // page takes them all in one queued call, one model insert and one count.
    constexpr int kCount = 20000;
    int inserts = 0, resets = 0;
    QObject::connect(list()->Model(), &QAbstractItemModel::rowsInserted, [&] { ++inserts; });
    QObject::connect(list()->Model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    std::thread worker([this] {
        for (int id = 1; id <= kCount; ++id) {
            const MsgRecord r = Rec(id, "接收短信", NumberOf(id), "text " + std::to_string(id));
            log().AddLogRecord(&r);
        }
    });
    worker.join();
    ASSERT_TRUE(DrainUi());
    EXPECT_EQ(Rows(), kCount);
    EXPECT_EQ(inserts, 1);
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(CountLabel(), "列表中显示信息20000条。");
    EXPECT_EQ(Cell(0, 9), std::to_string(kCount));  // the newest on top
    EXPECT_EQ(Cell(kCount - 1, 9), "1");
}
