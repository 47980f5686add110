#include "uikit/RoundPanel.h"

#include "platform/TextCodec.h"
#include "uikit/GdiDraw.h"

#include <QPainter>

using namespace uikit::gdi;

CRoundPanel::CRoundPanel(QWidget* parent) : QLabel(parent), m_font("MS Sans Serif", 8) {
    m_font.setWeight(QFont::Normal);
}

void CRoundPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(m_font);
    const QString caption = codec::ToQ(codec::CutToGbkBytes(codec::FromQ(text()), 199));
    const int w = width(), h = height();
    if (m_bDrawFrame) {
        if (m_nShape == 1) {
            p.setPen(QPen(m_clrFrame, 1));
            p.setBrush(m_clrFill);
            p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), m_nCornerW / 2.0, m_nCornerH / 2.0);
        } else {
            FillRect(p, 0, 0, w, h, m_clrFill);
            InsideFrame(p, 0, 0, w, h, 1, m_clrFrame);
        }
    }
    const QRect rc(0, 0, w, h);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
    if (!m_bTransparent) p.fillRect(p.boundingRect(rc, flags, caption), m_clrFill);
    p.setPen(m_clrText);
    p.drawText(rc, flags, caption);
}
