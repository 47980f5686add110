// The look of the login, password and balance dialogs, rendered offscreen (screenshots under
// build/screens/).
#include "core/BalanceDlg.h"
#include "core/ChangePasswordDlg.h"
#include "core/LoginDlg.h"
#include "support/TestSupport.h"
#include "uikit/Resources.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace {

QImage Shot(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

void SaveScreen(const QImage& img, const QString& name) {
    const QString dir = QString(SMS_BUILD_DIR) + "/screens";
    QDir().mkpath(dir);
    img.save(dir + "/" + name + ".png");
}

std::string Str(const QColor& c) {
    return "(" + std::to_string(c.red()) + "," + std::to_string(c.green()) + "," + std::to_string(c.blue()) + ")";
}

// The visible controls of a dialog, each inside the given area and none overlapping another.
void ExpectControlsLaidOut(QWidget& dlg, const QRect& area) {
    std::vector<QWidget*> controls;
    for (QWidget* c : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (c->isVisible()) controls.push_back(c);
    ASSERT_FALSE(controls.empty());
    for (size_t i = 0; i < controls.size(); ++i) {
        const QRect g = controls[i]->geometry();
        EXPECT_TRUE(area.contains(g)) << dlg.objectName().toStdString() << ": control "
                                      << controls[i]->objectName().toStdString() << " outside";
        for (size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(g.intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " overlaps " << controls[j]->objectName().toStdString();
        // Labels show their whole text.
        if (auto* l = qobject_cast<QLabel*>(controls[i])) {
            EXPECT_GE(g.width(), l->sizeHint().width()) << l->text().toStdString();
        }
    }
}

}  // namespace

TEST(LoginDialogsLookTest, LoginDialogDrawsItsPictureAndImageButtons) {
    testsupport::TempAppDir dir;
    // A plain picture with a known colour.
    const QColor back(30, 140, 160);
    QImage pic(CLoginDlg::kWidth, CLoginDlg::kHeight, QImage::Format_RGB888);
    pic.fill(back);
    ASSERT_TRUE(pic.save(QString::fromStdString(dir.file("Login.bmp")), "BMP"));

    CLoginDlg dlg;
    ASSERT_TRUE(dlg.HasBackground());
    dlg.show();
    EXPECT_EQ(dlg.size(), QSize(CLoginDlg::kWidth, CLoginDlg::kHeight));
    EXPECT_TRUE(dlg.windowFlags() & Qt::FramelessWindowHint);
    ExpectControlsLaidOut(dlg, dlg.rect().adjusted(4, 90, -4, -4));
    const QImage img = Shot(dlg);
    EXPECT_EQ(Str(img.pixelColor(10, 10)), Str(back));
    EXPECT_EQ(Str(img.pixelColor(390, 290)), Str(back));

    // The buttons show their bitmaps, with the green corners showing the picture.
    for (CImageButton* b : {dlg.m_btnOK, dlg.m_btnCancel}) {
        const int id = b == dlg.m_btnOK ? 193 : 194;
        const QImage bmp = uikit::res::Bitmap(id);
        ASSERT_FALSE(bmp.isNull()) << id;
        EXPECT_EQ(Str(bmp.pixelColor(0, 0)), Str(QColor(0, 255, 0))) << id;
        const QPoint at = b->geometry().topLeft();
        const int ox = (b->width() - bmp.width()) / 2, oy = (b->height() - bmp.height()) / 2;
        EXPECT_EQ(Str(img.pixelColor(at + QPoint(ox, oy))), Str(back)) << id;
        const QColor face = bmp.pixelColor(bmp.width() / 2, 3);
        EXPECT_EQ(Str(img.pixelColor(at + QPoint(ox + bmp.width() / 2, oy + 3))), Str(face)) << id;
    }
    SaveScreen(img, "login_plain");

    // With the program's own picture, when the artwork has staged it.
    const QString art = QString(SMS_APP_DIR) + "/Login.bmp";
    if (QFile::exists(art)) {
        QFile::remove(QString::fromStdString(dir.file("Login.bmp")));
        ASSERT_TRUE(QFile::copy(art, QString::fromStdString(dir.file("Login.bmp"))));
        CLoginDlg real;
        real.m_strEcode = "E-1";
        real.m_strUserName = "张三";
        real.m_strPassword = "secret";
        real.m_bRemember = true;
        real.UpdateControls();
        real.show();
        SaveScreen(Shot(real), "login");
        // The OK button under the mouse.
        QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), QPointF(real.m_btnOK->mapToGlobal(QPoint(10, 10))),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(real.m_btnOK, &move);
        EXPECT_TRUE(real.m_btnOK->IsHover());
        SaveScreen(Shot(real), "login_hover");
    }
}

TEST(LoginDialogsLookTest, LoginDialogWithoutPictureKeepsItsSize) {
    testsupport::TempAppDir dir;
    CLoginDlg dlg;
    EXPECT_FALSE(dlg.HasBackground());
    dlg.show();
    EXPECT_EQ(dlg.size(), QSize(CLoginDlg::kWidth, CLoginDlg::kHeight));
    SaveScreen(Shot(dlg), "login_nopicture");
}

TEST(LoginDialogsLookTest, SkinnedDialogsPlaceTheirControlsUnderTheTitle) {
    CChangePasswordDlg pw;
    pw.show();
    CBalanceDlg balance(1234, -1);
    balance.show();
    for (CSkinDialog* d : std::initializer_list<CSkinDialog*>{&pw, &balance}) {
        QApplication::processEvents();
        const QImage img = Shot(*d);
        const int titleH = d->TitleBitmapSize().height();
        ASSERT_GT(titleH, 0);
        ExpectControlsLaidOut(*d, d->rect().adjusted(4, titleH + 2, -4, -4));
        // White inside the frame, the title bar at the top.
        EXPECT_EQ(Str(img.pixelColor(6, d->height() - 6)), Str(QColor(255, 255, 255)));
        EXPECT_NE(Str(img.pixelColor(d->width() / 2, titleH / 2)), Str(QColor(255, 255, 255)));
        SaveScreen(img, d == &pw ? "change_password" : "balance");
    }
    EXPECT_EQ(pw.m_btnOK->text().toStdString(), "确定");
    EXPECT_EQ(pw.m_btnCancel->text().toStdString(), "取消");
    EXPECT_EQ(balance.m_btnClose->text().toStdString(), "关  闭");
    EXPECT_EQ(balance.m_editMms->text().toStdString(), "-1");
}
