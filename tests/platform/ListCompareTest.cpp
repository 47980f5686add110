#include "platform/RowStore.h"

#include <gtest/gtest.h>

#include <algorithm>

using rows::CompareListTexts;

TEST(ListCompare, OrdersNumbersByValueAndTextsByGbkBytes) {
    struct Case {
        const char* a;
        const char* b;
        int want;
    };
    const Case cases[] = {
        {"", "9", -1},                       // empty counts as 0
        {"9", "10", -1},                     // numbers by value
        {"10", "9a", -1},                    // text: '1' before '9'
        {"B", "a", -1},                      // case-sensitive bytes
        {"007", "7", 0},                     // same value
        {"13800000000", "2", 1},             // 11-digit mobile numbers do not overflow
        {"13912345678", "13800000000", 1},
        {"99999999999999999999", "100000000000000000000", -1},
        {"z", "中", -1},                     // ASCII before Chinese
        {"啊", "中", -1},                    // GBK B0A1 before D6D0 (code points order the other way)
        {"张三", "张三丰", -1},              // prefix first
        {"abc", "abc", 0},
        {"a中", "a啊", 1},
        {"€", "啊", -1},                     // the euro sign is the single byte 0x80
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareListTexts(c.a, c.b), c.want) << c.a << " vs " << c.b;
        EXPECT_EQ(CompareListTexts(c.b, c.a), -c.want) << c.b << " vs " << c.a;
    }
}

TEST(ListCompare, SortIsStableInBothDirections) {
    rows::RowStore s(2);
    for (const char* t : {"5", "01", "5", "", "1"}) s.Append({t, std::to_string(s.Count())}, 0, static_cast<int>(s.Count()) * 10);
    for (int dir : {1, -1}) {
        s.SortByListOrder(0, dir == 1);
        std::vector<std::string> order;
        for (const auto& r : s.Snapshot()) {
            order.push_back(r.cells[0] + ":" + r.cells[1]);
            EXPECT_EQ(r.data, std::stoi(r.cells[1]) * 10);  // item data moves with its row
        }
        if (dir == 1) EXPECT_EQ(order, (std::vector<std::string>{":3", "01:1", "1:4", "5:0", "5:2"}));
        else EXPECT_EQ(order, (std::vector<std::string>{"5:0", "5:2", "01:1", "1:4", ":3"}));
    }
}

TEST(ListCompare, StateAndMoveColumnKeepRowsTogether) {
    rows::RowStore s(3);
    const auto a = s.Append({"a1", "a2", "a3"});
    const auto b = s.Append({"b1", "b2", "b3"});
    auto gen = s.Generation();
    EXPECT_TRUE(s.SetState(b, 2));
    EXPECT_GT(s.Generation(), gen);
    gen = s.Generation();
    s.SortByListOrder(0, false);
    EXPECT_GT(s.Generation(), gen);
    EXPECT_EQ(s.State(b), 2);
    EXPECT_EQ(s.State(a), 0);
    s.MoveColumn(2, 0);
    EXPECT_EQ(s.Row(a)->cells, (std::vector<std::string>{"a3", "a1", "a2"}));
    s.MoveColumn(0, 2);
    EXPECT_EQ(s.Row(b)->cells, (std::vector<std::string>{"b1", "b2", "b3"}));
    EXPECT_EQ(s.Row(b)->state, 2);
}
