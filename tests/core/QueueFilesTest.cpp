#include "QueueTestSupport.h"

#include "core/MsgRecord.h"
#include "core/RecordCodec.h"
#include "core/SmsBatch.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

using namespace queuetest;

namespace {

std::string RecordBytes(const MsgRecord& r) {
    std::string b(kMsgRecordSize, '\0');
    msgrec::ToBytes(r, b.data());
    return b;
}

MsgRecord Rec(int id, const char* type, const char* number, const char* text, const char* package = "") {
    MsgRecord r = msgrec::Empty();
    r.nId = id;
    msgrec::SetField(r.szType, type);
    msgrec::SetField(r.szNumber, number);
    msgrec::SetField(r.szText, text);
    msgrec::SetField(r.szPackage, package);
    return r;
}

// One entry of a timed or cyclic file, with a given length field.
std::string Entry(MsgRecord r, const std::string& list, const std::string& lengthField) {
    std::memset(r.szNumber, 0, sizeof r.szNumber);
    std::memcpy(r.szNumber, lengthField.data(), lengthField.size());
    return RecordBytes(r) + list + std::string(1, '\0');
}
std::string Entry(const MsgRecord& r, const std::string& list) {
    return Entry(r, list, std::to_string(list.size() + 1));
}

TEST(QueueFiles, TimedEntryOfTwoNumbersIsRecordListAndNul) {
    Pages p;
    p.LoadBoth();
    p.sms->AddSMSItem(1234, "13800000001 13800000002", "张三", "你好", "2026-12-08 10:00:00", 0);
    p.SaveBoth();
    const std::string file = testsupport::ReadFile(p.dir.file("MsgTS.dat"));
    ASSERT_EQ(file.size(), 1592u + 23 + 1);
    const MsgRecord r = msgrec::FromBytes(file.data());
    EXPECT_EQ(r.nId, 1234);
    EXPECT_EQ(std::string(r.szNumber, 3), std::string("24\0", 3));
    EXPECT_EQ(msgrec::GetField(r.szType), "定时短信");
    EXPECT_EQ(std::string(r.szName, 5), codec::ToGbk("张三") + '\0');
    EXPECT_EQ(msgrec::GetField(r.szTime), "2026-12-08 10:00:00");
    EXPECT_EQ(msgrec::GetField(r.szSubmitTime), std::to_string(((12 * 31 + 8) * 24 + 10) * 60));
    EXPECT_EQ(file.substr(1592), std::string("13800000001 13800000002") + '\0');
    // Every byte that no field fills is zero.
    MsgRecord expected = msgrec::Empty();
    expected.nId = 1234;
    msgrec::SetField(expected.szType, "定时短信");
    msgrec::SetField(expected.szName, "张三");
    msgrec::SetField(expected.szNumber, "24");
    msgrec::SetField(expected.szText, "你好");
    msgrec::SetField(expected.szTime, "2026-12-08 10:00:00");
    msgrec::SetField(expected.szSubmitTime, std::to_string(((12 * 31 + 8) * 24 + 10) * 60));
    EXPECT_EQ(file.substr(0, 1592), RecordBytes(expected));
    EXPECT_EQ(testsupport::ReadFile(p.dir.file("SMSMsgWS.dat")), "");
}

TEST(QueueFiles, ImmediateFileLoadsWholeRecordsWithIconsByType) {
    Pages p;
    MsgRecord odd = Rec(3, "定时短信", "13800000003", "c");
    msgrec::SetField(odd.szName, "王五");
    msgrec::SetField(odd.szFiles, "x.jpg");
    const std::string data = RecordBytes(Rec(1, "待发短信", "13800000001", "a")) +
                             RecordBytes(Rec(2, "待发彩信", "13800000002", "b", "G\\N")) + RecordBytes(odd) +
                             std::string(100, 'z');
    testsupport::WriteFile(p.dir.file("SMSMsgWS.dat"), data);
    testsupport::WriteFile(p.dir.file("MsgWS.dat"), RecordBytes(odd));
    p.LoadBoth();
    const auto rowsNow = p.sms->Immediate().Snapshot();
    ASSERT_EQ(rowsNow.size(), 3u);
    EXPECT_EQ(rowsNow[0].icon, queue::kIconSms);
    EXPECT_EQ(rowsNow[1].icon, queue::kIconMms);
    EXPECT_EQ(rowsNow[2].icon, queue::kIconOther);
    EXPECT_EQ(rowsNow[1].cells[queue::kColPackage], "G\\N");
    EXPECT_EQ(rowsNow[2].cells, (std::vector<std::string>{"定时短信", "13800000003", "王五", "c", "", "", "", "",
                                                           "", "", "", "3"}));
    // The MMS page reads column 2 from szFiles.
    EXPECT_EQ(Column(p.mms->Immediate(), queue::kColNameOrFiles), (std::vector<std::string>{"x.jpg"}));
}

// Each queue file with a good entry, a bad one and a good one after it: the load keeps the
// entry before, copies the file byte for byte to "<name>.bad" (replacing an older copy) and
// names the file and the entry in the run log; when everything due is sent, only the good
// entry before goes out.
TEST(QueueFiles, BadEntryStopsTheLoadKeepsABadCopyAndNothingBadIsSent) {
    std::mt19937 rng(11);
    std::string noise(kMsgRecordSize + 400, '\0');
    for (auto& c : noise) c = static_cast<char>(rng() | 1);  // no NUL anywhere
    const auto full = [](char* field, std::size_t width) { std::memset(field, '7', width); };
    struct File {
        const char* name;
        bool scheduled, mms;
        const char* type;
        const char* schedule;
    } files[] = {
        {"SMSMsgWS.dat", false, false, "待发短信", ""},
        {"MsgWS.dat", false, true, "待发彩信", ""},
        {"MsgTS.dat", true, false, "定时短信", "2026-12-08 10:00:00"},
        {"MsgCS.dat", true, true, "循环彩信", "[每日]8时30分"},
    };
    for (const File& f : files) {
        const auto rec = [&](int id, const char* number) {
            MsgRecord r = Rec(id, f.type, number, "好", f.mms ? "G\\N" : "");
            msgrec::SetField(r.szTime, f.schedule);
            if (f.scheduled) msgrec::SetField(r.szSubmitTime, "-46141");
            return r;
        };
        // An entry of the file: the record alone (immediate) or with its number list.
        const auto entry = [&](const MsgRecord& r, const char* number) {
            return f.scheduled ? Entry(r, number) : RecordBytes(r);
        };
        std::vector<std::pair<const char*, std::string>> bad;
        MsgRecord foreign = rec(2, "13700000002");
        msgrec::SetField(foreign.szType, "已发送短信");
        bad.push_back({"foreign type", entry(foreign, "13700000002")});
        MsgRecord text = rec(2, "13700000002");
        full(text.szText, sizeof text.szText);
        bad.push_back({"text without NUL", entry(text, "13700000002")});
        MsgRecord files2 = rec(2, "13700000002");
        full(files2.szFiles, sizeof files2.szFiles);
        bad.push_back({"file list without NUL", entry(files2, "13700000002")});
        bad.push_back({"random bytes", noise});
        if (f.scheduled) {
            bad.push_back({"negative length", Entry(rec(2, ""), "13700000002", "-5")});
            bad.push_back({"huge length", Entry(rec(2, ""), "13700000002", "99999")});
            bad.push_back({"length not a number", Entry(rec(2, ""), "13700000002", "12a")});
            bad.push_back({"list without NUL", RecordBytes(rec(2, "")).replace(84, 2, "11") + "13700000002"});
        } else {
            MsgRecord number = rec(2, "");
            full(number.szNumber, sizeof number.szNumber);
            bad.push_back({"number without NUL", RecordBytes(number)});
        }
        for (const auto& [what, badEntry] : bad) {
            SCOPED_TRACE(std::string(f.name) + ": " + what);
            Pages p;
            ClockGuard guard;
            const std::string data =
                entry(rec(1, "13800000001"), "13800000001") + badEntry + entry(rec(3, "13900000003"), "13900000003");
            testsupport::WriteFile(p.dir.file(f.name), data);
            testsupport::WriteFile(p.dir.file(std::string(f.name) + ".bad"), "older copy");
            p.LoadBoth();
            const std::string badCopy = p.dir.file(std::string(f.name) + ".bad");
            EXPECT_TRUE(testsupport::ReadFile(badCopy) == data);
            const std::string log = codec::FromGbk(testsupport::ReadFile(p.dir.file("RunLog.txt")));
            EXPECT_NE(log.find(std::string(f.name) + " 第 2 条"), std::string::npos) << log;

            // The save rewrites the file from the entry before; the copy stays.
            p.SaveBoth();
            EXPECT_TRUE(testsupport::ReadFile(badCopy) == data);
            EXPECT_EQ(testsupport::ReadFile(p.dir.file(f.name)).size(), entry(rec(1, "13800000001"), "13800000001").size());

            // Everything due goes into the immediate lists and out through the batches.
            clk::SetFixed(2026, 12, 8, 14, 0, 0);
            for (PendingQueues* page : {p.mms.get(), p.sms.get()}) {
                page->CheckCyclicItems(1000000);
                page->CheckTimedItems();
            }
            std::string sent;
            CSmsBatch smsOut(p.sms->Immediate(), queue::Kind::Sms);
            CSmsBatch mmsOut(p.mms->Immediate(), queue::Kind::Mms);
            std::string numbers, text2, files3;
            for (int n; (n = smsOut.FetchSMSBatch(0, numbers, text2)) > 0; smsOut.FinishSMSBatch(0, 0, n))
                sent += numbers + ";";
            for (int n; (n = mmsOut.FetchMMSBatch(0, numbers, text2, files3)) > 0; mmsOut.FinishMMSBatch(0, 1, n))
                sent += numbers + ";";
            EXPECT_EQ(sent, "13800000001;");

        }
    }
    // A whole file leaves no copy; column 0 of a scheduled entry comes from its package.
    Pages p;
    testsupport::WriteFile(p.dir.file("MsgCS.dat"), Entry(Rec(1, "循环短信", "", "a"), "13800000001 13800000002") +
                                                      Entry(Rec(2, "循环短信", "", "b", "G\\N"), "13900000001"));
    p.LoadBoth();
    EXPECT_FALSE(paths::FileExists(p.dir.file("MsgCS.dat.bad")));
    const auto sms = p.sms->Cyclic().Snapshot();
    ASSERT_EQ(sms.size(), 1u);
    EXPECT_EQ(sms[0].cells[queue::kColNumber], "13800000001 13800000002");
    EXPECT_EQ(sms[0].icon, queue::kIconSms);
    const auto mms = p.mms->Cyclic().Snapshot();
    ASSERT_EQ(mms.size(), 1u);
    EXPECT_EQ(mms[0].cells[queue::kColType], "循环彩信");
    EXPECT_EQ(mms[0].icon, queue::kIconMms);
}

TEST(QueueFiles, ScheduledLoadSurvivesArbitraryBytes) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        std::string data;
        const int entries = static_cast<int>(rng() % 4);
        for (int e = 0; e < entries; ++e) {
            std::string rec(kMsgRecordSize, '\0');
            for (auto& c : rec) c = static_cast<char>(rng());  // no NUL anywhere, most likely
            std::string len;
            switch (rng() % 3) {
                case 0: len = std::to_string(rng() % 64); break;
                case 1: len = std::to_string(rng()); break;
                default: len = std::string(20, static_cast<char>('0' + rng() % 10)); break;
            }
            std::memcpy(rec.data() + 84, len.data(), len.size());
            if (len.size() < 20) rec[84 + len.size()] = '\0';
            data += rec + std::string(rng() % 80, static_cast<char>(rng()));
        }
        data.resize(data.size() - (data.empty() ? 0 : rng() % data.size()));
        std::vector<rows::PackedRow> sms, mms;
        ScheduledStore::Parse(data, round % 2 == 0, sms, mms);
        EXPECT_LE(sms.size() + mms.size(), data.size() / (kMsgRecordSize + 1));
        for (const auto& r : sms) EXPECT_LE(r.cells.size(), data.size() * 3 + 64);
    }
}

