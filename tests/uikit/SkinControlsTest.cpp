// Skinned controls rendered offscreen and checked pixel by pixel.
#include "UiTestUtil.h"
#include "support/TestSupport.h"
#include "uikit/BorderEdit.h"
#include "uikit/FlatComboBox.h"
#include "uikit/PercentProgressCtrl.h"
#include "uikit/RoundPanel.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinCheckBox.h"
#include "uikit/SkinEdit.h"
#include "uikit/SkinGroupBox.h"
#include "uikit/SysColors.h"

#include <QAbstractItemView>
#include <QPainter>
#include <gtest/gtest.h>

using namespace uitest;

namespace {
const QColor kFrame(140, 170, 230);
const QColor kWhite(255, 255, 255);
const QColor kFace = uikit::GetSysColor(uikit::SysColor::BtnFace);

// The face colour of row y of a button whose inner rectangle is h rows high.
QColor FaceRow(int y, int h, bool hover, bool strong) {
    int i = std::min(63, 63 * y / h);
    const int rg = 255 - (hover ? i / 4 : i / 3);
    const int b = 255 - (hover ? (strong ? i / 3 : i / 5) : (strong ? i / 4 : i / 5));
    return QColor(rg, rg, b);
}

struct ButtonCase {
    const char* name;
    bool hover;
    bool strong;
};

class SkinButtonFace : public ::testing::TestWithParam<ButtonCase> {};

// A 75 x 21 button: the face rows in the four hover/strong states, with the frame around them.
TEST_P(SkinButtonFace, RowsFollowTheGradientOfItsState) {
    const ButtonCase c = GetParam();
    Host host;
    CSkinButton btn(&host.widget);
    btn.setGeometry(10, 10, 75, 21);
    btn.setDefault(c.strong);
    if (c.hover) {
        SendMouse(&btn, QEvent::MouseMove, QPoint(30, 10));
        ASSERT_TRUE(testsupport::WaitUntil([&] { return btn.IsHover(); }, 2000));
    }
    const QImage img = host.Shot(btn);
    const int h = 17;  // inner rectangle: rows 2-18
    const int firstRow = c.hover ? 3 : 2, lastRow = c.hover ? 17 : 19;
    for (int y = firstRow; y <= lastRow; ++y) {
        EXPECT_PX_NEAR(img, 10, y, FaceRow(y, h, c.hover, c.strong), 2);
        EXPECT_PX_NEAR(img, 64, y, FaceRow(y, h, c.hover, c.strong), 2);
    }
    EXPECT_PX(img, 37, 0, kFrame);
    EXPECT_PX(img, 37, 20, kFrame);
    EXPECT_PX(img, 0, 10, kFrame);
    EXPECT_PX(img, 74, 10, kFrame);
    SaveScreen(img, QString("button-%1").arg(c.name));
    if (c.hover) {
        // The orange ring at its line centres; leaving removes it.
        EXPECT_PX(img, 2, 10, QColor(250, 196, 88));
        EXPECT_PX(img, 72, 10, QColor(251, 202, 106));
        EXPECT_PX(img, 37, 2, QColor(252, 210, 121));
        EXPECT_PX(img, 37, 19, QColor(229, 151, 0));
        SendLeave(&btn);
        EXPECT_FALSE(btn.IsHover());
        const QImage after = host.Shot(btn);
        EXPECT_PX_NEAR(after, 2, 10, FaceRow(10, h, false, c.strong), 2);
    }
}

INSTANTIATE_TEST_SUITE_P(States, SkinButtonFace,
                         ::testing::Values(ButtonCase{"plain", false, false}, ButtonCase{"strong", false, true},
                                           ButtonCase{"hover", true, false},
                                           ButtonCase{"hover_strong", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SkinButton, FocusShowsTheBlueRingAndAFontChangeKeepsTheFace) {
    CSkinButton btn;
    btn.resize(75, 21);
    QFont big = btn.font();
    big.setPointSize(20);
    btn.setFont(big);
    QImage img(75, 21, QImage::Format_RGB32);
    img.fill(kWhite);
    {
        QPainter p(&img);
        btn.DrawItem(p, QRect(0, 0, 75, 21), ODS_FOCUS);
    }
    EXPECT_PX(img, 2, 10, QColor(153, 198, 252));
    EXPECT_PX(img, 72, 10, QColor(162, 189, 252));
    EXPECT_PX(img, 37, 2, QColor(162, 201, 255));
    EXPECT_PX(img, 37, 19, QColor(162, 201, 255));
    // Focus makes the face strong.
    EXPECT_PX_NEAR(img, 10, 12, FaceRow(12, 17, false, true), 2);
    SaveScreen(img, "button-focus");
}

TEST(SkinButton, KeyboardFocusWithoutHoverShowsTheFocusRing) {
    Host host;
    CSkinButton other(&host.widget), btn(&host.widget);
    other.setGeometry(100, 10, 75, 21);
    btn.setGeometry(10, 10, 75, 21);
    host.widget.show();
    host.widget.activateWindow();
    btn.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return btn.hasFocus(); }, 2000));
    EXPECT_TRUE(btn.ItemState() & ODS_FOCUS);
    const QImage img = host.Shot(btn);
    EXPECT_PX(img, 2, 10, QColor(153, 198, 252));
    EXPECT_PX(img, 37, 19, QColor(162, 201, 255));
    host.widget.hide();
}

