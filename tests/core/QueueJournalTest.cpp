#include "QueueTestSupport.h"

#include "core/QueueJournal.h"
#include "core/QueueRow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace queuetest;

namespace {

// A crash after the journal entry and before the row left memory and the next save.
void JournalOnly(QueueJournal& j, const std::vector<qjournal::Entry>& entries) {
    j.Apply(entries, [] {});
}

std::string EntryBytes(const qjournal::Entry& e) {
    std::string b(qjournal::kEntrySize, '\0');
    qjournal::Encode(e, b.data());
    return b;
}

TEST(QueueJournal, RemovalsAndLastSendAreAppliedAfterTheFile) {
    Pages p;
    p.LoadBoth();
    p.sms->AddSMSItem(1, "13800000001", "", "a", "", 0);
    p.sms->AddSMSItem(2, "13800000002", "", "b", "", 0);
    p.sms->AddSMSItem(3, "13800000003", "", "c", "", 0);
    p.sms->AddSMSItem(4, "13800000004", "", "t", "2030-01-01 00:00:00", 0);
    p.sms->AddSMSItem(5, "13800000005", "", "y", "[每日]8时30分", 0);
    p.SaveBoth();
    const std::string savedImmediate = testsupport::ReadFile(p.dir.file("SMSMsgWS.dat"));

    std::vector<qjournal::Entry> gone;
    for (const auto& r : p.sms->Immediate().Snapshot())
        if (r.cells[queue::kColText] != "b") gone.push_back(qjournal::Removed(r.cells));
    JournalOnly(p.sms->Journal(), gone);
    JournalOnly(p.timed->Journal(), {qjournal::Removed(p.sms->Timed().Snapshot().at(0).cells)});
    JournalOnly(p.cyclic->Journal(), {qjournal::LastSend(p.sms->Cyclic().Snapshot().at(0).cells, "2030-01-02")});

    p.Restart();
    p.LoadBoth();
    EXPECT_EQ(Column(p.sms->Immediate(), queue::kColText), (std::vector<std::string>{"b"}));
    EXPECT_EQ(p.sms->Timed().Count(), 0u);
    EXPECT_EQ(Column(p.sms->Cyclic(), queue::kColSubmitTime), (std::vector<std::string>{"2030-01-02"}));
    // The queue file itself is untouched until the next save, which then empties the journal.
    EXPECT_EQ(testsupport::ReadFile(p.dir.file("SMSMsgWS.dat")), savedImmediate);
    p.SaveBoth();
    EXPECT_TRUE(p.sms->Journal().Read().empty());
    EXPECT_TRUE(p.timed->Journal().Read().empty());
    EXPECT_TRUE(p.cyclic->Journal().Read().empty());
    p.Restart();
    p.LoadBoth();
    EXPECT_EQ(Column(p.sms->Immediate(), queue::kColText), (std::vector<std::string>{"b"}));
    EXPECT_EQ(Column(p.sms->Cyclic(), queue::kColSubmitTime), (std::vector<std::string>{"2030-01-02"}));
}

TEST(QueueJournal, TruncateAfterASaveKeepsEntriesMadeSinceItsSnapshot) {
    Pages p;
    QueueJournal& j = p.sms->Journal();
    qjournal::Entry a, b, c;
    a.id = 1, a.key = qjournal::RowKey("13800000001");
    b.id = 2, b.key = qjournal::RowKey("13800000002");
    c.id = 3, c.key = qjournal::RowKey("13800000003");
    JournalOnly(j, {a, b});
    const std::uint64_t mark = j.Snapshot([] {});
    JournalOnly(j, {c});  // made while the file of the snapshot was written
    j.Truncate(mark);
    const auto left = j.Read();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].id, 3);
    EXPECT_EQ(left[0].key, c.key);
    j.Truncate(j.Snapshot([] {}));
    EXPECT_TRUE(j.Read().empty());
}

