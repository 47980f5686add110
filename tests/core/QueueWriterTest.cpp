#include "QueueTestSupport.h"

#include "core/LongSms.h"
#include "core/QueueJournal.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

using namespace queuetest;
using queue::Kind;
using queue::Placement;

namespace {

TEST(QueuePlacement, BySchedulesTextCountedInGbkBytes) {
    struct Case {
        const char* schedule;
        Placement expected;
    } cases[] = {
        {"[每日]8时30分", Placement::Cyclic},
        {"[x", Placement::Cyclic},
        {"2026-12-08 10:00:00", Placement::Timed},
        {"", Placement::Immediate},
        {"abcde", Placement::Immediate},
        {"abcdef", Placement::Timed},
        {"中文", Placement::Immediate},  // 4 GBK bytes, 6 UTF-8 bytes
        {"中文字", Placement::Timed},
        {" [每日]8时30分", Placement::Timed},  // "[" not at index 0
    };
    for (const auto& c : cases) EXPECT_EQ(queue::PlacementOf(c.schedule), c.expected) << c.schedule;
}

TEST(QueueWriter, CellsIconsAndRowsOfEachPlacement) {
    Pages p;
    auto& q = *p.sms;
    q.AddSMSItem(1001, "13800000001", "张三", "你好", "", 0);
    q.AddSMSItem(1004, "13800000002", "李四", "早", "abc", 1);  // to the front
    q.AddSMSItem(1007, "13800000003 13800000004", "", "定时", "2026-12-08 10:00:00", 1);
    q.AddSMSItem(1010, "13800000005", "", "循环", "[每日]8时30分", 1);

    const auto imm = q.Immediate().Snapshot();
    ASSERT_EQ(imm.size(), 2u);
    EXPECT_EQ(imm[0].cells, (std::vector<std::string>{"待发短信", "13800000002", "李四", "早", "abc", "", "", "",
                                                       "", "", "", "1004"}));
    EXPECT_EQ(imm[1].cells[queue::kColNumber], "13800000001");
    EXPECT_EQ(imm[0].icon, queue::kIconSms);

    const auto timed = q.Timed().Snapshot();
    ASSERT_EQ(timed.size(), 1u);
    const int key = ((12 * 31 + 8) * 24 + 10) * 60 + 0;
    EXPECT_EQ(timed[0].cells, (std::vector<std::string>{"定时短信", "13800000003 13800000004", "", "定时",
                                                         "2026-12-08 10:00:00", "", std::to_string(key), "", "",
                                                         "", "", "1007"}));
    // toTop does not move timed and cyclic entries: they are appended.
    q.AddSMSItem(1013, "13800000006", "", "定时2", "2026-12-09 10:00:00", 1);
    EXPECT_EQ(Column(q.Timed(), queue::kColId), (std::vector<std::string>{"1007", "1013"}));
    const auto cyc = q.Cyclic().Snapshot();
    ASSERT_EQ(cyc.size(), 1u);
    EXPECT_EQ(cyc[0].cells[queue::kColType], "循环短信");
    EXPECT_EQ(cyc[0].cells[queue::kColSubmitTime], "-46141");

    // MMS writer: schedule text only for timed and cyclic rows, size text, icon 9.
    p.mms->AddMMSItem(2001, "13900000001", "a.jpg#b.txt", "标题", "G\\N", "", 0);
    p.mms->AddMMSItem(2004, "13900000002", "a.jpg", "标题", "G\\N", "[每周]星期一8时30分", 0);
    const auto mimm = p.mms->Immediate().Snapshot();
    ASSERT_EQ(mimm.size(), 1u);
    EXPECT_EQ(mimm[0].cells, (std::vector<std::string>{"待发彩信", "13900000001", "a.jpg#b.txt", "标题", "", "",
                                                        "", "G\\N", "", "", "1K", "2001"}));
    EXPECT_EQ(mimm[0].icon, queue::kIconMms);
    ASSERT_EQ(p.mms->Cyclic().Count(), 1u);
    EXPECT_EQ(p.sms->Cyclic().Count(), 1u);  // each page sees its own kind only
    EXPECT_EQ(*p.mms->Cyclic().Cell(p.mms->Cyclic().IdAt(0), queue::kColTime), "[每周]星期一8时30分");
}

TEST(QueueWriter, SizeTextIsReadOncePerRunOfOnePackage) {
    Pages p;
    paths::MakeDirs(p.dir.file("MMSSink/G"));
    testsupport::WriteFile(p.dir.file("MMSSink/G/N.qmx"), std::string(2999, 'x'));
    testsupport::WriteFile(p.dir.file("MMSSink/G/M.qmx"), std::string(1000, 'x'));
    auto& q = *p.mms;
    q.AddMMSItem(1, "13900000001", "", "t", "G\\N", "", 0);
    testsupport::WriteFile(p.dir.file("MMSSink/G/N.qmx"), std::string(9000, 'x'));
    q.AddMMSItem(2, "13900000002", "", "t", "G\\N", "", 0);  // same package: not read again
    q.AddMMSItem(3, "13900000003", "", "t", "G\\M", "", 0);
    q.AddMMSItem(4, "13900000004", "", "t", "G\\N", "", 0);  // read again after another one
    q.AddMMSItem(5, "13900000005", "", "t", "G\\gone", "", 0);
    EXPECT_EQ(Column(q.Immediate(), queue::kColSize), (std::vector<std::string>{"3K", "3K", "2K", "10K", "1K"}));
}

TEST(QueueWriter, WideNumbersAndFileListsAreRefusedOtherTextsCut) {
    Pages p;
    const std::string twenty(20, '1');
    p.sms->AddSMSItem(1, twenty, "", "t", "", 0);
    EXPECT_EQ(p.sms->Immediate().Count(), 0u);
    p.sms->AddSMSItem(2, twenty.substr(1), "", "t", "", 0);
    EXPECT_EQ(p.sms->Immediate().Count(), 1u);
    // A timed list of many numbers is stored after the record, not in szNumber.
    p.sms->AddSMSItem(3, twenty + " " + twenty, "", "t", "2026-12-08 10:00:00", 0);
    EXPECT_EQ(p.sms->Timed().Count(), 1u);

    p.mms->AddMMSItem(4, "13900000001", std::string(512, 'f'), "t", "P", "", 0);
    p.mms->AddMMSItem(5, "13900000001", std::string(511, 'f'), "t", "P", "", 0);
    EXPECT_EQ(Column(p.mms->Immediate(), queue::kColId), (std::vector<std::string>{"5"}));
    EXPECT_NE(testsupport::ReadFile(p.dir.file("RunLog.txt")).find(codec::ToGbk("号码过长")), std::string::npos);

    // A name of 25 Chinese characters (50 bytes) is cut to 19 characters (38 bytes) on the SMS page.
    std::string name;
    for (int i = 0; i < 25; ++i) name += "名";
    p.sms->AddSMSItem(6, "13800000006", "a" + name, std::string(600, 'x'), "", 0);
    const auto row = p.sms->Immediate().Snapshot().back();
    EXPECT_EQ(codec::GbkLength(row.cells[queue::kColNameOrFiles]), 39u);
    EXPECT_EQ(row.cells[queue::kColText].size(), 511u);
}

TEST(QueueWriter, NameAtTheFieldWidthIsCutInTheLiveRow) {
    std::string twenty, nineteen;
    for (int i = 0; i < 20; ++i) twenty += "名";
    for (int i = 0; i < 19; ++i) nineteen += "名";
    struct Case {
        std::string name, kept;
    };
    const Case cases[] = {
        {twenty, nineteen},                                  // 40 GBK bytes: 38 kept
        {std::string(40, 'n'), std::string(39, 'n')},
        {"a" + nineteen, "a" + nineteen},                    // 39 bytes fit
        {"a" + twenty, "a" + nineteen},                      // 41 bytes: 39 kept
    };
    Pages p;
    int id = 1;
    for (const Case& c : cases) {
        p.sms->AddSMSItem(id, "13800000001", c.name, "t", "", 0);
        p.sms->AddSMSItems({{id + 100, "13800000001", c.name, "t"}});
        id += 1;
    }
    const auto rows = p.sms->Immediate().Snapshot();
    ASSERT_EQ(rows.size(), 2 * std::size(cases));
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].cells[queue::kColNameOrFiles], cases[i / 2].kept) << i;
}

