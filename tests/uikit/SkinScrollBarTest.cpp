// Custom-drawn scroll bars: geometry, visibility, sizes, and the redirection of the functions.
#include "uikit/ScrollBarHooks.h"
#include "uikit/SkinScrollBar.h"

#include <QImage>
#include <QPainter>
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

namespace {
// A parent that records every custom-draw notification of its child's bars and takes over
// painting when asked to.
class DrawRecorder : public QWidget {
public:
    struct Note {
        UINT stage;
        int bar, part;
        UINT state;
        QRect rect;
        bool painter;
    };
    std::vector<Note> notes;
    LRESULT prePaintAnswer = CDRF_SKIPDEFAULT;

protected:
    bool event(QEvent* e) override {
        if (e->type() != CSkinSBNotifyEvent::EventType()) return QWidget::event(e);
        auto* n = static_cast<CSkinSBNotifyEvent*>(e);
        EXPECT_EQ(n->nm.hdr.code, NM_COOLSB_CUSTOMDRAW);
        notes.push_back({n->nm.dwDrawStage, n->nm.nBar, n->nm.uItem, n->nm.uState, n->nm.rect, n->nm.hdc != nullptr});
        n->result = n->nm.dwDrawStage == CDDS_PREPAINT ? prePaintAnswer : CDRF_SKIPDEFAULT;
        return true;
    }
};
}  // namespace

// Each paint of a bar asks the parent first, then part by part from the start of the bar,
// with the pressed part's state; a parent that declines the first stage is asked nothing more.
TEST(SkinScrollBar, CustomDrawStagesAndPartsInOrder) {
    DrawRecorder parent;
    parent.resize(240, 140);
    auto* edit = new QPlainTextEdit(&parent);
    SkinnedEdit(*edit, 120);
    if (HasFatalFailure()) return;
    parent.show();
    QScrollBar* bar = edit->verticalScrollBar();
    SkinSB_SetScrollPos(edit, SB_VERT, 50, 1);  // page areas on both sides of the thumb
    QCoreApplication::processEvents();

    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 3));
    parent.notes.clear();
    bar->repaint();
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 3));

    std::vector<DrawRecorder::Note> vert;
    for (const auto& n : parent.notes)
        if (n.bar == SB_VERT) vert.push_back(n);
    ASSERT_EQ(vert.size(), 6u);
    EXPECT_EQ(vert[0].stage, CDDS_PREPAINT);
    EXPECT_EQ(vert[0].rect, bar->rect());
    const int order[] = {HTSCROLL_LEFT, HTSCROLL_PAGELEFT, HTSCROLL_THUMB, HTSCROLL_PAGERIGHT, HTSCROLL_RIGHT};
    int y = 0;
    for (int i = 0; i < 5; ++i) {
        const auto& n = vert[i + 1];
        EXPECT_EQ(n.stage, CDDS_ITEMPREPAINT) << i;
        EXPECT_EQ(n.part, order[i]) << i;
        EXPECT_TRUE(n.painter) << i;
        EXPECT_EQ(n.rect.top(), y) << i;  // the parts tile the bar
        EXPECT_EQ(n.rect.width(), bar->width()) << i;
        y = n.rect.bottom() + 1;
        EXPECT_EQ(n.state, order[i] == HTSCROLL_RIGHT ? CDIS_SELECTED : 0u) << i;
    }
    EXPECT_EQ(y, bar->height());

    parent.prePaintAnswer = CDRF_DODEFAULT;
    parent.notes.clear();
    bar->repaint();
    ASSERT_EQ(parent.notes.size(), 1u);
    EXPECT_EQ(parent.notes[0].stage, CDDS_PREPAINT);
    SkinSB_Uninitialize(edit);
}

