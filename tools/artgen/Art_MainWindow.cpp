// The main window's artwork: its background pictures in the program folder, the page and
// side-menu buttons, the hide button, the window icon, and the home page and login pictures.
#include "ArtRegistry.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QColor kDialogBack(235, 243, 246);
const QColor kTeal(0, 120, 133);
const QColor kTealDark(0, 84, 96);
const QColor kTealLight(120, 200, 210);
const QColor kGreen(0, 255, 0);  // transparent in the button bitmaps

QFont CjkFont(int px, bool bold = false) {
    QFont f("Noto Sans CJK SC");
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

// A rounded button face on the transparent green.
QImage ButtonFace(int w, int h, QColor top, QColor bottom, QColor border) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(kGreen);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    QPainterPath path;
    path.addRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 6, 6);
    p.fillPath(path, g);
    p.setPen(border);
    p.drawPath(path);
    p.setPen(QColor(255, 255, 255, 160));
    p.drawLine(6, 2, w - 7, 2);
    return img;
}

// Mobile-phone glyph used on the background and the home page.
void DrawPhone(QPainter& p, QRectF r, QColor body, QColor screen) {
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(r, r.width() * 0.16, r.width() * 0.16);
    p.setBrush(screen);
    p.drawRect(QRectF(r.left() + r.width() * 0.12, r.top() + r.height() * 0.14, r.width() * 0.76,
                      r.height() * 0.56));
    p.setBrush(screen.lighter(110));
    p.drawEllipse(QPointF(r.center().x(), r.bottom() - r.height() * 0.14), r.width() * 0.11,
                  r.width() * 0.11);
}

}  // namespace

// Main-window background, 950 x 540: banner, side column, page area.
ARTGEN_ITEM("app/MMSP1.bmp") {
    QImage img(950, 540, QImage::Format_RGB32);
    img.fill(kDialogBack);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient banner(0, 0, 950, 0);
    banner.setColorAt(0, kTealDark);
    banner.setColorAt(0.55, kTeal);
    banner.setColorAt(1, kTealLight);
    p.fillRect(0, 0, 950, 118, banner);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        p.setBrush(QColor(255, 255, 255, 18 + i * 4));
        p.drawEllipse(QPointF(640 + i * 52, 20 + (i % 2) * 40), 60 - i * 4, 60 - i * 4);
    }
    DrawPhone(p, QRectF(24, 18, 42, 70), QColor(255, 255, 255, 230), QColor(0, 120, 133));
    p.setPen(Qt::white);
    p.setFont(CjkFont(36, true));
    p.drawText(QRect(80, 14, 300, 50), Qt::AlignLeft | Qt::AlignVCenter, "星帆");
    p.setFont(CjkFont(15));
    p.drawText(QRect(82, 60, 400, 24), Qt::AlignLeft | Qt::AlignVCenter, "企业短信彩信群发平台");
    p.fillRect(0, 118, 950, 4, QColor(0, 60, 70));
    // Side column.
    QLinearGradient side(0, 0, 205, 0);
    side.setColorAt(0, QColor(214, 232, 238));
    side.setColorAt(1, QColor(228, 240, 244));
    p.fillRect(0, 122, 205, 418, side);
    p.setPen(QColor(160, 196, 206));
    p.drawLine(205, 122, 205, 539);
    // Page area frame (the pages cover its inside).
    p.setPen(QColor(140, 170, 230));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(209.5, 129.5, 735, 381));
    p.setPen(kTeal);
    p.setFont(CjkFont(12));
    p.drawText(QRect(210, 516, 734, 20), Qt::AlignRight | Qt::AlignVCenter, "星帆  短信彩信客户端");
    return img.convertToFormat(QImage::Format_RGB888);
}

