#include "QueueTestSupport.h"

#include "core/FileUtil.h"
#include "core/Scheduler.h"

#include <gtest/gtest.h>

#include <set>

using namespace queuetest;

namespace {

clk::LocalTime At(int y, int mo, int d, int h, int mi, int s = 0) {
    clk::LocalTime t;
    t.year = y, t.month = mo, t.day = d, t.hour = h, t.minute = mi, t.second = s;
    t.dayOfWeek = clk::DayOfWeek(y, mo, d);
    return t;
}

TEST(Schedule, DateTimeTexts) {
    struct Case {
        const char* text;
        bool ok;
        int y, mo, d, h, mi, s;
    } cases[] = {
        {"2026-12-08 10:00:00", true, 2026, 12, 8, 10, 0, 0},
        {" 2026/2/8 9:05 ", true, 2026, 2, 8, 9, 5, 0},
        {"2028-02-29", true, 2028, 2, 29, 0, 0, 0},
        {"2027-02-29 10:00:00", false, 0, 0, 0, 0, 0, 0},
        {"2026-13-01 10:00:00", false, 0, 0, 0, 0, 0, 0},
        {"2026-12-08 24:00:00", false, 0, 0, 0, 0, 0, 0},
        {"2026-12-08 10:00:00x", false, 0, 0, 0, 0, 0, 0},
        {"[每日]8时30分", false, 0, 0, 0, 0, 0, 0},
        {"abcdef", false, 0, 0, 0, 0, 0, 0},
        {"", false, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto t = sched::ParseDateTime(c.text);
        ASSERT_EQ(t.has_value(), c.ok) << c.text;
        if (!t) continue;
        EXPECT_EQ(std::make_tuple(t->year, t->month, t->day, t->hour, t->minute, t->second),
                  std::make_tuple(c.y, c.mo, c.d, c.h, c.mi, c.s))
            << c.text;
    }
    EXPECT_EQ(queue::MinuteKey("2026-12-08 10:00:00"), ((12 * 31 + 8) * 24 + 10) * 60);
    EXPECT_EQ(queue::MinuteKey("[每日]8时30分"), -46141);
}

TEST(Schedule, CycleDueTable) {
    struct Case {
        const char* text;
        clk::LocalTime now;
        bool due;
    } cases[] = {
        {"[每日]8时30分", At(2026, 12, 8, 8, 26), false},
        {"[每日]8时30分", At(2026, 12, 8, 8, 27), true},
        {"[每日]8时30分", At(2026, 12, 8, 14, 0), true},  // caught up later that day
        {"[每日]9时1分", At(2026, 12, 8, 8, 59), false},  // another hour
        {"[每日]9时1分", At(2026, 12, 8, 9, 0), true},
        {"[每周]星期日10时0分", At(2026, 12, 13, 10, 0), true},  // a Sunday
        {"[每周]星期日10时0分", At(2026, 12, 14, 10, 0), false},
        {"[每周]星期一8时30分", At(2026, 12, 14, 8, 30), true},
        {"[每周]星期八8时30分", At(2026, 12, 14, 8, 30), false},
        {"[每月]31日8时0分", At(2026, 12, 31, 9, 0), true},
        {"[每月]15日8时0分", At(2026, 12, 14, 9, 0), false},
        {"[每年]3月15日8时30分", At(2026, 3, 15, 8, 30), true},
        {"[每年]3月15日8时30分", At(2026, 4, 15, 8, 30), false},
        {"[每年]2月29日8时0分", At(2028, 2, 29, 8, 0), true},
        {"[其他]8时0分", At(2026, 12, 8, 8, 0), true},  // no day condition
        {"]8时0分", At(2026, 12, 8, 8, 0), false},       // "]" must stand after the first byte
        {"每日8时0分", At(2026, 12, 8, 8, 0), false},
    };
    for (const auto& c : cases) EXPECT_EQ(sched::IsCycleDue(c.text, c.now), c.due) << c.text;

    // Day 31 in a month of 30 days, and 29 February outside a leap year: never due.
    for (int day = 1; day <= 30; ++day) {
        EXPECT_FALSE(sched::IsCycleDue("[每月]31日8时0分", At(2026, 11, day, 23, 59)));
    }
    for (int day = 1; day <= 28; ++day) EXPECT_FALSE(sched::IsCycleDue("[每年]2月29日8时0分", At(2027, 2, day, 23, 0)));
}

TEST(Schedule, NumberListsAndLastSendDates) {
    EXPECT_EQ(sched::SplitNumbers("  1380  1381 \t 1382 "), (std::vector<std::string>{"1380", "1381", "1382"}));
    EXPECT_TRUE(sched::SplitNumbers("   ").empty());
    const auto now = At(2026, 12, 8, 9, 0);
    EXPECT_TRUE(sched::SentToday("20261208", now));
    EXPECT_FALSE(sched::SentToday("20251208", now));  // last year's send
    EXPECT_TRUE(sched::SentToday("1208", now));       // month and day of an older file
    EXPECT_FALSE(sched::SentToday("-46141", now));
    EXPECT_FALSE(sched::SentToday("", now));
}

TEST(Scheduler, TimedEntryBecomesOneImmediateRowPerNumber) {
    Pages p;
    ClockGuard guard;
    p.LoadBoth();
    p.sms->AddSMSItem(1000, "  13800000001   13800000002 13800000003 ", "张三", "定时", "2026-12-08 10:00:00", 0);
    p.sms->AddSMSItem(1003, "13800000009", "", "坏时间", "not a date", 0);
    p.mms->AddMMSItem(2000, "13900000001 13900000002", "a.jpg", "彩信", "G\\N", "2026-12-08 10:00:00", 0);
    clk::SetFixed(2026, 12, 8, 9, 59, 59);
    p.sms->CheckTimedItems();
    // The unreadable time is due at once; the other entry waits.
    EXPECT_EQ(Column(p.sms->Immediate(), queue::kColText), (std::vector<std::string>{"坏时间"}));
    EXPECT_EQ(p.sms->Timed().Count(), 1u);

    clk::SetFixed(2026, 12, 8, 10, 0, 0);
    p.sms->CheckTimedItems();
    EXPECT_EQ(p.sms->Timed().Count(), 0u);
    const auto imm = p.sms->Immediate().Snapshot();
    ASSERT_EQ(imm.size(), 4u);
    std::set<std::string> ids;
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(imm[i].cells[queue::kColType], "待发短信");
        EXPECT_EQ(imm[i].cells[queue::kColNumber], "1380000000" + std::to_string(i));
        EXPECT_EQ(imm[i].cells[queue::kColNameOrFiles], "");
        EXPECT_EQ(imm[i].cells[queue::kColTime], "");
        ids.insert(imm[i].cells[queue::kColId]);
    }
    EXPECT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids.count("1000"), 0u);  // fresh ids
    // The same ids, and the same counter afterwards, as one GetNextSerial(1) per number.
    const int first = std::stoi(imm[1].cells[queue::kColId]);
    EXPECT_EQ(std::stoi(imm[2].cells[queue::kColId]), first + 3);
    EXPECT_EQ(std::stoi(imm[3].cells[queue::kColId]), first + 6);
    EXPECT_EQ(CFileUtil::GetNextSerial(1), first + 9);
    // The SMS page never fires MMS entries; the MMS page does, with the file list.
    EXPECT_EQ(p.mms->Timed().Count(), 1u);
    p.mms->CheckTimedItems();
    const auto mimm = p.mms->Immediate().Snapshot();
    ASSERT_EQ(mimm.size(), 2u);
    EXPECT_EQ(mimm[0].cells, (std::vector<std::string>{"待发彩信", "13900000001", "a.jpg", "彩信", "", "", "", "G\\N",
                                                        "", "", "1K", mimm[0].cells[queue::kColId]}));
    EXPECT_EQ(p.sms->Immediate().Count(), 4u);

