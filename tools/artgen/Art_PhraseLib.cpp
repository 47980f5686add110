// Phrase library tree images, a strip of four 16 x 16 pictures on transparent ground: 0 the
// root (a note pad), 1 a spare note, 2 a phrase type (a closed folder), 3 the selected type (an
// open folder with a note).
#include "ArtRegistry.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void NotePad(QPainter& p, const QColor& cover) {
    p.setPen(QPen(cover.darker(160), 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 2.5, 10, 12));
    p.setBrush(cover);
    p.drawRect(QRectF(3.5, 1.5, 10, 3));
    p.setPen(QPen(QColor(120, 140, 180), 1));
    for (int y = 7; y <= 12; y += 2) p.drawLine(QPointF(5.5, y + 0.5), QPointF(11.5, y + 0.5));
}

void Folder(QPainter& p, bool open) {
    const QColor fill(250, 205, 90);
    p.setPen(QPen(fill.darker(170), 0.8));
    p.setBrush(fill.darker(110));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    if (open) {
        p.setPen(QPen(QColor(110, 120, 150), 0.8));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 2.5, 8, 7));
        p.setPen(QPen(fill.darker(170), 0.8));
        p.setBrush(fill);
        QPolygonF front;
        front << QPointF(3, 7.5) << QPointF(15.5, 7.5) << QPointF(14, 13.5) << QPointF(1.5, 13.5);
        p.drawPolygon(front);
    } else {
        p.setBrush(fill);
        p.drawRect(QRectF(1.5, 6.5, 13, 7));
        p.setPen(QPen(QColor(200, 140, 40), 1));
        p.drawLine(QPointF(4, 9.5), QPointF(12, 9.5));
    }
}

}  // namespace

ARTGEN_ITEM("bmp/phrasetree.png") {
    QImage img(64, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    NotePad(p, QColor(60, 120, 210));
    p.translate(16, 0);
    NotePad(p, QColor(90, 170, 90));
    p.translate(16, 0);
    Folder(p, false);
    p.translate(16, 0);
    Folder(p, true);
    p.end();
    return img;
}