// Bounding box of the pixels darker than the face.
QRect InkBox(const QImage& img, int maxLevel) {
    QRect box;
    for (int y = 3; y < img.height() - 3; ++y)
        for (int x = 4; x < img.width() - 4; ++x)
            if (qGray(img.pixel(x, y)) < maxLevel) box |= QRect(x, y, 1, 1);
    return box;
}

TEST(SkinButton, CaptionShiftsWhenPressedAndIsEmbossedWhenDisabled) {
    Host host;
    CSkinButton btn(QStringLiteral("确定"), &host.widget);
    btn.setGeometry(10, 10, 75, 21);
    const QImage normal = host.Shot(btn);
    const QRect ink = InkBox(normal, 60);
    ASSERT_FALSE(ink.isEmpty());
    btn.setDown(true);
    const QRect pressed = InkBox(host.Shot(btn), 60);
    EXPECT_EQ(pressed, ink.translated(1, 1));
    btn.setDown(false);
    btn.setEnabled(false);
    const QImage disabled = host.Shot(btn);
    SaveScreen(disabled, "button-disabled");
    EXPECT_TRUE(InkBox(disabled, 60).isEmpty()) << "no black caption when disabled";
    bool shadow = false;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 75; ++x)
            if (Px(disabled, x, y) == uikit::GetSysColor(uikit::SysColor::BtnShadow)) shadow = true;
    EXPECT_TRUE(shadow);
}

TEST(SkinCheckBox, OutlineHaloAndTick) {
    Host host;
    CSkinCheckBox cb(QStringLiteral("自动刷新"), &host.widget);
    cb.setGeometry(10, 10, 100, 20);
    QImage img = host.Shot(cb);
    // Box (1,4)-(12,16): halo outside, blue outline, white ring inside.
    EXPECT_PX(img, 0, 10, QColor(239, 243, 255));
    EXPECT_PX(img, 1, 10, kFrame);
    EXPECT_PX(img, 2, 10, kWhite);
    EXPECT_PX(img, 11, 10, kFrame);
    EXPECT_PX(img, 12, 10, QColor(239, 243, 255));
    EXPECT_PX(img, 6, 3, QColor(239, 243, 255));
    EXPECT_PX(img, 6, 4, kFrame);
    EXPECT_PX(img, 6, 5, kWhite);
    EXPECT_PX(img, 6, 15, kFrame);
    EXPECT_PX(img, 6, 16, QColor(239, 243, 255));
    auto inkInBox = [](const QImage& im) {
        int n = 0;
        for (int y = 6; y <= 13; ++y)
            for (int x = 3; x <= 9; ++x) n += qGray(im.pixel(x, y)) < 60;
        return n;
    };
    EXPECT_EQ(inkInBox(img), 0);
    cb.setChecked(true);
    img = host.Shot(cb);
    SaveScreen(img, "checkbox-checked");
    EXPECT_GT(inkInBox(img), 10);
    EXPECT_PX(img, 1, 10, kFrame);
}

