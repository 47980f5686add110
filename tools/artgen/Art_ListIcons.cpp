// The list icon strip (bitmap 439): 16x16 icons of the queue and record lists, pure green
// (0,255,0) transparent.
//  0 SMS sent        1 SMS delivered   2 SMS received   3 SMS failed
//  4 MMS sent        5 MMS delivered   6 MMS rejected   7 MMS received   8 MMS failed
//  9 MMS queued     10 SMS queued     11 MMS held      12 other queued  13 (blank)  14 SMS held
#include "ArtRegistry.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kIcons = 15;
const QColor kKey(0, 255, 0);

enum class Mark { None, Sent, Delivered, Received, Failed, Rejected, Held };

// An envelope (SMS).
void Envelope(QPainter& p) {
    p.setPen(QPen(QColor(70, 90, 140), 1));
    p.setBrush(QColor(255, 250, 225));
    p.drawRect(QRectF(1.5, 3.5, 12, 9));
    p.drawPolyline(QList<QPointF>{{1.5, 3.5}, {7.5, 8.5}, {13.5, 3.5}});
}

// A picture frame with a hill and a sun (MMS).
void Picture(QPainter& p) {
    p.setPen(QPen(QColor(80, 70, 120), 1));
    p.setBrush(QColor(190, 225, 255));
    p.drawRect(QRectF(1.5, 2.5, 12, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 160, 60));
    QPainterPath hill;
    hill.moveTo(2, 12);
    hill.lineTo(6, 7);
    hill.lineTo(9, 10);
    hill.lineTo(11, 8);
    hill.lineTo(13, 12);
    hill.closeSubpath();
    p.drawPath(hill);
    p.setBrush(QColor(255, 200, 40));
    p.drawEllipse(QRectF(9, 4, 3, 3));
}

// The status mark in the lower right corner.
void DrawMark(QPainter& p, Mark m) {
    const QRectF badge(8, 8, 8, 8);
    switch (m) {
    case Mark::None: break;
    case Mark::Sent: {
        p.setPen(QPen(QColor(20, 90, 200), 2));
        p.drawLine(QPointF(9, 13), QPointF(14, 13));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 90, 200));
        p.drawPolygon(QPolygonF(QList<QPointF>{{12, 9.5}, {16, 13}, {12, 16.5}}));
        break;
    }
    case Mark::Received: {
        p.setPen(QPen(QColor(230, 120, 0), 2));
        p.drawLine(QPointF(11, 13), QPointF(16, 13));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 120, 0));
        p.drawPolygon(QPolygonF(QList<QPointF>{{12, 9.5}, {8, 13}, {12, 16.5}}));
        break;
    }
    case Mark::Delivered:
        p.setPen(QPen(QColor(0, 140, 30), 2.2));
        p.drawPolyline(QList<QPointF>{{8.5, 12}, {11, 14.5}, {15.5, 9}});
        break;
    case Mark::Failed:
        p.setPen(QPen(QColor(120, 0, 0), 1));
        p.setBrush(QColor(220, 30, 30));
        p.drawEllipse(badge.adjusted(0.5, 0.5, -0.5, -0.5));
        p.setPen(QPen(Qt::white, 1.6));
        p.drawLine(QPointF(10.2, 10.2), QPointF(13.8, 13.8));
        p.drawLine(QPointF(13.8, 10.2), QPointF(10.2, 13.8));
        break;
    case Mark::Rejected:
        p.setPen(QPen(QColor(120, 0, 0), 1));
        p.setBrush(QColor(220, 30, 30));
        p.drawEllipse(badge.adjusted(0.5, 0.5, -0.5, -0.5));
        p.setPen(QPen(Qt::white, 1.8));
        p.drawLine(QPointF(10, 12), QPointF(14, 12));
        break;
    case Mark::Held:
        // An hourglass: being sent.
        p.setPen(QPen(QColor(110, 60, 0), 1));
        p.setBrush(QColor(255, 190, 50));
        p.drawPolygon(QPolygonF(QList<QPointF>{{9, 8.5}, {15, 8.5}, {12, 12}}));
        p.drawPolygon(QPolygonF(QList<QPointF>{{12, 12}, {15, 15.5}, {9, 15.5}}));
        break;
    }
}

QImage Icon(int index) {
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 0: Envelope(p); DrawMark(p, Mark::Sent); break;
    case 1: Envelope(p); DrawMark(p, Mark::Delivered); break;
    case 2: Envelope(p); DrawMark(p, Mark::Received); break;
    case 3: Envelope(p); DrawMark(p, Mark::Failed); break;
    case 4: Picture(p); DrawMark(p, Mark::Sent); break;
    case 5: Picture(p); DrawMark(p, Mark::Delivered); break;
    case 6: Picture(p); DrawMark(p, Mark::Rejected); break;
    case 7: Picture(p); DrawMark(p, Mark::Received); break;
    case 8: Picture(p); DrawMark(p, Mark::Failed); break;
    case 9: Picture(p); break;
    case 10: Envelope(p); break;
    case 11: Picture(p); DrawMark(p, Mark::Held); break;
    case 12:
        // A plain page.
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 1.5, 9, 13));
        p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 5.5));
        p.drawLine(QPointF(5.5, 8.5), QPointF(10.5, 8.5));
        p.drawLine(QPointF(5.5, 11.5), QPointF(9.5, 11.5));
        break;
    case 14: Envelope(p); DrawMark(p, Mark::Held); break;
    default: break;
    }
    p.end();
    return img;
}

}  // namespace

ARTGEN_ITEM("bmp/439.png") {
    QImage strip(16 * kIcons, 16, QImage::Format_RGB32);
    strip.fill(kKey);
    for (int i = 0; i < kIcons; ++i) {
        const QImage icon = Icon(i).convertToFormat(QImage::Format_ARGB32);
        // Hard edges: a half-covered pixel is either the colour or the key, never a green blend.
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb c = icon.pixel(x, y);
                if (qAlpha(c) >= 128) strip.setPixel(16 * i + x, y, qRgb(qRed(c), qGreen(c), qBlue(c)));
            }
    }
    return strip;
}
