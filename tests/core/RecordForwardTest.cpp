// Resend and forward from both records pages into real queue pages; MMS uploads go to a real
// pyftpdlib server on loopback.
#include "QueueTestSupport.h"
#include "RecordPageSupport.h"

#include "compose/MMSDialogs.h"
#include "compose/MMSPackage.h"
#include "compose/PickerHooks.h"
#include "compose/RecipientInputDlg.h"
#include "core/FileUtil.h"
#include "core/Globals.h"
#include "core/LoginSettings.h"
#include "core/MMSRecordDlg.h"
#include "core/QueueJournal.h"
#include "core/QueueRow.h"
#include "core/RecordForward.h"
#include "core/SMSSendingListDlg.h"
#include "core/SendingListDlg.h"
#include "platform/Clock.h"
#include "platform/FtpClient.h"
#include "platform/TextCodec.h"
#include "support/FtpFixture.h"

#include "uikit/FlatComboBox.h"
#include "uikit/SkinEdit.h"

#include <gtest/gtest.h>

#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <set>

using namespace recordtest;
namespace fs = std::filesystem;

namespace {

// A records page with both pending pages behind the queue writers and an answered open dialog.
template <class Page>
struct ForwardFixture : ::testing::Test, PageFixtureOf<Page> {
    std::unique_ptr<CSMSSendingListDlg> smsQueue = std::make_unique<CSMSSendingListDlg>();
    std::unique_ptr<CSendingListDlg> mmsQueue = std::make_unique<CSendingListDlg>();
    std::optional<std::string> chosen;
    seam::ScopedFileDialog files{[this](const seam::FileDialogRequest&) { return chosen; }};

