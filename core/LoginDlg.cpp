#include "core/LoginDlg.h"

#include "core/GbkLimitValidator.h"
#include "core/Helpers.h"
#include "core/LoginSettings.h"
#include "core/OffUiCall.h"
#include "core/PlatformClient.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

using codec::FromQ;
using codec::ToQ;

namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* id, int maxBytes) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(id);
    e->setValidator(new CGbkLimitValidator(maxBytes, e));
    return e;
}

}  // namespace

CLoginDlg::CLoginDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("162");
    setWindowTitle(ToQ("登陆系统"));

    m_editEcode = MakeEdit(this, "1057", 16);
    m_editUserName = MakeEdit(this, "1058", 16);
    m_editPassword = MakeEdit(this, "1115", 16);
    m_editPassword->setEchoMode(QLineEdit::Password);
    m_editExtNo = MakeEdit(this, "1060", 8);
    m_checkRemember = new QCheckBox(ToQ("记住密码"), this);
    m_checkRemember->setObjectName("1056");
    m_btnOK = new QPushButton(ToQ("登  陆"), this);
    m_btnOK->setObjectName("1");
    m_btnOK->setDefault(true);
    m_btnCancel = new QPushButton(ToQ("取  消"), this);
    m_btnCancel->setObjectName("2");

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(ToQ("企业代码："), this), 0, 0);
    grid->addWidget(m_editEcode, 0, 1);
    grid->addWidget(new QLabel(ToQ("用 户 名："), this), 1, 0);
    grid->addWidget(m_editUserName, 1, 1);
    grid->addWidget(new QLabel(ToQ("登陆密码："), this), 2, 0);
    grid->addWidget(m_editPassword, 2, 1);
    grid->addWidget(new QLabel(ToQ("扩 展 号："), this), 3, 0);
    grid->addWidget(m_editExtNo, 3, 1);
    grid->addWidget(m_checkRemember, 4, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnOK);
    buttons->addWidget(m_btnCancel);
    auto* top = new QVBoxLayout(this);
    top->addStretch();
    top->addLayout(grid);
    top->addLayout(buttons);

    connect(m_btnOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    const std::string back = paths::AppFile("Login.bmp");
    if (paths::FileExists(back) && m_bmpBack.load(ToQ(back))) setFixedSize(m_bmpBack.size());
}

void CLoginDlg::UpdateControls() {
    m_editEcode->setText(ToQ(codec::CutToGbkBytes(m_strEcode, 16)));
    m_editUserName->setText(ToQ(codec::CutToGbkBytes(m_strUserName, 16)));
    m_editPassword->setText(ToQ(codec::CutToGbkBytes(m_strPassword, 16)));
    m_editExtNo->setText(ToQ(codec::CutToGbkBytes(m_strExtNo, 8)));
    m_checkRemember->setChecked(m_bRemember);
}

void CLoginDlg::OnOK() {
    const std::string ecode = FromQ(m_editEcode->text());
    const std::string user = FromQ(m_editUserName->text());
    const std::string password = FromQ(m_editPassword->text());
    const std::string extNo = FromQ(m_editExtNo->text());
    if (ecode.empty()) {
        ShowMessage("请输入企业代码！");
        m_editEcode->setFocus();
        return;
    }
    if (user.empty()) {
        ShowMessage("请输入用户名！");
        m_editUserName->setFocus();
        return;
    }
    if (password.empty()) {
        ShowMessage("请输入登陆密码！");
        m_editPassword->setFocus();
        return;
    }
    SetLoginCredentials(ecode, user, password, extNo);
    m_bBusy = true;
    setEnabled(false);
    const int balance = CallOffUi([] { return QuerySmsBalance(); });
    setEnabled(true);
    m_bBusy = false;
    if (balance < 0) {
        ShowMessage("短信登录信息错误！");
        return;
    }
    m_strEcode = ecode;
    m_strUserName = user;
    m_strPassword = password;
    m_strExtNo = extNo;
    m_bRemember = m_checkRemember->isChecked();
    accept();
}

void CLoginDlg::reject() {
    if (!m_bBusy) QDialog::reject();
}

void CLoginDlg::paintEvent(QPaintEvent* e) {
    if (m_bmpBack.isNull()) return QDialog::paintEvent(e);
    QPainter p(this);
    p.drawPixmap(0, 0, m_bmpBack);
}

void CLoginDlg::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        m_bDragging = true;
        m_ptDragOffset = e->globalPosition().toPoint() - frameGeometry().topLeft();
        e->accept();
        return;
    }
    QDialog::mousePressEvent(e);
}

void CLoginDlg::mouseMoveEvent(QMouseEvent* e) {
    if (m_bDragging && (e->buttons() & Qt::LeftButton)) {
        move(e->globalPosition().toPoint() - m_ptDragOffset);
        e->accept();
        return;
    }
    QDialog::mouseMoveEvent(e);
}

void CLoginDlg::mouseReleaseEvent(QMouseEvent* e) {
    m_bDragging = false;
    QDialog::mouseReleaseEvent(e);
}

bool RunLogin(QWidget* parent, const LoginExecFn& exec) {
    const LoginValues stored = LoadLoginSettings();
    CLoginDlg dlg(parent);
    dlg.m_strEcode = stored.strEcode;
    dlg.m_strUserName = stored.strUserName;
    dlg.m_strExtNo = stored.strExtNo;
    if (stored.bRemember) dlg.m_strPassword = stored.strPassword;
    dlg.m_bRemember = stored.bRemember;
    dlg.UpdateControls();
    const int result = exec ? exec(dlg) : dlg.exec();
    if (result != QDialog::Accepted) return false;
    LoginValues v;
    v.strEcode = dlg.m_strEcode;
    v.strUserName = dlg.m_strUserName;
    v.strPassword = dlg.m_strPassword;
    v.strExtNo = dlg.m_strExtNo;
    v.bRemember = dlg.m_bRemember;
    SaveLoginValues(v);
    return true;
}
