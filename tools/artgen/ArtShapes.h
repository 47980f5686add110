#pragma once
// Shapes several pictures share.
#include <QColor>

class QPainter;

namespace artgen {

// A 16 x 16 folder in the fill colour, closed or open.
void DrawFolder(QPainter& p, const QColor& fill, bool open);

}  // namespace artgen