// A page that paints a vertical gradient itself, as the tinted pages do.
class GradientPage : public QWidget {
public:
    static QColor Row(int y) { return QColor(200 + y / 4, 220, 250 - y / 4); }
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        for (int y = 0; y < height(); ++y) p.fillRect(QRect(0, y, width(), 1), Row(y));
    }
};

TEST(SkinCheckBox, DrawnOverItsParentsOwnBackground) {
    GradientPage page;
    page.resize(200, 100);
    CSkinCheckBox cb(QStringLiteral("优先发送"), &page);
    cb.setGeometry(20, 40, 150, 20);
    cb.setChecked(true);
    const QImage img = page.grab().toImage().convertToFormat(QImage::Format_RGB32);
    SaveScreen(img, "checkbox-on-gradient");
    // Outside the box and its halo, every pixel that is not caption ink is the page's own row colour.
    int page_px = 0, foreign = 0;
    for (int y = 40; y < 60; ++y)
        for (int x = 20 + 15; x < 20 + 150; ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c == GradientPage::Row(y)) ++page_px;
            else if (c == kWhite) ++foreign;
        }
    EXPECT_EQ(foreign, 0);
    EXPECT_GT(page_px, 135 * 20 / 2);
    EXPECT_PX(img, 20 + 149, 41, GradientPage::Row(41));
    EXPECT_PX(img, 20 + 16, 59, GradientPage::Row(59));
    // The box itself stays white inside its outline.
    EXPECT_PX(img, 20 + 3, 40 + 13, kWhite);
}

TEST(FlatComboBox, FrameAndDropButtonShiftForOneSecondAfterAClick) {
    Host host;
    CFlatComboBox combo(&host.widget);
    combo.addItems({QStringLiteral("每日"), QStringLiteral("每周")});
    combo.setGeometry(10, 10, 120, 21);
    auto check = [&](const QImage& img, int d) {
        EXPECT_PX(img, 60, 0, kFrame);
        EXPECT_PX(img, 0, 10, kFrame);
        EXPECT_PX(img, 1, 10, kWhite);
        // Square (101,2)-(119,20), moved by d.
        EXPECT_PX(img, 100 + d, 11, kFrame);
        EXPECT_PX(img, 101 + d, 11, QColor(214, 211, 206));
        EXPECT_PX(img, 102 + d, 11, QColor(214, 211, 206));
        EXPECT_PX(img, 117 + d, 11, QColor(214, 211, 206));
        EXPECT_PX(img, 118 + d, 11, QColor(214, 211, 206));
        EXPECT_PX(img, 110, 2 + d, QColor(214, 211, 206));
        EXPECT_PX(img, 110 + d, 9 + d, QColor(0, 0, 0));
        EXPECT_PX(img, 110 + d, 12 + d, QColor(0, 0, 0));
        EXPECT_PX(img, 105 + d, 15 + d, kFace);
    };
    QImage img = host.Shot(combo);
    SaveScreen(img, "combo");
    check(img, 0);
    SendMouse(&combo, QEvent::MouseButtonPress, QPoint(110, 10), Qt::LeftButton, Qt::LeftButton);
    combo.hidePopup();
    EXPECT_TRUE(combo.IsPressed());
    img = host.Shot(combo);
    SaveScreen(img, "combo-pressed");
    check(img, 1);
    EXPECT_TRUE(testsupport::WaitUntil([&] { return !combo.IsPressed(); }, 3000));
    check(host.Shot(combo), 0);
}