TEST(QueueFiles, SharedScheduledFilesKeepEachKindsFieldsAcrossRestart) {
    Pages p;
    p.LoadBoth();
    p.sms->AddSMSItem(10, "13800000001 13800000002", "张三", "短信", "2026-12-08 10:00:00", 0);
    p.mms->AddMMSItem(20, "13900000001", "a.jpg#b.mid", "彩信", "G\\N", "2026-12-09 10:00:00", 0);
    p.sms->AddSMSItem(30, "13800000003", "李四", "每日", "[每日]8时30分", 0);
    p.mms->AddMMSItem(40, "13900000002", "c.gif", "每周", "G\\M", "[每周]星期日9时0分", 0);
    p.SaveBoth();
    p.Restart();
    p.LoadBoth();
    EXPECT_EQ(Column(p.sms->Timed(), queue::kColNameOrFiles), (std::vector<std::string>{"张三"}));
    EXPECT_EQ(Column(p.mms->Timed(), queue::kColNameOrFiles), (std::vector<std::string>{"a.jpg#b.mid"}));
    EXPECT_EQ(Column(p.mms->Timed(), queue::kColSize), (std::vector<std::string>{"1K"}));
    EXPECT_EQ(Column(p.sms->Cyclic(), queue::kColNameOrFiles), (std::vector<std::string>{"李四"}));
    EXPECT_EQ(Column(p.mms->Cyclic(), queue::kColNameOrFiles), (std::vector<std::string>{"c.gif"}));
    EXPECT_EQ(Column(p.mms->Cyclic(), queue::kColId), (std::vector<std::string>{"40"}));
    // Saved again by either page, the file stays the same.
    const std::string before = testsupport::ReadFile(p.dir.file("MsgCS.dat"));
    p.sms->Cyclic().SetCell(p.sms->Cyclic().IdAt(0), queue::kColSubmitTime, "20261208");
    p.sms->SaveQueues();
    p.Restart();
    p.LoadBoth();
    EXPECT_EQ(Column(p.sms->Cyclic(), queue::kColSubmitTime), (std::vector<std::string>{"20261208"}));
    EXPECT_EQ(Column(p.mms->Cyclic(), queue::kColNameOrFiles), (std::vector<std::string>{"c.gif"}));
    EXPECT_EQ(testsupport::ReadFile(p.dir.file("MsgCS.dat")).size(), before.size());
}

