#pragma once
// Drawing pieces shared by the menu picture strips: the three inks (normal, grayed, selected),
// a few glyphs drawn at scale s in a 20 x 20 cell, and the strip of one cell per glyph.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <vector>

namespace artgen {

struct Ink {
    QColor line, fill, accent, paper;
};

inline const Ink kNormal{QColor(40, 70, 130), QColor(250, 210, 90), QColor(200, 40, 40), QColor(255, 255, 255)};
inline const Ink kSelected{QColor(10, 50, 150), QColor(255, 225, 120), QColor(230, 60, 30), QColor(235, 245, 255)};
inline const Ink kGrayed{QColor(150, 150, 150), QColor(215, 215, 215), QColor(170, 170, 170), QColor(240, 240, 240)};

inline void Folder(QPainter& p, const Ink& k, double s) {
    p.setPen(QPen(k.line, 1));
    p.setBrush(k.fill);
    QPainterPath path;
    path.moveTo(1.5, 4.5 * s);
    path.lineTo(6 * s, 4.5 * s);
    path.lineTo(7.5 * s, 6 * s);
    path.lineTo(15.5 * s, 6 * s);
    path.lineTo(15.5 * s, 15.5 * s);
    path.lineTo(1.5, 15.5 * s);
    path.closeSubpath();
    p.drawPath(path);
}

inline void Plus(QPainter& p, const Ink& k, double s) {
    p.setPen(QPen(k.accent.darker(120), 1));
    p.setBrush(QColor(60, 170, 60));
    p.drawRect(QRectF(13 * s, 11 * s, 5.5 * s, 5.5 * s));
    p.setPen(QPen(Qt::white, 1.4));
    p.drawLine(QPointF(15.75 * s, 12 * s), QPointF(15.75 * s, 15.5 * s));
    p.drawLine(QPointF(14 * s, 13.75 * s), QPointF(17.5 * s, 13.75 * s));
}

inline void Cross(QPainter& p, const Ink& k, double s) {
    p.setPen(QPen(k.accent, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.5 * s, 11 * s), QPointF(18 * s, 16.5 * s));
    p.drawLine(QPointF(18 * s, 11 * s), QPointF(12.5 * s, 16.5 * s));
}

inline void Pencil(QPainter& p, const Ink& k, double s) {
    p.save();
    p.translate(11 * s, 11 * s);
    p.rotate(-45);
    p.setPen(QPen(k.line, 1));
    p.setBrush(k.fill);
    p.drawRect(QRectF(-2 * s, -8 * s, 4 * s, 11 * s));
    p.setBrush(k.paper);
    QPolygonF tip;
    tip << QPointF(-2 * s, 3 * s) << QPointF(2 * s, 3 * s) << QPointF(0, 7 * s);
    p.drawPolygon(tip);
    p.restore();
}

using Glyph = std::function<void(QPainter&, const Ink&, double)>;

// One 20 x 20 cell per glyph, left to right, on transparent ground.
inline QImage MenuStrip(const std::vector<Glyph>& glyphs, const Ink& ink) {
    QImage img(20 * static_cast<int>(glyphs.size()), 20, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        p.save();
        p.translate(20.0 * static_cast<double>(i), 0);
        p.setClipRect(QRect(0, 0, 20, 20));
        glyphs[i](p, ink, 1.0);
        p.restore();
    }
    return img;
}

}  // namespace artgen
