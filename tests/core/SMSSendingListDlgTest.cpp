#include "core/SMSSendingListDlg.h"
#include "core/SendingListDlg.h"
#include "QueueTestSupport.h"
#include "platform/Clock.h"
#include "core/SMSTextDlg.h"
#include "uikit/SkinDialog.h"

#include "core/Globals.h"
#include "platform/RowStoreModel.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"
#include "uikit/Resources.h"
#include "uikit/SortHeaderCtrl.h"
#include "uikit/SortListCtrl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <set>

using namespace smsbatch;

namespace {

struct PageFixture {
    testsupport::TempAppDir dir;
    std::vector<std::string> messages;
    int answer = 1;
    seam::ScopedMessageBox box{[this](const std::string& text, int) {
        messages.push_back(text);
        return answer;
    }};
    const bool mms;
    std::unique_ptr<CPendingPage> owned;
    CPendingPage& page;

    // The SMS page or its MMS twin; the shared behaviour holds for both.
    explicit PageFixture(bool isMms = false)
        : mms(isMms),
          owned(isMms ? std::unique_ptr<CPendingPage>(new CSendingListDlg)
                      : std::unique_ptr<CPendingPage>(new CSMSSendingListDlg)),
          page(*owned) {
        // The timed and cyclic stores are the program's shared ones.
        page.List(2).Clear();
        page.List(3).Clear();
    }
    void Queue(int n, const std::string& text = "t") {
        for (int i = 0; i < n; ++i) {
            if (mms) page.AddMMSItem(100 + i, "139" + std::to_string(i), "a.jpg", text, "pkg", "", 0);
            else page.AddSMSItem(100 + i, "139" + std::to_string(i), "", text, "", 0);
        }
        Sync();
    }
    // A batch of the page's kind.
    int Fetch(int device) {
        std::string nums, text, files;
        return mms ? page.Batch().FetchMMSBatch(device, nums, text, files)
                   : page.Batch().FetchSMSBatch(device, nums, text);
    }
    void Finish(int device, int result, int count) {
        if (mms) page.Batch().FinishMMSBatch(device, result, count);
        else page.Batch().FinishSMSBatch(device, result, count);
    }
    int Icon() const { return mms ? queue::kIconMms : queue::kIconSms; }
    void Sync() {
        for (int i = 1; i <= 3; ++i) page.View(i)->Model()->Sync();
    }
    void Select(int list, std::initializer_list<int> rowsToSelect) {
        uikit::CSortListCtrl* v = page.View(list);
        v->clearSelection();
        for (int r : rowsToSelect) v->SetItemSelected(r, true);
    }
    std::vector<std::string> Numbers(int list) {
        std::vector<std::string> out;
        for (const auto& r : page.List(list).Snapshot()) out.push_back(r.cells[kNumber]);
        return out;
    }
    QString Count() { return page.findChild<QLabel*>("1281")->text(); }
    // A left click on the header item of `col` of list `n`.
    void ClickHeader(int n, int col) {
        uikit::CSortHeaderCtrl* h = page.View(n)->GetHeaderCtrl();
        const QPoint pt(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2);
        QTest::mousePress(h->viewport(), Qt::LeftButton, {}, pt);
        QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, pt);
    }
};

class PendingPage : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(BothKinds, PendingPage, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Mms" : "Sms"; });

}  // namespace

TEST(SMSSendingListDlg, InitialisationReleasesTheQueueLock) {
    g_lockSMSQueue.Reset();
    testsupport::TempAppDir dir;
    CSMSSendingListDlg page;
    EXPECT_TRUE(g_lockSMSQueue.Wait(0));
    g_lockSMSQueue.Set();
    EXPECT_EQ(page.objectName(), "158");
    for (const char* id : {"1034", "1035", "1036", "1050", "1051", "1330", "1047", "1002", "1004", "1003",
                           "1065", "1064", "1281"})
        EXPECT_NE(page.findChild<QWidget*>(id), nullptr) << id;
    EXPECT_EQ(page.findChild<QPushButton*>("1065")->text(), "允许发送状态");
    const int widths[12] = {90, 120, 80, 350, 0, 0, 0, 0, 0, 0, 120, 0};
    for (int n = 1; n <= 3; ++n) {
        ASSERT_EQ(page.View(n)->GetColumnCount(), 12);
        for (int c = 0; c < 12; ++c)
            EXPECT_EQ(page.View(n)->GetColumnWidth(c), n > 1 && c == 4 ? 140 : widths[c]) << n << " " << c;
    }
    EXPECT_EQ(page.View(1)->GetColumnHeading(4), "定时发送时间");
    EXPECT_EQ(page.View(3)->GetColumnHeading(4), "发送周期和时间");
    EXPECT_EQ(page.View(3)->GetColumnHeading(6), "上次发送日期");
    EXPECT_EQ(page.View(3)->model()->headerData(4, Qt::Horizontal).toString(), "发送周期和时间");
}

