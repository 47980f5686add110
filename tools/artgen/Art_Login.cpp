// Login dialog buttons: 193 (OK) and 194 (Cancel), 80 x 26 rounded faces on pure green, the
// transparent colour of the image buttons. The captions are drawn by the buttons.
#include "ArtRegistry.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QImage Face(const QColor& top, const QColor& bottom, const QColor& edge) {
    const int w = 80, h = 26;
    QImage img(w, h, QImage::Format_RGB888);
    img.fill(QColor(0, 255, 0));
    QPainter p(&img);
    // No antialiasing: blended edge pixels would not match the transparent colour.
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, w - 1, h - 1), 5, 5);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(0.5, top.darker(108));
    g.setColorAt(0.51, bottom.lighter(112));
    g.setColorAt(1, bottom);
    p.setPen(QPen(edge, 1));
    p.setBrush(g);
    p.drawPath(path);
    // A light line under the top edge.
    p.setPen(QPen(QColor(255, 255, 255, 150), 1));
    p.drawLine(QPointF(5, 1.5), QPointF(w - 6, 1.5));
    p.end();
    return img;
}

}  // namespace

ARTGEN_ITEM("bmp/193.png") {
    return Face(QColor(250, 254, 255), QColor(196, 226, 234), QColor(0, 96, 108));
}

ARTGEN_ITEM("bmp/194.png") {
    return Face(QColor(252, 252, 252), QColor(214, 220, 224), QColor(110, 124, 132));
}
