// Artwork of the pending pages: the view buttons (shown / not shown) and the sending-state
// pictures (165 paused, 166 sending allowed).
#include "ArtRegistry.h"

#include <QPainter>

namespace {

QImage ViewButton(bool shown, int kind) {
    QImage img(24, 20, QImage::Format_ARGB32);
    img.fill(QColor(236, 233, 216));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor face = shown ? QColor(49, 106, 197) : QColor(172, 168, 153);
    p.setPen(face.darker(130));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(1.5, 1.5, 21, 17), 3, 3);
    // A mark per list: a page (immediate), a clock (timed), a circle of arrows (cyclic).
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Qt::NoBrush);
    if (kind == 0) {
        p.drawRect(QRectF(8, 5, 8, 10));
        p.drawLine(QPointF(10, 8), QPointF(14, 8));
        p.drawLine(QPointF(10, 11), QPointF(14, 11));
    } else if (kind == 1) {
        p.drawEllipse(QPointF(12, 10), 5, 5);
        p.drawLine(QPointF(12, 10), QPointF(12, 7));
        p.drawLine(QPointF(12, 10), QPointF(14.5, 10));
    } else {
        p.drawArc(QRectF(7, 5, 10, 10), 30 * 16, 300 * 16);
        p.drawLine(QPointF(16.5, 7.5), QPointF(16.5, 4.5));
        p.drawLine(QPointF(16.5, 7.5), QPointF(13.5, 7.5));
    }
    return img;
}

QImage StateLamp(bool paused) {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(QColor(236, 233, 216));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor lamp = paused ? QColor(210, 40, 30) : QColor(20, 160, 40);
    p.setPen(lamp.darker(150));
    p.setBrush(lamp);
    p.drawEllipse(QRectF(2, 2, 12, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawEllipse(QRectF(5, 4, 4, 3));
    return img;
}

}  // namespace

ARTGEN_ITEM("bmp/480.png") { return ViewButton(true, 0); }
ARTGEN_ITEM("bmp/481.png") { return ViewButton(false, 0); }
ARTGEN_ITEM("bmp/485.png") { return ViewButton(true, 1); }
ARTGEN_ITEM("bmp/486.png") { return ViewButton(false, 1); }
ARTGEN_ITEM("bmp/488.png") { return ViewButton(true, 2); }
ARTGEN_ITEM("bmp/489.png") { return ViewButton(false, 2); }
ARTGEN_ITEM("bmp/165.png") { return StateLamp(true); }
ARTGEN_ITEM("bmp/166.png") { return StateLamp(false); }