    // A stored id of 1,000,000 or more is kept.
    p.sms->AddSMSItem(1234567, "1 2", "", "x", "2026-12-08 09:00:00", 0);
    p.sms->CheckTimedItems();
    EXPECT_EQ(Column(p.sms->Immediate(), queue::kColId).back(), "1234567");
}

TEST(Scheduler, CyclicEntryQueuedOncePerDayAndAgainNextYear) {
    Pages p;
    ClockGuard guard;
    p.LoadBoth();
    p.sms->AddSMSItem(1, "13800000001 13800000002", "", "每日", "[每日]8时30分", 0);
    p.sms->AddSMSItem(2, "13800000003", "", "每年", "[每年]3月15日8时30分", 0);
    clk::SetFixed(2026, 12, 8, 8, 26, 0);
    p.sms->CheckCyclicItems(100);
    EXPECT_EQ(p.sms->Immediate().Count(), 0u);
    clk::SetFixed(2026, 12, 8, 8, 27, 0);
    p.sms->CheckCyclicItems(100);
    EXPECT_EQ(Column(p.sms->Immediate(), queue::kColNumber),
              (std::vector<std::string>{"13800000001", "13800000002"}));
    EXPECT_EQ(*p.sms->Cyclic().Cell(p.sms->Cyclic().IdAt(0), queue::kColSubmitTime), "20261208");
    clk::SetFixed(2026, 12, 8, 8, 28, 0);
    p.sms->CheckCyclicItems(100);
    EXPECT_EQ(p.sms->Immediate().Count(), 2u);
    EXPECT_EQ(p.sms->Cyclic().Count(), 2u);  // cyclic rows stay

    // The yearly entry fires on 15 March of two successive years.
    p.sms->Immediate().Clear();
    for (int year : {2027, 2028}) {
        clk::SetFixed(year, 3, 15, 8, 30, 0);
        p.sms->CheckCyclicItems(100);
        clk::SetFixed(year, 3, 15, 9, 0, 0);
        p.sms->CheckCyclicItems(100);
    }
    EXPECT_EQ(Column(p.sms->Immediate(), queue::kColText),
              (std::vector<std::string>{"每日", "每日", "每年", "每日", "每日", "每年"}));
    // A month-and-day date of an older file still stops a second send that day.
    p.sms->Immediate().Clear();
    p.sms->Cyclic().SetCell(p.sms->Cyclic().IdAt(1), queue::kColSubmitTime, "315");
    p.sms->Cyclic().SetCell(p.sms->Cyclic().IdAt(0), queue::kColSubmitTime, "315");
    p.sms->CheckCyclicItems(100);
    EXPECT_EQ(p.sms->Immediate().Count(), 0u);
}