// Over a skin whose every pixel names its own place (red = x, green = y), each piece that
// ButtonCustomDraw paints shows only pixels from the cell of its bar, state and part.
TEST(SkinScrollBar, ButtonCustomDrawTakesEveryPieceFromItsCell) {
    QImage skinImage(150, 120, QImage::Format_RGB32);
    for (int y = 0; y < skinImage.height(); ++y)
        for (int x = 0; x < skinImage.width(); ++x) skinImage.setPixel(x, y, qRgb(x, y, 0));
    const QPixmap skin = QPixmap::fromImage(skinImage);

    struct Cells {
        QRect arrow0, arrow1, page, thumbStart, thumbMiddle, thumbEnd;
    };
    // [bar][normal, hot, pressed], as the skin bitmap lays them out.
    const Cells cells[2][3] = {
        {{{0, 0, 18, 18}, {0, 19, 18, 18}, {0, 83, 1, 18}, {54, 0, 9, 18}, {63, 0, 1, 18}, {63, 0, 9, 18}},
         {{18, 0, 18, 18}, {18, 19, 18, 18}, {4, 83, 1, 18}, {54, 19, 9, 18}, {63, 19, 1, 18}, {63, 19, 9, 18}},
         {{36, 0, 18, 18}, {36, 19, 18, 18}, {4, 83, 1, 18}, {54, 38, 9, 18}, {63, 38, 1, 18}, {63, 38, 9, 18}}},
        {{{72, 0, 18, 18}, {72, 19, 18, 18}, {0, 112, 18, 1}, {126, 0, 18, 9}, {126, 9, 18, 1}, {126, 9, 18, 9}},
         {{90, 0, 18, 18}, {90, 19, 18, 18}, {4, 83, 18, 1}, {126, 19, 18, 9}, {126, 28, 18, 1}, {126, 28, 18, 9}},
         {{108, 0, 18, 18}, {108, 19, 18, 18}, {4, 83, 18, 1}, {126, 38, 18, 9}, {126, 47, 18, 1}, {126, 47, 18, 9}}},
    };
    const UINT states[3] = {0, CDIS_HOT, CDIS_SELECTED};

    // Paints one piece into a fresh target; every pixel of `sub` must come from `cell`.
    const auto check = [&](int bar, UINT state, int part, const QRect& target,
                           const std::vector<std::pair<QRect, QRect>>& expect, const char* what) {
        QImage out(60, 60, QImage::Format_RGB32);
        out.fill(qRgb(255, 255, 255));
        QPainter p(&out);
        NMCSBCUSTOMDRAW nm;
        nm.hdr.code = NM_COOLSB_CUSTOMDRAW;
        nm.dwDrawStage = CDDS_ITEMPREPAINT;
        nm.hdc = &p;
        nm.rect = target;
        nm.uItem = part;
        nm.uState = state;
        nm.nBar = bar;
        EXPECT_EQ(ButtonCustomDraw(&nm, skin), CDRF_SKIPDEFAULT) << what;
        p.end();
        for (const auto& [sub, cell] : expect)
            for (int y = sub.top(); y <= sub.bottom(); ++y)
                for (int x = sub.left(); x <= sub.right(); ++x) {
                    const QRgb c = out.pixel(x, y);
                    ASSERT_EQ(qBlue(c), 0) << what << " bar " << bar << " state " << state << " at " << x << "," << y;
                    ASSERT_TRUE(cell.contains(qRed(c), qGreen(c)))
                        << what << " bar " << bar << " state " << state << " at " << x << "," << y << " took "
                        << qRed(c) << "," << qGreen(c);
                }
    };

    for (int bar : {SB_HORZ, SB_VERT}) {
        const bool vert = bar == SB_VERT;
        const auto along = [&](int from, int n) { return vert ? QRect(5, 5 + from, 9, n) : QRect(5 + from, 5, n, 9); };
        for (int s = 0; s < 3; ++s) {
            const Cells& c = cells[vert][s];
            const QRect sq(5, 5, 9, 9);
            check(bar, states[s], HTSCROLL_LEFT, sq, {{sq, c.arrow0}}, "arrow 0");
            check(bar, states[s], HTSCROLL_RIGHT, sq, {{sq, c.arrow1}}, "arrow 1");
            check(bar, states[s], HTSCROLL_PAGELEFT, along(0, 20), {{along(0, 20), c.page}}, "page 2");
            check(bar, states[s], HTSCROLL_PAGERIGHT, along(0, 20), {{along(0, 20), c.page}}, "page 3");
            check(bar, states[s], HTSCROLL_THUMB, along(0, 40),
                  {{along(0, 9), c.thumbStart}, {along(9, 22), c.thumbMiddle}, {along(31, 9), c.thumbEnd}}, "thumb");
        }
    }
    // The size box, and the stages and bars that draw nothing.
    check(SB_BOTH, 0, 0, QRect(5, 5, 9, 9), {{QRect(5, 5, 9, 9), QRect(100, 100, 18, 18)}}, "size box");
    NMCSBCUSTOMDRAW pre;
    pre.dwDrawStage = CDDS_PREPAINT;
    pre.nBar = SB_VERT;
    EXPECT_EQ(ButtonCustomDraw(&pre, skin), CDRF_SKIPDEFAULT);
    NMCSBCUSTOMDRAW other;
    other.dwDrawStage = CDDS_ITEMPREPAINT;
    other.nBar = SB_CTL;
    EXPECT_EQ(ButtonCustomDraw(&other, skin), 0);
}