    ForwardFixture() {
        g_pSMSSendingListDlg = smsQueue.get();
        g_pSendingListDlg = mmsQueue.get();
        smsQueue->ImmediateList().Clear();
        mmsQueue->ImmediateList().Clear();
    }
    ~ForwardFixture() override {
        g_pSMSSendingListDlg = nullptr;
        g_pSendingListDlg = nullptr;
        clk::Reset();
    }
    // The records listed, the given view rows selected.
    void List(const std::vector<MsgRecord>& recs, std::initializer_list<int> selected) {
        this->WriteLog(recs);
        this->page->OnSearchAgain();
        this->Select(selected);
    }
    std::vector<rows::RowData> Sms() { return smsQueue->ImmediateList().Snapshot(); }
    std::vector<rows::RowData> Mms() { return mmsQueue->ImmediateList().Snapshot(); }
    static int Id(const rows::RowData& r) { return std::stoi(r.cells[queue::kColId]); }
};

using SmsForward = ForwardFixture<CSMSRecordDlg>;
using MmsForward = ForwardFixture<CMMSRecordDlg>;

MsgRecord MmsRec(int id, std::string_view status, std::string_view number, std::string_view package,
              std::string_view files = "") {
    MsgRecord r = Rec(id, status, number, "标题" + std::to_string(id));
    msgrec::SetField(r.szPackage, package);
    msgrec::SetField(r.szFiles, files);
    return r;
}

TEST_F(SmsForward, ResendQueuesEachValidRowUnderAFreshId) {
    List({Rec(1, "已发送短信", "13900000001", "一", "2008-05-01 10:00:00", "甲"),
          Rec(2, "接收短信", "12", "二"),
          Rec(3, "发送失败短信", "13900000003", "三", "2008-05-01 10:00:00", "丙")},
         {0, 1, 2});
    const int next = CFileUtil::GetNextSerial(0) + 2;
    page->OnResend();
    const auto rows = Sms();
    ASSERT_EQ(rows.size(), 2u);
    std::set<std::string> seen;
    for (const auto& r : rows) {
        EXPECT_GE(Id(r), next);
        seen.insert(r.cells[queue::kColNumber] + "|" + r.cells[queue::kColNameOrFiles] + "|" + r.cells[queue::kColText] +
                    "|" + r.cells[queue::kColTime]);
    }
    EXPECT_EQ(seen, (std::set<std::string>{"13900000001|甲|一|", "13900000003|丙|三|"}));
    EXPECT_NE(Id(rows[0]), Id(rows[1]));
    EXPECT_EQ(messages, std::vector<std::string>{recforward::kResendDoneText});

    messages.clear();
    Select({1});  // the two-digit number only: nothing, no message
    page->OnResend();
    EXPECT_EQ(Sms().size(), 2u);
    EXPECT_TRUE(messages.empty());
    Select({});
    page->OnResend();
    EXPECT_EQ(messages, std::vector<std::string>{"请先选择要重发的信息！"});
}

TEST_F(SmsForward, NumberFilesForwardTheFirstSelectedRecord) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> numbers;
    } cases[] = {
        {"five CR LF lines", "13900000001\r\n13900000002\r\n13900000003\r\n13900000004\r\n13900000005\r\n",
         {"13900000001", "13900000002", "13900000003", "13900000004", "13900000005"}},
        {"short line, last without line end", "123\r\n13900000001\r\n13900000002", {"13900000001", "13900000002"}},
        {"LF lines, blanks, a duplicate kept", "  13900000002 \n13900000001\n13900000002\nabc\n",
         {"13900000002", "13900000001", "13900000002"}},
        {"nothing valid", "12\r\nxyzw\r\n", {}},
    };
    List({Rec(7, "接收短信", "13800000000", "转发的内容", "2008-05-01 10:00:00", "张三")}, {0});
    for (const Case& c : cases) {
        smsQueue->ImmediateList().Clear();
        testsupport::WriteFile(dir.file("n.txt"), c.bytes);
        chosen = dir.file("n.txt");
        const int base = CFileUtil::GetNextSerial(0) + 2;
        page->OnForwardFromText();
        const auto rows = Sms();
        ASSERT_EQ(rows.size(), c.numbers.size()) << c.name;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].cells[queue::kColNumber], c.numbers[i]) << c.name;
            EXPECT_EQ(Id(rows[i]), base + static_cast<int>(i)) << c.name;
            EXPECT_EQ(rows[i].cells[queue::kColNameOrFiles], "") << c.name;
            EXPECT_EQ(rows[i].cells[queue::kColText], "转发的内容") << c.name;
        }
        // One id block of k + 1 is used up, also for no number.
        EXPECT_EQ(CFileUtil::GetNextSerial(0), base + static_cast<int>(c.numbers.size()) + 3) << c.name;
    }
    smsQueue->ImmediateList().Clear();
    chosen = dir.file("missing.txt");  // cannot be opened: silently nothing
    page->OnForwardFromText();
    chosen.reset();  // cancelled
    page->OnForwardFromText();
    EXPECT_TRUE(Sms().empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(SmsForward, TypedAndAddressBookNumbers) {
    List({Rec(7, "已发送短信", "13800000000", "内容")}, {0});
    {
        ScopedModalRun run([](CSkinDialog& d) {
            auto& r = static_cast<CRecipientInputDlg&>(d);
            r.ShowForHook();
            r.m_editNumbers->setPlainText("13900000001\n13900000002");
            r.OnOK();
            return r.result();
        });
        page->OnForwardManually();
    }
    auto old = picker::SetLinkmanPicker(
        [](QWidget*) { return std::optional<std::vector<std::string>>({"13900000003", "1", "13900000004"}); });
    page->OnForwardFromAddressBook();
    picker::SetLinkmanPicker([](QWidget*) { return std::nullopt; });
    page->OnForwardFromAddressBook();  // cancelled
    picker::SetLinkmanPicker(std::move(old));
    std::vector<std::string> numbers;
    for (const auto& r : Sms()) numbers.push_back(r.cells[queue::kColNumber]);
    EXPECT_EQ(numbers, (std::vector<std::string>{"13900000001", "13900000002", "13900000003", "13900000004"}));

    Select({});
    page->OnForward();
    EXPECT_EQ(messages, std::vector<std::string>{"请先选择要转发信息的条目！"});
}

// The title dialog answered: cancelled, or OK with a new title; the preset it showed.
struct TitleAnswer {
    bool ok = false;
    std::string preset;
    ScopedModalRun run{[this](CSkinDialog& d) {
        auto& t = dynamic_cast<CMMSTitleDlg&>(d);
        t.ShowForHook();
        preset = codec::FromQ(t.m_editTitle->text());
        if (!ok) {
            t.OnCancel();
            return t.result();
        }
        t.m_editTitle->setText(codec::ToQ("新标题"));
        t.OnOK();
        return t.result();
    }};
};

TEST_F(MmsForward, MmsForwardAsksTheTitleAndKeepsTheUploadedList) {
    List({MmsRec(4, "已发送彩信", "13900000004", "组\\包", "41-00.txt#41-00.gif#")}, {0});
    TitleAnswer title;
    std::vector<std::string> numbers{"13900000001", "12", "13900000002"};
    page->ForwardRecords(numbers);  // cancelled
    EXPECT_TRUE(Mms().empty());
    EXPECT_EQ(title.preset, "标题4");
    title.ok = true;
    const int base = CFileUtil::GetNextSerial(0) + 2;
    page->ForwardRecords(numbers);
    const auto rows = Mms();
    ASSERT_EQ(rows.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Id(rows[i]), base + i);
        EXPECT_EQ(rows[i].cells[queue::kColNumber], numbers[i == 0 ? 0 : 2]);
        EXPECT_EQ(rows[i].cells[queue::kColNameOrFiles], "41-00.txt#41-00.gif#");
        EXPECT_EQ(rows[i].cells[queue::kColText], "新标题");
        EXPECT_EQ(rows[i].cells[queue::kColPackage], "组\\包");
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(SmsForward, MmsRecordOnTheSmsPageGoesWithoutFiles) {
    List({MmsRec(4, "已发送彩信", "13900000004", "包", "41-00.txt#")}, {0});
    TitleAnswer title;
    title.ok = true;
    std::vector<std::string> numbers{"13900000001"};
    page->ForwardRecords(numbers);
    const auto rows = Mms();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells[queue::kColNameOrFiles], "");
    EXPECT_EQ(rows[0].cells[queue::kColText], "新标题");
}

TEST_F(MmsForward, ReceivedMmsForwardIsRefused) {
    fs::create_directories(dir.file("recv/88"));
    List({MmsRec(1, "接收彩信", "13900000001", "", dir.file("recv/88"))}, {0});
    page->OnForward();
    std::vector<std::string> numbers{"13900000002"};
    page->ForwardRecords(numbers);
    EXPECT_EQ(messages, (std::vector<std::string>{recforward::kReceivedMmsText, recforward::kReceivedMmsText}));
    EXPECT_TRUE(Mms().empty());
}

// Resend and forward over real queue objects: bulk writer calls, their journal and a restart.
struct BulkResend : ::testing::Test {
    queuetest::Pages p;
    std::vector<std::pair<std::size_t, std::size_t>> steps;
    std::size_t stopAfter = 0;  // 0: never stop
    recforward::Progress progress = [this](std::size_t done, std::size_t total) {
        steps.emplace_back(done, total);
        return stopAfter == 0 || steps.size() < stopAfter;
    };
    BulkResend() { p.LoadBoth(); }

    static std::size_t Additions(PendingQueues& q) {
        std::size_t n = 0;
        for (const auto& e : q.Journal().Read()) n += e.op == qjournal::kAdded ? 1 : 0;
        return n;
    }
    // Rows of a resend: every 500th number too short; a run of one text, then a text too long
    // for its field, then another run.
    static std::vector<recforward::RecordRow> Records(std::size_t n) {
        std::vector<recforward::RecordRow> rows;
        for (std::size_t i = 0; i < n; ++i)
            rows.push_back({"已发送短信", "名" + std::to_string(i), i % 500 == 7 ? "12" : std::to_string(13900000000LL + i),
                            i < n / 2 ? "前半" : i == n / 2 ? std::string(600, 'x') : "后半", "", ""});
        return rows;
    }
    // (number, name, text, id) of each row.
    static std::vector<std::string> Keys(rows::RowStore& s) {
        std::vector<std::string> out;
        for (const auto& r : s.Snapshot())
            out.push_back(r.cells[queue::kColNumber] + "|" + r.cells[queue::kColNameOrFiles] + "|" +
                          r.cells[queue::kColText] + "|" + r.cells[queue::kColId] + "|" + r.cells[queue::kColType]);
        return out;
    }
    // After a start without a save the list is what the journal holds.
    void ExpectSameAfterRestart(bool mms = false) {
        const auto before = Keys(mms ? p.mms->Immediate() : p.sms->Immediate());
        p.Restart();
        p.LoadBoth();
        EXPECT_EQ(Keys(mms ? p.mms->Immediate() : p.sms->Immediate()), before);
    }
};

TEST_F(BulkResend, SmsRowsGoInBatchesOfOneJournalEntryEachAndComeBackAfterARestart) {
    constexpr std::size_t n = 2 * recforward::kBatchRows + 5;
    const auto records = Records(n);
    const int before = CFileUtil::GetNextSerial(1);
    const auto res = recforward::ResendRecords(records, recforward::WritersOf(p.sms.get(), nullptr), nullptr, progress);
    EXPECT_FALSE(res.stopped);
    EXPECT_EQ(steps, (std::vector<std::pair<std::size_t, std::size_t>>{
                         {recforward::kBatchRows, n}, {2 * recforward::kBatchRows, n}, {n, n}}));
    EXPECT_EQ(Additions(*p.sms), 3u);
    // In order, each to its own number with its name and text, ids as one call per row gives.
    const auto rows = p.sms->Immediate().Snapshot();
    std::size_t at = 0;
    int id = before;
    for (std::size_t i = 0; i < n; ++i) {
        if (i % 500 == 7) continue;
        ASSERT_LT(at, rows.size());
        id += 3;
        EXPECT_EQ(rows[at].cells[queue::kColNumber], records[i].number) << i;
        EXPECT_EQ(rows[at].cells[queue::kColNameOrFiles], records[i].name) << i;
        EXPECT_EQ(rows[at].cells[queue::kColText], i == n / 2 ? std::string(511, 'x') : records[i].text) << i;
        EXPECT_EQ(rows[at].cells[queue::kColId], std::to_string(id)) << i;
        ++at;
    }
    EXPECT_EQ(at, rows.size());
    EXPECT_EQ(res.queued, static_cast<int>(rows.size()));
    EXPECT_EQ(CFileUtil::GetNextSerial(1), id + 3);
    ExpectSameAfterRestart();
}

TEST_F(BulkResend, AStopAtABatchBoundaryKeepsExactlyTheFinishedBatches) {
    constexpr std::size_t n = 3 * recforward::kBatchRows;
    stopAfter = 2;
    const auto res = recforward::ResendRecords(Records(n), recforward::WritersOf(p.sms.get(), nullptr), nullptr, progress);
    EXPECT_TRUE(res.stopped);
    EXPECT_EQ(steps.size(), 2u);
    const auto numbers = queuetest::Column(p.sms->Immediate(), queue::kColNumber);
    ASSERT_EQ(numbers.size(), 2 * recforward::kBatchRows - 8);  // four short numbers among them
    EXPECT_EQ(res.queued, static_cast<int>(numbers.size()));
    EXPECT_EQ(numbers.back(), std::to_string(13900000000LL + 2 * recforward::kBatchRows - 1));
    EXPECT_EQ(Additions(*p.sms), 2u);
    ExpectSameAfterRestart();

    // A stop asked for at the last call stops nothing.
    p.sms->Immediate().Clear();
    steps.clear();
    stopAfter = 1;
    EXPECT_FALSE(recforward::ResendRecords(Records(10), recforward::WritersOf(p.sms.get(), nullptr), nullptr, progress)
                     .stopped);
}

TEST_F(BulkResend, ForwardToManyNumbersInBatchesAndItsStop) {
    std::vector<std::string> numbers;
    for (std::size_t i = 0; i < recforward::kBatchRows + 10; ++i)
        numbers.push_back(i == 3 ? "abc" : std::to_string(13700000000LL + i));
    const recforward::RecordRow sms{"接收短信", "张三", "13800000000", "转发的内容", "", ""};
    const int base = CFileUtil::GetNextSerial(0) + 2;
    EXPECT_EQ(recforward::ForwardRecord(sms, numbers, "", false, recforward::WritersOf(p.sms.get(), p.mms.get()), progress),
              static_cast<int>(numbers.size() - 1));
    EXPECT_EQ(steps, (std::vector<std::pair<std::size_t, std::size_t>>{
                         {recforward::kBatchRows, numbers.size() - 1}, {numbers.size() - 1, numbers.size() - 1}}));
    EXPECT_EQ(Additions(*p.sms), 2u);
    const auto rows = p.sms->Immediate().Snapshot();
    ASSERT_EQ(rows.size(), numbers.size() - 1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].cells[queue::kColNumber], numbers[i < 3 ? i : i + 1]) << i;
        EXPECT_EQ(rows[i].cells[queue::kColId], std::to_string(base + static_cast<int>(i))) << i;
        EXPECT_EQ(rows[i].cells[queue::kColNameOrFiles], "") << i;
    }
    ExpectSameAfterRestart();

    // An MMS record: the file list and package go along; a stop after the first call.
    steps.clear();
    stopAfter = 1;
    const recforward::RecordRow mms{"已发送彩信", "", "13800000000", "旧标题", "组\\包", "a.txt#b.gif#"};
    EXPECT_EQ(recforward::ForwardRecord(mms, numbers, "新标题", true, recforward::WritersOf(p.sms.get(), p.mms.get()),
                                        progress),
              static_cast<int>(recforward::kBatchRows));
    EXPECT_EQ(Additions(*p.mms), 1u);
    const auto mrows = p.mms->Immediate().Snapshot();
    ASSERT_EQ(mrows.size(), recforward::kBatchRows);
    EXPECT_EQ(mrows[5].cells, (std::vector<std::string>{"待发彩信", numbers[6], "a.txt#b.gif#", "新标题", "", "", "",
                                                        "组\\包", "", "", "1K", mrows[5].cells[queue::kColId]}));
    ExpectSameAfterRestart(true);
}

