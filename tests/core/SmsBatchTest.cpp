#include "core/SmsBatch.h"

#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <algorithm>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

using namespace smsbatch;

namespace {

struct BatchFixture {
    testsupport::TempAppDir dir;
    rows::RowStore store{12};
    CSmsBatch batch{store};
    std::mutex m;
    std::vector<MsgRecord> records;

    BatchFixture() {
        batch.SetRecordSink([this](const MsgRecord& r) {
            std::lock_guard<std::mutex> l(m);
            records.push_back(r);
        });
    }
    rows::RowId Add(const std::string& number, const std::string& text, int id = 0,
                    std::size_t at = rows::kEnd) {
        std::vector<std::string> c(12);
        c[kType] = "待发短信";
        c[kNumber] = number;
        c[kName] = "名" + number;
        c[kText] = text;
        c[kId] = std::to_string(id);
        return store.Insert(at, c, 10);
    }
    std::string Type(std::size_t i) { return msgrec::GetField(records.at(i).szType); }
    std::string Result(std::size_t i) { return msgrec::GetField(records.at(i).szResult); }
};

}  // namespace

TEST(SmsBatch, BatchesAreRunsOfOneTextSkippingHeldRows) {
    BatchFixture f;
    f.Add("1301", "A");
    f.Add("1302", "A");
    f.Add("1303", "B");
    f.Add("1304", "A");
    std::string nums, text;
    EXPECT_EQ(f.batch.FetchSMSBatch(0, nums, text), 2);
    EXPECT_EQ(nums, "1301,1302");
    EXPECT_EQ(text, "A");
    EXPECT_EQ(f.batch.FetchSMSBatch(1, nums, text), 1);
    EXPECT_EQ(nums, "1303");
    EXPECT_EQ(text, "B");
    EXPECT_EQ(f.batch.FetchSMSBatch(2, nums, text), 1);
    EXPECT_EQ(nums, "1304");
    EXPECT_EQ(f.batch.FetchSMSBatch(3, nums, text), 0);
    EXPECT_TRUE(nums.empty());
    // Held rows carry the state, the device and icon 14.
    const auto rows = f.store.Snapshot();
    EXPECT_EQ(rows[2].cells[kState], "处理中");
    EXPECT_EQ(rows[2].cells[kDevice], "1");
    EXPECT_EQ(rows[2].icon, 14);
}

TEST(SmsBatch, AtMostHundredRowsAndEmptyNumbersDropped) {
    BatchFixture f;
    for (int i = 0; i < 150; ++i) {
        f.Add(std::to_string(13900000000LL + i), "same");
        if (i == 10) f.Add("", "same");
    }
    std::string nums, text;
    EXPECT_EQ(f.batch.FetchSMSBatch(0, nums, text), 100);
    EXPECT_EQ(std::count(nums.begin(), nums.end(), ','), 99);
    EXPECT_EQ(nums.find(",,"), std::string::npos);
    EXPECT_EQ(f.store.Count(), 150u);  // the empty-number row is gone
    EXPECT_EQ(f.batch.FetchSMSBatch(1, nums, text), 50);
    EXPECT_TRUE(nums.ends_with("13900000149"));
}

TEST(SmsBatch, PausedFetchGetsNothingAndChangesNothing) {
    BatchFixture f;
    f.Add("", "x");
    f.Add("1301", "x");
    f.batch.m_nPause = 1;
    std::string nums, text;
    EXPECT_EQ(f.batch.FetchSMSBatch(0, nums, text), 0);
    EXPECT_EQ(f.store.Count(), 2u);
    EXPECT_EQ(f.store.Snapshot()[1].cells[kState], "");
}

TEST(SmsBatch, ResultTextsAndStatuses) {
    const struct {
        int result;
        const char* type;
        const char* text;
    } cases[] = {
        {1, "已发送短信", "[1]"},        {0, "发送失败短信", "[0]"},
        {2, "发送失败短信", "[2]"},      {-1, "发送失败短信", "[不能初始化SO]"},
        {-13, "发送失败短信", "[余额不足]"}, {-14, "发送失败短信", "[扩展号不正确]"},
        {-20, "发送失败短信", ""},       {-50, "发送失败短信", "[配置参数错误]"},
    };
    for (const auto& c : cases) {
        BatchFixture f;
        f.Add("1301", "t", 7);
        f.Add("1302", "t", 10);
        std::string nums, text;
        ASSERT_EQ(f.batch.FetchSMSBatch(4, nums, text), 2);
        f.batch.FinishSMSBatch(4, c.result, 2);
        ASSERT_EQ(f.records.size(), 2u) << c.result;
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(f.Type(i), c.type) << c.result;
            EXPECT_EQ(f.Result(i), c.text) << c.result;
        }
        EXPECT_EQ(f.store.Count(), 0u);
    }
}