TEST_P(PendingPage, PrioritySendMovesSelectedRowsToTheTop) {
    PageFixture f(GetParam());
    f.Queue(7);
    f.Select(1, {3, 5});
    f.page.OnPrioritySend();
    EXPECT_EQ(f.Numbers(1), (std::vector<std::string>{"1395", "1393", "1390", "1391", "1392", "1394", "1396"}));
    EXPECT_TRUE(f.messages.empty());
    const auto top = f.page.ImmediateList().Snapshot()[0];
    EXPECT_EQ(top.cells[kId], "105");
    EXPECT_EQ(top.icon, f.Icon());

    f.Sync();
    f.page.View(1)->clearSelection();
    f.page.OnPrioritySend();
    f.Select(1, {0, 2});
    f.page.OnPrioritySend();
    EXPECT_EQ(f.messages, (std::vector<std::string>{"请先选择要优先发送的信息！", "已经处于优先发送位置了！"}));
}

TEST_P(PendingPage, PrioritySendStopsAtAHeldRow) {
    PageFixture f(GetParam());
    f.Queue(5);
    f.page.ImmediateList().SetCell(f.page.ImmediateList().IdAt(3), kState, kHeld);
    f.Select(1, {1, 3, 4});
    f.page.OnPrioritySend();
    EXPECT_EQ(f.messages, (std::vector<std::string>{"已经处于收发状态中的信息不能再作优先！"}));
    // The row moved before the held one stays moved; the one after it is not moved.
    EXPECT_EQ(f.Numbers(1), (std::vector<std::string>{"1391", "1390", "1392", "1393", "1394"}));
}

TEST_P(PendingPage, DeleteAndCancelAllAskFirstAndKeepHeldRowsForTheirCompletion) {
    PageFixture f(GetParam());
    std::vector<MsgRecord> logged;
    f.page.Batch().SetRecordSink([&](const MsgRecord& r) { logged.push_back(r); });
    f.Queue(5);
    EXPECT_EQ(f.Count(), "5条。");
    f.page.OnDeleteSend();
    EXPECT_EQ(f.messages.back(), "请先选择要取消发送的信息！");

    ASSERT_EQ(f.Fetch(1), 5);
    f.Queue(1);
    f.Select(1, {0, 5});
    f.answer = 0;
    f.page.OnDeleteSend();
    EXPECT_EQ(f.messages.back(), "真的要取消选中的信息吗？");
    EXPECT_EQ(f.page.ImmediateList().Count(), 6u);
    f.answer = 1;
    f.page.OnDeleteSend();
    EXPECT_EQ(f.Numbers(1), (std::vector<std::string>{"1391", "1392", "1393", "1394"}));
    EXPECT_EQ(f.Count(), "4条。");
    EXPECT_EQ(f.page.ImmediateList().Snapshot()[0].icon, f.mms ? queue::kIconHeldMms : queue::kIconHeldSms);

    f.page.OnCancelAll();
    EXPECT_EQ(f.messages.back(), "真的要取消列表中的全部待操作信息吗？");
    EXPECT_EQ(f.page.ImmediateList().Count(), 0u);
    EXPECT_EQ(f.Count(), "0条。");
    // The request that was out is still recorded, every number of it.
    f.Finish(1, 1, 5);
    ASSERT_EQ(logged.size(), 5u);
    EXPECT_EQ(msgrec::GetField(logged[0].szType), f.mms ? "已发送彩信" : "已发送短信");
}