TEST(QueueWriter, CountHandlerRunsAfterEachInsert) {
    Pages p;
    int calls = 0;
    p.sms->SetCountChangedHandler([&] { ++calls; });
    p.sms->AddSMSItem(1, "13800000001", "", "t", "", 0);
    p.sms->AddSMSItem(2, "13800000002", "", "t", "", 1);
    EXPECT_EQ(calls, 2);
}

TEST(QueueWriter, BulkSmsRowsMatchTheSingleWriterAfterTheRowsThere) {
    Pages single, bulk;
    const std::string wide(20, '1');
    std::string longText;
    for (int i = 0; i < 300; ++i) longText += "字";
    const std::vector<PendingQueues::SmsItem> items = {
        {11, "13800000001", "", "你好"},
        {12, wide, "", "refused"},
        {13, "13800000003", "张三", longText},
        {14, "13800000004", "", std::string("a\0b", 3)},
        // Lengths the caller measured already: the same rows.
        {15, "13800000005", "", longText, longText.size() / 3 * 2},
        {16, "13800000006", "", "短信a", 5},
    };
    single.sms->AddSMSItem(10, "13800000000", "", "there", "", 0);
    bulk.sms->AddSMSItem(10, "13800000000", "", "there", "", 0);
    for (const auto& it : items) single.sms->AddSMSItem(it.id, it.numbers, it.name, it.text, "", 0);
    int calls = 0;
    bulk.sms->SetCountChangedHandler([&] { ++calls; });
    EXPECT_EQ(bulk.sms->AddSMSItems(items), 5u);
    EXPECT_EQ(calls, 1);
    const auto a = single.sms->Immediate().Snapshot(), b = bulk.sms->Immediate().Snapshot();
    ASSERT_EQ(b.size(), 6u);
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].cells, b[i].cells) << i;
        EXPECT_EQ(a[i].icon, b[i].icon) << i;
    }
    EXPECT_EQ(bulk.sms->AddSMSItems({}), 0u);
    EXPECT_EQ(calls, 1);
}