TEST(SkinEdit, LightFrameAndWhiteInnerRing) {
    Host host;
    CSkinEdit edit(&host.widget);
    edit.setGeometry(10, 10, 100, 21);
    edit.setText("13800138000");
    const QImage img = host.Shot(edit);
    SaveScreen(img, "edit");
    for (auto [x, y] : {std::pair{50, 0}, {50, 20}, {0, 10}, {99, 10}}) EXPECT_PX(img, x, y, kFrame);
    for (auto [x, y] : {std::pair{1, 10}, {2, 10}, {97, 10}, {98, 10}, {50, 1}, {50, 2}, {50, 19}})
        EXPECT_PX(img, x, y, kWhite);
    EXPECT_LT(qGray(InkBox(img, 80).isEmpty() ? 255 : 0), 255) << "the text shows";
}

TEST(BorderEdit, ShowsNoBorderAndTakesCrLf) {
    Host host;
    CBorderEdit edit(&host.widget);
    edit.setGeometry(10, 10, 120, 60);
    edit.SetText(QStringLiteral("第一行\r\n第二行"));
    EXPECT_EQ(edit.blockCount(), 2);
    EXPECT_EQ(edit.Text(), QStringLiteral("第一行\r\n第二行"));
    const QImage img = host.Shot(edit);
    for (int x = 0; x < 120; ++x)
        for (int y : {0, 1, 58, 59}) ASSERT_EQ(Px(img, x, y), kWhite) << x << "," << y;
    for (int y = 0; y < 60; ++y)
        for (int x : {0, 1, 118, 119}) ASSERT_EQ(Px(img, x, y), kWhite) << x << "," << y;
}

TEST(SkinGroupBox, CaptionGapAndClosedFrame) {
    Host host;
    CSkinGroupBox box(QStringLiteral("发送设置"), &host.widget);
    box.setGeometry(10, 10, 200, 100);
    QImage img = host.Shot(box);
    SaveScreen(img, "groupbox");
    const int y = box.LineY(), gs = box.GapStart(), ge = box.GapEnd();
    QFont systemFont = box.m_font;
    systemFont.setPointSizeF(box.m_font.pointSizeF() * 27.0 / 20.0);
    const int textW = QFontMetrics(systemFont).horizontalAdvance(QStringLiteral(" 发送设置 "));
    EXPECT_EQ(gs, 8);
    EXPECT_EQ(ge, 8 + int(textW * 20.0 / 27.0));
    EXPECT_EQ(y, QFontMetrics(systemFont).height() / 2 - 1);
    EXPECT_PX(img, 0, y, kFrame);
    EXPECT_PX(img, gs, y, kFrame);
    // The caption, in its own font, may run past the gap; the line shows beyond it.
    const int captionW = QFontMetrics(box.m_font).horizontalAdvance(QStringLiteral(" 发送设置 "));
    EXPECT_PX(img, std::max(ge + 1, gs + captionW + 2), y, kFrame);
    EXPECT_PX(img, 199, y, kFrame);
    EXPECT_PX(img, 0, 60, kFrame);
    EXPECT_PX(img, 199, 60, kFrame);
    EXPECT_PX(img, 100, 99, kFrame);
    EXPECT_PX(img, gs + 1, y, kWhite) << "the leading blank of the caption leaves the gap open";
    EXPECT_PX(img, 100, 0, kWhite);

    box.setEnabled(false);
    img = host.Shot(box);
    EXPECT_PX(img, 0, 60, QColor(0, 0, 255));

    box.setEnabled(true);
    box.setTitle(QString());
    img = host.Shot(box);
    EXPECT_PX(img, 100, 0, kFrame);
    EXPECT_PX(img, 0, 0, kFrame);
    EXPECT_PX(img, 199, 99, kFrame);
}