TEST(SmsBatch, RecordFieldsComeFromTheRow) {
    BatchFixture f;
    clk::SetFixed(2026, 12, 9, 8, 5, 3);
    std::vector<std::string> c(12);
    c[kType] = "待发短信";
    c[kNumber] = "13800000001";
    c[kName] = "张三";
    c[kText] = "你好";
    c[kResourceId] = "R1";
    c[kPackage] = "pkg";
    c[kId] = "4711";
    f.store.Append(c, 10);
    std::string nums, text;
    ASSERT_EQ(f.batch.FetchSMSBatch(9, nums, text), 1);
    f.batch.FinishSMSBatch(9, 1, 1);
    clk::Reset();
    ASSERT_EQ(f.records.size(), 1u);
    const MsgRecord& r = f.records[0];
    EXPECT_EQ(r.nId, 4711);
    EXPECT_EQ(r.nDevice, 9);
    EXPECT_EQ(msgrec::GetField(r.szNumber), "13800000001");
    EXPECT_EQ(msgrec::GetField(r.szName), "张三");
    EXPECT_EQ(msgrec::GetField(r.szText), "你好");
    EXPECT_EQ(msgrec::GetField(r.szResourceId), "R1");
    EXPECT_EQ(msgrec::GetField(r.szPackage), "pkg");
    EXPECT_EQ(msgrec::GetField(r.szTime), "2026-12-09 08:05:03");
    EXPECT_EQ(std::string(r.szSubmitTime, sizeof r.szSubmitTime), std::string(sizeof r.szSubmitTime, '\0'));
}

TEST(SmsBatch, CompletionTakesOnlyItsOwnDevicesRows) {
    BatchFixture f;
    f.Add("1", "A");
    f.Add("2", "A");
    f.Add("3", "B");
    std::string nums, text;
    ASSERT_EQ(f.batch.FetchSMSBatch(0, nums, text), 2);
    ASSERT_EQ(f.batch.FetchSMSBatch(5, nums, text), 1);
    f.Add("top", "A", 0, 0);  // inserted at the top while both batches are out
    f.batch.FinishSMSBatch(0, 1, 2);
    ASSERT_EQ(f.records.size(), 2u);
    EXPECT_EQ(msgrec::GetField(f.records[0].szNumber), "1");
    EXPECT_EQ(msgrec::GetField(f.records[1].szNumber), "2");
    const auto left = f.store.Snapshot();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].cells[kNumber], "top");
    EXPECT_EQ(left[0].cells[kState], "");
    EXPECT_EQ(left[1].cells[kNumber], "3");
    EXPECT_EQ(left[1].cells[kDevice], "5");
}

TEST(SmsBatch, LongSmsIsSentExpandedAndLoggedAsQueued) {
    BatchFixture f;
    QDir().mkpath(QString::fromStdString(f.dir.file("SMSText")));
    const std::string full(300, 'x');
    testsupport::WriteFile(f.dir.file("SMSText/42.txt"), codec::ToGbk(full + "尾"));
    const std::string queued = std::string(140, 'x') + "<<#<42>#>";
    f.Add("1301", queued, 42);
    f.Add("1302", queued, 42);
    std::string nums, text;
    ASSERT_EQ(f.batch.FetchSMSBatch(0, nums, text), 2);
    EXPECT_EQ(text, full + "尾");
    f.batch.FinishSMSBatch(0, 1, 2);
    ASSERT_EQ(f.records.size(), 2u);
    EXPECT_EQ(msgrec::GetField(f.records[0].szText), queued);
}

TEST(SmsBatch, LongSmsFileCutAt800BytesOnACharacterBoundary) {
    testsupport::TempAppDir dir;
    QDir().mkpath(QString::fromStdString(dir.file("SMSText")));
    // 799 ASCII bytes then a two-byte character that straddles the 800-byte cut.
    testsupport::WriteFile(dir.file("SMSText/5.txt"), std::string(799, 'a') + codec::ToGbk("汉汉"));
    std::string text;
    ASSERT_TRUE(ReadLongSmsText(5, text));
    EXPECT_EQ(text, std::string(799, 'a'));
}

TEST(SmsBatch, OnlyATextEndingInTheMarkerIsExpanded) {
    BatchFixture f;
    QDir().mkpath(QString::fromStdString(f.dir.file("SMSText")));
    testsupport::WriteFile(f.dir.file("SMSText/42.txt"), "other message");
    for (const char* queued : {"a <<#<42>#> tail", "a<#<42>#>", "a <<#<42>#>x"}) {
        f.Add("1301", queued);
        std::string nums, text;
        ASSERT_EQ(f.batch.FetchSMSBatch(0, nums, text), 1);
        EXPECT_EQ(text, queued);
        f.batch.FinishSMSBatch(0, 1, 1);
    }
}