TEST(SMSSendingListDlg, ExportOfATimedEntryWritesOneNumberPerLine) {
    PageFixture f;
    f.page.AddSMSItem(1, "13800000001 13800000002 13800000003", "", "t", "2026-12-08 10:00:00", 0);
    f.page.AddSMSItem(2, "13900000001", "", "t", "", 0);
    f.Sync();
    ASSERT_EQ(f.page.List(2).Count(), 1u);
    f.page.OnShowTimedList();
    EXPECT_EQ(f.page.ShownList(), 2);
    EXPECT_FALSE(f.page.findChild<QPushButton*>("1004")->isEnabled());
    EXPECT_FALSE(f.page.View(1)->isVisibleTo(&f.page));
    const std::string out = f.dir.file("out.txt");
    seam::FileDialogRequest asked;
    {
        seam::ScopedFileDialog dlg([&](const seam::FileDialogRequest& r) -> std::optional<std::string> {
            asked = r;
            return out;
        });
        f.page.OnExportNumbers();
    }
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.title, "输入号码导出的TXT文件名");
    EXPECT_EQ(asked.filter, "文本文件(*.TXT)|*.txt|");
    EXPECT_EQ(asked.defaultExt, "txt");
    EXPECT_EQ(testsupport::ReadFile(out), "13800000001\r\n13800000002\r\n13800000003\r\n");
    EXPECT_EQ(f.messages.back(), "导出号码操作完毕！");

    // Cancelled dialog: nothing written, no message.
    f.messages.clear();
    seam::ScopedFileDialog cancel([](const seam::FileDialogRequest&) { return std::optional<std::string>(); });
    f.page.OnShowImmediateList();
    f.page.OnExportNumbers();
    EXPECT_TRUE(f.messages.empty());
}

// Cancel-all and the number export run under the wait cursor; their question, file dialog and
// message show without it.
TEST(SMSSendingListDlg, WaitCursorOverCancelAllAndTheExportOnly) {
    PageFixture f;
    std::set<int> shown, changed;
    seam::ScopedMessageBox box([&](const std::string& t, int) {
        f.messages.push_back(t);
        shown.insert(testsupport::WaitCursorDepth());
        return 1;
    });
    seam::ScopedFileDialog dlg([&](const seam::FileDialogRequest&) -> std::optional<std::string> {
        shown.insert(testsupport::WaitCursorDepth());
        return f.dir.file("out.txt");
    });
    f.Queue(3);
    f.page.OnExportNumbers();
    EXPECT_EQ(testsupport::ReadFile(f.dir.file("out.txt")), "1390\r\n1391\r\n1392\r\n");
    EXPECT_EQ(testsupport::WaitCursorDepth(), 0);
    QObject::connect(f.page.View(1)->Model(), &QAbstractItemModel::rowsRemoved,
                     [&] { changed.insert(testsupport::WaitCursorDepth()); });
    QObject::connect(f.page.View(1)->Model(), &QAbstractItemModel::modelReset,
                     [&] { changed.insert(testsupport::WaitCursorDepth()); });
    f.page.OnCancelAll();
    EXPECT_EQ(f.page.ImmediateList().Count(), 0u);
    EXPECT_EQ(f.messages, (std::vector<std::string>{"导出号码操作完毕！", "真的要取消列表中的全部待操作信息吗？"}));
    EXPECT_EQ(shown, std::set<int>{0});
    EXPECT_EQ(changed, std::set<int>{1});
    EXPECT_EQ(testsupport::WaitCursorDepth(), 0);
}

TEST_P(PendingPage, PauseToggleStopsNewBatches) {
    PageFixture f(GetParam());
    f.Queue(2);
    f.page.OnPauseToggle();
    EXPECT_EQ(f.page.findChild<QPushButton*>("1065")->text(), "暂停发送状态");
    EXPECT_EQ(f.Fetch(0), 0);
    f.page.OnPauseToggle();
    EXPECT_EQ(f.page.findChild<QPushButton*>("1065")->text(), "允许发送状态");
    EXPECT_EQ(f.Fetch(0), 2);
}

TEST(SMSSendingListDlg, HeaderClickSortsTheStoreAndSoTheSendingOrder) {
    PageFixture f;
    f.page.resize(900, 500);
    f.page.show();
    f.page.AddSMSItem(1, "10", "", "c", "", 0);
    f.page.AddSMSItem(2, "9", "", "a", "", 0);
    f.page.AddSMSItem(3, "2", "", "b", "", 0);
    f.Sync();
    // Numbers by value, not by their digits.
    f.ClickHeader(1, kNumber);
    EXPECT_EQ(f.Numbers(1), (std::vector<std::string>{"2", "9", "10"}));
    EXPECT_EQ(f.page.View(1)->GetSortColumn(), kNumber);
    f.ClickHeader(1, kNumber);
    EXPECT_EQ(f.Numbers(1), (std::vector<std::string>{"10", "9", "2"}));
    // The view shows the store's order.
    for (int r = 0; r < 3; ++r) EXPECT_EQ(f.page.View(1)->GetItemId(r), f.page.ImmediateList().IdAt(r));
    std::string nums, text;
    f.page.FetchSMSBatch(0, nums, text);
    EXPECT_EQ(nums, "10");
    // The timed list sorts its own store.
    f.page.AddSMSItem(4, "13900000002", "", "t", "2026-12-08 10:00:00", 0);
    f.page.AddSMSItem(5, "13900000001", "", "t", "2026-12-08 10:00:00", 0);
    f.page.OnShowTimedList();
    f.Sync();
    f.ClickHeader(2, kNumber);
    EXPECT_EQ(f.Numbers(2), (std::vector<std::string>{"13900000001", "13900000002"}));
}