TEST_F(BulkResend, MmsRowsAreUploadedOneByOneAndQueuedInBulk) {
    fs::create_directories(p.dir.file("MMSSink/组"));
    testsupport::WriteFile(p.dir.file("MMSSink/组/包.qmx"), std::string(1500, 'x'));
    std::vector<recforward::RecordRow> rows;
    for (int i = 0; i < 7; ++i)
        rows.push_back({"已发送彩信", "", i == 1 ? "5" : std::to_string(13900000000LL + i), "标题" + std::to_string(i),
                        i == 2 ? "组\\无" : "组\\包", ""});
    std::vector<std::string> uploaded;
    const recforward::UploadFn upload = [&](const std::string& path) {
        uploaded.push_back(path);
        // The fourth upload fails.
        return uploaded.size() == 3 ? std::string() : "f" + std::to_string(uploaded.size()) + ".txt#";
    };
    // Three rows a call, never held back for time.
    auto res = recforward::ResendRecords(rows, recforward::WritersOf(nullptr, p.mms.get()), upload, progress,
                                         {3, std::chrono::hours(1)});
    EXPECT_EQ(uploaded, std::vector<std::string>(5, g_strAppPath + "\\MMSSink\\组\\包.qmx"));
    EXPECT_TRUE(res.missingPackage);
    EXPECT_EQ(res.queued, 4);
    EXPECT_EQ(steps.size(), rows.size());  // one step per row
    const auto entries = p.mms->Journal().Read();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].count, 3u);
    EXPECT_EQ(entries[1].count, 1u);
    const auto queued = p.mms->Immediate().Snapshot();
    ASSERT_EQ(queued.size(), 4u);
    const char* expected[][3] = {{"13900000000", "f1.txt#", "标题0"}, {"13900000003", "f2.txt#", "标题3"},
                                 {"13900000005", "f4.txt#", "标题5"}, {"13900000006", "f5.txt#", "标题6"}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(queued[i].cells[queue::kColNumber], expected[i][0]);
        EXPECT_EQ(queued[i].cells[queue::kColNameOrFiles], expected[i][1]);
        EXPECT_EQ(queued[i].cells[queue::kColText], expected[i][2]);
        EXPECT_EQ(queued[i].cells[queue::kColPackage], "组\\包");
        EXPECT_EQ(queued[i].cells[queue::kColSize], "2K");
        if (i) EXPECT_EQ(std::stoi(queued[i].cells[queue::kColId]), std::stoi(queued[i - 1].cells[queue::kColId]) + 3);
    }
    ExpectSameAfterRestart(true);

    // A stop after the fourth row: the uploads so far are queued, no more go up.
    p.mms->Immediate().Clear();
    uploaded.clear();
    steps.clear();
    stopAfter = 4;
    res = recforward::ResendRecords(rows, recforward::WritersOf(nullptr, p.mms.get()), upload, progress,
                                    {100, std::chrono::hours(1)});
    EXPECT_TRUE(res.stopped);
    EXPECT_EQ(uploaded.size(), 2u);
    EXPECT_EQ(queuetest::Column(p.mms->Immediate(), queue::kColNumber),
              (std::vector<std::string>{"13900000000", "13900000003"}));

    // Held back for no time: one call per upload.
    p.SaveBoth();
    uploaded.clear();
    steps.clear();
    stopAfter = 0;
    res = recforward::ResendRecords(rows, recforward::WritersOf(nullptr, p.mms.get()), upload, progress,
                                    {100, std::chrono::milliseconds(0)});
    EXPECT_EQ(res.queued, 4);
    EXPECT_EQ(Additions(*p.mms), 4u);
}

