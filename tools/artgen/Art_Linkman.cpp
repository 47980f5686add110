// Address book icons, 16 x 16 on transparent ground: 134 a contact, 135 a new contact,
// 136 a new group, 137 a group, 138 the book (the tree's root), 139 up one level, 140 a group
// in the tree.
#include "ArtRegistry.h"
#include "ArtShapes.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// A 16 x 16 icon on transparent ground, drawn by draw(painter).
template <typename Draw> QImage Icon16(Draw draw) {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    return img;
}

void Person(QPainter& p, const QColor& shirt) {
    p.setPen(QPen(QColor(90, 60, 30), 0.8));
    p.setBrush(QColor(250, 210, 160));
    p.drawEllipse(QRectF(4.5, 1.5, 6, 6));
    p.setPen(QPen(shirt.darker(150), 0.8));
    p.setBrush(shirt);
    QPainterPath body;
    body.moveTo(1.5, 15.5);
    body.cubicTo(1.5, 9.5, 13.5, 9.5, 13.5, 15.5);
    body.closeSubpath();
    p.drawPath(body);
}

// A green "+" badge at the lower right.
void PlusBadge(QPainter& p) {
    p.setPen(QPen(QColor(20, 100, 30), 0.8));
    p.setBrush(QColor(40, 160, 50));
    p.drawEllipse(QRectF(7.5, 7.5, 8, 8));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(10, 11, 5, 2);
    p.drawRect(11, 9, 2, 6);
    p.setRenderHint(QPainter::Antialiasing, true);
}

const QColor kFolder(250, 205, 90);

}  // namespace

ARTGEN_ITEM("ico/134.png") {
    return Icon16([](QPainter& p) {
        Person(p, QColor(60, 120, 210));
    });
}

ARTGEN_ITEM("ico/135.png") {
    return Icon16([](QPainter& p) {
        p.scale(0.85, 0.85);
        Person(p, QColor(60, 120, 210));
        p.resetTransform();
        PlusBadge(p);
    });
}

ARTGEN_ITEM("ico/136.png") {
    return Icon16([](QPainter& p) {
        artgen::DrawFolder(p, kFolder, false);
        PlusBadge(p);
    });
}

ARTGEN_ITEM("ico/137.png") {
    return Icon16([](QPainter& p) {
        artgen::DrawFolder(p, kFolder, false);
    });
}

ARTGEN_ITEM("ico/138.png") {
    return Icon16([](QPainter& p) {
        // A closed book with a blue cover and a person on it.
        p.setPen(QPen(QColor(20, 50, 120), 0.8));
        p.setBrush(QColor(50, 100, 200));
        p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
        p.setBrush(QColor(240, 240, 230));
        p.drawRect(QRectF(3.5, 13, 10, 1.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 70, 160));
        p.drawRect(QRectF(2.5, 1.5, 2, 13));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(7.5, 3.5, 3.5, 3.5));
        p.drawChord(QRectF(6, 7.5, 6.5, 6), 0, 180 * 16);
    });
}

ARTGEN_ITEM("ico/139.png") {
    return Icon16([](QPainter& p) {
        // A folder with an arrow pointing up and back.
        artgen::DrawFolder(p, kFolder, false);
        p.setPen(QPen(QColor(30, 80, 170), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        QPainterPath arrow;
        arrow.moveTo(12, 12);
        arrow.lineTo(12, 8.5);
        arrow.lineTo(5.5, 8.5);
        p.drawPath(arrow);
        p.drawLine(QPointF(5.5, 8.5), QPointF(7.5, 6.8));
        p.drawLine(QPointF(5.5, 8.5), QPointF(7.5, 10.2));
    });
}

ARTGEN_ITEM("ico/140.png") {
    return Icon16([](QPainter& p) {
        artgen::DrawFolder(p, kFolder, true);
    });
}
