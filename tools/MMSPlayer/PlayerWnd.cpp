#include "PlayerWnd.h"

#include <QCloseEvent>
#include <QPainter>
#include <QPlainTextEdit>

CPlayerWnd::CPlayerWnd(const std::string& workFolder) {
    setFixedSize(CMMSPreview::kScreenWidth + 2 * kLeft, CMMSPreview::kTextBottom + kTop + 50);
    m_pText = new QPlainTextEdit(this);
    m_pText->setReadOnly(true);
    m_pText->setFrameShape(QFrame::NoFrame);
    m_pText->hide();
    m_preview.m_pHost = this;
    m_preview.m_pTextCtrl = m_pText;
    m_preview.m_nLeft = kLeft;
    m_preview.m_nTop = kTop;
    m_preview.m_strWorkFolder = workFolder;
    m_preview.Reset();
}

void CPlayerWnd::OnPreviewMessage(int nMsg) {
    if (nMsg == CMMSPreview::kMsgFrame) ++m_nFramesShown;
}

void CPlayerWnd::timerEvent(QTimerEvent* e) {
    if (const int id = m_timers.IdOf(e); id >= 0) m_preview.OnPreviewTimer(id);
    else QWidget::timerEvent(e);
}

void CPlayerWnd::closeEvent(QCloseEvent* e) {
    m_preview.StopPreview();
    e->accept();
}

void CPlayerWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The phone: a dark body with the white screen in it.
    p.fillRect(rect(), QColor(52, 56, 64));
    p.setPen(QColor(120, 124, 132));
    p.drawRoundedRect(rect().adjusted(2, 2, -3, -3), 14, 14);
    p.fillRect(QRect(kLeft - 2, kTop - 2, CMMSPreview::kScreenWidth + 4, CMMSPreview::kTextBottom + 4), Qt::white);
    p.fillRect(QRect(width() / 2 - 16, 18, 32, 5), QColor(90, 94, 102));
    m_preview.DrawAnimationFrame(p);
}
