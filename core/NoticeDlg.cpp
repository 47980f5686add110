#include "core/NoticeDlg.h"

#include "platform/TextCodec.h"

#include <QPlainTextEdit>
#include <QPushButton>

CNoticeDlg::CNoticeDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("195");
    setFixedSize(420, 300);
    auto* edit = new QPlainTextEdit(this);
    edit->setObjectName("1071");
    edit->setReadOnly(true);
    edit->setGeometry(14, 40, 392, 210);
    auto* close = new QPushButton("关   闭", this);
    close->setObjectName("1");
    close->setGeometry(170, 260, 80, 26);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

int CNoticeDlg::OnInitDialog() {
    setWindowTitle("消息通知");
    if (auto* edit = findChild<QPlainTextEdit*>("1071"))
        edit->setPlainText(QString::fromStdString(m_strNotice).replace("\r\n", "\n"));
    return 1;
}

int CNoticeDlg::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? 1 : 2;
}

bool ShowStartupNotice(const std::string& notice) {
    if (codec::GbkLength(notice) <= 1) return false;
    CNoticeDlg dlg;
    dlg.m_strNotice = "\r\n " + notice;
    dlg.DoModal();
    return true;
}
