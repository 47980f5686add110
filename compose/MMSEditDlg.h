#pragma once
// The MMS editor (template 309): a package edited frame by frame on a live preview, ten page
// buttons, a frame strip, play times, and saving into the MMS library. Also the picture size
// dialog (template 449) that owns "MMSParam.dat".
#include "compose/MMSPreview.h"
#include "platform/TimerIds.h"
#include "uikit/DibImage.h"
#include "uikit/SkinDialog.h"

#include <QImage>

#include <string>

class CMultiLineEdit;
class CSkinButton;
class CSkinCheckBox;
class CSkinEdit;
class QLabel;

class CMMSEditDlg : public CSkinDialog, public IMMSPreviewHost {
    Q_OBJECT
public:
    static constexpr int IDD = 309;
    static constexpr int kPages = 10;
    static constexpr int kMaxK = 90, kWarnK = 50;
    // Menu 402 "制作彩信声音".
    enum { ID_SOUND_RING = 32860, ID_SOUND_VOICE = 32861, ID_SOUND_RECORD = 32862 };

    explicit CMMSEditDlg(QWidget* parent = nullptr);
    ~CMMSEditDlg() override;

    // IMMSPreviewHost
    QWidget* PreviewSurface() override { return this; }
    void SetTimer(int nId, int ms) override { m_timers.Set(this, nId, ms); }
    void KillTimer(int nId) override { m_timers.Kill(nId); }
    void OnPreviewMessage(int nMsg) override;

    void OnBtnNew();          // 1014
    void OnBtnOpen();         // 1011
    void OnBtnImport();       // 1006
    void OnBtnSave();         // 1010
    void OnBtnSaveAs();       // 1002
    void OnBtnSettings();     // 1013
    void OnBtnPreview();      // 1005
    void OnBtnSetText();      // 1009
    void OnBtnDeleteText();   // 1004
    void OnBtnSetImage();     // 1007
    void OnBtnDeleteImage();  // 1016
    void OnBtnSetSound();     // 1008: menu 402 below the button
    void OnSoundCommand(int id);
    void OnBtnDeleteSound();  // 1012
    void OnBtnSetOther();     // 1049
    void OnBtnDeleteOther();  // 1048
    void OnBtnTimeUp();       // 1003
    void OnBtnTimeDown();     // 1051
    void OnChangePlayTime();  // edit 1043
    void OnCheckAutoTurn();   // 1020
    void SelectPage(int nPage);
    void OnOK() override;     // 1 "保存退出"
    void OnCancel() override;

    // Refresh (message 0x66): play time, labels 1283 and 1288, current page, frame view.
    void Refresh();
    void ShowCurrentFrame();
    // The page of the frame strip under a client point, -1 outside the click band.
    static int StripPageAt(const QPoint& pt);
    void OnStripClick(const QPoint& pt);

    CMMSPreview& Package() { return m_preview; }
    // Set before opening to edit a package; after OK the saved package.
    std::string m_strPackagePath;
    int m_nCurPage = 0;
    int m_nTotalK = 0;
    QImage m_pictures[kPages];  // the strip's pictures, null for a page without one

    CSkinButton* m_btnPreview;
    CSkinButton* m_btnSetSound;
    CSkinButton* m_btnPages[kPages];  // 1317 .. 1326
    CSkinEdit* m_editPlayTime;        // 1043
    CSkinCheckBox* m_chkAutoTurn;     // 1020
    QLabel* m_lblName;                // 1283
    QLabel* m_lblFrame;               // 1288
    QLabel* m_lblTotal;               // 1284
    QLabel* m_lblImage;               // 1285
    QLabel* m_lblSound;               // 1286
    QLabel* m_lblSoundTime;           // 1297
    CMultiLineEdit* m_editText;       // the frame's text on the phone screen

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;
    bool event(QEvent* e) override;
    void DrawFrameExtras(QPainter* p) override;
    void timerEvent(QTimerEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    // The save of button 1010; true when the package is on disk as shown (written now, or
    // unmodified with a path).
    bool SavePackage();
    // Save as into a library group; true when written.
    bool SaveAsPackage();
    void SetPlayTime(int nSeconds);
    void StepPlayTime(int nDelta);
    void ReloadPicture(int nPage);
    void ReloadPictures();
    // After New, Open and Import: pictures, refresh, page 1.
    void AfterLoad();
    void StopAndResetCaption();
    bool HasContent() const;
    void UpdateTotal();

    CMMSPreview m_preview;
    CTimerIds m_timers;
    CDibImage m_dibFilm;  // "FilmBK.bmp"
    QImage m_bmpPhone;    // bitmap 382
};

// The picture size settings (template 449): the picture box and the no-compression flag,
// kept in "MMSParam.dat".
class CMMSParamDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 449;
    explicit CMMSParamDlg(QWidget* parent = nullptr);

    void OnOK() override;

    int m_nWidth = 0, m_nHeight = 0, m_bNoCompress = 0;
    CSkinEdit* m_editWidth;    // 1043
    CSkinEdit* m_editHeight;   // 1044
    CSkinCheckBox* m_chkNoCompress;  // 1020

protected:
    bool OnInitDialog() override;
};

namespace mmsedit {
// "MMSParam.dat": three little-endian int32 (width, height, no-compression flag), rewritten
// atomically; false when it could not be written.
bool WriteImageParams(const std::string& fsPath, int width, int height, int noCompress);
// Runs the picture size dialog on the globals; when a value changed the globals take it, the
// file is rewritten and the user is told. True when something changed.
bool EditImageParams(QWidget* parent);
}  // namespace mmsedit