// The MMS page resends through a real FTP server.
struct MmsResend : MmsForward {
    testsupport::FtpServerFixture ftp{-1, dir.file("ftproot")};
    MmsResend() {
        EXPECT_TRUE(ftp.ok()) << ftp.Stderr();
        UsePort(ftp.port());
        ftp::SetTimeouts({5000, 5000, 5000});
        clk::SetFixed(2026, 11, 6, 14, 3, 9);
        g_nSerialNo = 40;
    }
    ~MmsResend() override { ftp::SetTimeouts({}); }
    static void UsePort(int port) {
        LoginInfo info = GetLoginInfo();
        info.strFtpServer = "127.0.0.1";
        info.nFtpPort = port;
        info.strFtpUser = testsupport::FtpServerFixture::kWriter;
        info.strFtpPassword = testsupport::FtpServerFixture::kWriterPassword;
        SetLoginInfo(info);
    }
    // A library package of one text frame.
    void Package(const std::string& name, const std::string& text) {
        CMMSPackage maker;
        maker.m_strWorkFolder = dir.file("make");
        fs::create_directories(maker.m_strWorkFolder);
        maker.New();
        maker.SetText(0, text, 0);
        fs::create_directories(dir.file("MMSSink"));
        ASSERT_EQ(maker.Save(dir.file("MMSSink/" + name + ".qmx"), 0), 1);
    }
};

