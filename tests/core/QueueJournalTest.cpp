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

namespace {

struct Lists {
    std::vector<std::string> sms, mms, timed, cyclic, cyclicLast;
    bool operator==(const Lists&) const = default;
};

Lists ListsOf(Pages& p) {
    return {Column(p.sms->Immediate(), queue::kColText), Column(p.mms->Immediate(), queue::kColText),
            Column(p.sms->Timed(), queue::kColText), Column(p.sms->Cyclic(), queue::kColText),
            Column(p.sms->Cyclic(), queue::kColSubmitTime)};
}

TEST(QueueJournal, RowsOfEveryWriterComeBackInTheirPlaceWithoutASave) {
    Pages p;
    p.LoadBoth();
    p.sms->AddSMSItem(1, "13800000001", "", "saved", "", 0);
    p.SaveBoth();
    // Since the last whole save: each writer, a row to the top, rows sent and a cyclic fired.
    p.sms->AddSMSItem(2, "13800000002", "张三", "typed", "", 0);
    p.sms->AddSMSItem(3, "13800000003", "", "top", "", 1);
    p.sms->AddSMSItems({{4, "13800000004", "", "import1"}, {5, "13800000005", "", "import2"}, {6, "13800000006", "", "import3"}});
    p.mms->AddMMSItem(7, "13800000007", "a.gif", "mms", "G\\N", "", 0);
    p.sms->AddSMSItem(8, "13800000008 13800000009", "", "timed", "2030-01-01 08:00:00", 0);
    p.sms->AddSMSItem(9, "13800000010", "", "cyclic", "[每日]8时30分", 0);
    p.sms->AddItems({{queue::Kind::Sms, 10, "13800000011", "", "fired1", ""}, {queue::Kind::Sms, 11, "13800000012", "", "fired2", ""}});
    for (const auto& r : p.sms->Immediate().Snapshot())
        if (r.cells[queue::kColText] == "import2" || r.cells[queue::kColText] == "saved")
            p.sms->Journal().Apply({qjournal::Removed(r.cells)}, [&] { p.sms->Immediate().Remove(r.id); });
    ASSERT_TRUE(p.cyclic->SetLastSend(queue::Kind::Sms, p.sms->Cyclic().IdAt(0), "20301231"));
    p.sms->AddSMSItem(12, "13800000013", "", "top2", "", 1);
    const Lists before = ListsOf(p);
    EXPECT_EQ(before.sms, (std::vector<std::string>{"top2", "top", "typed", "import1", "import3", "fired1", "fired2"}));
    const std::vector<std::string> smsCells = [&] {
        std::vector<std::string> out;
        for (const auto& r : p.sms->Immediate().Snapshot())
            for (const auto& c : r.cells) out.push_back(c);
        return out;
    }();

    p.Restart();  // a kill: no save
    p.LoadBoth();
    EXPECT_EQ(ListsOf(p), before);
    std::vector<std::string> cellsAfter;
    for (const auto& r : p.sms->Immediate().Snapshot())
        for (const auto& c : r.cells) cellsAfter.push_back(c);
    EXPECT_EQ(cellsAfter, smsCells);
    EXPECT_EQ(Column(p.mms->Immediate(), queue::kColPackage), (std::vector<std::string>{"G\\N"}));
    EXPECT_EQ(Column(p.sms->Timed(), queue::kColNumber), (std::vector<std::string>{"13800000008 13800000009"}));

    // The next whole save carries them and empties the journals.
    p.SaveBoth();
    for (QueueJournal* j : {&p.sms->Journal(), &p.mms->Journal(), &p.timed->Journal(), &p.cyclic->Journal()})
        EXPECT_TRUE(j->Read().empty()) << j->Path();
    p.Restart();
    p.LoadBoth();
    EXPECT_EQ(ListsOf(p), before);
}

TEST(QueueJournal, RowsQueuedBeforeTheLoadAreThereOnce) {
    Pages p;
    p.sms->AddSMSItem(1, "13800000001", "", "early", "", 0);
    p.sms->AddSMSItem(2, "13800000002", "", "timed", "2030-01-01 08:00:00", 0);
    p.LoadBoth();
    EXPECT_EQ(Column(p.sms->Immediate(), queue::kColText), (std::vector<std::string>{"early"}));
    EXPECT_EQ(Column(p.sms->Timed(), queue::kColText), (std::vector<std::string>{"timed"}));
}

TEST(QueueJournal, ATornAdditionIsDroppedWholeAndLaterEntriesFollowTheGoodOnes) {
    qjournal::Entry removed;
    removed.id = 1, removed.key = qjournal::RowKey("13800000001");
    qjournal::Entry added = qjournal::Added(0, false);
    std::vector<std::string> cells(queue::kColumnCount);
    cells[queue::kColType] = queue::kTypeImmediateSms;
    std::string packed;
    for (int i = 0; i < 50; ++i) {
        cells[queue::kColNumber] = std::to_string(13900000000LL + i);
        cells[queue::kColId] = std::to_string(100 + i);
        packed.clear();
        for (int c = 0; c < queue::kColumnCount; ++c) {
            if (c) packed += '\0';
            packed += cells[static_cast<std::size_t>(c)];
        }
        qjournal::AddRow(added, packed, queue::kIconSms);
    }
    const std::string one = qjournal::EncodeAny(removed), bulk = qjournal::EncodeAny(added);
    ASSERT_EQ(qjournal::Decode(one + bulk).size(), 2u);
    std::string flipped = bulk;
    flipped[bulk.size() / 2] ^= 0x40;
    std::string zeroTail = bulk;
    std::fill(zeroTail.end() - 700, zeroTail.end(), '\0');  // blocks never written
    std::string longer = bulk;
    longer[16] += 1;  // a length past the rows (and the header check fails)
    const struct {
        const char* what;
        std::string tail;
    } cases[] = {
        {"inside the header", bulk.substr(0, 20)},
        {"inside the rows", bulk.substr(0, bulk.size() / 3)},
        {"without its check", bulk.substr(0, bulk.size() - 4)},
        {"a byte flipped", flipped},
        {"a zero tail", zeroTail},
        {"a longer length", longer},
    };
    for (const auto& c : cases) {
        std::size_t good = 0;
        const auto got = qjournal::Decode(one + c.tail + one, &good);
        EXPECT_EQ(got.size(), 1u) << c.what;
        EXPECT_EQ(good, one.size()) << c.what;

        // On disk: the whole entries apply, the torn one adds nothing, and what is journalled
        // next is read at the following start.
        Pages p;
        p.LoadBoth();
        p.sms->AddSMSItem(1, "13800000001", "", "a", "", 0);
        p.sms->AddSMSItem(2, "13800000002", "", "b", "", 0);
        p.SaveBoth();
        testsupport::WriteFile(p.sms->Journal().Path(), one + c.tail);
        p.Restart();
        p.LoadBoth();
        EXPECT_EQ(Column(p.sms->Immediate(), queue::kColText), (std::vector<std::string>{"b"})) << c.what;
        p.sms->AddSMSItem(3, "13800000003", "", "c", "", 0);
        p.Restart();
        p.LoadBoth();
        EXPECT_EQ(Column(p.sms->Immediate(), queue::kColText), (std::vector<std::string>{"b", "c"})) << c.what;
    }
}

TEST(QueueJournal, AnAdditionMadeAfterASnapshotStaysInTheJournal) {
    Pages p;
    p.LoadBoth();
    p.sms->AddSMSItem(1, "13800000001", "", "a", "", 0);
    std::vector<rows::PackedRow> saved;
    const std::uint64_t mark = p.sms->Journal().Snapshot([&] { saved = p.sms->Immediate().SnapshotPacked(); });
    p.sms->AddSMSItems({{2, "13800000002", "", "b"}, {3, "13800000003", "", "c"}});  // while the file is written
    p.sms->Journal().Truncate(mark);
    const auto left = p.sms->Journal().Read();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].op, qjournal::kAdded);
    EXPECT_EQ(left[0].count, 2u);
    // A real save in between and a restart: every row once.
    p.sms->SaveQueues();
    p.sms->AddSMSItem(4, "13800000004", "", "d", "", 1);
    p.Restart();
    p.LoadBoth();
    EXPECT_EQ(Column(p.sms->Immediate(), queue::kColText), (std::vector<std::string>{"d", "a", "b", "c"}));
}

}  // namespace
