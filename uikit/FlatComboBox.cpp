#include "uikit/FlatComboBox.h"

#include "uikit/GdiDraw.h"
#include "uikit/SysColors.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

using namespace uikit;
using namespace uikit::gdi;

namespace {
const QColor kFrame(140, 170, 230);
const QColor kButtonLine(214, 211, 206);
}  // namespace

CFlatComboBox::CFlatComboBox(QWidget* parent) : QComboBox(parent) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &CFlatComboBox::OnTimer);
}

QRect CFlatComboBox::ButtonRect() const {
    // The window rectangle shrunk by 1; the square sits in its bottom-right corner.
    const int r = width() - 1, b = height() - 1;
    return Rc(r - 18, b - 18, r, b);
}

void CFlatComboBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width(), h = height();
    // The stock look: white field with the current text.
    FillRect(p, 0, 0, w, h, GetSysColor(SysColor::Window));
    if (!isEditable()) {
        const QRect field = Rc(3, 3, w - 3 - 18, h - 3);
        QColor textColour = isEnabled() ? GetSysColor(SysColor::WindowText) : GetSysColor(SysColor::GrayText);
        if (hasFocus() && !view()->isVisible() && isEnabled()) {
            p.fillRect(field, GetSysColor(SysColor::Highlight));
            textColour = GetSysColor(SysColor::HighlightText);
        }
        p.setFont(font());
        p.setPen(textColour);
        p.drawText(field.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   currentText());
        if (hasFocus() && !view()->isVisible()) FocusRect(p, field.left(), field.top(), field.right() + 1, field.bottom() + 1);
    }

    // Flat frame: blue outside, white inside.
    FrameRect(p, 0, 0, w, h, 1, kFrame);
    FrameRect(p, 1, 1, w - 1, h - 1, 1, QColor(255, 255, 255));

    QRect sq = ButtonRect();
    if (m_bPressed) sq.translate(1, 1);
    const int l = sq.left(), t = sq.top(), r = sq.right() + 1, b = sq.bottom() + 1;
    // Scroll-down frame control: face and a black arrow.
    FillRect(p, l, t, r, b, GetSysColor(SysColor::BtnFace));
    Edge(p, l, t, r, b, GetSysColor(SysColor::Light), GetSysColor(SysColor::DarkShadow));
    Edge(p, l + 1, t + 1, r - 1, b - 1, GetSysColor(SysColor::BtnHighlight), GetSysColor(SysColor::BtnShadow));
    const QColor arrow = isEnabled() ? GetSysColor(SysColor::BtnText) : GetSysColor(SysColor::BtnShadow);
    const int cx = l + (r - l) / 2, cy = t + (b - t) / 2 - 2;
    for (int i = 0; i < 4; ++i) FillRect(p, cx - 3 + i, cy + i, cx + 4 - i, cy + i + 1, arrow);
    FrameRect(p, l, t, r, b, 1, kButtonLine);
    FrameRect(p, l + 1, t + 1, r - 1, b - 1, 1, kButtonLine);
    FrameRect(p, l - 1, t - 1, r + 1, b + 1, 1, kFrame);
}

void CFlatComboBox::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        m_bPressed = true;
        m_timer.start();
    }
    QComboBox::mousePressEvent(e);
}

void CFlatComboBox::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_bPressed = false;
    QComboBox::mouseReleaseEvent(e);
}

void CFlatComboBox::OnTimer() {
    m_bPressed = false;
    m_timer.stop();
    update();
}

void CFlatComboBox::PlaceEdit() {
    if (QLineEdit* edit = lineEdit()) {
        edit->setFrame(false);
        edit->setGeometry(Rc(3, 3, width() - 3 - 19, height() - 3));
    }
}

void CFlatComboBox::resizeEvent(QResizeEvent* e) {
    QComboBox::resizeEvent(e);
    PlaceEdit();
}

void CFlatComboBox::showEvent(QShowEvent* e) {
    QComboBox::showEvent(e);
    PlaceEdit();
}
