// Artwork of the send-MMS page: the phone around the preview (640, 234 x 300, drawn at 17,70 so it
// ends inside the page; the preview's screen at 39,63 to 187,283), the sound indicators (641 an AMR sound, 642 another sound,
// 16 x 16, on transparent ground) and the player buttons, hovered then normal, 40 x 24
// (643/644 play, 645/646 stop, 647/648 previous, 649/650 next; pure green is transparent).
#include "ArtRegistry.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QImage Phone() {
    QImage img(234, 300, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Body.
    QLinearGradient body(0, 0, 234, 0);
    body.setColorAt(0, QColor(70, 86, 112));
    body.setColorAt(0.5, QColor(128, 146, 176));
    body.setColorAt(1, QColor(70, 86, 112));
    p.setPen(QPen(QColor(30, 36, 48), 2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(14, 4, 206, 292), 28, 28);
    // Ear piece and camera.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 34, 44));
    p.drawRoundedRect(QRectF(92, 26, 50, 7), 3, 3);
    p.drawEllipse(QPointF(160, 29.5), 4, 4);
    // Screen bezel around the preview's screen.
    p.setBrush(QColor(20, 22, 28));
    p.drawRoundedRect(QRectF(32, 56, 162, 234), 8, 8);
    p.setBrush(Qt::white);
    p.drawRect(QRect(39, 63, 148, 220));
    return img;
}

// A loudspeaker with a mark: "A" for AMR, a note for other sounds.
QImage SoundIndicator(bool amr) {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath cone;
    cone.moveTo(1, 6);
    cone.lineTo(4, 6);
    cone.lineTo(8, 2);
    cone.lineTo(8, 14);
    cone.lineTo(4, 10);
    cone.lineTo(1, 10);
    cone.closeSubpath();
    p.setPen(QPen(QColor(20, 40, 90), 1));
    p.setBrush(QColor(70, 110, 200));
    p.drawPath(cone);
    p.setPen(QPen(amr ? QColor(200, 30, 30) : QColor(20, 120, 40), 1.6));
    if (amr) {
        p.drawLine(QPointF(9.5, 14), QPointF(12, 4));
        p.drawLine(QPointF(12, 4), QPointF(14.5, 14));
        p.drawLine(QPointF(10.5, 10.5), QPointF(13.5, 10.5));
    } else {
        p.drawLine(QPointF(14, 3), QPointF(14, 12));
        p.drawLine(QPointF(14, 3), QPointF(11, 4));
        p.setBrush(amr ? QColor(200, 30, 30) : QColor(20, 120, 40));
        p.drawEllipse(QPointF(12.2, 12.5), 2, 1.6);
    }
    return img;
}

enum class Glyph { Play, Stop, Prev, Next };

QImage PlayerButton(Glyph glyph, bool hover) {
    QImage img(40, 24, QImage::Format_ARGB32);
    img.fill(QColor(0, 255, 0));
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, 24);
    g.setColorAt(0, hover ? QColor(255, 255, 255) : QColor(246, 248, 252));
    g.setColorAt(1, hover ? QColor(186, 210, 250) : QColor(206, 214, 228));
    // The outline without smoothing, so no pixel mixes with the transparent green.
    p.setPen(QPen(hover ? QColor(49, 106, 197) : QColor(122, 138, 168), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRect(0, 0, 39, 23), 4, 4);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(hover ? QColor(20, 60, 150) : QColor(40, 56, 90));
    QPainterPath path;
    switch (glyph) {
    case Glyph::Play:
        path.moveTo(16, 6);
        path.lineTo(26, 12);
        path.lineTo(16, 18);
        path.closeSubpath();
        break;
    case Glyph::Stop: path.addRect(15, 7, 10, 10); break;
    case Glyph::Prev:
        path.addRect(12, 7, 2.5, 10);
        path.moveTo(25, 7);
        path.lineTo(16, 12);
        path.lineTo(25, 17);
        path.closeSubpath();
        break;
    case Glyph::Next:
        path.addRect(25.5, 7, 2.5, 10);
        path.moveTo(15, 7);
        path.lineTo(24, 12);
        path.lineTo(15, 17);
        path.closeSubpath();
        break;
    }
    p.drawPath(path);
    return img;
}

}  // namespace

ARTGEN_ITEM("bmp/640.png") { return Phone(); }
ARTGEN_ITEM("bmp/641.png") { return SoundIndicator(true); }
ARTGEN_ITEM("bmp/642.png") { return SoundIndicator(false); }
ARTGEN_ITEM("bmp/643.png") { return PlayerButton(Glyph::Play, true); }
ARTGEN_ITEM("bmp/644.png") { return PlayerButton(Glyph::Play, false); }
ARTGEN_ITEM("bmp/645.png") { return PlayerButton(Glyph::Stop, true); }
ARTGEN_ITEM("bmp/646.png") { return PlayerButton(Glyph::Stop, false); }
ARTGEN_ITEM("bmp/647.png") { return PlayerButton(Glyph::Prev, true); }
ARTGEN_ITEM("bmp/648.png") { return PlayerButton(Glyph::Prev, false); }
ARTGEN_ITEM("bmp/649.png") { return PlayerButton(Glyph::Next, true); }
ARTGEN_ITEM("bmp/650.png") { return PlayerButton(Glyph::Next, false); }
