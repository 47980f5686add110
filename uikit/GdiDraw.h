#pragma once
// Pixel-exact drawing helpers in the manner of the Windows drawing calls the kit's controls
// were designed with: rectangles are (left, top, right, bottom) with right and bottom
// excluded, and no drawing is anti-aliased.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

namespace uikit::gdi {

// A rectangle given by its edges, right and bottom excluded.
inline QRect Rc(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }

// Fills (l,t)-(r,b).
void FillRect(QPainter& p, int l, int t, int r, int b, const QColor& c);

// A straight horizontal or vertical line from (x0,y0) to (x1,y1), both ends included, with a pen
// of width w centred on it (w = 3 covers c-1..c+1, w = 2 covers c-1..c).
void Line(QPainter& p, int x0, int y0, int x1, int y1, int w, const QColor& c);

// Outline of (l,t)-(r,b) with a centred pen of width w (Rectangle with a hollow brush).
void FrameRect(QPainter& p, int l, int t, int r, int b, int w, const QColor& c);

// Outline of (l,t)-(r,b) with a pen of width w kept inside the rectangle.
void InsideFrame(QPainter& p, int l, int t, int r, int b, int w, const QColor& c);

// A rounded rectangle with a 1-pixel pen inside (l,t)-(r,b), corner 5 x 5, filled with fill.
void RoundRect5(QPainter& p, int l, int t, int r, int b, const QColor& pen, const QColor& fill);

// Raised or sunken thin edge: top-left in tl, bottom-right in br.
void Edge(QPainter& p, int l, int t, int r, int b, const QColor& tl, const QColor& br);

// Text drawn embossed (disabled look): once at (+1,+1) in the 3-D highlight colour, then in
// place in the 3-D shadow colour. flags are Qt text flags.
void EmbossedText(QPainter& p, const QRect& rc, int flags, const QString& text);

// An image drawn embossed: its pixels that are not white (and not transparent) are drawn once at
// (+1,+1) in the 3-D highlight colour, then in place in the 3-D shadow colour.
void EmbossedImage(QPainter& p, int x, int y, const QImage& img);

// An ARGB32 copy of src with its pixels of colour key (alpha not compared) made fully transparent.
QImage Masked(const QImage& src, const QColor& key);

// A dotted focus rectangle on (l,t)-(r,b).
void FocusRect(QPainter& p, int l, int t, int r, int b);

}  // namespace uikit::gdi