TEST(SMSSendingListDlg, ImmediateRowsShowTheirIconsOverTheRowGradient) {
    PageFixture f;
    f.page.resize(900, 420);
    f.page.show();
    f.page.AddSMSItem(1, "13800000001", "张三", "您好，这是一条测试短信。", "", 0);
    f.page.AddSMSItem(2, "13800000002", "李四", "您好，这是一条测试短信。", "", 0);
    f.page.AddMMSItem(3, "13800000003", "a.jpg", "彩信标题", "", "", 0);
    f.page.AddSMSItem(4, "13800000004", "", "另一条短信", "", 0);
    std::string nums, text;
    ASSERT_EQ(f.page.FetchSMSBatch(2, nums, text), 2);
    f.Sync();
    uikit::CSortListCtrl* list = f.page.View(1);
    list->SetItemSelected(3, true);
    list->SetShowSelAlways(true);
    QApplication::processEvents();  // the count label's relayout
    const QImage shot = f.page.grab().toImage();
    QDir().mkpath(QString(SMS_BUILD_DIR) + "/screens");
    shot.save(QString(SMS_BUILD_DIR) + "/screens/sms_pending.png");

    const QImage strip = uikit::res::Bitmap(439).convertToFormat(QImage::Format_RGB32);
    ASSERT_GE(strip.width(), 16 * 15);
    const QImage rows = list->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int h = list->RowHeight();
    // Row r shows icon `icon`: its opaque pixels as drawn, its green ones as the row behind.
    auto iconShown = [&](int r, int icon) {
        const int top = r * h + (h - 16) / 2;
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb want = strip.pixel(16 * icon + x, y) & 0xFFFFFF;
                const QRgb got = rows.pixel(x, top + y) & 0xFFFFFF;
                if (want == 0x00FF00) {
                    if (got == 0x00FF00) return false;
                } else {
                    if (got != want) return false;
                    ++opaque;
                }
            }
        return opaque > 20;
    };
    for (int r = 0; r < 3; ++r) EXPECT_EQ(list->Store()->Row(list->GetItemId(r))->icon, r < 2 ? 14 : 9) << r;
    EXPECT_TRUE(iconShown(0, 14));
    EXPECT_TRUE(iconShown(1, 14));
    EXPECT_TRUE(iconShown(2, 9));
    EXPECT_FALSE(iconShown(2, 10));
}

TEST(SendingListDlg, IsTheSmsPageWithTheMmsData) {
    g_lockMMSQueue.Reset();
    PageFixture f(true);
    EXPECT_TRUE(g_lockMMSQueue.Wait(0));
    g_lockMMSQueue.Set();
    EXPECT_EQ(f.page.objectName(), "138");
    EXPECT_EQ(f.page.findChild<QPushButton*>("1012")->text(), "刷新彩信大小");
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(f.page.View(n)->GetColumnHeading(2), "下载文件名");
        EXPECT_EQ(f.page.View(n)->GetColumnWidth(2), 180);
    }
    // Same title, other file list: two batches; no long-text expansion of the title.
    const std::string title(400, 'x');
    f.page.AddMMSItem(1, "13800000001", "a.jpg", title, "p", "", 0);
    f.page.AddMMSItem(2, "13800000002", "a.jpg", title, "p", "", 0);
    f.page.AddMMSItem(3, "13800000003", "b.jpg", title, "p", "", 0);
    std::string nums, text, files;
    ASSERT_EQ(f.page.Batch().FetchMMSBatch(4, nums, text, files), 2);
    EXPECT_EQ(nums, "13800000001,13800000002");
    EXPECT_EQ(files, "a.jpg");
    EXPECT_EQ(text, title);
    EXPECT_EQ(f.page.ImmediateList().Snapshot()[0].icon, queue::kIconHeldMms);
    ASSERT_EQ(f.page.Batch().FetchMMSBatch(5, nums, text, files), 1);
    EXPECT_EQ(files, "b.jpg");
}