TEST(QueueFiles, CellsWiderThanTheirFieldsAreSavedCutWithTheirNul) {
    // Rows put straight into the lists, as a foreign loader might: every text field of the
    // saved records still ends in NUL.
    Pages p;
    p.LoadBoth();
    const std::string wide(600, 'w');
    std::vector<std::string> cells(queue::kColumnCount, wide);
    cells[queue::kColType] = queue::kTypeImmediateMms;
    cells[queue::kColState] = cells[queue::kColDevice] = "";
    cells[queue::kColId] = "5";
    cells[queue::kColNumber] = std::string(600, '1');  // a number still, once cut
    p.sms->Immediate().Append(cells, queue::kIconMms);
    p.mms->Immediate().Append(cells, queue::kIconMms);
    p.SaveBoth();
    for (const char* file : {"SMSMsgWS.dat", "MsgWS.dat"}) {
        const std::string bytes = testsupport::ReadFile(p.dir.file(file));
        ASSERT_EQ(bytes.size(), kMsgRecordSize) << file;
        const MsgRecord r = msgrec::FromBytes(bytes.data());
        EXPECT_EQ(queue::RecordFault(r, true), nullptr) << file;
        EXPECT_EQ(msgrec::GetField(r.szText), wide.substr(0, 511)) << file;
    }
    EXPECT_EQ(msgrec::GetField(msgrec::FromBytes(testsupport::ReadFile(p.dir.file("MsgWS.dat")).data()).szFiles),
              wide.substr(0, 511));
    // And they load again.
    p.Restart();
    p.LoadBoth();
    EXPECT_EQ(p.sms->Immediate().Count(), 1u);
    EXPECT_EQ(p.mms->Immediate().Count(), 1u);
}