TEST(RoundPanel, FrameFillAndText) {
    Host host;
    CRoundPanel panel(&host.widget);
    panel.setGeometry(10, 10, 120, 24);
    panel.setText(QStringLiteral("剩余短信：100"));
    QImage img = host.Shot(panel);
    EXPECT_PX(img, 0, 0, kWhite) << "no frame unless asked";
    panel.m_bDrawFrame = true;
    panel.m_clrFill = QColor(230, 240, 255);
    img = host.Shot(panel);
    EXPECT_PX(img, 0, 0, kFrame);
    EXPECT_PX(img, 60, 23, kFrame);
    EXPECT_PX(img, 119, 12, kFrame);
    EXPECT_PX(img, 100, 3, QColor(230, 240, 255));
    EXPECT_FALSE(InkBox(img, 60).isEmpty());
    panel.m_nShape = 1;
    img = host.Shot(panel);
    SaveScreen(img, "roundpanel");
    EXPECT_PX(img, 0, 0, kWhite) << "rounded corner";
    EXPECT_PX(img, 60, 0, kFrame);
}

struct ProgressCase {
    const char* name;
    int lower, upper, pos;
    QColor start, end;
    int barWidth;  // -1 = empty
};

class PercentProgress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(PercentProgress, BarIsCutAtItsEnd) {
    const ProgressCase c = GetParam();
    CPercentProgressCtrl bar;
    bar.resize(200, 20);
    bar.SetRange(c.lower, c.upper);
    bar.SetPos(c.pos);
    bar.SetStartColor(c.start);
    bar.SetEndColor(c.end);
    const QImage img = Shot(bar);
    if (c.barWidth < 0) {
        for (int x : {0, 50, 100, 199}) EXPECT_PX(img, x, 10, kFace);
        return;
    }
    auto ramp = [&](int x) {
        const double t = x / 200.0;
        return QColor(int(c.start.red() + (c.end.red() - c.start.red()) * t),
                      int(c.start.green() + (c.end.green() - c.start.green()) * t),
                      int(c.start.blue() + (c.end.blue() - c.start.blue()) * t));
    };
    for (int x : {0, c.barWidth / 2, c.barWidth - 1}) EXPECT_PX_NEAR(img, x, 10, ramp(x), 2);
    EXPECT_PX(img, c.barWidth, 10, kFace);
    EXPECT_PX(img, 199, 0, kFace);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PercentProgress,
    ::testing::Values(ProgressCase{"half", 0, 100, 50, QColor(255, 0, 0), QColor(0, 0, 255), 100},
                      ProgressCase{"minimum_does_not_enter", 50, 150, 100, QColor(255, 0, 0), QColor(0, 0, 255), 133},
                      ProgressCase{"full_is_empty", 0, 100, 100, QColor(255, 0, 0), QColor(0, 0, 255), -1},
                      ProgressCase{"at_minimum_is_empty", 0, 100, 0, QColor(255, 0, 0), QColor(0, 0, 255), -1},
                      ProgressCase{"equal_colours_solid", 0, 100, 30, QColor(0, 128, 0), QColor(0, 128, 0), 60},
                      ProgressCase{"empty_range", 10, 10, 10, QColor(255, 0, 0), QColor(0, 0, 255), -1},
                      ProgressCase{"maximum_zero", -10, 0, -5, QColor(255, 0, 0), QColor(0, 0, 255), -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PercentProgress, PercentageTextIsCentred) {
    CPercentProgressCtrl bar;
    bar.resize(200, 20);
    bar.SetPos(50);
    bar.SetShowText(true);
    const QImage img = Shot(bar);
    SaveScreen(img, "progress-text");
    QRect white;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 200; ++x)
            if (Near(Px(img, x, y), kWhite, 12)) white |= QRect(x, y, 1, 1);
    ASSERT_FALSE(white.isEmpty());
    EXPECT_NEAR(white.center().x(), 100, 4);
    EXPECT_NEAR(white.center().y(), 10, 3);
    bar.SetShowText(false);
    const QImage plain = Shot(bar);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 200; ++x) ASSERT_FALSE(Near(Px(plain, x, y), kWhite, 12));
}

}  // namespace
