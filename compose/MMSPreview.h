#pragma once
// An MMS package shown on a host dialog: one frame at a time on a phone-screen area (picture on
// top, text below), the frame sound played, GIF pictures animated, the frames stepped on a timer,
// and the file dialogs and questions put in front of the package operations.
#include "compose/MMSPackage.h"
#include "platform/SoundPlayer.h"

#include <QImage>
#include <QPointer>
#include <QRect>

#include <optional>
#include <string>
#include <vector>

class QPainter;
class QPlainTextEdit;
class QWidget;

// What the preview needs of its host (the send-MMS page, the editor, the player window).
class IMMSPreviewHost {
public:
    virtual ~IMMSPreviewHost() = default;
    // The window the phone screen is drawn on; its paint calls DrawAnimationFrame.
    virtual QWidget* PreviewSurface() = 0;
    // Host timers 100 and 200; the host passes their ticks to OnPreviewTimer.
    virtual void SetTimer(int nId, int ms) = 0;
    virtual void KillTimer(int nId) = 0;
    // 0x66 (moved to a new frame) and 0x67 (stopped: nothing to show), queued to the UI thread.
    virtual void OnPreviewMessage(int nMsg) = 0;
};

// The frame text dialog of the editor: the text after OK, nothing after Cancel.
std::optional<std::string> EditFrameText(QWidget* parent, const std::string& current);

class CMMSPreview : public CMMSPackage {
public:
    enum { kTimerStep = 100, kTimerGif = 200, kMsgFrame = 0x66, kMsgNothing = 0x67 };
    static constexpr int kScreenWidth = 128, kPictureMaxHeight = 160, kTextBottom = 206;

    CMMSPreview();
    ~CMMSPreview() override;

    void DeleteText(int nFrame) override;
    void Reset() override;
    void New() override;
    std::string SetSound(int nFrame, const std::string& strSource) override;
    void DeleteSound(int nFrame) override;
    void DeleteImage(int nFrame) override;
    int SetImage(int nFrame, const std::string& strSource, int nFlag) override;
    void SetText(int nFrame, const std::string& strText, int nFlag) override;
    int Save(const std::string& strPath, int nFlag) override;
    int Open(const std::string& strPath) override;
    int ClearFrames() override;

    void StartPreview();
    void StopPreview();
    void OnPreviewTimer(int nId);
    // The host's timer: runs it when it is the preview's own (step or GIF); false otherwise.
    bool TakeTimer(int nId) {
        if (nId != kTimerStep && nId != kTimerGif) return false;
        OnPreviewTimer(nId);
        return true;
    }
    void PlayFrameSound(int nFrame);
    void DrawFrameImage(int nFrame);
    void ShowFrame(int nFrame);
    int LoadAnimation(const std::string& fsPath);
    // Draws the picture on show by the phone-screen geometry (host coordinates).
    void DrawAnimationFrame(QPainter& painter);

    // Geometry of the picture on show: where it is drawn, and where the text control goes.
    QRect PictureRect() const;
    QRect TextRect() const;
    QRect RedrawRect() const;
    // The frame's play time for timer 100, in seconds: below 1 counts as 5, above 999 as 999.
    static int PlaySecondsOf(const MMSFrame& f);
    // Converts a work-folder AMR (GBK name) to the WAV beside it; false when no WAV came out.
    bool ConvertAmr(const std::string& amrName);
    // The WAV that stands for a work-folder AMR sound.
    std::string WavFor(const std::string& amrName) const;

    int m_nConvertTimeoutMs = 30000;  // a converter still running then is ended
    int m_bShowText = 1;
    IMMSPreviewHost* m_pHost = nullptr;
    QPlainTextEdit* m_pTextCtrl = nullptr;
    int m_nMciDevice = 0;  // 1 while the MIDI player has a file open
    int m_nLeft = 0, m_nTop = 0;
    std::vector<QImage> m_listPictures;
    int m_bPlaying = 0;
    int m_nGifFrame = 0;
    int m_nCurFrame = 0;
    int& m_bNoSound = m_bPreview;  // no frame sound while playing

    sound::CMidiPlayer m_Midi;

private:
    void StopSounds();
    void FreePictures();
    void Invalidate();
    void Post(int nMsg);
    void ConvertAll(const std::vector<std::string>& amrNames);
    QWidget* Surface() const;
};
