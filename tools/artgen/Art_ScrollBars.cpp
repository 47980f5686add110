// Artwork of the custom-drawn scroll bars: bitmap 334, the skin every part of a bar is copied
// from. Cells (x, y, w, h):
//   arrows 18 x 18: horizontal left/right at x 0, 18, 36 (normal, hot, pressed), rows 0 / 19;
//   vertical up/down at x 72, 90, 108, rows 0 / 19;
//   horizontal thumb per state at rows 0, 19, 38: left cap 54-62, middle column 63, right cap
//   63-71 (its first column is the middle column);
//   vertical thumb per state at x 126, rows y (top cap y..y+8), y+9 (middle row), y+9..y+17
//   (bottom cap, its first row is the middle row);
//   horizontal track cross profiles: column 0 (normal) and column 4 (hot, pressed), rows 83-100;
//   vertical track profiles: row 112 x 0-17 (normal), row 83 x 4-21 (hot, pressed), which
//   starts on the top pixel of the hot horizontal column, so both begin with the edge colour;
//   size box 18 x 18 at (100, 100).
#include "ArtRegistry.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kEdge(152, 180, 226);
const QColor kTrack[2] = {QColor(242, 245, 252), QColor(226, 234, 250)};  // normal, hot
const QColor kFace[3] = {QColor(200, 216, 245), QColor(214, 230, 255), QColor(160, 188, 238)};
const QColor kBorder[3] = {QColor(110, 140, 200), QColor(90, 125, 200), QColor(60, 95, 175)};
const QColor kGlyph(50, 70, 120);

QColor Mix(const QColor& a, const QColor& b, double t) {
    return QColor(int(a.red() + (b.red() - a.red()) * t), int(a.green() + (b.green() - a.green()) * t),
                  int(a.blue() + (b.blue() - a.blue()) * t));
}

// Colour of the thumb / arrow face across its thickness (0 … n-1).
QColor Profile(int state, int i, int n) {
    if (i == 0 || i == n - 1) return kBorder[state];
    const double t = double(i) / (n - 1);
    return Mix(kFace[state].lighter(112), kFace[state].darker(106), t);
}

// dir: 0 left, 1 right, 2 up, 3 down.
void Arrow(QImage& img, int x, int y, int state, int dir) {
    const bool vertical = dir >= 2;
    for (int j = 0; j < 18; ++j)
        for (int i = 0; i < 18; ++i) img.setPixelColor(x + i, y + j, Profile(state, vertical ? i : j, 18));
    for (int i = 0; i < 18; ++i) {  // a full border
        img.setPixelColor(x + i, y, kBorder[state]);
        img.setPixelColor(x + i, y + 17, kBorder[state]);
        img.setPixelColor(x, y + i, kBorder[state]);
        img.setPixelColor(x + 17, y + i, kBorder[state]);
    }
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kGlyph);
    const QPointF c(x + 9, y + 9);
    QPolygonF tri;
    if (dir == 0) tri << c + QPointF(-4, 0) << c + QPointF(3, -5) << c + QPointF(3, 5);
    if (dir == 1) tri << c + QPointF(4, 0) << c + QPointF(-3, -5) << c + QPointF(-3, 5);
    if (dir == 2) tri << c + QPointF(0, -4) << c + QPointF(-5, 3) << c + QPointF(5, 3);
    if (dir == 3) tri << c + QPointF(0, 4) << c + QPointF(-5, -3) << c + QPointF(5, -3);
    p.drawPolygon(tri);
}

// Horizontal thumb of one state on rows y..y+17, x 54..71.
void HorzThumb(QImage& img, int y, int state) {
    for (int x = 54; x <= 71; ++x)
        for (int j = 0; j < 18; ++j) img.setPixelColor(x, y + j, Profile(state, j, 18));
    for (int j = 0; j < 18; ++j) {  // rounded ends
        img.setPixelColor(54, y + j, kBorder[state]);
        img.setPixelColor(71, y + j, kBorder[state]);
    }
    for (int k : {0, 17}) {
        img.setPixelColor(54, y + k, kEdge);
        img.setPixelColor(71, y + k, kEdge);
    }
    // Grip lines near the middle of each cap.
    for (int j = 6; j <= 11; ++j) {
        img.setPixelColor(60, y + j, kBorder[state]);
        img.setPixelColor(66, y + j, kBorder[state]);
    }
}

void VertThumb(QImage& img, int y, int state) {
    for (int j = 0; j < 18; ++j)
        for (int i = 0; i < 18; ++i) img.setPixelColor(126 + i, y + j, Profile(state, i, 18));
    for (int i = 0; i < 18; ++i) {
        img.setPixelColor(126 + i, y, kBorder[state]);
        img.setPixelColor(126 + i, y + 17, kBorder[state]);
    }
    for (int k : {0, 17}) {
        img.setPixelColor(126 + k, y, kEdge);
        img.setPixelColor(126 + k, y + 17, kEdge);
    }
    for (int i = 6; i <= 11; ++i) {
        img.setPixelColor(126 + i, y + 6, kBorder[state]);
        img.setPixelColor(126 + i, y + 12, kBorder[state]);
    }
}

// A track cross profile of 18 pixels: edge, fill, edge.
QColor TrackPx(int hot, int i) { return (i == 0 || i == 17) ? kEdge : kTrack[hot]; }

}  // namespace

ARTGEN_ITEM("bmp/334.png") {
    QImage img(144, 120, QImage::Format_RGB32);
    img.fill(QColor(255, 255, 255));
    for (int s = 0; s < 3; ++s) {
        Arrow(img, 18 * s, 0, s, 0);
        Arrow(img, 18 * s, 19, s, 1);
        Arrow(img, 72 + 18 * s, 0, s, 2);
        Arrow(img, 72 + 18 * s, 19, s, 3);
        HorzThumb(img, 19 * s, s);
        VertThumb(img, 19 * s, s);
    }
    for (int i = 0; i < 18; ++i) {
        img.setPixelColor(0, 83 + i, TrackPx(0, i));   // horizontal, normal
        img.setPixelColor(4, 83 + i, TrackPx(1, i));   // horizontal, hot and pressed
        img.setPixelColor(i, 112, TrackPx(0, i));      // vertical, normal
        img.setPixelColor(4 + i, 83, TrackPx(1, i));   // vertical, hot and pressed (shares (4,83))
    }
    // Size box: track colour with a small grip.
    for (int j = 0; j < 18; ++j)
        for (int i = 0; i < 18; ++i) img.setPixelColor(100 + i, 100 + j, kTrack[0]);
    for (int k = 0; k < 3; ++k)
        for (int d = 0; d <= k; ++d) img.setPixelColor(100 + 13 - 4 * d + 4 * k - 4 * k, 100 + 13 - 4 * (k - d), kBorder[0]);
    return img;
}
