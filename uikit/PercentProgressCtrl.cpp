#include "uikit/PercentProgressCtrl.h"

#include "uikit/GdiDraw.h"
#include "uikit/SysColors.h"

#include <QPainter>
#include <cstdlib>

using namespace uikit;
using namespace uikit::gdi;

CPercentProgressCtrl::CPercentProgressCtrl(QWidget* parent)
    : QProgressBar(parent), m_clrBk(GetSysColor(SysColor::BtnFace)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setTextVisible(false);
}

void CPercentProgressCtrl::SetRange(int lower, int upper) {
    m_nMin = lower;
    m_nMax = upper;
    m_nPos = lower;
    update();
}

void CPercentProgressCtrl::SetPos(int pos) {
    if (pos == m_nPos) return;
    m_nPos = pos;
    // QProgressBar's own value is not set: it repaints on every change.
    if (isVisible() && (!m_sinceShown.isValid() || m_sinceShown.hasExpired(kRepaintMs))) repaint();
    else update();
}

void CPercentProgressCtrl::paintEvent(QPaintEvent*) {
    m_sinceShown.start();
    QPainter p(this);
    DrawBar(p, width(), height());
}

void CPercentProgressCtrl::DrawBar(QPainter& p, int w, int h) {
    // An empty range (or a maximum of 0) shows as empty.
    if (m_nMax <= m_nMin || m_nMax == 0 || !(m_nPos > m_nMin && m_nPos < m_nMax)) {
        FillRect(p, 0, 0, w, h, GetSysColor(SysColor::BtnFace));
        return;
    }
    const int barWidth = static_cast<int>(static_cast<double>(m_nPos) / m_nMax * w);
    const int dr = m_clrEnd.red() - m_clrStart.red();
    const int dg = m_clrEnd.green() - m_clrStart.green();
    const int db = m_clrEnd.blue() - m_clrStart.blue();
    int n = std::max(std::abs(dr), std::max(std::abs(dg), std::abs(db)));
    if (n == 0) {
        // Equal colours: one solid bar.
        FillRect(p, 0, 0, barWidth, h, m_clrStart);
        FillRect(p, barWidth, 0, w, h, m_clrBk);
    } else {
        const double step = static_cast<double>(w) / n;
        for (int i = 0; i < n; ++i) {
            const int left = static_cast<int>(i * step);
            const int right = static_cast<int>((i + 1) * step);
            const QColor c(m_clrStart.red() + i * dr / n, m_clrStart.green() + i * dg / n,
                           m_clrStart.blue() + i * db / n);
            if (right > barWidth) {
                FillRect(p, left, 0, barWidth, h, c);
                FillRect(p, barWidth, 0, w, h, m_clrBk);
                break;
            }
            FillRect(p, left, 0, right, h, c);
        }
    }
    if (m_bShowText) {
        const QString t = QString::asprintf("%.0f%%", m_nPos * 100.0 / m_nMax);
        p.setFont(font());
        p.setPen(m_clrText);
        p.drawText(QRect(0, 0, w, h), Qt::AlignCenter | Qt::TextSingleLine, t);
    }
}