TEST(QueueJournal, TornOrDamagedTailIsIgnored) {
    qjournal::Entry a, b;
    a.id = 7, a.key = qjournal::RowKey("13800000007");
    b.op = qjournal::kLastSend, b.id = 8, b.key = qjournal::RowKey("13800000008"), b.value = "2030-01-02";
    const std::string two = EntryBytes(a) + EntryBytes(b);
    struct Case {
        const char* what;
        std::string data;
        std::size_t whole;
    } cases[] = {
        {"whole", two, 2},
        {"torn tail", two + EntryBytes(a).substr(0, 30), 2},
        {"bad check in the second", EntryBytes(a) + [&] { std::string s = EntryBytes(b); s[30] ^= 1; return s; }(), 1},
        {"unknown op", [&] { std::string s = EntryBytes(a); std::uint32_t op = 9; std::memcpy(&s[4], &op, 4); return s; }() + EntryBytes(b), 0},
        {"junk", std::string(100, 'x'), 0},
    };
    for (const Case& c : cases) {
        const auto got = qjournal::Decode(c.data);
        ASSERT_EQ(got.size(), c.whole) << c.what;
        if (c.whole == 2) EXPECT_EQ(got[1].value, "2030-01-02") << c.what;
    }

    // A torn tail on disk: the whole entries still apply, and the next append follows them.
    Pages p;
    p.LoadBoth();
    p.sms->AddSMSItem(7, "13800000007", "", "a", "", 0);
    p.sms->AddSMSItem(8, "13800000008", "", "b", "", 0);
    p.sms->AddSMSItem(9, "13800000009", "", "c", "", 0);
    p.SaveBoth();
    const auto rows = p.sms->Immediate().Snapshot();
    testsupport::WriteFile(p.sms->Journal().Path(), EntryBytes(qjournal::Removed(rows[0].cells)) + std::string(17, '\x5a'));
    JournalOnly(p.sms->Journal(), {qjournal::Removed(rows[2].cells)});
    p.Restart();
    p.LoadBoth();
    EXPECT_EQ(Column(p.sms->Immediate(), queue::kColText), (std::vector<std::string>{"b"}));
}

TEST(QueueJournal, RowsAreNamedByIdAndNumberAndEachEntryTakesOneRow) {
    Pages p;
    p.LoadBoth();
    // Ids repeat after the counter wraps: the same id on other numbers, and one row twice.
    p.sms->AddSMSItem(5, "13800000001", "", "a", "", 0);
    p.sms->AddSMSItem(5, "13800000002", "", "b", "", 0);
    p.sms->AddSMSItem(6, "13800000001", "", "c", "", 0);
    p.sms->AddSMSItem(5, "13800000001", "", "d", "", 0);
    p.SaveBoth();
    const auto rows = p.sms->Immediate().Snapshot();
    std::vector<std::string> order;
    for (const auto& r : rows) order.push_back(r.cells[queue::kColText]);
    // Remove the first row of id 5 and number ...01 as the batch names it.
    const auto& first = *std::find_if(rows.begin(), rows.end(), [](const rows::RowData& r) {
        return r.cells[queue::kColId] == "5" && r.cells[queue::kColNumber] == "13800000001";
    });
    const std::string firstText = first.cells[queue::kColText];
    JournalOnly(p.sms->Journal(), {qjournal::Removed(first.cells)});
    p.Restart();
    p.LoadBoth();
    auto left = Column(p.sms->Immediate(), queue::kColText);
    order.erase(std::find(order.begin(), order.end(), firstText));
    EXPECT_EQ(left, order);
    EXPECT_EQ(left.size(), 3u);
    // An entry for a row the file no longer holds changes nothing.
    qjournal::Entry stray;
    stray.id = 5, stray.key = qjournal::RowKey("13900000000");
    std::vector<rows::PackedRow> packed = p.sms->Immediate().SnapshotPacked();
    EXPECT_EQ(qjournal::ApplyTo({stray}, {&packed}), 0u);
    EXPECT_EQ(packed.size(), 3u);
}

}  // namespace
