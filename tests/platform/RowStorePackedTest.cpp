#include "platform/RowStore.h"

#include <gtest/gtest.h>

using rows::PackedRow;
using rows::RowStore;

namespace {

TEST(RowStorePacked, AssignGivesEveryRowItsColumnsAndSnapshotReturnsThem) {
    RowStore s(3);
    std::vector<PackedRow> in;
    in.push_back({std::string("a\0b\0c", 5), 9, 0});
    in.push_back({std::string("short"), 10, 0});                   // missing cells are empty
    in.push_back({std::string("x\0y\0z\0extra\0more", 17), 12, 0});  // extra cells dropped
    s.AssignPacked(std::move(in));
    ASSERT_EQ(s.Count(), 3u);
    const auto second = s.IdAt(1);
    EXPECT_TRUE(s.SetCell(second, 2, "set"));
    EXPECT_EQ(*s.Cell(second, 0), "short");
    EXPECT_EQ(*s.Cell(second, 2), "set");
    const auto packed = s.SnapshotPacked();
    EXPECT_EQ(packed[1].cells, std::string("short\0\0set", 10));
    EXPECT_EQ(packed[2].cells, std::string("x\0y\0z", 5));
    EXPECT_EQ(packed[2].icon, 12);
    EXPECT_EQ(rows::PackedCell(packed[0].cells, 1), "b");
    EXPECT_EQ(rows::PackedCell(packed[0].cells, 5), "");
    EXPECT_EQ(s.IndexOf(s.IdAt(2)), 2u);

    const auto last = s.IdAt(2);
    std::vector<PackedRow> more;
    more.push_back({std::string("m1"), 1, 0});
    more.push_back({std::string("m2\0q", 4), 2, 0});
    s.InsertPacked(1, std::move(more));
    EXPECT_EQ(s.Count(), 5u);
    EXPECT_EQ(*s.Cell(s.IdAt(1), 0), "m1");
    EXPECT_EQ(*s.Cell(s.IdAt(2), 1), "q");
    EXPECT_EQ(s.IndexOf(last), 4u);
    EXPECT_EQ(s.IndexOf(second), 3u);
}

TEST(RowStorePacked, GenerationMovesWithEveryChangeButNotWithReads) {
    RowStore s(2);
    auto g = s.Generation();
    auto changed = [&] {
        const auto now = s.Generation();
        const bool moved = now != g;
        g = now;
        return moved;
    };
    const auto id = s.Append({"a", "b"});
    EXPECT_TRUE(changed());
    s.Snapshot();
    s.Cell(id, 0);
    s.SnapshotPacked();
    EXPECT_FALSE(changed());
    s.SetCell(id, 1, "c");
    EXPECT_TRUE(changed());
    s.SetIcon(id, 3);
    EXPECT_TRUE(changed());
    s.Append({"0", "1"});
    s.SortByColumn(0, [](std::string_view x, std::string_view y) { return x < y; });
    EXPECT_TRUE(changed());
    s.Remove(id);
    EXPECT_TRUE(changed());
    s.Remove(id);
    EXPECT_FALSE(changed());
    s.AssignPacked({});
    EXPECT_TRUE(changed());
}

}  // namespace
