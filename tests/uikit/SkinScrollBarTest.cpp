// Custom-drawn scroll bars: geometry, visibility, sizes, and the redirection of the functions.
#include "uikit/ScrollBarHooks.h"
#include "uikit/SkinScrollBar.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <algorithm>
#include <gtest/gtest.h>

using namespace uikit;

namespace {
SCROLLINFO Info(int mn, int mx, UINT page, int pos) {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMin = mn;
    si.nMax = mx;
    si.nPage = page;
    si.nPos = pos;
    return si;
}
}  // namespace

TEST(SkinScrollBar, ThumbGeometryTable) {
    struct Case {
        const char* name;
        int len, thick, minThumb;
        SCROLLINFO si;
        int arrow, thumb, start;
    };
    const Case cases[] = {
        {"page 0 at the end", 100, 9, 18, Info(0, 99, 0, 99), 9, 18, 73},  // thumb = arrow, held to 18
        {"page 0 at the start", 100, 9, 6, Info(0, 99, 0, 0), 9, 9, 9},
        {"page equal to the range", 100, 9, 18, Info(0, 99, 100, 0), 9, 82, 9},
        {"half a page", 100, 9, 6, Info(0, 99, 50, 50), 9, 41, 50},
        {"minimum thumb", 100, 9, 18, Info(0, 9999, 10, 0), 9, 18, 9},
        {"thumb cut to the track", 30, 9, 18, Info(0, 99, 10, 0), 9, 12, 9},
        {"too short for arrows", 12, 9, 18, Info(0, 99, 10, 50), 6, 0, 6},
    };
    for (const Case& c : cases) {
        const SkinSBGeometry g = SkinSB_Geometry(c.len, c.thick, c.si, c.minThumb);
        EXPECT_EQ(g.arrow, c.arrow) << c.name;
        EXPECT_EQ(g.thumb, c.thumb) << c.name;
        EXPECT_EQ(g.thumbStart, c.start) << c.name;
        EXPECT_LE(g.thumbStart + g.thumb, c.len - g.arrow) << c.name;
    }
}

TEST(SkinScrollBar, VisibilityTable) {
    EXPECT_TRUE(SkinSB_BarShown(Info(0, 99, 50, 0), 0, false));
    EXPECT_FALSE(SkinSB_BarShown(Info(0, 99, 100, 0), 0, false));  // page = range hides
    EXPECT_TRUE(SkinSB_BarShown(Info(0, 99, 100, 0), SIF_DISABLENOSCROLL, false));
    EXPECT_TRUE(SkinSB_BarShown(Info(0, 99, 100, 0), 0, true));
    EXPECT_FALSE(SkinSB_BarShown(Info(0, 0, 0, 0), 0, false));
}

TEST(SkinScrollBar, SizesRefusedAndPositionsClamped) {
    QPlainTextEdit edit;
    edit.resize(200, 100);
    EXPECT_EQ(SkinSB_SetSize(&edit, SB_BOTH, 9, 9), 0);  // no custom bars yet
    ASSERT_EQ(SkinSB_Initialize(&edit), 1);
    EXPECT_EQ(SkinSB_Initialize(&edit), 0);
    EXPECT_EQ(SkinSB_SetSize(&edit, SB_BOTH, 0, 9), 0);
    EXPECT_EQ(SkinSB_SetSize(&edit, SB_BOTH, 9, 300), 0);
    EXPECT_EQ(SkinSB_SetSize(&edit, SB_BOTH, 9, 9), 1);
    SCROLLINFO si = Info(0, 99, 0, 500);
    EXPECT_EQ(SkinSB_SetScrollInfo(&edit, SB_VERT, &si, 1), 99);  // page 0 counts as 1
    si = Info(0, 99, 10, 500);
    EXPECT_EQ(SkinSB_SetScrollInfo(&edit, SB_VERT, &si, 1), 90);
    EXPECT_EQ(SkinSB_Uninitialize(&edit), 0);
    EXPECT_NE(SkinSB_Uninitialize(&edit), 0);
}

