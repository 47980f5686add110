#include "compose/WapPushHelpDlg.h"

#include "platform/TextCodec.h"

#include <QLabel>

using codec::ToQ;

CWapPushHelpDlg::CWapPushHelpDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("发送WAP PUSH的使用方法"));
    SetDialogSizeDlu(288, 150);
    const std::string lines[5] = {
        "将其发送的短信内容设定为“<网站连接>###999###<短信标",
        "题>”，则该短信发送后，将自动转换为Wap Push短信。",
        "例如，要发送“示例”的Wap Push短信，假设其下载地址为",
        kExampleUrl,
        "内容编辑为：",
    };
    for (int i = 0; i < 5; ++i) {
        auto* l = new QLabel(ToQ(lines[i]), this);
        PlaceDlu(l, 14, 26 + i * 14, 260, 12);
    }
    m_editExample = new CSkinEdit(this);
    m_editExample->setObjectName("1043");
    m_editExample->setReadOnly(true);
    m_editExample->setText(ToQ(std::string("<") + kExampleUrl + ">###999###<示例>"));
    m_editExample->setCursorPosition(0);
    PlaceDlu(m_editExample, 14, 98, 260, 14);
    m_btnClose = new CSkinButton(ToQ("关闭"), this);
    m_btnClose->setObjectName("1");
    m_btnClose->setDefault(true);
    PlaceDlu(m_btnClose, 121, 124, 46, 14);
    connect(m_btnClose, &QPushButton::clicked, this, [this] { OnOK(); });
}