TEST(SendingListDlg, RefreshMmsSizeUpdatesEveryMmsRowOfTheThreeLists) {
    PageFixture f(true);
    std::filesystem::create_directories(f.dir.file("MMSSink"));
    f.page.AddMMSItem(1, "13800000001", "a.jpg", "t", "big", "", 0);
    f.page.AddSMSItem(2, "13800000002", "", "sms", "", 0);
    f.page.AddMMSItem(3, "13800000003", "a.jpg", "t", "big", "2026-12-08 10:00:00", 0);
    f.page.AddMMSItem(4, "13800000004", "a.jpg", "t", "big", "[每日]8时30分", 0);
    testsupport::WriteFile(f.dir.file("MMSSink/big.qmx"), std::string(5500, 'q'));
    f.page.List(1).SetCell(f.page.List(1).IdAt(1), kSize, "keep");
    static_cast<CSendingListDlg&>(f.page).OnRefreshMMSSize();
    const auto immediate = f.page.List(1).Snapshot();
    ASSERT_EQ(immediate.size(), 2u);
    EXPECT_EQ(immediate[0].cells[kSize], "6K");
    EXPECT_EQ(immediate[1].cells[kSize], "keep");
    ASSERT_EQ(f.page.List(2).Count(), 1u);
    EXPECT_EQ(f.page.List(2).Snapshot()[0].cells[kSize], "6K");
    for (const auto& r : f.page.List(3).Snapshot()) EXPECT_EQ(r.cells[kSize], "6K");
}

TEST(SendingListDlg, DoubleClickStartsThePlayerOrShowsTheTextReadOnly) {
    PageFixture f(true);
    // A stub player records its arguments.
    const std::string player = f.dir.file("MMSPlayer");
    const std::string argsFile = f.dir.file("player-args.txt");
    testsupport::WriteFile(player, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + argsFile + ".tmp\" && mv \"" + argsFile +
                                       ".tmp\" \"" + argsFile + "\"\n");
    std::filesystem::permissions(player, std::filesystem::perms::owner_all);
    f.page.AddMMSItem(1, "13800000001", "", "短信正文", "", "", 0);
    f.page.AddMMSItem(2, "13800000002", "a.jpg", "t", "Midi", "", 0);
    f.Sync();

    std::string shown;
    int readOnly = -1;
    {
        ScopedModalRun run([&](CSkinDialog& d) {
            auto& dlg = dynamic_cast<CSMSTextDlg&>(d);
            shown = dlg.m_strText;
            readOnly = dlg.m_nReadOnly;
            return 2;
        });
        f.Select(1, {0});
        static_cast<CSendingListDlg&>(f.page).OnDblclkImmediateList();
    }
    EXPECT_EQ(shown, "短信正文");
    EXPECT_EQ(readOnly, 1);
    EXPECT_FALSE(std::filesystem::exists(argsFile));

    f.Select(1, {1});
    static_cast<CSendingListDlg&>(f.page).OnDblclkImmediateList();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return std::filesystem::exists(argsFile); }));
    EXPECT_EQ(testsupport::ReadFile(argsFile), f.dir.file("MMSSink/Midi.qmx") + "\n");

    // A player that cannot be started reports nothing.
    std::filesystem::remove(player);
    static_cast<CSendingListDlg&>(f.page).OnDblclkImmediateList();
    EXPECT_TRUE(f.messages.empty());
}

TEST(SendingListDlg, CyclicEntriesWaitForTheFirstMmsBalanceReply) {
    PageFixture f(true);
    const int old = g_nMmsBalance.exchange(-1);  // the value at start-up
    queuetest::ClockGuard guard;
    f.page.AddMMSItem(1, "1 2 3", "a.jpg", "t", "G\\N", "[每日]8时0分", 0);
    clk::SetFixed(2026, 12, 8, 9, 0, 0);
    f.page.CheckCyclicItems();
    EXPECT_EQ(f.page.ImmediateList().Count(), 0u);
    EXPECT_EQ(*f.page.List(3).Cell(f.page.List(3).IdAt(0), kSubmit), "-46141");  // not marked sent
    g_nMmsBalance = 2;
    f.page.CheckCyclicItems();
    EXPECT_EQ(f.Numbers(1), (std::vector<std::string>{"1", "2"}));
    g_nMmsBalance = old;
}
