// The skinned dialog base and the message box: shape, frame, title pieces, zones, results.
#include "UiTestUtil.h"
#include "platform/Clock.h"
#include "platform/Seams.h"
#include "support/TestSupport.h"
#include "uikit/MessageDlg.h"
#include "uikit/Resources.h"
#include "uikit/SkinDialog.h"

#include <QPainter>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace uitest;

namespace {
const QColor kFrame[4] = {QColor(0, 24, 156), QColor(0, 48, 198), QColor(0, 52, 222),
                          QColor(90, 130, 222)};
const QColor kWhite(255, 255, 255);

class TestDlg : public CSkinDialog {
public:
    explicit TestDlg(int w, int h, const QString& title = QString()) : CSkinDialog(900) {
        setFixedSize(w, h);
        setWindowTitle(title);
    }
    int drags = 0, cancels = 0, extras = 0;
    bool keepOpen = true;

protected:
    void BeginTitleDrag(const QPoint&) override { ++drags; }
    void OnCancel() override {
        ++cancels;
        if (!keepOpen) CSkinDialog::OnCancel();
    }
    void DrawFrameExtras(QPainter* p) override {
        ++extras;
        p->fillRect(QRect(40, 100, 2, 2), QColor(1, 2, 3));
    }
};

TEST(SkinDialog, RegionCutsSevenPixelsAtEachTopCorner) {
    const int w = 120, h = 80;
    const QRegion rgn = CSkinDialog::WindowShape(w, h);
    auto cut = [&](int y) {
        int left = 0, right = 0;
        for (int x = 0; x < w; ++x)
            if (!rgn.contains(QPoint(x, y))) (x < w / 2 ? left : right)++;
        return std::pair{left, right};
    };
    EXPECT_EQ(cut(0), (std::pair{4, 4}));
    EXPECT_EQ(cut(1), (std::pair{2, 2}));
    EXPECT_EQ(cut(2), (std::pair{1, 1}));
    EXPECT_EQ(cut(3), (std::pair{1, 1}));
    EXPECT_EQ(cut(4), (std::pair{0, 0}));
    EXPECT_TRUE(rgn.contains(QPoint(0, h - 1)));
    EXPECT_TRUE(rgn.contains(QPoint(w - 1, h - 1)));
    EXPECT_FALSE(rgn.contains(QPoint(3, 0)));
    EXPECT_TRUE(rgn.contains(QPoint(4, 0)));
    EXPECT_FALSE(rgn.contains(QPoint(w - 4, 0)));

    TestDlg dlg(w, h);
    dlg.show();
    EXPECT_EQ(dlg.mask(), rgn);
    dlg.hide();
}

TEST(SkinDialog, FrameColumnsAndTitlePieces) {
    const QImage bmp = uikit::res::Bitmap(222).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(bmp.size(), QSize(618, 28));
    const int bw = 618, bh = 28;
    TestDlg dlg(420, 300);
    const QImage img = Shot(dlg);
    SaveScreen(img, "dialog-empty-title");
    EXPECT_EQ(dlg.extras, 1);
    EXPECT_PX(img, 40, 100, QColor(1, 2, 3));
    for (int i = 0; i < 4; ++i) {
        EXPECT_PX(img, i, 150, kFrame[i]);
        EXPECT_PX(img, 419 - i, 150, kFrame[i]);
        EXPECT_PX(img, 200, 299 - i, kFrame[i]);
    }
    EXPECT_PX(img, 4, 150, kWhite);
    EXPECT_PX(img, 415, 150, kWhite);
    EXPECT_PX(img, 200, 295, kWhite);
    EXPECT_PX(img, 200, 28, kWhite);
    const int r = 420;
    for (int y = 0; y < bh; ++y) {
        for (int x = 0; x < 250; x += 7) ASSERT_EQ(img.pixel(x, y), bmp.pixel(x, y)) << x << "," << y;
        for (int k = 0; k < 50; ++k)
            ASSERT_EQ(img.pixel(r - 50 + k, y), bmp.pixel(bw - 52 + k, y)) << k << "," << y;
        for (int j = 0; j < r - 300; j += 5) {
            const int src = 250 + j * (bw - 302) / (r - 300);
            const QRgb got = img.pixel(250 + j, y);
            ASSERT_TRUE(got == bmp.pixel(src, y) || got == bmp.pixel(src + 1, y) || got == bmp.pixel(src - 1, y))
                << j << "," << y;
        }
    }
}

TEST(SkinDialog, NarrowDialogSkipsTheMiddlePiece) {
    const QImage bmp = uikit::res::Bitmap(222).convertToFormat(QImage::Format_RGB32);
    TestDlg dlg(200, 120);
    const QImage img = Shot(dlg);
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 150; ++x) ASSERT_EQ(img.pixel(x, y), bmp.pixel(x, y)) << x << "," << y;
        for (int x = 150; x < 200; ++x) ASSERT_EQ(img.pixel(x, y), bmp.pixel(618 - 52 + x - 150, y)) << x;
    }
}