TEST(QueueFiles, HeldRowsAreSavedAsPending) {
    Pages p;
    p.LoadBoth();
    p.sms->AddSMSItem(7, "13800000001", "n", "t", "", 0);
    auto& list = p.sms->Immediate();
    const auto id = list.IdAt(0);
    list.SetCell(id, queue::kColState, queue::kStateHeld);
    list.SetCell(id, queue::kColDevice, "3");
    list.SetIcon(id, queue::kIconHeldSms);
    p.sms->SaveQueues();
    EXPECT_EQ(testsupport::ReadFile(p.dir.file("SMSMsgWS.dat")).size(), 1592u);
    p.Restart();
    p.LoadBoth();
    const auto row = p.sms->Immediate().Snapshot().at(0);
    EXPECT_EQ(row.cells[queue::kColState], "");
    EXPECT_EQ(row.cells[queue::kColDevice], "");
    EXPECT_EQ(row.icon, queue::kIconSms);
    EXPECT_EQ(row.cells[queue::kColId], "7");
}

TEST(QueueFiles, NothingIsSavedBeforeOrAfterAFailedLoad) {
    Pages p;
    const std::string old = RecordBytes(Rec(1, "待发短信", "13800000001", "a"));
    testsupport::WriteFile(p.dir.file("SMSMsgWS.dat"), old);
    testsupport::WriteFile(p.dir.file("MsgTS.dat"), Entry(Rec(2, "定时短信", "", "b"), "1"));
    p.sms->AddSMSItem(9, "13800000009", "", "t", "", 0);
    p.sms->SaveQueues();  // the login is still open: no load yet
    EXPECT_EQ(testsupport::ReadFile(p.dir.file("SMSMsgWS.dat")), old);
    EXPECT_EQ(testsupport::ReadFile(p.dir.file("MsgTS.dat")).size(), 1594u);
    // An entry queued before the load stays, after the file's entries.
    p.sms->AddSMSItem(10, "13800000010", "", "early", "2030-01-01 00:00:00", 0);
    p.LoadBoth();
    EXPECT_EQ(Column(p.sms->Timed(), queue::kColText), (std::vector<std::string>{"b", "early"}));

    // ... and is kept by the next save, though nothing changed after the load.
    p.SaveBoth();
    p.Restart();
    p.LoadBoth();
    EXPECT_EQ(Column(p.sms->Timed(), queue::kColText), (std::vector<std::string>{"b", "early"}));
    {
        // The same with an empty file: nothing is inserted by the load itself.
        Pages e;
        testsupport::WriteFile(e.dir.file("MsgCS.dat"), "");
        e.mms->AddMMSItem(11, "13900000011", "a.jpg", "t", "G\\N", "[每日]8时0分", 0);
        e.LoadBoth();
        e.SaveBoth();
        e.Restart();
        e.LoadBoth();
        EXPECT_EQ(Column(e.mms->Cyclic(), queue::kColId), (std::vector<std::string>{"11"}));
    }

    // A queue file that cannot be read is never rewritten from the empty list.
    Pages q;
    paths::MakeDirs(q.dir.file("MsgWS.dat"));
    paths::MakeDirs(q.dir.file("MsgCS.dat"));
    q.LoadBoth();
    q.mms->AddMMSItem(1, "13900000001", "", "t", "P", "", 0);
    q.mms->AddMMSItem(2, "13900000001", "", "t", "P", "[每日]8时0分", 0);
    q.SaveBoth();
    EXPECT_TRUE(paths::IsDirectory(q.dir.file("MsgWS.dat")));
    EXPECT_TRUE(paths::IsDirectory(q.dir.file("MsgCS.dat")));
    EXPECT_EQ(testsupport::ReadFile(q.dir.file("SMSMsgWS.dat")), "");  // the readable ones are saved
}

