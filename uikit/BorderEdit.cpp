#include "uikit/BorderEdit.h"

#include "uikit/GdiDraw.h"

#include <QPainter>

using namespace uikit::gdi;

CBorderEdit::CBorderEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setFrameShape(QFrame::NoFrame);
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, QColor(255, 255, 255));
    pal.setColor(QPalette::Window, QColor(255, 255, 255));
    pal.setColor(QPalette::Text, QColor(0, 0, 0));
    setPalette(pal);
}

void CBorderEdit::SetText(const QString& text) {
    QString t = text;
    t.replace("\r\n", "\n");
    setPlainText(t);
}

QString CBorderEdit::Text() const {
    QString t = toPlainText();
    t.replace("\n", "\r\n");
    return t;
}

void CBorderEdit::paintEvent(QPaintEvent* e) {
    QPlainTextEdit::paintEvent(e);
    QPainter p(viewport());
    const int w = viewport()->width(), h = viewport()->height();
    FrameRect(p, 0, 0, w, h, 2, QColor(255, 255, 255));
    FrameRect(p, 1, 1, w - 1, h - 1, 2, QColor(255, 255, 255));
}
