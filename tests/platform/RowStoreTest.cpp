#include "platform/RowStore.h"
#include "platform/RowStoreModel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <random>
#include <thread>

using rows::RowId;
using rows::RowStore;

namespace {
std::vector<std::string> Cells(const std::string& a, const std::string& b = {}) { return {a, b}; }

std::vector<std::string> Column(const RowStore& s, int col) {
    std::vector<std::string> out;
    for (const auto& r : s.Snapshot()) out.push_back(r.cells[static_cast<std::size_t>(col)]);
    return out;
}
}  // namespace

TEST(RowStore, InsertRemoveAndStableHandles) {
    RowStore s(2);
    const RowId a = s.Append(Cells("a", "1"));
    const RowId b = s.Append(Cells("b", "2"));
    const RowId top = s.Insert(0, Cells("top"));
    EXPECT_EQ(Column(s, 0), (std::vector<std::string>{"top", "a", "b"}));
    EXPECT_EQ(s.IndexOf(b), 2u);
    EXPECT_TRUE(s.SetCell(b, 1, "two"));
    EXPECT_EQ(*s.Cell(b, 1), "two");
    EXPECT_TRUE(s.Remove(top));
    EXPECT_EQ(s.IndexOf(a), 0u);
    EXPECT_FALSE(s.Remove(top));
    EXPECT_FALSE(s.Cell(top, 0).has_value());
    EXPECT_EQ(s.RemoveRows({a, b, a}), 2u);
    EXPECT_EQ(s.Count(), 0u);
}

TEST(RowStore, CellsNeverHoldNulAndMissingCellsAreEmpty) {
    RowStore s(3);
    const RowId id = s.Append({std::string("x\0y", 3)});
    EXPECT_EQ(*s.Cell(id, 0), "x");
    EXPECT_EQ(*s.Cell(id, 2), "");
    EXPECT_FALSE(s.SetCell(id, 3, "out of range"));
}

TEST(RowStore, SortIsStableAndMoveToTopKeepsOrder) {
    RowStore s(2);
    s.Append(Cells("b", "1"));
    s.Append(Cells("a", "2"));
    const RowId b3 = s.Append(Cells("b", "3"));
    const RowId a4 = s.Append(Cells("a", "4"));
    s.SortByColumn(0, [](std::string_view x, std::string_view y) { return x < y; });
    EXPECT_EQ(Column(s, 1), (std::vector<std::string>{"2", "4", "1", "3"}));
    s.MoveToTop({b3, a4});
    EXPECT_EQ(Column(s, 1), (std::vector<std::string>{"4", "3", "2", "1"}));
}

// The model's rows equal the store's after replaying any sequence of changes, shown top down or
// bottom up; a persistent index follows its row through the inserts, removals and sorts.
TEST(RowStoreModel, ReplaysChangesInOrder) {
    for (bool reversed : {false, true}) {
        SCOPED_TRACE(reversed ? "bottom up" : "top down");
        RowStore s(1);
        for (int i = 0; i < 5; ++i) s.Append({std::to_string(i)});
        rows::RowStoreModel model(s);
        model.SetReversed(reversed);
        QPersistentModelIndex tracked;
        RowId trackedId = 0;
        std::mt19937 rng(7);
        for (int round = 0; round < 50; ++round) {
            if (!tracked.isValid() && model.rowCount() > 0) {
                tracked = model.index(model.rowCount() / 2, 0);
                trackedId = model.IdAt(tracked.row());
            }
            for (int op = 0; op < 20; ++op) {
                const auto n = s.Count();
                switch (rng() % 5) {
                case 0: s.Insert(n ? rng() % n : 0, {"i"}); break;
                case 1: s.Append({"e"}); break;
                case 2: if (n) s.Remove(s.IdAt(rng() % n)); break;
                case 3: if (n > 2) s.RemoveRows({s.IdAt(0), s.IdAt(n - 1), s.IdAt(n / 2)}); break;
                case 4: if (round % 7 == 0) s.SortByColumn(0, [](auto a, auto b) { return a < b; }); break;
                }
                if (rng() % 3 == 0) QCoreApplication::processEvents();
            }
            QCoreApplication::processEvents();
            const auto ids = s.Ids();
            const std::size_t n = ids.size();
            ASSERT_EQ(model.rowCount(), static_cast<int>(n));
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_EQ(model.IdAt(static_cast<int>(i)), ids[reversed ? n - 1 - i : i]);
            if (tracked.isValid()) {
                ASSERT_EQ(model.IdAt(tracked.row()), trackedId);
            }
        }
    }
}

TEST(RowStoreThreads, ConcurrentWritersLoseNothing) {
    RowStore s(2);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&s, t] {
            for (int i = 0; i < 500; ++i) {
                const RowId id = s.Insert(i % 3 == 0 ? 0 : rows::kEnd, {std::to_string(t), std::to_string(i)});
                if (i % 5 == 0) s.SetCell(id, 1, "x");
                if (i % 10 == 0) s.Remove(id);
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(s.Count(), 4u * 450u);
}