TEST(Scheduler, CyclicBalanceCapAndUnknownBalance) {
    Pages p;
    ClockGuard guard;
    p.LoadBoth();
    p.mms->AddMMSItem(1, "1 2 3 4 5", "a.jpg", "t", "G\\N", "[每日]8时0分", 0);
    clk::SetFixed(2026, 12, 8, 9, 0, 0);
    p.mms->CheckCyclicItems(-1);  // not known yet: left for a later tick
    EXPECT_EQ(p.mms->Immediate().Count(), 0u);
    EXPECT_EQ(*p.mms->Cyclic().Cell(p.mms->Cyclic().IdAt(0), queue::kColSubmitTime), "-46141");
    p.mms->CheckCyclicItems(3);
    EXPECT_EQ(Column(p.mms->Immediate(), queue::kColNumber), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(Column(p.mms->Immediate(), queue::kColNameOrFiles), (std::vector<std::string>(3, "a.jpg")));

    clk::SetFixed(2026, 12, 9, 9, 0, 0);
    p.mms->CheckCyclicItems(0);  // a known 0 queues nothing that day
    EXPECT_EQ(p.mms->Immediate().Count(), 3u);
    EXPECT_EQ(*p.mms->Cyclic().Cell(p.mms->Cyclic().IdAt(0), queue::kColSubmitTime), "20261209");
    p.mms->CheckCyclicItems(10);
    EXPECT_EQ(p.mms->Immediate().Count(), 3u);
}

}  // namespace
