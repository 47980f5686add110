// The image button: setters and their return codes, images per state, check-box mode, menu, link.
#include "UiTestUtil.h"
#include "support/TestSupport.h"
#include "uikit/ImageButton.h"
#include "uikit/Resources.h"
#include "uikit/SysColors.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace uitest;

namespace {
const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kFace = uikit::GetSysColor(uikit::SysColor::BtnFace);

// Test pictures put in front of the resource file for the life of the fixture.
class ImageButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        QImage bmp(10, 10, QImage::Format_RGB32);
        bmp.fill(kGreen);
        for (int y = 3; y < 7; ++y)
            for (int x = 3; x < 7; ++x) bmp.setPixelColor(x, y, kRed);
        uikit::res::SetPicture("bmp/9001.png", bmp);
        QImage icon(10, 10, QImage::Format_ARGB32);
        icon.fill(Qt::transparent);
        for (int y = 2; y < 8; ++y)
            for (int x = 2; x < 8; ++x) icon.setPixelColor(x, y, QColor(200, 100, 50));
        icon.setPixelColor(5, 2, QColor(0, 0, 0));
        uikit::res::SetPicture("ico/9002.png", icon);
    }
    void TearDown() override {
        uikit::res::SetPicture("bmp/9001.png", QImage());
        uikit::res::SetPicture("ico/9002.png", QImage());
    }
};

TEST_F(ImageButtonTest, SettersReturnTheirCodes) {
    CImageButton btn;
    EXPECT_EQ(btn.SetColor(0, kBlue), 0);
    EXPECT_EQ(btn.SetColor(5, kBlue), 0);
    EXPECT_EQ(btn.SetColor(6, kBlue), 3);
    EXPECT_EQ(btn.SetColor(-1, kBlue), 3);
    EXPECT_EQ(btn.GetColor(0), kBlue);
    EXPECT_EQ(btn.SetDefaultColors(), 0);
    EXPECT_EQ(btn.GetColor(0), kFace);
    EXPECT_EQ(btn.GetColor(1), QColor(0, 0, 0));
    EXPECT_EQ(btn.SetBitmaps(987654, kGreen), 1);
    EXPECT_EQ(btn.SetBitmaps(9001, kGreen, 987654, kGreen), 1);
    EXPECT_EQ(btn.SetBitmaps(9001, kGreen), 0);
    EXPECT_EQ(btn.SetIcon(987654), 1);
    EXPECT_EQ(btn.SetIcon(9002, -2), 0);
    EXPECT_EQ(btn.SetBtnCursor(0), 0);
    EXPECT_NE(btn.SetBtnCursor(987654), 0);
    EXPECT_EQ(btn.SetBtnCursor(144), 0);
    EXPECT_EQ(btn.SetDrawBorder(false), 0);
    EXPECT_EQ(btn.SetTransparent(true), 0);
    EXPECT_EQ(btn.SetTooltipText(QStringLiteral("发送")), 0);
    EXPECT_EQ(btn.toolTip(), QStringLiteral("发送"));
    EXPECT_EQ(btn.SetTooltipText(QStringLiteral("发送"), false), 0);
    EXPECT_TRUE(btn.toolTip().isEmpty());
    EXPECT_EQ(btn.SetURL(QString(300, 'a')), 0);
    EXPECT_EQ(btn.GetURL().size(), 259);
}

TEST_F(ImageButtonTest, BitmapShowsTheBackgroundThroughItsTransparentColour) {
    Host host;
    CImageButton btn(&host.widget);
    btn.setGeometry(10, 10, 30, 30);
    btn.SetColor(CImageButton::BTNST_COLOR_BK_OUT, kBlue);
    btn.SetColor(CImageButton::BTNST_COLOR_BK_IN, QColor(255, 255, 0));
    ASSERT_EQ(btn.SetBitmaps(9001, kGreen, 0, kGreen), 0);
    QImage img = host.Shot(btn);
    // The 10 x 10 picture is centred at (10,10).
    EXPECT_PX(img, 15, 15, kRed);
    EXPECT_PX(img, 11, 11, kBlue);
    EXPECT_PX(img, 2, 2, kBlue);
    // Hovered: the in colours, and the same (only) bitmap.
    SendMouse(&btn, QEvent::MouseMove, QPoint(5, 5));
    ASSERT_TRUE(btn.IsHover());
    img = host.Shot(btn);
    SaveScreen(img, "imagebutton-hover");
    EXPECT_PX(img, 15, 15, kRed);
    EXPECT_PX(img, 11, 11, QColor(255, 255, 0));
    EXPECT_PX(img, 0, 15, uikit::GetSysColor(uikit::SysColor::BtnHighlight)) << "raised edge";
    EXPECT_PX(img, 29, 15, uikit::GetSysColor(uikit::SysColor::BtnShadow));
    SendLeave(&btn);
    EXPECT_FALSE(btn.IsHover());
    // Disabled: the picture is embossed in the shadow colour.
    btn.setEnabled(false);
    img = host.Shot(btn);
    EXPECT_PX(img, 15, 15, uikit::GetSysColor(uikit::SysColor::BtnShadow));
}