// Drawn over the page area after the first page switch: the page frame, 734 x 380.
ARTGEN_ITEM("app/MMSP1-a.bmp") {
    QImage img(734, 380, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(QColor(140, 170, 230));
    p.drawRect(0, 0, 733, 379);
    QLinearGradient g(0, 0, 0, 6);
    g.setColorAt(0, QColor(0, 120, 133));
    g.setColorAt(1, QColor(120, 200, 210));
    p.fillRect(1, 1, 732, 5, g);
    return img.convertToFormat(QImage::Format_RGB888);
}

// Home page picture, the size of the page area.
ARTGEN_ITEM("app/MMSP2.bmp") {
    QImage img(734, 380, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 734, 380);
    g.setColorAt(0, QColor(250, 253, 254));
    g.setColorAt(1, QColor(214, 236, 242));
    p.fillRect(img.rect(), g);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        p.setBrush(QColor(0, 120, 133, 14 + i * 6));
        p.drawEllipse(QPointF(560, 200), 170 - i * 30, 170 - i * 30);
    }
    DrawPhone(p, QRectF(520, 110, 80, 150), kTeal, QColor(235, 250, 252));
    p.setPen(kTealDark);
    p.setFont(CjkFont(30, true));
    p.drawText(QRect(50, 110, 420, 48), Qt::AlignLeft | Qt::AlignVCenter, "欢迎使用星帆");
    p.setFont(CjkFont(16));
    p.setPen(QColor(40, 90, 100));
    const char* lines[] = {"短信、WAP Push 与彩信群发", "定时发送与循环发送",
                           "收发记录、自动回复与号码归属地查询"};
    for (int i = 0; i < 3; ++i)
        p.drawText(QRect(54, 176 + i * 32, 440, 28), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromUtf8(lines[i]));
    return img.convertToFormat(QImage::Format_RGB888);
}

// Login dialog background.
ARTGEN_ITEM("app/Login.bmp") {
    QImage img(400, 300, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 300);
    g.setColorAt(0, kTeal);
    g.setColorAt(0.28, kTealLight);
    g.setColorAt(0.29, QColor(246, 251, 252));
    g.setColorAt(1, QColor(220, 238, 243));
    p.fillRect(img.rect(), g);
    DrawPhone(p, QRectF(20, 14, 34, 56), QColor(255, 255, 255, 230), kTeal);
    p.setPen(Qt::white);
    p.setFont(CjkFont(26, true));
    p.drawText(QRect(66, 12, 300, 60), Qt::AlignLeft | Qt::AlignVCenter, "星帆  登陆系统");
    return img.convertToFormat(QImage::Format_RGB888);
}

// Side-menu page item: normal and selected (pages 1-7 and 10).
ARTGEN_ITEM("bmp/601.png") {
    return ButtonFace(180, 40, QColor(250, 253, 254), QColor(206, 228, 234), QColor(150, 190, 200));
}
ARTGEN_ITEM("bmp/602.png") {
    return ButtonFace(180, 40, QColor(255, 248, 226), QColor(250, 214, 150), QColor(214, 160, 80));
}
// Side-menu group heads and the single items.
ARTGEN_ITEM("bmp/603.png") {
    return ButtonFace(180, 40, QColor(60, 170, 182), QColor(0, 110, 122), QColor(0, 80, 90));
}
// Banner buttons (home, address book, balance, password, exit).
ARTGEN_ITEM("bmp/604.png") {
    return ButtonFace(92, 30, QColor(255, 255, 255), QColor(200, 230, 236), QColor(0, 96, 108));
}

// A small 24 x 24 title-bar button: a rounded square of the given colour with white strokes.
static QImage TitleButton(QColor face, std::initializer_list<QLineF> strokes) {
    QImage img(24, 24, QImage::Format_RGB32);
    img.fill(kGreen);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(2, 2, 20, 20), 4, 4);
    p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
    for (const QLineF& l : strokes) p.drawLine(l);
    return img;
}

// Hide-to-tray button: a down arrow onto a line.
ARTGEN_ITEM("bmp/605.png") {
    return TitleButton(QColor(0, 96, 108), {QLineF(7, 15, 17, 15), QLineF(12, 6, 12, 12),
                                            QLineF(9, 10, 12, 13), QLineF(15, 10, 12, 13)});
}

// Small exit button: a cross.
ARTGEN_ITEM("bmp/606.png") {
    return TitleButton(QColor(190, 50, 40), {QLineF(8, 8, 16, 16), QLineF(16, 8, 8, 16)});
}

// Window and tray icon.
ARTGEN_ITEM("ico/128.png") {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kTeal);
    p.drawEllipse(QRectF(1, 1, 30, 30));
    DrawPhone(p, QRectF(10, 5, 12, 22), Qt::white, kTeal);
    p.setBrush(QColor(255, 200, 60));
    QPolygonF star;
    star << QPointF(25, 3) << QPointF(26.5, 7) << QPointF(31, 7) << QPointF(27.5, 9.5)
         << QPointF(29, 14) << QPointF(25, 11) << QPointF(21, 14) << QPointF(22.5, 9.5)
         << QPointF(19, 7) << QPointF(23.5, 7);
    p.drawPolygon(star);
    return img;
}
