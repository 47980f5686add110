// Menu pictures: toolbar 252 (the recipient menu, 16 x 16 on white), the address book's menu
// image lists 168 (normal), 169 (grayed) and 170 (selected), 20 x 20 each, and the list's
// check-state images (unchecked, checked).
#include "ArtRegistry.h"
#include "MenuGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace {

using namespace artgen;

void Person(QPainter& p, const Ink& k, double s) {
    p.setPen(QPen(k.line, 1));
    p.setBrush(QColor(110, 160, 230));
    p.drawEllipse(QRectF(3 * s, 9.5 * s, 10 * s, 9 * s));
    p.setBrush(QColor(250, 215, 170));
    p.drawEllipse(QRectF(5 * s, 2 * s, 6 * s, 7 * s));
}

void Page(QPainter& p, const Ink& k, double s) {
    p.setPen(QPen(k.line, 1));
    p.setBrush(k.paper);
    p.drawRect(QRectF(3.5 * s, 1.5 * s, 11 * s, 15 * s));
    p.setPen(QPen(k.line.lighter(150), 1));
    for (int i = 0; i < 4; ++i) p.drawLine(QPointF(5.5 * s, (5 + 3 * i) * s), QPointF(12.5 * s, (5 + 3 * i) * s));
}

void Scissors(QPainter& p, const Ink& k, double s) {
    p.setPen(QPen(k.line, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(5 * s, 2 * s), QPointF(13 * s, 12 * s));
    p.drawLine(QPointF(15 * s, 2 * s), QPointF(7 * s, 12 * s));
    p.setPen(QPen(k.accent, 1.6));
    p.drawEllipse(QRectF(3 * s, 12 * s, 5 * s, 5 * s));
    p.drawEllipse(QRectF(12 * s, 12 * s, 5 * s, 5 * s));
}

void Clipboard(QPainter& p, const Ink& k, double s) {
    p.setPen(QPen(k.line, 1));
    p.setBrush(QColor(190, 140, 80));
    p.drawRect(QRectF(3.5 * s, 3.5 * s, 12 * s, 14 * s));
    p.setBrush(k.paper);
    p.drawRect(QRectF(5.5 * s, 6.5 * s, 8 * s, 9 * s));
    p.setBrush(QColor(150, 150, 160));
    p.drawRect(QRectF(7 * s, 1.5 * s, 5 * s, 3 * s));
}

void UpArrow(QPainter& p, const Ink& k, double s) {
    Folder(p, k, s);
    p.setPen(QPen(k.line, 1));
    p.setBrush(QColor(60, 170, 60));
    QPolygonF a;
    a << QPointF(10 * s, 1 * s) << QPointF(15 * s, 6 * s) << QPointF(12 * s, 6 * s) << QPointF(12 * s, 12 * s)
      << QPointF(8 * s, 12 * s) << QPointF(8 * s, 6 * s) << QPointF(5 * s, 6 * s);
    p.drawPolygon(a);
}

void Keyboard(QPainter& p, const Ink& k, double s) {
    p.setPen(QPen(k.line, 1));
    p.setBrush(QColor(225, 225, 230));
    p.drawRoundedRect(QRectF(0.5, 4.5 * s, 15 * s, 8 * s), 1.5, 1.5);
    p.setBrush(k.line);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 5; ++c) p.drawRect(QRectF((2 + 2.6 * c) * s, (6.5 + 2.5 * r) * s, 1.2 * s, 1 * s));
}

void Card(QPainter& p, const Ink& k, double s) {
    p.setPen(QPen(k.line, 1));
    p.setBrush(QColor(250, 240, 200));
    p.drawRect(QRectF(0.5, 3.5 * s, 15 * s, 10 * s));
    p.setBrush(QColor(110, 160, 230));
    p.drawEllipse(QRectF(2 * s, 5.5 * s, 4.5 * s, 5 * s));
    p.setPen(QPen(k.line.lighter(150), 1));
    p.drawLine(QPointF(8 * s, 7 * s), QPointF(14 * s, 7 * s));
    p.drawLine(QPointF(8 * s, 10 * s), QPointF(13 * s, 10 * s));
}

// The address book's commands, images 0 to 10.
const std::vector<Glyph>& BookGlyphs() {
    static const std::vector<Glyph> g = {
        [](QPainter& p, const Ink& k, double s) { Folder(p, k, s); Plus(p, k, s); },      // 0 新增分组 (tree)
        [](QPainter& p, const Ink& k, double s) { Folder(p, k, s); Cross(p, k, s); },     // 1 删除分组 (tree)
        [](QPainter& p, const Ink& k, double s) { Folder(p, k, s); Pencil(p, k, s); },    // 2 重命名分组
        [](QPainter& p, const Ink& k, double s) { Person(p, k, s); Plus(p, k, s); },      // 3 新增联系人
        [](QPainter& p, const Ink& k, double s) { Folder(p, k, s); Plus(p, k, s); },      // 4 新增分组
        [](QPainter& p, const Ink& k, double s) { Person(p, k, s); Cross(p, k, s); },     // 5 删除联系人
        [](QPainter& p, const Ink& k, double s) { Folder(p, k, s); Cross(p, k, s); },     // 6 删除分组
        [](QPainter& p, const Ink& k, double s) { Page(p, k, s); Pencil(p, k, s); },      // 7 修改
        [](QPainter& p, const Ink& k, double s) { Scissors(p, k, s); },                   // 8 剪切
        [](QPainter& p, const Ink& k, double s) { Clipboard(p, k, s); },                  // 9 粘贴
        [](QPainter& p, const Ink& k, double s) { UpArrow(p, k, s); },                    // 10 返回上一级
    };
    return g;
}

QImage BookStrip(const Ink& ink) { return MenuStrip(BookGlyphs(), ink); }

}  // namespace

ARTGEN_ITEM("bmp/168.png") { return BookStrip(kNormal); }
ARTGEN_ITEM("bmp/169.png") { return BookStrip(kGrayed); }
ARTGEN_ITEM("bmp/170.png") { return BookStrip(kSelected); }

// Toolbar 252: 32781 manual input, 32782 text import, 32784 address-book import; white is the
// background the menu masks out.
ARTGEN_ITEM("bmp/252.png") {
    QImage img(48, 16, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = 16.0 / 20.0;
    Keyboard(p, kNormal, 1.0);
    p.translate(16, 0);
    Page(p, kNormal, s * 1.1);
    p.translate(16, 0);
    Card(p, kNormal, 1.0);
    return img;
}

// Check-state images of the lists: state 1 unchecked, state 2 checked.
ARTGEN_ITEM("bmp/liststate.png") {
    QImage img(32, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    for (int i = 0; i < 2; ++i) {
        const QRect box(16 * i + 2, 2, 13, 13);
        p.fillRect(box, QColor(28, 81, 128));
        p.fillRect(box.adjusted(1, 1, -1, -1), QColor(244, 244, 240));
        if (i == 1) {
            const QColor tick(33, 161, 33);
            const int x = box.left() + 3, y = box.top() + 3;
            for (int k = 0; k < 7; ++k) {
                const int top = k < 3 ? y + 2 + k : y + 4 - (k - 2);
                p.fillRect(QRect(x + k, top, 1, 3), tick);
            }
        }
    }
    return img;
}