TEST(ScrollBarHooks, RoutedWhilePatchedAndOnlyOnce) {
    ResetScrollBarCodeImage();
    QPlainTextEdit skinned, plain;
    for (QPlainTextEdit* e : {&skinned, &plain}) {
        e->resize(200, 80);
        QString t;
        for (int i = 0; i < 200; ++i) t += QString("line %1\n").arg(i);
        e->setPlainText(t);
        e->show();
    }
    ASSERT_EQ(SkinSB_Initialize(&skinned), 1);
    SkinSB_SetSize(&skinned, SB_BOTH, 9, 9);
    SkinSB_SetScrollPos(&skinned, SB_VERT, 7, 1);  // the engine's record only
    EXPECT_EQ(GetScrollPos(&skinned, SB_VERT), skinned.verticalScrollBar()->value());
    EXPECT_EQ(InstallScrollBarHooks(), 1);
    for (int i = 0; i < kScrollBarFunctions; ++i) EXPECT_TRUE(ScrollBarRouted(i)) << i;
    EXPECT_EQ(GetScrollPos(&skinned, SB_VERT), 7);
    plain.verticalScrollBar()->setValue(3);
    EXPECT_EQ(GetScrollPos(&plain, SB_VERT), 3);
    // The area's own scrolling arrives at the engine.
    skinned.verticalScrollBar()->setValue(12);
    EXPECT_EQ(SkinSB_GetScrollPos(&skinned, SB_VERT), 12);
    EXPECT_EQ(RemoveScrollBarHooks(), 1);
    for (int i = 0; i < kScrollBarFunctions; ++i) EXPECT_FALSE(ScrollBarRouted(i)) << i;
    EXPECT_EQ(InstallScrollBarHooks(), 1);  // every single patch fails now
    for (int i = 0; i < kScrollBarFunctions; ++i) EXPECT_FALSE(ScrollBarRouted(i)) << i;
    RemoveScrollBarHooks();
    // Not NT: nothing changes.
    ResetScrollBarCodeImage();
    SetVersionForTest(0xC0000A04);
    EXPECT_EQ(InstallScrollBarHooks(), 0);
    EXPECT_FALSE(ScrollBarRouted(2));
    EXPECT_EQ(RemoveScrollBarHooks(), 0);
    SetVersionForTest(0x0A280105);
    ResetScrollBarCodeImage();
}

// A shown edit of 200 lines, skinned with 9-pixel bars.
static void SkinnedEdit(QPlainTextEdit& edit, int height) {
    edit.resize(200, height);
    QString t;
    for (int i = 0; i < 200; ++i) t += QString("line %1\n").arg(i);
    edit.setPlainText(t);
    edit.show();
    ASSERT_EQ(SkinSB_Initialize(&edit), 1);
    SkinSB_SetSize(&edit, SB_BOTH, 9, 9);
}

// Mouse on the down arrow of a skinned edit, the timers driven by their handler.
TEST(SkinScrollBar, ArrowPressRepeatsOnlyOverTheArrow) {
    QPlainTextEdit edit;
    SkinnedEdit(edit, 100);
    if (HasFatalFailure()) return;
    QScrollBar* bar = edit.verticalScrollBar();
    ASSERT_NE(qobject_cast<CSkinScrollBar*>(bar), nullptr);
    const QPoint down(bar->width() / 2, bar->height() - 3);
    const int start = bar->value();
    QTest::mousePress(bar, Qt::LeftButton, {}, down);
    EXPECT_EQ(bar->value(), start + 1);
    EXPECT_TRUE(SkinSB_TimerActive(kRepeatFirstTimer));
    SkinSB_OnTimer(&edit, kRepeatFirstTimer);
    EXPECT_TRUE(SkinSB_TimerActive(kRepeatTimer));
    SkinSB_OnTimer(&edit, kRepeatTimer);
    EXPECT_EQ(bar->value(), start + 2);
    QTest::mouseMove(bar, QPoint(bar->width() / 2, 2));  // the up arrow
    SkinSB_OnTimer(&edit, kRepeatTimer);
    EXPECT_EQ(bar->value(), start + 2);
    QTest::mouseMove(bar, down);
    SkinSB_OnTimer(&edit, kRepeatTimer);
    EXPECT_EQ(bar->value(), start + 3);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, down);
    EXPECT_FALSE(SkinSB_TimerActive(kRepeatTimer));
    EXPECT_EQ(SkinSB_PressedPart(), HTSCROLL_NONE);
    SkinSB_Uninitialize(&edit);
}

// A thumb drag: SB_THUMBTRACK per move, then SB_THUMBPOSITION and SB_ENDSCROLL; the text follows.
TEST(SkinScrollBar, ThumbDragTracksThenEnds) {
    QPlainTextEdit edit;
    SkinnedEdit(edit, 120);
    if (HasFatalFailure()) return;
    auto* bar = qobject_cast<CSkinScrollBar*>(edit.verticalScrollBar());
    ASSERT_NE(bar, nullptr);
    std::vector<int> codes;
    QObject::connect(bar, &CSkinScrollBar::scrollMessage, [&](int, int code, int) { codes.push_back(code); });
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    SkinSB_GetScrollInfo(&edit, SB_VERT, &si);
    const SkinSBGeometry g = SkinSB_Geometry(bar->height(), bar->width(), si, 0);
    const QPoint thumb(bar->width() / 2, g.thumbStart + g.thumb / 2);
    const int firstLine = edit.cursorForPosition(QPoint(2, 2)).blockNumber();
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(bar, thumb + QPoint(0, 10));
    QTest::mouseMove(bar, thumb + QPoint(0, 20));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb + QPoint(0, 20));
    ASSERT_GE(codes.size(), 4u);
    EXPECT_EQ(codes[codes.size() - 1], SB_ENDSCROLL);
    EXPECT_EQ(codes[codes.size() - 2], SB_THUMBPOSITION);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), SB_THUMBTRACK), 2);
    EXPECT_GT(edit.cursorForPosition(QPoint(2, 2)).blockNumber(), firstLine);
    EXPECT_FALSE(SkinSB_IsThumbTracking(&edit));
    SkinSB_Uninitialize(&edit);
}
