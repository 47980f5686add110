#pragma once
// The program's message box: the text in a borderless edit, "确定" alone (type 0) or with
// "取消" (type 1), closing itself as cancelled after 60 seconds.
#include "platform/Seams.h"
#include "uikit/BorderEdit.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"

#include <QLabel>
#include <QTimer>
#include <cstdint>
#include <optional>

class CMessageDlg : public CSkinDialog {
    Q_OBJECT
public:
    explicit CMessageDlg(QWidget* parent = nullptr);
    ~CMessageDlg() override;

    CSkinButton m_btnOK;      // control 1
    CSkinButton m_btnCancel;  // control 2
    QString m_strText;
    CBorderEdit m_edtMessage;  // control 1123
    int m_nType = 0;           // 1 = OK and Cancel, else OK alone

    static constexpr int kTimeoutSeconds = 60;

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;

private:
    void OnTimer();

    QLabel m_staticLine;  // bitmap 226
    QLabel m_staticIcon;  // bitmap 227
    QTimer m_timer;       // timer 1
    std::int64_t m_startSteadyMs = 0;
    std::optional<std::int64_t> m_startClock;  // seconds of a set clock at the start
};

// Installs CMessageDlg as the program's message box (the seam behind ShowMessage) and returns
// the box it replaces.
seam::MessageBoxFn InstallMessageDlg();