TEST_F(MmsResend, EachRowUploadsUnderItsOwnSerialAndIsQueued) {
    Package("pkg", "正文");
    List({MmsRec(1, "已发送彩信", "13900000001", "pkg", "old-00.txt#"), MmsRec(2, "发送失败彩信", "13900000002", "pkg"),
          MmsRec(3, "已发送彩信", "5", "pkg")},
         {0, 1, 2});
    // The window keeps serving its timers during the uploads, and the label shows the progress.
    std::set<std::string> shown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { shown.insert(codec::FromQ(CountLabel())); });
    watch.start(1);
    page->OnResend();
    watch.stop();
    ASSERT_TRUE(DrainUi());
    EXPECT_EQ(messages, std::vector<std::string>{recforward::kResendDoneText});
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](const std::string& t) { return t.rfind("正在重发信息：", 0) == 0; }))
        << testing::PrintToString(shown);
    EXPECT_EQ(CountLabel(), "列表中显示信息3条。");
    const auto rows = Mms();
    ASSERT_EQ(rows.size(), 2u);
    // The same second, two serials: two prefixes, both uploaded.
    std::set<std::string> lists;
    for (const auto& r : rows) {
        lists.insert(r.cells[queue::kColNameOrFiles]);
        EXPECT_EQ(r.cells[queue::kColPackage], "pkg");
        EXPECT_EQ(r.cells[queue::kColTime], "");
    }
    EXPECT_EQ(lists, (std::set<std::string>{"401106140309-00.txt#", "411106140309-00.txt#"}));
    EXPECT_EQ(ftp.ReadRemote("401106140309-00.txt"), codec::ToGbk("正文"));
    EXPECT_TRUE(ftp.HasRemote("411106140309-00.txt"));
    EXPECT_EQ(g_nSerialNo.load(), 42);
    EXPECT_TRUE(fs::is_empty(dir.file("MMSListTemp")));
}

