#include "core/SMSTextDlg.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

CSMSTextDlg::CSMSTextDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("418");
    setFixedSize(360, 240);
    auto* label = new QLabel("文字短信内容：", this);
    label->setGeometry(14, 36, 200, 20);
    m_edit = new QPlainTextEdit(this);
    m_edit->setObjectName("1043");
    m_edit->setGeometry(14, 58, 332, 136);
    auto* close = new QPushButton("关闭", this);
    close->setObjectName("1");
    close->setGeometry(140, 204, 80, 26);
    connect(close, &QPushButton::clicked, this, &CSMSTextDlg::accept);
}

int CSMSTextDlg::OnInitDialog() {
    setWindowTitle("文字短信内容");
    m_edit->setPlainText(QString::fromStdString(m_strText).replace("\r\n", "\n"));
    m_edit->setReadOnly(m_nReadOnly == 1);
    return 1;
}

int CSMSTextDlg::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? 1 : 2;
}

void CSMSTextDlg::accept() {
    m_strText = m_edit->toPlainText().replace("\n", "\r\n").toStdString();
    QDialog::accept();
}
