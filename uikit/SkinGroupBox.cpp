#include "uikit/SkinGroupBox.h"

#include "uikit/GdiDraw.h"

#include <QPainter>

using namespace uikit::gdi;

CSkinGroupBox::CSkinGroupBox(QWidget* parent) : CSkinGroupBox(QString(), parent) {}

CSkinGroupBox::CSkinGroupBox(const QString& title, QWidget* parent)
    : QGroupBox(title, parent), m_font("MS Sans Serif", 8) {
    m_font.setWeight(QFont::Normal);
}

void CSkinGroupBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    m_strCaption = title();
    const Qt::Alignment align = alignment() & Qt::AlignHorizontal_Mask;

    m_rcFrame = rect();
    const int l = m_rcFrame.left(), t = m_rcFrame.top();
    const int r = m_rcFrame.right() + 1, b = m_rcFrame.bottom() + 1;
    const QColor colour = isEnabled() ? m_clrLine : QColor(0, 0, 255);

    if (m_strCaption.isEmpty()) {
        m_nGapStart = m_nGapEnd = 0;
        m_nLineY = t;
        FrameRect(p, l, t, r, b, 1, colour);
        return;
    }

    // The gap is measured in the painter's default font (the system font, 27/20 the size of the
    // caption font) and narrowed by 20/27, so it fits the caption.
    const QString caption = " " + m_strCaption + " ";
    QFont systemFont = m_font;
    systemFont.setPointSizeF(m_font.pointSizeF() * 27.0 / 20.0);
    const QFontMetrics fm(systemFont);
    const int textHeight = fm.height();
    const int w = static_cast<int>(fm.horizontalAdvance(caption) * 0.7407407407407407);
    const int y = t + textHeight / 2 - 1;
    int gs, ge;
    if (align & Qt::AlignRight) {
        gs = r - m_nIndent - w;
        ge = r - m_nIndent;
    } else if (align & Qt::AlignHCenter) {
        gs = (r - l - w) / 2;
        ge = gs + w;
    } else {
        gs = l + m_nIndent;
        ge = gs + w;
    }
    m_nGapStart = gs;
    m_nGapEnd = ge;
    m_nLineY = y;

    Line(p, gs, y, l, y, 1, colour);
    Line(p, l, y, l, b - 1, 1, colour);
    Line(p, l, b - 1, r - 1, b - 1, 1, colour);
    Line(p, r - 1, b - 1, r - 1, y, 1, colour);
    if (ge <= r - 1) Line(p, r - 1, y, ge, y, 1, colour);

    p.setFont(m_font);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
    if (isEnabled()) {
        p.setPen(m_clrCaption);
        p.drawText(QRect(gs, y - textHeight, std::max(ge - gs, 1), 2 * textHeight), flags, caption);
    } else {
        const QFontMetrics cfm(m_font);
        EmbossedText(p, QRect(gs, y - textHeight / 2, cfm.horizontalAdvance(caption) + 2, cfm.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
    }
}
