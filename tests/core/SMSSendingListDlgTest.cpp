#include "core/SMSSendingListDlg.h"

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
    CSMSSendingListDlg page;

    PageFixture() {
        // The timed and cyclic stores are the program's shared ones.
        page.List(2).Clear();
        page.List(3).Clear();
    }
    void Queue(int n, const std::string& text = "t") {
        for (int i = 0; i < n; ++i) page.AddSMSItem(100 + i, "139" + std::to_string(i), "", text, "", 0);
        Sync();
    }
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

TEST(SMSSendingListDlg, PrioritySendMovesSelectedRowsToTheTop) {
    PageFixture f;
    f.Queue(7);
    f.Select(1, {3, 5});
    f.page.OnPrioritySend();
    EXPECT_EQ(f.Numbers(1), (std::vector<std::string>{"1395", "1393", "1390", "1391", "1392", "1394", "1396"}));
    EXPECT_TRUE(f.messages.empty());
    const auto top = f.page.ImmediateList().Snapshot()[0];
    EXPECT_EQ(top.cells[kId], "105");
    EXPECT_EQ(top.icon, 10);

    f.Sync();
    f.page.View(1)->clearSelection();
    f.page.OnPrioritySend();
    f.Select(1, {0, 2});
    f.page.OnPrioritySend();
    EXPECT_EQ(f.messages, (std::vector<std::string>{"请先选择要优先发送的信息！", "已经处于优先发送位置了！"}));
}

TEST(SMSSendingListDlg, PrioritySendStopsAtAHeldRow) {
    PageFixture f;
    f.Queue(5);
    f.page.ImmediateList().SetCell(f.page.ImmediateList().IdAt(3), kState, kHeld);
    f.Select(1, {1, 3, 4});
    f.page.OnPrioritySend();
    EXPECT_EQ(f.messages, (std::vector<std::string>{"已经处于收发状态中的信息不能再作优先！"}));
    // The row moved before the held one stays moved; the one after it is not moved.
    EXPECT_EQ(f.Numbers(1), (std::vector<std::string>{"1391", "1390", "1392", "1393", "1394"}));
}

TEST(SMSSendingListDlg, DeleteAndCancelAllAskFirstAndKeepHeldRowsForTheirCompletion) {
    PageFixture f;
    std::vector<MsgRecord> logged;
    f.page.Batch().SetRecordSink([&](const MsgRecord& r) { logged.push_back(r); });
    f.Queue(5);
    EXPECT_EQ(f.Count(), "5条。");
    f.page.OnDeleteSend();
    EXPECT_EQ(f.messages.back(), "请先选择要取消发送的信息！");

    std::string nums, text;
    ASSERT_EQ(f.page.FetchSMSBatch(1, nums, text), 5);
    f.page.AddSMSItem(300, "new", "", "t", "", 0);
    f.Sync();
    f.Select(1, {0, 5});
    f.answer = 0;
    f.page.OnDeleteSend();
    EXPECT_EQ(f.messages.back(), "真的要取消选中的信息吗？");
    EXPECT_EQ(f.page.ImmediateList().Count(), 6u);
    f.answer = 1;
    f.page.OnDeleteSend();
    EXPECT_EQ(f.Numbers(1), (std::vector<std::string>{"1391", "1392", "1393", "1394"}));
    EXPECT_EQ(f.Count(), "4条。");

    f.page.OnCancelAll();
    EXPECT_EQ(f.messages.back(), "真的要取消列表中的全部待操作信息吗？");
    EXPECT_EQ(f.page.ImmediateList().Count(), 0u);
    EXPECT_EQ(f.Count(), "0条。");
    // The request that was out is still recorded, every number of it.
    f.page.FinishSMSBatch(1, 1, 5);
    EXPECT_EQ(logged.size(), 5u);
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

TEST(SMSSendingListDlg, PauseToggleStopsNewBatches) {
    PageFixture f;
    f.Queue(2);
    f.page.OnPauseToggle();
    EXPECT_EQ(f.page.findChild<QPushButton*>("1065")->text(), "暂停发送状态");
    std::string nums, text;
    EXPECT_EQ(f.page.FetchSMSBatch(0, nums, text), 0);
    f.page.OnPauseToggle();
    EXPECT_EQ(f.page.findChild<QPushButton*>("1065")->text(), "允许发送状态");
    EXPECT_EQ(f.page.FetchSMSBatch(0, nums, text), 2);
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
