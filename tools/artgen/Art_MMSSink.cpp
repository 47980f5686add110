// MMS library pictures: toolbar 277, the pictures of menus 275 and 276 (16 x 16 per command),
// and the 16 x 16 icons of the library's tree (the library, a group) and list (a package).
#include "ArtRegistry.h"
#include "MenuGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <vector>

namespace {

using namespace artgen;

// A package: a phone-like card with a picture and a note on it.
void Package(QPainter& p, const Ink& k, double s) {
    p.setPen(QPen(k.line, 1));
    p.setBrush(k.paper);
    p.drawRoundedRect(QRectF(3.5 * s, 1.5 * s, 11 * s, 15 * s), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 190, 240));
    p.drawRect(QRectF(5 * s, 3.5 * s, 8 * s, 6 * s));
    p.setBrush(QColor(70, 160, 70));
    QPolygonF hill;
    hill << QPointF(5 * s, 9.5 * s) << QPointF(8 * s, 6 * s) << QPointF(10 * s, 8 * s) << QPointF(11.5 * s, 7 * s)
         << QPointF(13 * s, 9.5 * s);
    p.drawPolygon(hill);
    p.setBrush(QColor(250, 200, 60));
    p.drawEllipse(QRectF(10.5 * s, 4 * s, 2 * s, 2 * s));
    p.setPen(QPen(k.line.lighter(150), 1));
    p.drawLine(QPointF(5.5 * s, 12 * s), QPointF(12.5 * s, 12 * s));
    p.drawLine(QPointF(5.5 * s, 14 * s), QPointF(10.5 * s, 14 * s));
}

// An arrow across the lower part: into the package (import) or out of it (export).
void Arrow(QPainter& p, const Ink& k, double s, bool in) {
    p.setPen(QPen(k.line.darker(110), 1));
    p.setBrush(in ? QColor(60, 170, 60) : QColor(60, 120, 220));
    const double y = 13 * s;
    QPolygonF a;
    if (in)
        a << QPointF(0.5, y - 2 * s) << QPointF(6 * s, y - 2 * s) << QPointF(6 * s, y - 4.5 * s)
          << QPointF(10.5 * s, y) << QPointF(6 * s, y + 4.5 * s) << QPointF(6 * s, y + 2 * s) << QPointF(0.5, y + 2 * s);
    else
        a << QPointF(10 * s, y - 2 * s) << QPointF(15 * s, y - 2 * s) << QPointF(15 * s, y - 4.5 * s)
          << QPointF(19.5 * s, y) << QPointF(15 * s, y + 4.5 * s) << QPointF(15 * s, y + 2 * s) << QPointF(10 * s, y + 2 * s);
    p.drawPolygon(a);
}

// A name tag: the rename command.
void Tag(QPainter& p, const Ink& k, double s) {
    p.setPen(QPen(k.line, 1));
    p.setBrush(QColor(255, 245, 200));
    p.drawRect(QRectF(1.5, 12.5 * s, 11 * s, 5 * s));
    p.setPen(QPen(k.line, 1.2));
    p.drawLine(QPointF(3 * s, 15 * s), QPointF(10 * s, 15 * s));
}

// Images 0 to 7: 导入彩信, 导出彩信, 添加彩信, 编辑彩信, 重命名彩信, 删除彩信, 新增分组, 删除分组.
const std::vector<Glyph>& Glyphs() {
    static const std::vector<Glyph> g = {
        [](QPainter& p, const Ink& k, double s) { Package(p, k, s); Arrow(p, k, s, true); },
        [](QPainter& p, const Ink& k, double s) { Package(p, k, s); Arrow(p, k, s, false); },
        [](QPainter& p, const Ink& k, double s) { Package(p, k, s); Plus(p, k, s); },
        [](QPainter& p, const Ink& k, double s) { Package(p, k, s); Pencil(p, k, s); },
        [](QPainter& p, const Ink& k, double s) { Package(p, k, s); Tag(p, k, s); },
        [](QPainter& p, const Ink& k, double s) { Package(p, k, s); Cross(p, k, s); },
        [](QPainter& p, const Ink& k, double s) { Folder(p, k, s); Plus(p, k, s); },
        [](QPainter& p, const Ink& k, double s) { Folder(p, k, s); Cross(p, k, s); },
    };
    return g;
}

// Toolbar 277: one 16 x 16 cell per image on white, the background the menu masks out.
QImage Toolbar277() {
    const std::vector<Glyph>& glyphs = Glyphs();
    QImage img(16 * static_cast<int>(glyphs.size()), 16, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        p.save();
        p.translate(16.0 * static_cast<double>(i), 0);
        p.setClipRect(QRect(0, 0, 16, 16));
        glyphs[i](p, kNormal, 16.0 / 20.0);
        p.restore();
    }
    return img;
}

QImage Icon16(const std::function<void(QPainter&)>& draw) {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return img;
}

}  // namespace

ARTGEN_ITEM("bmp/277.png") { return Toolbar277(); }

// The library: a chest of packages.
ARTGEN_ITEM("ico/MMSSinkRoot.png") {
    return Icon16([](QPainter& p) {
        p.setPen(QPen(QColor(110, 60, 20), 0.8));
        p.setBrush(QColor(200, 130, 60));
        p.drawRect(QRectF(1.5, 6.5, 13, 8));
        p.setBrush(QColor(225, 160, 80));
        p.drawRect(QRectF(1.5, 3.5, 13, 3));
        p.setBrush(QColor(250, 210, 90));
        p.drawRect(QRectF(6.5, 5.5, 3, 3));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 190, 240));
        p.drawRect(QRectF(3, 9, 4, 4));
        p.drawRect(QRectF(9, 9, 4, 4));
    });
}

ARTGEN_ITEM("ico/MMSSinkGroup.png") {
    return Icon16([](QPainter& p) {
        p.scale(0.8, 0.8);
        Folder(p, kNormal, 1.0);
    });
}

ARTGEN_ITEM("ico/MMSPackage.png") {
    return Icon16([](QPainter& p) {
        p.translate(-1.5, 0);
        p.scale(0.95, 0.95);
        Package(p, kNormal, 1.0);
    });
}
