#pragma once
// The send-MMS page (template 135): one kind of content turned into the page package, a title,
// the recipient list and the immediate, timed and cyclic sends through the MMS queue writer.
#include "compose/MMSPreview.h"
#include "core/PageDlg.h"
#include "platform/SoundPlayer.h"
#include "platform/TimerIds.h"

#include <optional>
#include <string>

class CRecipientList;
class CImageButton;
class CSkinButton;
class CSkinEdit;
class QButtonGroup;
class QLabel;
class QPlainTextEdit;
class QRadioButton;

// 1 while an MMS send runs, else 0 (UI thread only).
extern int g_bSendMMSBusy;

namespace sendmms {
// The MMS editor on a package: the edited package's path after OK. Filled in by the editor.
std::optional<std::string> RunMMSEditor(QWidget* parent, const std::string& strPackage);
// The library picker: the chosen package's path. Filled in by the MMS library.
std::optional<std::string> PickLibraryPackage(QWidget* parent);
}  // namespace sendmms

class CSendMMSDlg : public CPageDlg, public IMMSPreviewHost {
    Q_OBJECT
public:
    static constexpr int IDD = 135;
    explicit CSendMMSDlg(QWidget* parent = nullptr);
    ~CSendMMSDlg() override;

    // IMMSPreviewHost
    QWidget* PreviewSurface() override { return this; }
    void SetTimer(int nId, int ms) override { m_timers.Set(this, nId, ms); }
    void KillTimer(int nId) override { m_timers.Kill(nId); }
    void OnPreviewMessage(int nMsg) override;

    // A library package as slide content; an empty path asks the library picker.
    void LoadSlides(const std::string& strPath);
    // The loader of a file kind (1 to 7); an empty path asks with the open dialog.
    void LoadContent(int nType, const std::string& strPath);
    void UpdateRecipientCount();
    // Uploads the page package's frame files under the serial's prefix; the uploaded-name list,
    // empty on failure.
    std::string UploadContentFiles(int nSerialNo);

    CRecipientList* Recipients() const { return m_recipients; }
    CMMSPreview& Package() { return m_preview; }

    int m_nContentType = 0;
    std::string m_strContentPath;  // stored form
    std::string m_strTitle;
    std::string m_strSchedule;
    std::string m_strRingPath;  // last ringtone source
    std::string m_strVoiceWav;  // "CurR.dat"
    int m_nVoiceLength = 0;
    int m_nFrameCount = 0;
    int m_nCurFrame = 0;
    int m_nFrameSeconds = 0;
    // The sound mark of the shown frame: 0 none, 641 an AMR sound, 642 another sound.
    int m_nSoundMark = 0;
    QRect SoundMarkRect() const;
    // Where the phone picture around the preview is painted.
    QRect PhoneRect() const;

    QRadioButton* m_radios[8];
    CSkinEdit* m_editTitle;      // 1043
    QPlainTextEdit* m_editText;  // 1047
    QLabel* m_labelName;         // 1046
    QLabel* m_labelCount;        // 1101
    QLabel* m_labelFrame;        // 1284
    QLabel* m_labelSeconds;      // 1285
    QLabel* m_labelBytes;        // 1286
    CSkinButton* m_btnChoose;    // 1052
    CSkinButton* m_btnEditSlides;  // 1275
    CSkinButton* m_btnRecordVoice; // 1005
    CImageButton* m_btnPlay;      // 1006
    CImageButton* m_btnPrev;      // 1007
    CImageButton* m_btnNext;      // 1008
    CImageButton* m_btnStop;      // 1276
    CSkinButton* m_btnSendNow;   // 1002
    CSkinButton* m_btnSendTimed; // 1003
    CSkinButton* m_btnSendCyclic;// 1009

public slots:
    void OnRadioKind(int nType);
    void OnBtnChooseContent();
    void OnBtnEditSlides();
    void OnBtnRecordVoice();
    void OnBtnPlay();
    void OnBtnPrevFrame();
    void OnBtnNextFrame();
    void OnBtnStop();
    void OnBtnSendNow();
    void OnBtnSendTimed();
    void OnBtnSendCyclic();
    void OnShowFrame();

protected:
    void timerEvent(QTimerEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    bool event(QEvent* e) override;
    void SetSoundMark();

private:
    void OnInitDialog();
    bool UpdateData();
    void PutTitle();
    // The title edit into m_strTitle, without a message.
    void TakeTitle();
    // Checks the kind's radio and switches to it.
    void SelectKind(int nType);
    void ResetContent();
    // The opened package as slides: labels, frame 0 shown. False (after the message and a
    // reset) when it holds no frame.
    bool ShowOpenedSlides();
    // Saves the page package as a kind's file of the program folder and makes it the content;
    // false (content reset, message shown) when the file was not put in or not written.
    bool SaveKindPackage(bool put, const char* file);
    // The kind's checks of the title, content and list before the schedule dialog or the send.
    bool CheckTitle();
    void SendScheduled(bool cyclic);
    void SetByteCount(long long bytes);
    void StopPlaying();

    CMMSPreview m_preview;
    CTimerIds m_timers;
    sound::CMidiPlayer m_midi;
    CRecipientList* m_recipients;
    QButtonGroup* m_group;
};
