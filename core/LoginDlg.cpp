#include "core/LoginDlg.h"

#include "core/GbkLimitValidator.h"
#include "core/Helpers.h"
#include "core/LoginSettings.h"
#include "core/OffUiCall.h"
#include "core/PlatformClient.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"
#include "uikit/Resources.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

using codec::FromQ;
using codec::ToQ;

namespace {

// Places of the controls over the picture: a label column and an edit column under its banner.
constexpr int kLabelX = 92, kLabelW = 66, kEditX = 160, kEditW = 150, kRowH = 20;
constexpr int kRowY[4] = {100, 128, 156, 184};

CSkinEdit* MakeEdit(QWidget* parent, const char* id, int maxBytes, int row) {
    auto* e = new CSkinEdit(parent);
    e->setObjectName(id);
    e->setValidator(new CGbkLimitValidator(maxBytes, e));
    e->setGeometry(kEditX, kRowY[row], kEditW, kRowH);
    return e;
}

void MakeLabel(QWidget* parent, const char* text, int row) {
    auto* l = new QLabel(ToQ(text), parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setGeometry(kLabelX, kRowY[row], kLabelW, kRowH);
}

CImageButton* MakeButton(QWidget* parent, const char* text, const char* id, int bitmap, int x) {
    auto* b = new CImageButton(ToQ(text), parent);
    b->setObjectName(id);
    b->SetBitmaps(bitmap, QColor(0, 255, 0));
    b->SetTransparent(true);
    b->SetDrawBorder(false);
    b->SetBtnCursor(uikit::res::kHandCursorId);
    b->SetColor(CImageButton::BTNST_COLOR_FG_IN, QColor(0, 84, 96));
    b->SetColor(CImageButton::BTNST_COLOR_FG_OUT, QColor(0, 0, 0));
    b->setGeometry(x, 246, 80, 26);
    return b;
}

}  // namespace

CLoginDlg::CLoginDlg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("162");
    setWindowTitle(ToQ("登陆系统"));
    QFont f(QStringLiteral("宋体"));
    f.setPointSize(9);
    setFont(f);
    setFixedSize(kWidth, kHeight);

    MakeLabel(this, "企业代码：", 0);
    m_editEcode = MakeEdit(this, "1057", 16, 0);
    MakeLabel(this, "用 户 名：", 1);
    m_editUserName = MakeEdit(this, "1058", 16, 1);
    MakeLabel(this, "登陆密码：", 2);
    m_editPassword = MakeEdit(this, "1115", 16, 2);
    m_editPassword->setEchoMode(QLineEdit::Password);
    MakeLabel(this, "扩 展 号：", 3);
    m_editExtNo = MakeEdit(this, "1060", 8, 3);
    m_checkRemember = new CSkinCheckBox(ToQ("记住密码"), this);
    m_checkRemember->setObjectName("1056");
    // As wide as its box and caption: it paints its whole rectangle.
    m_checkRemember->setGeometry(kEditX, 212, m_checkRemember->sizeHint().width(), 18);
    m_btnOK = MakeButton(this, "登  陆", "1", 193, 112);
    m_btnOK->setDefault(true);
    m_btnCancel = MakeButton(this, "取  消", "2", 194, 208);
    setTabOrder(m_editEcode, m_editUserName);
    setTabOrder(m_editUserName, m_editPassword);
    setTabOrder(m_editPassword, m_editExtNo);
    setTabOrder(m_editExtNo, m_checkRemember);
    setTabOrder(m_checkRemember, m_btnOK);
    setTabOrder(m_btnOK, m_btnCancel);

    connect(m_btnOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Without the picture the dialog keeps its plain background.
    m_dibBack.Load(paths::AppFile("Login.bmp"));
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
    // While the request runs only 取消 (and Escape) stay live; either abandons it.
    const auto reply = CallOffUiWithCancel(this, m_btnCancel, m_bBusy, m_bAbandoned, [] {
        bool answered = false;
        const int balance = QuerySmsBalance(&answered);
        return std::make_pair(balance, answered);
    });
    if (!reply) {
        QDialog::reject();
        return;
    }
    const auto [balance, answered] = *reply;
    if (!answered) {
        ShowMessage("无法连接短信平台 " + GetLoginInfo().strSmsServer + "，请检查网络后重试！");
        return;
    }
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
    if (m_bBusy) m_bAbandoned = true;  // the pending request's wait ends and closes the dialog
    else QDialog::reject();
}

void CLoginDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_dibBack.IsLoaded()) {
        m_dibBack.Draw(p, 0, 0, width(), height(), 0, 0, 0, 0);
        return;
    }
    // No picture: white with the kit's light frame, so that the borderless window stands out.
    p.fillRect(rect(), QColor(255, 255, 255));
    p.setPen(QColor(140, 170, 230));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CLoginDlg::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        e->accept();
        if (QWindow* w = windowHandle(); w && w->startSystemMove()) return;
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