// White title pixels, as a box.
QRect TitleInk(const QImage& img) {
    QRect box;
    for (int y = 0; y < 28; ++y)
        for (int x = 10; x < 240; ++x)
            if (Near(Px(img, x, y), kWhite, 60)) box |= QRect(x, y, 1, 1);
    return box;
}

TEST(SkinDialog, TitleTextAtSixteenEightFixedAtFirstPaint) {
    TestDlg dlg(300, 150, QStringLiteral("余额查询"));
    QImage img = Shot(dlg);
    SaveScreen(img, "dialog-title");
    const QRect ink = TitleInk(img);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), 16);
    EXPECT_LE(ink.left(), 19);
    EXPECT_GE(ink.top(), 8);
    EXPECT_LE(ink.bottom(), 23);
    // A later change of the window text does not show while the dialog is up.
    dlg.setWindowTitle(QStringLiteral("另一个很长的标题文字"));
    EXPECT_EQ(TitleInk(Shot(dlg)), ink);
}

TEST(SkinDialog, SecondShowingRebuildsTitleAndGeometry) {
    TestDlg dlg(300, 150, QStringLiteral("AAA"));
    dlg.show();
    Shot(dlg);
    EXPECT_TRUE(dlg.HasTitleBuffer());
    dlg.hide();
    EXPECT_FALSE(dlg.HasTitleBuffer()) << "buffers are freed when the dialog closes";
    dlg.setWindowTitle(QStringLiteral("BBB"));
    dlg.setFixedSize(400, 150);
    dlg.show();
    const QImage again = Shot(dlg);
    EXPECT_EQ(dlg.SavedClientRect(), QRect(0, 0, 400, 150));
    EXPECT_PX(again, 399, 100, kFrame[0]);
    TestDlg fresh(400, 150, QStringLiteral("BBB"));
    const QImage ref = Shot(fresh);
    EXPECT_EQ(again.copy(0, 0, 400, 28), ref.copy(0, 0, 400, 28));
    dlg.hide();
}

TEST(SkinDialog, DragAndCloseZonesOfTheTitleBar) {
    TestDlg dlg(300, 150);
    dlg.show();
    Shot(dlg);
    const int r = 300;
    struct Case {
        int x, y, drags, cancels;
    } cases[] = {{10, 5, 1, 0},      {r - 50, 28, 1, 0}, {r - 49, 10, 0, 0}, {r - 27, 10, 0, 0},
                 {r - 26, 10, 0, 1}, {r - 2, 28, 0, 1},  {r - 1, 10, 0, 0},  {r - 10, 29, 0, 0},
                 {10, 29, 0, 0}};
    for (const Case& c : cases) {
        dlg.drags = dlg.cancels = 0;
        SendMouse(&dlg, QEvent::MouseButtonPress, QPoint(c.x, c.y), Qt::LeftButton, Qt::LeftButton);
        SendMouse(&dlg, QEvent::MouseButtonRelease, QPoint(c.x, c.y), Qt::LeftButton, Qt::NoButton);
        EXPECT_EQ(dlg.drags, c.drags) << c.x << "," << c.y;
        EXPECT_EQ(dlg.cancels, c.cancels) << c.x << "," << c.y;
    }
    SendMouse(&dlg, QEvent::MouseMove, QPoint(r - 10, 10));
    EXPECT_EQ(dlg.cursor().shape(), Qt::BitmapCursor) << "hand cursor (picture 144) over the close zone";
    SendMouse(&dlg, QEvent::MouseMove, QPoint(100, 100));
    EXPECT_EQ(dlg.cursor().shape(), Qt::ArrowCursor);
    dlg.hide();
}

