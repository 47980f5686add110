#pragma once
// The voice recorder dialog: record up to 60 seconds, play it back, and hand it on as
// "CurR.amr" (OK) or save it as an AMR file elsewhere.
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"

#include "platform/TimerIds.h"

#include <string>

class QLabel;
class CSkinGroupBox;

class CVoiceRecordDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 386;
    explicit CVoiceRecordDlg(QWidget* parent = nullptr);
    ~CVoiceRecordDlg() override;

    void OnBtnRecord();      // 1002
    void OnBtnStopRecord();  // 1003
    void OnBtnPlay();        // 1005
    void OnBtnStopPlay();    // 1012
    void OnBtnSaveAs();      // 1080
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(int nId);
    void OnPlayEnd();        // message 0x69

    int m_nLength = 0;      // recorded seconds; a caller may preset it
    int m_nPlaySecond = 0;

    CSkinGroupBox* m_group;
    CSkinButton* m_btnRecord;
    CSkinButton* m_btnStopRecord;
    CSkinButton* m_btnPlay;
    CSkinButton* m_btnStopPlay;
    CSkinButton* m_btnSaveAs;
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;
    QLabel* m_lblLength;  // 1291
    QLabel* m_lblSecond;  // 1292

    void SetTimer(int nId, int ms);
    void KillTimer(int nId);
    bool TimerActive(int nId) const;

protected:
    bool OnInitDialog() override;
    void timerEvent(QTimerEvent* e) override;

private:
    void AfterPlay(bool byButton);
    void ShowLength();
    void EnableRecorded(bool on);
    // Joins "wh.dat" and the recording into "CurR.dat" (when the recording is there) and
    // converts it into amrPath; false (with the message shown) when no AMR came out.
    bool Compress(const std::string& amrPath);
    CTimerIds m_timers;
};
