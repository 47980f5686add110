// Auto-reply list icons, 16 x 16 on transparent ground: 203 a question answered (a speech
// bubble with a return arrow; the keyword rows), 204 an MMS reply (a picture card), 205 a text
// reply (a note with lines).
#include "ArtRegistry.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QImage Blank16() {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

void Bubble(QPainter& p, const QColor& fill) {
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(0.5, 0.5, 12, 9), 2.5, 2.5);
    QPainterPath tail;
    tail.moveTo(3, 9);
    tail.lineTo(2.5, 13);
    tail.lineTo(6.5, 9);
    tail.closeSubpath();
    p.setPen(QPen(fill.darker(160), 0.9));
    p.setBrush(fill);
    p.drawPath(bubble.united(tail));
    p.setPen(QPen(fill.darker(200), 1));
    p.drawLine(QPointF(3, 4), QPointF(10, 4));
    p.drawLine(QPointF(3, 6.5), QPointF(8, 6.5));
}

// A green arrow bending back to the left, in the lower right corner.
void ReturnArrow(QPainter& p) {
    const QColor green(30, 150, 40);
    QPainterPath shaft;
    shaft.moveTo(14.5, 7);
    shaft.lineTo(14.5, 12.5);
    shaft.lineTo(9.5, 12.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(green, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.drawPath(shaft);
    QPolygonF head;
    head << QPointF(6.5, 12.5) << QPointF(10, 9.5) << QPointF(10, 15.5);
    p.setPen(Qt::NoPen);
    p.setBrush(green);
    p.drawPolygon(head);
}

}  // namespace

ARTGEN_ITEM("ico/203.png") {
    QImage img = Blank16();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Bubble(p, QColor(255, 236, 140));
    ReturnArrow(p);
    return img;
}

ARTGEN_ITEM("ico/204.png") {
    QImage img = Blank16();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(50, 80, 150), 0.9));
    p.setBrush(QColor(200, 225, 255));
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1.5, 1.5);
    // A hill and a sun: the picture of an MMS.
    QPainterPath hill;
    hill.moveTo(2.5, 12.5);
    hill.lineTo(6.5, 7.5);
    hill.lineTo(9, 10);
    hill.lineTo(10.5, 8.5);
    hill.lineTo(13.5, 12.5);
    hill.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 160, 70));
    p.drawPath(hill);
    p.setBrush(QColor(250, 180, 40));
    p.drawEllipse(QRectF(9.5, 4, 3, 3));
    return img;
}

ARTGEN_ITEM("ico/205.png") {
    QImage img = Blank16();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath page;
    page.moveTo(3.5, 0.5);
    page.lineTo(10, 0.5);
    page.lineTo(13.5, 4);
    page.lineTo(13.5, 15.5);
    page.lineTo(3.5, 15.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(110, 110, 110), 0.9));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setPen(QPen(QColor(70, 110, 200), 1));
    for (double y : {5.5, 8.0, 10.5, 13.0}) p.drawLine(QPointF(5.5, y), QPointF(11.5, y));
    return img;
}
