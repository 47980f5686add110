#include "core/NoticeDlg.h"

#include "uikit/SkinButton.h"
#include "uikit/SkinEdit.h"

#include <QPlainTextEdit>

CNoticeDlg::CNoticeDlg(QWidget* parent) : CSkinDialog(195, parent) {
    setFixedSize(420, 300);
    auto* edit = new QPlainTextEdit(this);
    edit->setObjectName("1071");
    edit->setReadOnly(true);
    edit->setGeometry(14, 40, 392, 210);
    auto* close = new CSkinButton("关   闭", this);
    close->setObjectName("1");
    close->setGeometry(170, 260, 80, 26);
    connect(close, &QPushButton::clicked, this, [this] { OnOK(); });
}

bool CNoticeDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    setWindowTitle("消息通知");
    if (auto* edit = findChild<QPlainTextEdit*>("1071"))
        edit->setPlainText(QString::fromStdString(m_strNotice).replace("\r\n", "\n"));
    return true;
}
