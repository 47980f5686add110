#include "core/SmsBatch.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <mutex>

using namespace smsbatch;

namespace {

// An MMS immediate list and the records its completions log.
struct MmsBatchFixture {
    testsupport::TempAppDir dir;
    rows::RowStore store{12};
    CSmsBatch batch{store, queue::Kind::Mms};
    std::vector<MsgRecord> records;

    MmsBatchFixture() {
        batch.SetRecordSink([this](const MsgRecord& r) { records.push_back(r); });
    }
    void Add(const std::string& number, const std::string& title, const std::string& files,
             const std::string& package, int id) {
        std::vector<std::string> c(12);
        c[kType] = "待发彩信";
        c[kNumber] = number;
        c[kFiles] = files;
        c[kText] = title;
        c[kPackage] = package;
        c[kId] = std::to_string(id);
        store.Insert(rows::kEnd, c, 9);
    }
};

}  // namespace

TEST(MmsBatch, BatchesAreRunsOfOneTitleAndFileList) {
    MmsBatchFixture f;
    f.Add("1301", "T", "a#", "p", 1);
    f.Add("1302", "T", "a#", "p", 2);
    f.Add("1303", "T", "b#", "p", 3);  // same title, other files
    f.Add("1304", "U", "b#", "p", 4);
    std::string nums, title, files;
    EXPECT_EQ(f.batch.FetchMMSBatch(10, nums, title, files), 2);
    EXPECT_EQ(nums, "1301,1302");
    EXPECT_EQ(files, "a#");
    EXPECT_EQ(f.batch.FetchMMSBatch(11, nums, title, files), 1);
    EXPECT_EQ(files, "b#");
    EXPECT_EQ(f.batch.FetchMMSBatch(12, nums, title, files), 1);
    EXPECT_EQ(title, "U");
    EXPECT_EQ(f.store.Snapshot()[0].icon, 11);
    // Paused: nothing.
    f.Add("1305", "V", "c#", "p", 5);
    f.batch.m_nPause = 1;
    EXPECT_EQ(f.batch.FetchMMSBatch(13, nums, title, files), 0);
    EXPECT_TRUE(nums.empty() && files.empty());
}

TEST(MmsBatch, CompletionLogsEveryNumberWithItsPackageSize) {
    MmsBatchFixture f;
    QDir(QString::fromStdString(f.dir.path())).mkpath("MMSSink");
    testsupport::WriteFile(f.dir.file("MMSSink/big.qmx"), std::string(2500, 'x'));
    f.Add("1301", "T", "a#", "big", 7);
    f.Add("1302", "T", "a#", "big", 8);
    f.Add("1303", "T", "a#", "gone", 9);
    struct Case {
        int result;
        const char* type;
    };
    for (const Case c : {Case{1, "已发送彩信"}, Case{0, "发送失败彩信"}}) {
        SCOPED_TRACE(c.type);
        if (c.result == 0) {
            f.records.clear();
            f.Add("1301", "T", "a#", "big", 7);
            f.Add("1302", "T", "a#", "big", 8);
            f.Add("1303", "T", "a#", "gone", 9);
        }
        std::string nums, title, files;
        ASSERT_EQ(f.batch.FetchMMSBatch(15, nums, title, files), 3);
        f.batch.FinishMMSBatch(15, c.result, 3);
        ASSERT_EQ(f.records.size(), 3u);
        EXPECT_EQ(f.store.Count(), 0u);
        const char* sizes[] = {"3K", "3K", "1K"};
        for (std::size_t i = 0; i < 3; ++i) {
            const MsgRecord& r = f.records[i];
            EXPECT_EQ(msgrec::GetField(r.szType), c.type);
            EXPECT_EQ(msgrec::GetField(r.szFiles), "a#");
            EXPECT_EQ(msgrec::GetField(r.szText), "T");
            EXPECT_EQ(msgrec::GetField(r.szSize), sizes[i]);
            EXPECT_EQ(msgrec::GetField(r.szName), "");
            EXPECT_EQ(msgrec::GetField(r.szResult), "");
            EXPECT_EQ(r.nDevice, 15);
            EXPECT_EQ(r.nId, 7 + static_cast<int>(i));
        }
    }
}