TEST(SkinDialog, CloseZoneCancelsTheModalRun) {
    TestDlg dlg(300, 150);
    dlg.keepOpen = false;
    QTimer::singleShot(0, [&] {
        Shot(dlg);
        SendMouse(&dlg, QEvent::MouseButtonPress, QPoint(290, 10), Qt::LeftButton, Qt::LeftButton);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(SkinDialog, ModalRunHookAnswersNestedDialogsAndIsRestored) {
    int calls = 0;
    {
        ScopedModalRun run([&](CSkinDialog& d) {
            ++calls;
            d.ShowForHook();
            EXPECT_TRUE(d.isVisible());
            if (calls == 1) {
                // A dialog opened from inside the hook goes through the hook as well.
                TestDlg inner(200, 100);
                EXPECT_EQ(inner.DoModal(), 7);
                d.OnOK();
                return d.result();
            }
            return 7;
        });
        TestDlg outer(300, 150);
        EXPECT_EQ(outer.DoModal(), IDOK);
        EXPECT_FALSE(outer.isVisible());
    }
    EXPECT_EQ(calls, 2);
    // Restored: no hook is left behind for the real modal run.
    EXPECT_FALSE(CSkinDialog::SetModalRunHook({}));
}

// Runs fn on the message box once it is up.
void WhenShown(std::function<void(CMessageDlg*)> fn) {
    QTimer::singleShot(0, [fn] {
        CMessageDlg* dlg = nullptr;
        testsupport::WaitUntil([&] {
            dlg = qobject_cast<CMessageDlg*>(QApplication::activeModalWidget());
            return dlg && dlg->isVisible();
        }, 5000);
        if (dlg) fn(dlg);
    });
}

TEST(MessageDlg, TypeZeroShowsOkAloneInItsTemplatePlace) {
    CMessageDlg dlg;
    dlg.m_strText = QStringLiteral("发送成功！\n共 3 条");
    QImage img;
    WhenShown([&](CMessageDlg* d) {
        img = Shot(*d);
        EXPECT_EQ(d->windowTitle(), QStringLiteral("消息提示！"));
        EXPECT_EQ(d->size(), QSize(280, 198));
        EXPECT_TRUE(d->m_btnOK.isVisible());
        EXPECT_EQ(d->m_btnOK.geometry(), QRect(99, 160, 75, 21));
        EXPECT_FALSE(d->m_btnCancel.isVisible());
        EXPECT_EQ(d->m_edtMessage.Text(), QStringLiteral("发送成功！\r\n共 3 条"));
        EXPECT_EQ(d->m_edtMessage.geometry(), QRect(42, 57, 223, 94));
        d->m_btnOK.click();
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    SaveScreen(img, "messagebox-type0");
    EXPECT_EQ(dlg.m_nType, 0);
}

TEST(MessageDlg, TypeOneShowsBothButtonsAtFixedPixels) {
    CMessageDlg dlg;
    dlg.m_strText = QStringLiteral("确定要删除所选记录吗？");
    dlg.m_nType = 1;
    QImage img;
    WhenShown([&](CMessageDlg* d) {
        img = Shot(*d);
        EXPECT_EQ(d->m_btnOK.geometry(), QRect(51, 158, 75, 19));
        EXPECT_TRUE(d->m_btnCancel.isVisible());
        EXPECT_EQ(d->m_btnCancel.geometry(), QRect(158, 158, 75, 19));
        d->m_btnCancel.click();
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    SaveScreen(img, "messagebox-type1");
    EXPECT_EQ(dlg.m_nType, 0) << "the type goes back to 0 when the box closes";
}

TEST(MessageDlg, EscapeCancels) {
    CMessageDlg dlg;
    dlg.m_nType = 1;
    WhenShown([](CMessageDlg* d) { QTest::keyClick(d, Qt::Key_Escape); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(MessageDlg, ClosesItselfAsCancelledAfterSixtySeconds) {
    clk::SetFixed(2026, 12, 10, 12, 0, 0);
    CMessageDlg dlg;
    bool stillUpAt59 = false;
    WhenShown([&](CMessageDlg* d) {
        clk::Advance(59);
        const auto until = clk::SteadyMs() + 600;
        testsupport::WaitUntil([&] { return clk::SteadyMs() > until; }, 2000);
        stillUpAt59 = d->isVisible();
        clk::Advance(1);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(stillUpAt59);
    clk::Reset();
}

TEST(MessageDlg, InstalledAsTheMessageSeam) {
    auto old = InstallMessageDlg();
    WhenShown([](CMessageDlg* d) {
        EXPECT_TRUE(d->m_btnCancel.isVisible());
        EXPECT_EQ(d->m_edtMessage.Text(), QStringLiteral("退出程序？"));
        d->m_btnOK.click();
    });
    EXPECT_EQ(seam::Message("退出程序？", 1), 1);
    WhenShown([](CMessageDlg* d) {
        EXPECT_FALSE(d->m_btnCancel.isVisible());
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_EQ(seam::Message("连接数据库失败！", 0), 0);
    seam::SetMessageBox(old);
}

}  // namespace