TEST_F(MmsResend, FailedUploadAndMissingPackageQueueNothing) {
    Package("pkg", "正文");
    List({MmsRec(1, "已发送彩信", "13900000001", "gone"), MmsRec(2, "已发送彩信", "13900000002", "gone")}, {0, 1});
    page->OnResend();
    ASSERT_TRUE(DrainUi());
    EXPECT_EQ(messages, std::vector<std::string>{recforward::kNoPackageText});
    EXPECT_EQ(g_nSerialNo.load(), 40);  // nothing went up

    messages.clear();
    List({MmsRec(3, "已发送彩信", "13900000003", "pkg")}, {0});
    int closed = 0;
    {
        testsupport::FtpServerFixture probe;
        closed = probe.port();
    }
    UsePort(closed);  // nobody listens: the upload fails with its message and uses no serial
    page->OnResend();
    ASSERT_TRUE(DrainUi());
    EXPECT_EQ(messages, std::vector<std::string>{"提交彩信文件时，连接服务器失败。"});
    EXPECT_EQ(g_nSerialNo.load(), 40);
    EXPECT_TRUE(Mms().empty());

    // The server refuses the user: the same.
    messages.clear();
    UsePort(ftp.port());
    LoginInfo info = GetLoginInfo();
    info.strFtpUser = testsupport::FtpServerFixture::kReader;
    info.strFtpPassword = testsupport::FtpServerFixture::kReaderPassword;
    SetLoginInfo(info);
    List({MmsRec(4, "已发送彩信", "13900000004", "pkg")}, {0});
    page->OnResend();
    ASSERT_TRUE(DrainUi());
    EXPECT_EQ(messages, std::vector<std::string>{"提交彩信文件时，打开目标文件失败。"});
    EXPECT_EQ(g_nSerialNo.load(), 40);
    EXPECT_TRUE(Mms().empty());

    // The next upload that goes up takes the number.
    messages.clear();
    UsePort(ftp.port());
    List({MmsRec(5, "已发送彩信", "13900000005", "pkg")}, {0});
    page->OnResend();
    ASSERT_TRUE(DrainUi());
    EXPECT_EQ(messages, std::vector<std::string>{recforward::kResendDoneText});
    ASSERT_EQ(Mms().size(), 1u);
    EXPECT_EQ(Mms()[0].cells[queue::kColNameOrFiles], "401106140309-00.txt#");
    EXPECT_EQ(g_nSerialNo.load(), 41);
    LoadSerialNo();  // "流水号" as saved
    EXPECT_EQ(g_nSerialNo.load(), 41);
}

}  // namespace
