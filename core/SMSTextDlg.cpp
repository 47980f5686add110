#include "core/SMSTextDlg.h"

#include "compose/MultiLineEdit.h"
#include "uikit/SkinButton.h"

#include <QLabel>
#include <QPlainTextEdit>

CSMSTextDlg::CSMSTextDlg(QWidget* parent) : CSkinDialog(418, parent) {
    setFixedSize(360, 240);
    auto* label = new QLabel("文字短信内容：", this);
    label->setGeometry(14, 36, 200, 20);
    m_edit = new CMultiLineEdit(this);
    m_edit->setObjectName("1043");
    m_edit->setGeometry(14, 58, 332, 136);
    auto* close = new CSkinButton("关闭", this);
    close->setObjectName("1");
    close->setGeometry(140, 204, 80, 26);
    connect(close, &QPushButton::clicked, this, [this] { OnOK(); });
}

bool CSMSTextDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    setWindowTitle("文字短信内容");
    m_edit->SetLimitBytes(0);
    m_edit->SetText(QString::fromStdString(m_strText));
    m_edit->SetLimitBytes(m_nLimitBytes);
    m_edit->setReadOnly(m_nReadOnly == 1);
    return true;
}

void CSMSTextDlg::OnOK() {
    m_strText = m_edit->Text().toStdString();
    CSkinDialog::OnOK();
}
