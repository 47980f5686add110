#include "uikit/SkinEdit.h"

#include "uikit/GdiDraw.h"

#include <QPainter>

using namespace uikit::gdi;

CSkinEdit::CSkinEdit(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setTextMargins(3, 1, 3, 1);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, QColor(255, 255, 255));
    pal.setColor(QPalette::Window, QColor(255, 255, 255));
    setPalette(pal);
}

void CSkinEdit::paintEvent(QPaintEvent* e) {
    {
        QPainter p(this);
        FillRect(p, 0, 0, width(), height(), QColor(255, 255, 255));
    }
    QLineEdit::paintEvent(e);
    QPainter p(this);
    FrameRect(p, 0, 0, width(), height(), 1, QColor(140, 170, 230));
    FrameRect(p, 2, 2, width() - 2, height() - 2, 2, QColor(255, 255, 255));
}
