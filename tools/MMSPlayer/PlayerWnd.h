#pragma once
// The player's phone-screen window: the preview's host.
#include "compose/MMSPreview.h"
#include "platform/TimerIds.h"

#include <QWidget>

class QPlainTextEdit;

class CPlayerWnd : public QWidget, public IMMSPreviewHost {
    Q_OBJECT
public:
    static constexpr int kLeft = 20, kTop = 44;
    explicit CPlayerWnd(const std::string& workFolder);

    QWidget* PreviewSurface() override { return this; }
    void SetTimer(int nId, int ms) override { m_timers.Set(this, nId, ms); }
    void KillTimer(int nId) override { m_timers.Kill(nId); }
    void OnPreviewMessage(int nMsg) override;

    CMMSPreview m_preview;
    QPlainTextEdit* m_pText;
    int m_nFramesShown = 0;  // 0x66 notices

protected:
    void paintEvent(QPaintEvent*) override;
    void timerEvent(QTimerEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    CTimerIds m_timers;
};
