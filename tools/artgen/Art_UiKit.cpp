// Artwork of the skinned UI kit: the dialog title bar, the message box pictures, the hand cursor.
#include "ArtRegistry.h"

#include <QPainter>
#include <QPainterPath>

namespace {
// The four frame colours of a skinned dialog, outermost first.
const QColor kFrame[4] = {QColor(0, 24, 156), QColor(0, 48, 198), QColor(0, 52, 222),
                          QColor(90, 130, 222)};

QColor Mix(const QColor& a, const QColor& b, double t) {
    return QColor(int(a.red() + (b.red() - a.red()) * t), int(a.green() + (b.green() - a.green()) * t),
                  int(a.blue() + (b.blue() - a.blue()) * t));
}
}  // namespace

// Title bar of every popup dialog: 618 x 28. Columns 0-249 are the left piece, 250-565 the
// stretched middle, 566-615 the right piece with the close glyph; 616-617 are never shown.
ARTGEN_ITEM("bmp/222.png") {
    const int w = 618, h = 28;
    QImage img(w, h, QImage::Format_RGB888);
    const QColor top(120, 170, 250), mid(38, 98, 228), bottom(14, 62, 196);
    for (int y = 0; y < h; ++y) {
        const QColor c = y < 7 ? Mix(top, mid, y / 7.0) : Mix(mid, bottom, (y - 7) / double(h - 8));
        for (int x = 0; x < w; ++x) img.setPixelColor(x, y, c);
    }
    // A light line under the title and the frame columns on both sides.
    for (int x = 0; x < w; ++x) img.setPixelColor(x, h - 1, QColor(70, 120, 230));
    for (int i = 0; i < 4; ++i)
        for (int y = 0; y < h; ++y) {
            img.setPixelColor(i, y, kFrame[i]);
            img.setPixelColor(615 - i, y, kFrame[i]);
        }
    for (int y = 0; y < h; ++y) {
        img.setPixelColor(616, y, QColor(255, 255, 255));
        img.setPixelColor(617, y, QColor(255, 255, 255));
    }
    // Close glyph: a rounded red square with a white cross in columns 589-609.
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF box(589.5, 4.5, 20, 19);
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0, QColor(236, 124, 96));
    g.setColorAt(1, QColor(196, 52, 20));
    p.setPen(QPen(QColor(255, 255, 255), 1));
    p.setBrush(g);
    p.drawRoundedRect(box, 3, 3);
    p.setPen(QPen(QColor(255, 255, 255), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(595, 9.5), QPointF(604, 18.5));
    p.drawLine(QPointF(604, 9.5), QPointF(595, 18.5));
    p.end();
    return img;
}

// Separator line of the message box: 258 x 8.
ARTGEN_ITEM("bmp/226.png") {
    QImage img(258, 8, QImage::Format_RGB888);
    img.fill(QColor(255, 255, 255));
    for (int x = 0; x < img.width(); ++x) {
        const double t = x / double(img.width() - 1);
        img.setPixelColor(x, 3, Mix(QColor(90, 130, 222), QColor(255, 255, 255), t));
        img.setPixelColor(x, 4, Mix(QColor(140, 170, 230), QColor(255, 255, 255), t));
    }
    return img;
}

// Icon of the message box: 23 x 20, a blue round sign with a white "i".
ARTGEN_ITEM("bmp/227.png") {
    QImage img(23, 20, QImage::Format_RGB888);
    img.fill(QColor(255, 255, 255));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(9, 7), 12);
    g.setColorAt(0, QColor(110, 160, 250));
    g.setColorAt(1, QColor(0, 52, 190));
    p.setPen(QPen(QColor(0, 24, 156), 1));
    p.setBrush(g);
    p.drawEllipse(QRectF(2.5, 0.5, 18, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QRectF(10, 3.5, 3, 3));
    p.drawRoundedRect(QRectF(10, 8, 3, 8), 1, 1);
    p.end();
    return img;
}

// Hand cursor, 32 x 32 with the hot spot at the tip of the index finger.
ARTGEN_ITEM("cur/144.png") {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.moveTo(6, 1);
    hand.cubicTo(7.5, 0, 9, 1, 9, 2);
    hand.lineTo(9, 9);
    hand.cubicTo(10, 8, 12, 8, 12, 10);
    hand.cubicTo(13, 9, 15, 9, 15, 11);
    hand.cubicTo(16, 10, 18, 10, 18, 12);
    hand.lineTo(18, 18);
    hand.cubicTo(18, 20, 16, 22, 15, 23);
    hand.lineTo(7, 23);
    hand.lineTo(2, 15);
    hand.cubicTo(1, 13, 3, 12, 4, 13);
    hand.lineTo(5, 14.5);
    hand.lineTo(5, 2);
    hand.cubicTo(5, 1.5, 5.5, 1, 6, 1);
    hand.closeSubpath();
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(hand);
    p.drawLine(QPointF(9, 9), QPointF(9, 15));
    p.drawLine(QPointF(12, 10), QPointF(12, 15));
    p.drawLine(QPointF(15, 11), QPointF(15, 15));
    p.end();
    img.setText("hotX", "6");
    img.setText("hotY", "1");
    return img;
}
