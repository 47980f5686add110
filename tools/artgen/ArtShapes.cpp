#include "ArtShapes.h"

#include <QPainter>
#include <QPainterPath>

namespace artgen {

void DrawFolder(QPainter& p, const QColor& fill, bool open) {
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
    p.setBrush(fill);
    if (open) {
        QPolygonF front;
        front << QPointF(3, 7) << QPointF(15.5, 7) << QPointF(14, 13.5) << QPointF(1.5, 13.5);
        p.drawPolygon(front);
    } else {
        p.drawRect(QRectF(1.5, 6.5, 13, 7));
    }
}

}  // namespace artgen