TEST(QueueWriter, BulkMmsRowsMatchTheSingleWriter) {
    Pages single, bulk;
    paths::MakeDirs(single.dir.file("MMSSink/G"));
    paths::MakeDirs(bulk.dir.file("MMSSink/G"));
    std::string title;
    for (int i = 0; i < 300; ++i) title += "题";
    const std::vector<PendingQueues::Item> items = {
        {queue::Kind::Mms, 21, "13900000001", "a.gif#", "标题", "G\\N"},
        {queue::Kind::Mms, 22, std::string(20, '1'), "a.gif#", "refused", "G\\N"},
        {queue::Kind::Mms, 23, "13900000003", std::string(512, 'f'), "refused", "G\\N"},
        {queue::Kind::Mms, 24, "13900000004", std::string(511, 'f'), title, "G\\N"},
        {queue::Kind::Mms, 25, "13900000005", "", "t", "G\\M"},
    };
    for (Pages* p : {&single, &bulk}) {
        testsupport::WriteFile(p->dir.file("MMSSink/G/N.qmx"), std::string(4500, 'x'));
        testsupport::WriteFile(p->dir.file("MMSSink/G/M.qmx"), std::string(10, 'x'));
    }
    for (const auto& it : items) single.mms->AddMMSItem(it.id, it.numbers, it.col2, it.text, it.package, "", 0);
    // Both pages journal into the program folder of the last one made.
    const std::size_t entries = bulk.mms->Journal().Read().size();
    EXPECT_EQ(bulk.mms->AddItems(items), 3u);
    const auto a = single.mms->Immediate().Snapshot(), b = bulk.mms->Immediate().Snapshot();
    ASSERT_EQ(a.size(), 3u);
    ASSERT_EQ(b.size(), 3u);
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].cells, b[i].cells) << i;
        EXPECT_EQ(a[i].icon, b[i].icon) << i;
    }
    EXPECT_EQ(Column(bulk.mms->Immediate(), queue::kColSize), (std::vector<std::string>{"5K", "5K", "1K"}));
    EXPECT_EQ(bulk.mms->Journal().Read().size(), entries + 1);
}

TEST(LongSms, LongTextGoesToItsSideFileAndOnlyAnEndMarkerCounts) {
    testsupport::TempAppDir dir;
    EXPECT_EQ(longsms::QueuedText(7, std::string(200, 'a')), std::string(200, 'a'));
    EXPECT_FALSE(paths::FileExists(longsms::SideFilePath(7)));

    // "a" and 100 Chinese characters: 201 bytes; a 140-byte cut would split a character.
    std::string text = "a";
    for (int i = 0; i < 100; ++i) text += "长";
    const std::string queued = longsms::QueuedText(1000, text);
    EXPECT_EQ(testsupport::ReadFile(dir.file("SMSText/1000.txt")), codec::ToGbk(text));
    std::string head = "a";
    for (int i = 0; i < 69; ++i) head += "长";
    EXPECT_EQ(queued, head + "<<#<1000>#>");
    EXPECT_EQ(longsms::MarkerId(queued), 1000);

    struct Case {
        const char* text;
        std::optional<int> id;
    } cases[] = {{"abc<<#<123>#>", 123},       {"<<#<5>#>", 5},           {"see <#<12>#> here", std::nullopt},
                 {"a<<#<12>#> tail", std::nullopt}, {"a<#<12>#>", std::nullopt}, {"a<<#<>#>", std::nullopt},
                 {"a<<#<99999999999>#>", std::nullopt}, {">#>", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(longsms::MarkerId(c.text), c.id) << c.text;
}

}  // namespace
