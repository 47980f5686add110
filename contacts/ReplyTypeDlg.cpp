#include "contacts/ReplyTypeDlg.h"

#include "compose/DialogButtons.h"
#include "platform/TextCodec.h"

#include <QRadioButton>

CReplyTypeDlg::CReplyTypeDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(codec::ToQ("设置消息发送类型"));
    SetDialogSizeDlu(150, 100);
    const char* texts[3] = {"回复彩信类型消息", "回复文字类型消息", "不回复任何消息"};
    for (int i = 0; i < 3; ++i) {
        m_radio[i] = new QRadioButton(codec::ToQ(texts[i]), this);
        m_radio[i]->setObjectName(QString::number(1000 + i));
        PlaceDlu(m_radio[i], 30, 26 + 18 * i, 100, 12);
    }
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 20, 84, 82);
}

bool CReplyTypeDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_radio[kNoReply]->setVisible(m_bShowNoReply);
    int choice = m_nChoice;
    if (choice < kReplyMms || choice > kNoReply || (choice == kNoReply && !m_bShowNoReply)) choice = kReplyMms;
    m_radio[choice]->setChecked(true);
    return true;
}

void CReplyTypeDlg::OnOK() {
    for (int i = 0; i < 3; ++i)
        if (m_radio[i]->isChecked()) m_nChoice = i;
    CSkinDialog::OnOK();
}