TEST_F(ImageButtonTest, GrayIconWhileTheMouseIsAway) {
    Host host;
    CImageButton btn(&host.widget);
    btn.setGeometry(10, 10, 30, 30);
    ASSERT_EQ(btn.SetIcon(9002, CImageButton::BTNST_AUTO_GRAY), 0);
    QImage img = host.Shot(btn);
    const int gray = int(0.299 * 200 + 0.587 * 100 + 0.114 * 50);
    EXPECT_PX(img, 15, 15, QColor(gray, gray, gray));
    EXPECT_PX(img, 15, 12, QColor(0, 0, 0)) << "black stays black";
    SendMouse(&btn, QEvent::MouseMove, QPoint(5, 5));
    img = host.Shot(btn);
    EXPECT_PX(img, 15, 15, QColor(200, 100, 50));
}

TEST_F(ImageButtonTest, CheckBoxModeTogglesAndShowsPressed) {
    Host host;
    CImageButton btn(QStringLiteral("静音"), &host.widget);
    btn.setGeometry(10, 10, 60, 24);
    btn.SetCheckBoxMode(true);
    EXPECT_EQ(btn.GetCheck(), 0);
    EXPECT_PX(host.Shot(btn), 0, 0, kFace);
    btn.click();
    EXPECT_EQ(btn.GetCheck(), 1);
    QImage img = host.Shot(btn);
    EXPECT_PX(img, 0, 0, uikit::GetSysColor(uikit::SysColor::BtnShadow)) << "sunken when checked";
    EXPECT_PX(img, 59, 23, uikit::GetSysColor(uikit::SysColor::BtnHighlight));
    btn.click();
    EXPECT_EQ(btn.GetCheck(), 0);
}

TEST_F(ImageButtonTest, LinksOpenOnlyForWebAndMailSchemes) {
    std::vector<QString> opened;
    auto old = CImageButton::SetUrlOpener([&](const QUrl& u) { opened.push_back(u.toString()); });
    CImageButton btn;
    const char* refused[] = {"file:///etc/passwd", "/bin/sh", "javascript:alert(1)", "smb://host/share",
                             "http://", "mailto:"};
    for (const char* u : refused) {
        btn.SetURL(u);
        btn.click();
    }
    EXPECT_TRUE(opened.empty());
    for (const char* u : {"http://www.example.com/sms", "https://example.com", "mailto:a@example.com"}) {
        btn.SetURL(u);
        btn.click();
    }
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0], "http://www.example.com/sms");
    btn.SetURL("");
    btn.click();
    EXPECT_EQ(opened.size(), 3u);
    CImageButton::SetUrlOpener(old);
}

TEST_F(ImageButtonTest, MenuShowsPressedAndPostsTheChosenCommand) {
    Host host;
    host.widget.show();
    CImageButton btn(QStringLiteral("导出"), &host.widget);
    btn.setGeometry(10, 10, 60, 24);
    btn.show();
    QMenu menu;
    menu.addAction(QStringLiteral("导出为Excel"))->setData(1080);
    menu.addAction(QStringLiteral("资源导出"))->setData(1004);
    btn.SetMenu(&menu);
    QSignalSpy spy(&btn, &CImageButton::MenuCommand);
    QImage whileOpen;
    QTimer::singleShot(0, [&] {
        testsupport::WaitUntil([&] { return menu.isVisible(); }, 3000);
        whileOpen = host.Shot(btn);
        menu.setActiveAction(menu.actions().at(1));
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    btn.click();
    ASSERT_FALSE(whileOpen.isNull());
    EXPECT_PX(whileOpen, 0, 0, uikit::GetSysColor(uikit::SysColor::BtnShadow)) << "pressed while the menu shows";
    ASSERT_TRUE(testsupport::WaitUntil([&] { return spy.count() == 1; }, 3000));
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1004);
}

}  // namespace
