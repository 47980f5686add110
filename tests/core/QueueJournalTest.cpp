#include "QueueTestSupport.h"

#include "core/QueueJournal.h"
#include "core/QueueRow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

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

namespace {

// Every cell of every row of a list, with its icon.
std::vector<std::string> Cells(const rows::RowStore& s) {
    std::vector<std::string> out;
    for (const auto& r : s.Snapshot()) {
        out.push_back(std::to_string(r.icon));
        out.insert(out.end(), r.cells.begin(), r.cells.end());
    }
    return out;
}

TEST(QueueJournal, ScheduledMmsComeBackInTheMmsListsWithoutASave) {
    Pages p;
    p.LoadBoth();
    // A saved entry of each kind first, so the additions land behind rows of the file.
    p.mms->AddMMSItem(1, "13800000001", "s.gif#", "saved mms", "G\\S", "2030-01-01 07:00:00", 0);
    p.sms->AddSMSItem(2, "13800000002", "", "saved sms", "[每日]7时00分", 0);
    p.SaveBoth();
    p.mms->AddMMSItem(3, "13800000003 13800000004", "a.gif#b.amr#", "timed mms", "G\\A", "2030-01-01 08:00:00", 0);
    p.mms->AddMMSItem(4, "13800000005", "c.gif#", "cyclic mms", "G\\C", "[每日]8时30分", 1);
    p.sms->AddSMSItem(5, "13800000006", "", "timed sms", "2030-01-02 08:00:00", 0);
    p.sms->AddSMSItem(6, "13800000007", "", "cyclic sms", "[每周一]9时00分", 0);
    // The SMS page's own MMS writer (its schedulers' one): the MMS lists too.
    p.sms->AddMMSItem(7, "13800000008", "d.gif#", "timed mms 2", "G\\D", "2030-01-03 08:00:00", 0);
    const std::vector<std::string> timedMms = Cells(p.mms->Timed()), cyclicMms = Cells(p.mms->Cyclic()),
                                   timedSms = Cells(p.sms->Timed()), cyclicSms = Cells(p.sms->Cyclic());
    EXPECT_EQ(Column(p.mms->Timed(), queue::kColText), (std::vector<std::string>{"saved mms", "timed mms", "timed mms 2"}));
    EXPECT_EQ(Column(p.mms->Cyclic(), queue::kColText), (std::vector<std::string>{"cyclic mms"}));

    for (int run = 0; run < 2; ++run) {
        p.Restart();  // a kill; the second time after a load that saved nothing
        p.LoadBoth();
        EXPECT_EQ(Cells(p.mms->Timed()), timedMms) << run;
        EXPECT_EQ(Cells(p.mms->Cyclic()), cyclicMms) << run;
        EXPECT_EQ(Cells(p.sms->Timed()), timedSms) << run;
        EXPECT_EQ(Cells(p.sms->Cyclic()), cyclicSms) << run;
        EXPECT_EQ(Column(p.sms->Timed(), queue::kColText), (std::vector<std::string>{"timed sms"})) << run;
        EXPECT_EQ(Column(p.sms->Cyclic(), queue::kColText), (std::vector<std::string>{"saved sms", "cyclic sms"})) << run;
        EXPECT_EQ(Column(p.mms->Cyclic(), queue::kColType), (std::vector<std::string>{queue::kTypeCyclicMms})) << run;
    }
    p.SaveBoth();
    p.Restart();
    p.LoadBoth();
    EXPECT_EQ(Cells(p.mms->Timed()), timedMms);
    EXPECT_EQ(Cells(p.sms->Cyclic()), cyclicSms);
}

// An addition of one immediate SMS row, as the writer journals it.
std::string OneAddition(const std::string& number, int id, std::uint32_t list = 0, bool front = false) {
    qjournal::Entry e = qjournal::Added(list, front);
    std::vector<std::string> cells(queue::kColumnCount);
    cells[queue::kColType] = queue::kTypeImmediateSms;
    cells[queue::kColNumber] = number;
    cells[queue::kColText] = "j";
    cells[queue::kColId] = std::to_string(id);
    std::string packed;
    for (int c = 0; c < queue::kColumnCount; ++c) {
        if (c) packed += '\0';
        packed += cells[static_cast<std::size_t>(c)];
    }
    qjournal::AddRow(e, packed, queue::kIconSms);
    return qjournal::EncodeAny(e);
}

TEST(QueueJournal, AnAdditionDamagedAnywhereInItsHeaderIsCutThereWithAllAfterIt) {
    qjournal::Entry removed;
    removed.id = 1, removed.key = qjournal::RowKey("13800000001");
    const std::string one = qjournal::EncodeAny(removed);
    const std::string added = OneAddition("13900000001", 9);
    const std::string after = OneAddition("13900000002", 10);
    ASSERT_EQ(qjournal::Decode(one + added + after + one).size(), 4u);
    // Every byte of the header: the tag, the op, the count, the list and placement, the rows'
    // length, the reserved bytes and the check itself.
    for (std::size_t at = 0; at < qjournal::kAddedHeaderSize; ++at)
        for (const unsigned char mask : {0x01, 0x80, 0xFF}) {
            std::string bad = added;
            bad[at] = static_cast<char>(bad[at] ^ mask);
            std::size_t good = 0;
            const auto got = qjournal::Decode(one + bad + after + one, &good);
            EXPECT_EQ(got.size(), 1u) << "byte " << at << " ^ " << int(mask);
            EXPECT_EQ(good, one.size()) << "byte " << at << " ^ " << int(mask);
        }

    // On disk, a damaged list (an SMS addition read as one of the MMS list) or placement: the
    // addition and everything after it are cut, and later appends follow the good entries.
    for (const std::size_t at : {std::size_t{12}, std::size_t{14}, std::size_t{25}}) {
        Pages p;
        p.LoadBoth();
        p.sms->AddSMSItem(1, "13800000001", "", "a", "", 0);
        p.sms->AddSMSItem(2, "13800000002", "", "b", "", 0);
        p.SaveBoth();
        std::string bad = added;
        bad[at] ^= 1;
        testsupport::WriteFile(p.sms->Journal().Path(), one + bad + after);
        p.Restart();
        p.LoadBoth();
        EXPECT_EQ(Column(p.sms->Immediate(), queue::kColText), (std::vector<std::string>{"b"})) << at;
        p.sms->AddSMSItem(3, "13800000003", "", "c", "", 0);
        EXPECT_EQ(testsupport::ReadFile(p.sms->Journal().Path()).substr(0, one.size()), one) << at;
        p.Restart();
        p.LoadBoth();
        EXPECT_EQ(Column(p.sms->Immediate(), queue::kColText), (std::vector<std::string>{"b", "c"})) << at;
    }
}

// Rows added and removed again since the last save, in every list, the later ones found
// through the replay's index of rows it added itself.
TEST(QueueJournal, RowsAddedAndRemovedAgainStayRemovedWithoutASave) {
    struct Case {
        const char* what;
        std::function<void(Pages&, int id, const std::string& number, const std::string& text)> add;
        std::function<rows::RowStore&(Pages&)> list;
        std::function<void(Pages&, const std::string& text)> remove;
    };
    const auto removeImmediate = [](PendingQueues& q, const std::string& text) {
        for (const auto& r : q.Immediate().Snapshot())
            if (r.cells[queue::kColText] == text) {
                q.Journal().Apply({qjournal::Removed(r.cells)}, [&] { q.Immediate().Remove(r.id); });
                return;
            }
        ADD_FAILURE() << "no row " << text;
    };
    const auto removeScheduled = [](PendingQueues& q, bool cyclic, const std::string& text) {
        rows::RowStore& s = cyclic ? q.Cyclic() : q.Timed();
        for (const auto& r : s.Snapshot())
            if (r.cells[queue::kColText] == text) {
                EXPECT_EQ(q.RemoveScheduled(cyclic, {r.id}), 1u);
                return;
            }
        ADD_FAILURE() << "no row " << text;
    };
    const Case cases[] = {
        {"immediate, at the back",
         [](Pages& p, int id, const std::string& n, const std::string& t) { p.sms->AddSMSItem(id, n, "", t, "", 0); },
         [](Pages& p) -> rows::RowStore& { return p.sms->Immediate(); },
         [&](Pages& p, const std::string& t) { removeImmediate(*p.sms, t); }},
        {"immediate, at the top",
         [](Pages& p, int id, const std::string& n, const std::string& t) { p.sms->AddSMSItem(id, n, "", t, "", 1); },
         [](Pages& p) -> rows::RowStore& { return p.sms->Immediate(); },
         [&](Pages& p, const std::string& t) { removeImmediate(*p.sms, t); }},
        {"immediate, in bulk at the top",
         [](Pages& p, int id, const std::string& n, const std::string& t) { p.sms->AddSMSItems({{id, n, "", t}}, true); },
         [](Pages& p) -> rows::RowStore& { return p.sms->Immediate(); },
         [&](Pages& p, const std::string& t) { removeImmediate(*p.sms, t); }},
        {"timed MMS",
         [](Pages& p, int id, const std::string& n, const std::string& t) {
             p.mms->AddMMSItem(id, n, "a.gif#", t, "G\\N", "2030-01-01 08:00:00", 0);
         },
         [](Pages& p) -> rows::RowStore& { return p.mms->Timed(); },
         [&](Pages& p, const std::string& t) { removeScheduled(*p.mms, false, t); }},
        {"cyclic SMS",
         [](Pages& p, int id, const std::string& n, const std::string& t) { p.sms->AddSMSItem(id, n, "", t, "[每日]8时30分", 0); },
         [](Pages& p) -> rows::RowStore& { return p.sms->Cyclic(); },
         [&](Pages& p, const std::string& t) { removeScheduled(*p.sms, true, t); }},
    };
    for (const Case& c : cases)
        for (const bool withFile : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (withFile ? ", behind saved rows" : ""));
            Pages p;
            p.LoadBoth();
            std::vector<std::string> kept;
            if (withFile) {
                c.add(p, 1, "13800000001", "x");
                c.add(p, 2, "13800000002", "y");
                p.SaveBoth();
                kept = Column(c.list(p), queue::kColText);
            }
            c.add(p, 3, "13800000003", "a");
            c.remove(p, "a");
            c.add(p, 4, "13800000004", "b");
            c.add(p, 5, "13800000005", "c");
            c.remove(p, "b");
            c.add(p, 6, "13800000006", "d");
            c.remove(p, "d");
            const std::vector<std::string> before = Column(c.list(p), queue::kColText);
            EXPECT_EQ(before.size(), kept.size() + 1);
            p.Restart();
            p.LoadBoth();
            EXPECT_EQ(Column(c.list(p), queue::kColText), before);
        }
}

}  // namespace
