#include "uikit/SkinButton.h"

#include "platform/TextCodec.h"
#include "uikit/GdiDraw.h"
#include "uikit/Resources.h"
#include "uikit/SysColors.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
const QColor kFrame(140, 170, 230);
// Widths and colours of the four ring lines: left, right, top, bottom.
struct RingPen {
    int width;
    QColor colour;
};
const RingPen kHoverPens[4] = {{3, QColor(250, 196, 88)},
                               {3, QColor(251, 202, 106)},
                               {2, QColor(252, 210, 121)},
                               {2, QColor(229, 151, 0)}};
const RingPen kFocusPens[4] = {{3, QColor(153, 198, 252)},
                               {3, QColor(162, 189, 252)},
                               {2, QColor(162, 201, 255)},
                               {2, QColor(162, 201, 255)}};
}  // namespace

CSkinButton::CSkinButton(QWidget* parent) : CSkinButton(QString(), parent) {}

CSkinButton::CSkinButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setCursor(uikit::res::HandCursor());
    setMouseTracking(true);
    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(1);
    connect(&m_hoverTimer, &QTimer::timeout, this, &CSkinButton::OnMouseHover);
}

unsigned OwnerDrawState(const QPushButton& b) {
    unsigned s = 0;
    // A button held in (checked) draws as pushed, as one held by BM_SETSTATE did.
    if (b.isDown() || b.isChecked()) s |= ODS_SELECTED;
    if (!b.isEnabled()) s |= ODS_DISABLED;
    if (b.hasFocus()) s |= ODS_FOCUS;
    if (b.isDefault()) s |= ODS_DEFAULT;
    return s;
}

unsigned CSkinButton::ItemState() const { return OwnerDrawState(*this); }

void CSkinButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    DrawItem(p, rect(), ItemState());
}

void CSkinButton::DrawItem(QPainter& p, const QRect& item, unsigned state) {
    using namespace uikit::gdi;
    // The window text as read into a 260-byte buffer.
    const QString text = codec::ToQ(codec::CutToGbkBytes(codec::FromQ(QPushButton::text()), 259));
    RoundRect5(p, item.left(), item.top(), item.right() + 1, item.bottom() + 1, kFrame,
               QColor(255, 255, 255));

    m_bFocus = (state & ODS_FOCUS) != 0;
    m_bStrong = m_bFocus || (state & (ODS_SELECTED | ODS_DEFAULT)) != 0;

    const int l = item.left() + uikit::kEdge, t = item.top() + uikit::kEdge;
    const int r = item.right() + 1 - uikit::kEdge, b = item.bottom() + 1 - uikit::kEdge;
    const int h = b - t;

    // Face: one row per brush step, white at the top to a light blue-gray at the bottom.
    if (h > 0) {
        for (int y = t; y <= b; ++y) {
            int i = 63 * y / h;
            if (i > 63) i = 63;
            if (i < 0) i = 0;
            int rg, bl;
            if (!m_bHover && !m_bStrong) {
                rg = 255 - i / 3;
                bl = 255 - i / 5;
            } else if (!m_bHover) {
                rg = 255 - i / 3;
                bl = 255 - i / 4;
            } else if (!m_bStrong) {
                rg = 255 - i / 4;
                bl = 255 - i / 5;
            } else {
                rg = 255 - i / 4;
                bl = 255 - i / 3;
            }
            FillRect(p, l, y, r, y + 1, QColor(rg, rg, bl));
        }
    }

    // The ring also marks a pushed button, so a button held in shows which one is chosen.
    if (m_bHover || m_bFocus || (state & ODS_SELECTED)) {
        const RingPen* pens = m_bHover ? kHoverPens : kFocusPens;
        Line(p, l, b - 1, l, t + 1, pens[0].width, pens[0].colour);
        Line(p, r - 1, b - 1, r - 1, t, pens[1].width, pens[1].colour);
        Line(p, l - 1, t, r - 1, t, pens[2].width, pens[2].colour);
        Line(p, l, b, r - 1, b, pens[3].width, pens[3].colour);
    }

    // Caption, centred in the inner rectangle; an ampersand underlines the next character.
    if (!text.isEmpty()) {
        p.setFont(font());
        const QFontMetrics fm(font());
        const QSize sz = fm.size(Qt::TextShowMnemonic | Qt::TextSingleLine, text);
        int x = (l + r) / 2 - sz.width() / 2;
        int y = (t + b) / 2 - sz.height() / 2;
        if (state & ODS_SELECTED) {
            x += 1;
            y += 1;
        }
        const QRect rc(x, y, sz.width(), sz.height());
        const int flags = Qt::TextShowMnemonic | Qt::TextSingleLine | Qt::AlignLeft | Qt::AlignTop;
        if (state & ODS_DISABLED) {
            EmbossedText(p, rc, flags, text);
        } else {
            p.setPen(QColor(0, 0, 0));
            p.drawText(rc, flags, text);
        }
    }
}

void CSkinButton::mouseMoveEvent(QMouseEvent* e) {
    if (!m_bTracking) {
        m_bTracking = true;
        m_hoverTimer.start();
    }
    QPushButton::mouseMoveEvent(e);
}

void CSkinButton::mousePressEvent(QMouseEvent* e) { QPushButton::mousePressEvent(e); }

void CSkinButton::OnMouseHover() {
    if (!m_bTracking) return;
    m_bHover = true;
    update();
}

void CSkinButton::leaveEvent(QEvent* e) {
    m_hoverTimer.stop();
    m_bHover = false;
    m_bTracking = false;
    update();
    QPushButton::leaveEvent(e);
}
