// Phrase library tree images, a strip of four 16 x 16 pictures on transparent ground: 0 the
// root (a note pad), 1 a spare note, 2 a phrase type (a closed folder), 3 the selected type (an
// open folder).
#include "ArtRegistry.h"
#include "ArtShapes.h"

#include <QPainter>

namespace {

const QColor kFolder(250, 205, 90);

void NotePad(QPainter& p, const QColor& cover) {
    p.setPen(QPen(cover.darker(160), 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 2.5, 10, 12));
    p.setBrush(cover);
    p.drawRect(QRectF(3.5, 1.5, 10, 3));
    p.setPen(QPen(QColor(120, 140, 180), 1));
    for (int y = 7; y <= 12; y += 2) p.drawLine(QPointF(5.5, y + 0.5), QPointF(11.5, y + 0.5));
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
    artgen::DrawFolder(p, kFolder, false);
    p.translate(16, 0);
    artgen::DrawFolder(p, kFolder, true);
    p.end();
    return img;
}