TEST(QueueFiles, CrashDuringSaveLeavesTheOldFileWhole) {
    Pages p;
    p.LoadBoth();
    for (int i = 0; i < 3; ++i) p.sms->AddSMSItem(i, "1380000000" + std::to_string(i), "", "old", "", 0);
    p.sms->SaveQueues();
    const std::string old = testsupport::ReadFile(p.dir.file("SMSMsgWS.dat"));
    ASSERT_EQ(old.size(), 3 * 1592u);
    for (int i = 0; i < 2000; ++i) p.sms->AddSMSItem(i, "13900000000", "", "new", "", 0);

    const pid_t child = fork();
    if (child == 0) {
        // The process dies (SIGXFSZ) when its write passes 1 MB, in the middle of the save.
        rlimit core{0, 0};
        setrlimit(RLIMIT_CORE, &core);
        rlimit fsize{1 << 20, 1 << 20};
        setrlimit(RLIMIT_FSIZE, &fsize);
        signal(SIGXFSZ, SIG_DFL);
        p.sms->SaveQueues();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the save was expected to be cut short";
    EXPECT_EQ(testsupport::ReadFile(p.dir.file("SMSMsgWS.dat")), old);
}

}  // namespace

TEST(QueueFiles, ImmediateRowsWithADamagedNumberAreNeverLoaded) {
    const struct {
        const char* what;
        std::string number;
    } cases[] = {
        {"control byte", std::string("15000\x18" "00224")},
        {"letters", "1380000abcd"},
        {"empty", ""},
        {"too short", "12"},
        {"blank inside", "138 00000003"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Pages p;
        MsgRecord bad = Rec(3, "待发短信", "", "bad");
        std::memcpy(bad.szNumber, c.number.data(), c.number.size());
        const std::string data = RecordBytes(Rec(1, "待发短信", "13800000001", "good1")) +
                                 RecordBytes(Rec(2, "待发短信", "+8613800000002", "good2")) + RecordBytes(bad) +
                                 RecordBytes(Rec(4, "待发短信", "13800000004", "after"));
        testsupport::WriteFile(p.dir.file("SMSMsgWS.dat"), data);
        p.LoadBoth();
        EXPECT_EQ(Column(p.sms->Immediate(), queue::kColText), (std::vector<std::string>{"good1", "good2"}));
        EXPECT_TRUE(testsupport::ReadFile(p.dir.file("SMSMsgWS.dat.bad")) == data);
        const std::string log = codec::FromGbk(testsupport::ReadFile(p.dir.file("RunLog.txt")));
        EXPECT_NE(log.find("SMSMsgWS.dat 第 3 条记录无效（号码无效）"), std::string::npos) << log;
    }
}
