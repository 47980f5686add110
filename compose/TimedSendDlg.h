#pragma once
// The time of a timed send: a date and a time of day, as "%4d-%02d-%02d %02d:%02d:%02d".
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"

#include <string>

class QDateEdit;
class QTimeEdit;

class CTimedSendDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 211;
    explicit CTimedSendDlg(QWidget* parent = nullptr);

    void OnOK() override;

    std::string m_strSendTime;  // after OK

    QDateEdit* m_dateSend;  // 1148
    QTimeEdit* m_timeSend;  // 1149
    QWidget* m_frames[4];   // 1114..1117
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;
};

// The schedule text of a timed (CTimedSendDlg) or cyclic (CCyclePeriodDlg) send, asked modally;
// false on Cancel.
bool AskSchedule(QWidget* parent, bool cyclic, std::string& schedule);
