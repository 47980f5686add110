#pragma once
// The reply type choice (template 420, "设置消息发送类型"): 0 an MMS reply, 1 a text reply,
// 2 no reply (shown only when the opener asks for it).
#include "uikit/SkinDialog.h"

class CSkinButton;
class QRadioButton;

class CReplyTypeDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 420;
    enum { kReplyMms = 0, kReplyText = 1, kNoReply = 2 };

    explicit CReplyTypeDlg(QWidget* parent = nullptr);
    void OnOK() override;

    int m_nChoice = kReplyMms;  // the preset before the run, the choice after OK
    bool m_bShowNoReply = false;

    QRadioButton* m_radio[3];
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;
};
