#include "compose/RecipientInputDlg.h"

#include "compose/DialogButtons.h"
#include "compose/SmsCompose.h"
#include "core/Helpers.h"
#include "platform/TextCodec.h"

#include <QLabel>

using codec::ToQ;

CRecipientInputDlg::CRecipientInputDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("输入信息接收号码"));
    SetDialogSizeDlu(184, 200);
    auto* label = new QLabel(ToQ("信息接收号码："), this);
    PlaceDlu(label, 12, 24, 80, 12);
    m_editNumbers = new CMultiLineEdit(this);
    m_editNumbers->setObjectName("1043");
    m_editNumbers->SetLimitBytes(10000);
    PlaceDlu(m_editNumbers, 12, 38, 160, 116);
    auto* note = new QLabel(ToQ("注：每行写一个号码，每个号码末尾回车。"), this);
    PlaceDlu(note, 12, 158, 160, 12);
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 39, 99, 176);
}

bool CRecipientInputDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_editNumbers->setFocus();
    return true;
}

void CRecipientInputDlg::OnOK() {
    std::vector<std::string> numbers = compose::ParseInputNumbers(codec::FromQ(m_editNumbers->Text()));
    if (numbers.empty()) {
        ShowMessage("请输入完整的信息接收号码（一行一个号码）。");
        m_editNumbers->setFocus();
        return;
    }
    m_arrNumbers = std::move(numbers);
    CSkinDialog::OnOK();
}