TEST(SmsBatch, MissingLongSmsFileFailsTheBatchWithoutSending) {
    BatchFixture f;
    const std::string queued = "head<<#<99>#>";
    f.Add("1301", queued, 99);
    f.Add("1302", queued, 99);
    f.Add("1303", "other");
    std::string nums, text;
    EXPECT_EQ(f.batch.FetchSMSBatch(3, nums, text), 0);
    EXPECT_TRUE(nums.empty());
    ASSERT_EQ(f.records.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(f.Type(i), "发送失败短信");
        EXPECT_EQ(f.Result(i), kMissingTextResult);
        EXPECT_EQ(msgrec::GetField(f.records[i].szText), queued);
    }
    ASSERT_EQ(f.store.Count(), 1u);
    EXPECT_EQ(f.store.Snapshot()[0].cells[kState], "");
    const std::string log = codec::FromGbk(testsupport::ReadFile(f.dir.file("RunLog.txt")));
    EXPECT_NE(log.find("99"), std::string::npos);
    // The next fetch goes on with the following row.
    EXPECT_EQ(f.batch.FetchSMSBatch(3, nums, text), 1);
    EXPECT_EQ(nums, "1303");
}

TEST(SmsBatch, DeletedHeldRowsLeaveTheListButAreStillLogged) {
    BatchFixture f;
    const rows::RowId a = f.Add("1", "A");
    const rows::RowId b = f.Add("2", "A");
    f.Add("3", "B");
    const rows::RowId d = f.Add("4", "C");
    std::string nums, text;
    ASSERT_EQ(f.batch.FetchSMSBatch(2, nums, text), 2);
    EXPECT_EQ(f.batch.DeleteRows({a, b, d}), 3u);  // two held, one pending
    EXPECT_EQ(f.store.Count(), 1u);
    EXPECT_EQ(f.batch.ParkedCount(), 2u);
    f.batch.FinishSMSBatch(2, 1, 2);
    ASSERT_EQ(f.records.size(), 2u);
    EXPECT_EQ(f.Type(0), "已发送短信");
    EXPECT_EQ(f.batch.ParkedCount(), 0u);
    // Another device's completion never takes them.
    ASSERT_EQ(f.batch.FetchSMSBatch(1, nums, text), 1);
    f.batch.DeleteRows(f.store.Ids());
    f.batch.FinishSMSBatch(7, 1, 1);
    EXPECT_EQ(f.records.size(), 2u);
    f.batch.FinishSMSBatch(1, 0, 1);
    EXPECT_EQ(f.records.size(), 3u);
}

// Ten fetching threads, a writer and UI-like handlers (sorting, deleting held rows) at once:
// no row is sent twice and every row is logged exactly once.
TEST(SmsBatchThreads, ConcurrentFetchWriteAndHandlers) {
    BatchFixture f;
    constexpr int kRows = 3000;
    std::atomic<int> written{0};
    std::atomic<bool> stop{false};
    std::mutex sentMutex;
    std::multiset<std::string> sent;

    std::thread writer([&] {
        for (int i = 0; i < kRows; ++i) {
            f.Add(std::to_string(i), i % 7 == 0 ? "B" : "A", i, i % 5 == 0 ? 0 : rows::kEnd);
            written = i + 1;
        }
    });
    std::thread ui([&] {
        std::mt19937 rng(1);
        while (!stop) {
            if (rng() % 2) {
                f.store.SortByColumn(kNumber, [](std::string_view a, std::string_view b) { return a < b; });
            } else {
                std::vector<rows::RowId> held;
                f.store.Locked([&](rows::RowStore::Access& a) {
                    for (std::size_t i = 0; i < a.Count() && held.size() < 3; ++i)
                        if (a.CellAt(i, kState) == kHeld) held.push_back(a.IdAt(i));
                });
                f.batch.DeleteRows(held);
            }
            std::this_thread::yield();
        }
    });
    std::vector<std::thread> senders;
    for (int dev = 0; dev < 10; ++dev) {
        senders.emplace_back([&, dev] {
            for (;;) {
                std::string nums, text;
                const int n = f.batch.FetchSMSBatch(dev, nums, text);
                if (n == 0) {
                    if (written == kRows && f.store.Count() == 0) return;
                    std::this_thread::yield();
                    continue;
                }
                {
                    std::lock_guard<std::mutex> l(sentMutex);
                    std::size_t start = 0;
                    for (;;) {
                        const auto comma = nums.find(',', start);
                        sent.insert(nums.substr(start, comma - start));
                        if (comma == std::string::npos) break;
                        start = comma + 1;
                    }
                }
                f.batch.FinishSMSBatch(dev, 1, n);
            }
        });
    }
    writer.join();
    for (auto& t : senders) t.join();
    stop = true;
    ui.join();

    EXPECT_EQ(sent.size(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(std::set<std::string>(sent.begin(), sent.end()).size(), static_cast<std::size_t>(kRows));
    std::set<int> logged;
    for (const MsgRecord& r : f.records) EXPECT_TRUE(logged.insert(r.nId).second) << r.nId;
    EXPECT_EQ(logged.size(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(f.batch.ParkedCount(), 0u);
}
