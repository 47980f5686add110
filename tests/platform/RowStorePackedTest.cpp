#include "platform/RowStore.h"

#include <gtest/gtest.h>

#include <cstring>

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

TEST(RowStorePacked, RowsFromArenasBehaveAsAnyOther) {
    RowStore s(3);
    std::vector<rows::PackedRows> blocks;
    blocks.emplace_back(3);
    blocks.emplace_back(3);
    blocks[0].Add(std::string("a\0b\0c", 5), 1, 10);
    blocks[0].Add("short", 2, 11);                                   // missing cells are empty
    blocks[1].Add(std::string("x\0y\0z\0extra", 11), 3, 12);       // extra cells dropped
    const std::string wide(10000, 'w');  // wider than a first chunk
    blocks[1].Add(wide, 4, 13);
    // Rows written in place, room asked for more than each takes, over several chunks.
    rows::PackedRows inPlace(3, 8192);
    for (int i = 0; i < 3000; ++i) {
        const std::string row = std::to_string(i) + std::string("\0b\0", 3) + std::string(i % 7, 'c');
        char* at = inPlace.RowRoom(row.size() + 100);
        std::memcpy(at, row.data(), row.size());
        inPlace.EndRowAt(at + row.size(), 0, i);
    }
    blocks.push_back(std::move(inPlace));
    s.AssignPacked(std::move(blocks));
    ASSERT_EQ(s.Count(), 3004u);
    for (std::size_t i = 4; i < 3004; i += 37) {
        EXPECT_EQ(*s.Cell(s.IdAt(i), 0), std::to_string(i - 4));
        EXPECT_EQ(*s.Cell(s.IdAt(i), 2), std::string((i - 4) % 7, 'c'));
    }
    for (int k = 0; k < 3000; ++k) s.Remove(s.IdAt(4));
    ASSERT_EQ(s.Count(), 4u);
    const auto packed = s.SnapshotPacked();
    EXPECT_EQ(packed[0].cells, std::string("a\0b\0c", 5));
    EXPECT_EQ(packed[1].cells, std::string("short\0\0", 7));
    EXPECT_EQ(packed[2].cells, std::string("x\0y\0z", 5));
    EXPECT_EQ(*s.Cell(s.IdAt(3), 0), wide);
    EXPECT_EQ(packed[3].data, 13);

    // A changed cell, a removed row (its id finds nothing), rows put in front, a plain append.
    const auto first = s.IdAt(0), second = s.IdAt(1), third = s.IdAt(2);
    EXPECT_TRUE(s.SetCell(second, 2, "set"));
    EXPECT_EQ(*s.Cell(second, 0), "short");
    EXPECT_EQ(*s.Cell(second, 2), "set");
    EXPECT_TRUE(s.Remove(first));
    EXPECT_FALSE(s.Cell(first, 0));
    EXPECT_FALSE(s.Remove(first));
    std::vector<rows::PackedRows> more;
    more.emplace_back(3);
    more[0].Add("m", 5, 14);
    s.InsertPacked(0, std::move(more));
    const auto appended = s.Append({"p", "q", "r"});
    ASSERT_EQ(s.Count(), 5u);
    EXPECT_EQ(*s.Cell(s.IdAt(0), 0), "m");
    EXPECT_EQ(s.IndexOf(second), 1u);
    EXPECT_EQ(s.IndexOf(appended), 4u);
    EXPECT_EQ(s.Row(third)->icon, 3);

    // Every row of the first arena gone: the others still answer.
    EXPECT_EQ(s.RemoveRows({second}), 1u);
    EXPECT_EQ(*s.Cell(third, 1), "y");
    EXPECT_EQ(*s.Cell(appended, 2), "r");
    s.Clear();
    EXPECT_EQ(s.Count(), 0u);
    EXPECT_FALSE(s.Cell(third, 0));
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
    s.AssignPacked(std::vector<PackedRow>{});
    EXPECT_TRUE(changed());
}

}  // namespace
