#include "uikit/GdiDraw.h"

#include "uikit/SysColors.h"

#include <algorithm>

namespace uikit::gdi {

void FillRect(QPainter& p, int l, int t, int r, int b, const QColor& c) {
    if (r <= l || b <= t) return;
    p.fillRect(Rc(l, t, r, b), c);
}

void Line(QPainter& p, int x0, int y0, int x1, int y1, int w, const QColor& c) {
    if (w < 1) w = 1;
    const int lo = -(w / 2), hi = lo + w - 1;
    if (x0 == x1) {
        const int a = std::min(y0, y1), b = std::max(y0, y1);
        FillRect(p, x0 + lo, a, x0 + hi + 1, b + 1, c);
    } else {
        const int a = std::min(x0, x1), b = std::max(x0, x1);
        FillRect(p, a, y0 + lo, b + 1, y0 + hi + 1, c);
    }
}

void FrameRect(QPainter& p, int l, int t, int r, int b, int w, const QColor& c) {
    if (r <= l || b <= t) return;
    Line(p, l, t, r - 1, t, w, c);
    Line(p, l, b - 1, r - 1, b - 1, w, c);
    Line(p, l, t, l, b - 1, w, c);
    Line(p, r - 1, t, r - 1, b - 1, w, c);
}

void InsideFrame(QPainter& p, int l, int t, int r, int b, int w, const QColor& c) {
    if (r <= l || b <= t) return;
    FillRect(p, l, t, r, std::min(b, t + w), c);
    FillRect(p, l, std::max(t, b - w), r, b, c);
    FillRect(p, l, t, std::min(r, l + w), b, c);
    FillRect(p, std::max(l, r - w), t, r, b, c);
}

void RoundRect5(QPainter& p, int l, int t, int r, int b, const QColor& pen, const QColor& fill) {
    if (r - l < 5 || b - t < 5) {
        FillRect(p, l, t, r, b, fill);
        InsideFrame(p, l, t, r, b, 1, pen);
        return;
    }
    FillRect(p, l + 2, t + 1, r - 2, b - 1, fill);
    FillRect(p, l + 1, t + 2, r - 1, b - 2, fill);
    FillRect(p, l + 2, t, r - 2, t + 1, pen);
    FillRect(p, l + 2, b - 1, r - 2, b, pen);
    FillRect(p, l, t + 2, l + 1, b - 2, pen);
    FillRect(p, r - 1, t + 2, r, b - 2, pen);
    FillRect(p, l + 1, t + 1, l + 2, t + 2, pen);
    FillRect(p, r - 2, t + 1, r - 1, t + 2, pen);
    FillRect(p, l + 1, b - 2, l + 2, b - 1, pen);
    FillRect(p, r - 2, b - 2, r - 1, b - 1, pen);
}

void Edge(QPainter& p, int l, int t, int r, int b, const QColor& tl, const QColor& br) {
    if (r <= l || b <= t) return;
    FillRect(p, l, t, r - 1, t + 1, tl);
    FillRect(p, l, t, l + 1, b - 1, tl);
    FillRect(p, l, b - 1, r, b, br);
    FillRect(p, r - 1, t, r, b, br);
}

void EmbossedText(QPainter& p, const QRect& rc, int flags, const QString& text) {
    p.save();
    p.setPen(GetSysColor(SysColor::BtnHighlight));
    p.drawText(rc.translated(1, 1), flags, text);
    p.setPen(GetSysColor(SysColor::BtnShadow));
    p.drawText(rc, flags, text);
    p.restore();
}

static QImage MonoOf(const QImage& src, const QColor& colour) {
    QImage in = src.convertToFormat(QImage::Format_ARGB32);
    QImage out(in.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    const QRgb c = colour.rgb();
    for (int y = 0; y < in.height(); ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(in.constScanLine(y));
        QRgb* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < in.width(); ++x) {
            if (qAlpha(s[x]) < 128) continue;
            if ((s[x] & 0xFFFFFF) == 0xFFFFFF) continue;
            d[x] = c;
        }
    }
    return out;
}

void EmbossedImage(QPainter& p, int x, int y, const QImage& img) {
    p.drawImage(x + 1, y + 1, MonoOf(img, GetSysColor(SysColor::BtnHighlight)));
    p.drawImage(x, y, MonoOf(img, GetSysColor(SysColor::BtnShadow)));
}

QImage Masked(const QImage& src, const QColor& key) {
    QImage img = src.convertToFormat(QImage::Format_ARGB32);
    const QRgb k = key.rgb() & 0xFFFFFF;
    for (int y = 0; y < img.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((line[x] & 0xFFFFFF) == k) line[x] = 0;
    }
    return img;
}

void FocusRect(QPainter& p, int l, int t, int r, int b) {
    if (r <= l || b <= t) return;
    const QColor c(0, 0, 0);
    for (int x = l; x < r; ++x) {
        if (((x - l) & 1) == 0) {
            FillRect(p, x, t, x + 1, t + 1, c);
            FillRect(p, x, b - 1, x + 1, b, c);
        }
    }
    for (int y = t; y < b; ++y) {
        if (((y - t) & 1) == 0) {
            FillRect(p, l, y, l + 1, y + 1, c);
            FillRect(p, r - 1, y, r, y + 1, c);
        }
    }
}

}  // namespace uikit::gdi
