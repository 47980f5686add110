#include "core/ChangePasswordDlg.h"

#include "core/GbkLimitValidator.h"
#include "core/Helpers.h"
#include "core/LoginSettings.h"
#include "core/OffUiCall.h"
#include "core/PlatformClient.h"
#include "platform/TextCodec.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using codec::FromQ;
using codec::ToQ;

CChangePasswordDlg::CChangePasswordDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("519");
    setWindowTitle(ToQ("修改登陆密码"));
    auto makeEdit = [this](const char* id) {
        auto* e = new QLineEdit(this);
        e->setObjectName(id);
        e->setEchoMode(QLineEdit::Password);
        // The stored password is read through a 20-byte buffer; the login edit takes 16.
        e->setValidator(new CGbkLimitValidator(16, e));
        return e;
    };
    m_editOld = makeEdit("1043");
    m_editNew = makeEdit("1044");
    m_editConfirm = makeEdit("1045");
    m_btnOK = new QPushButton(ToQ("确定"), this);
    m_btnOK->setObjectName("1");
    m_btnOK->setDefault(true);
    m_btnCancel = new QPushButton(ToQ("取消"), this);
    m_btnCancel->setObjectName("2");

    auto* form = new QFormLayout;
    form->addRow(ToQ("原始密码："), m_editOld);
    form->addRow(ToQ("新 密 码："), m_editNew);
    form->addRow(ToQ("确认密码："), m_editConfirm);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnOK);
    buttons->addWidget(m_btnCancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(form);
    top->addLayout(buttons);

    connect(m_btnOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CChangePasswordDlg::OnOK() {
    const std::string oldPw = FromQ(m_editOld->text());
    const std::string newPw = FromQ(m_editNew->text());
    const std::string confirm = FromQ(m_editConfirm->text());
    if (oldPw != m_strCurrentPassword) {
        ShowMessage("原始密码不正确！");
        m_editOld->clear();
        m_editNew->clear();
        m_editConfirm->clear();
        m_editOld->setFocus();
        return;
    }
    if (newPw.empty()) {
        ShowMessage("请输入新密码！");
        m_editNew->setFocus();
        return;
    }
    if (confirm != newPw) {
        ShowMessage("新密码与确认密码不一致！");
        m_editNew->clear();
        m_editConfirm->clear();
        m_editNew->setFocus();
        return;
    }
    m_strNewPassword = newPw;
    accept();
}

void RunChangePassword(QWidget* parent, const ChangePasswordExecFn& exec) {
    CChangePasswordDlg dlg(parent);
    dlg.m_strCurrentPassword = GetLoginInfo().strPassword;
    const int result = exec ? exec(dlg) : dlg.exec();
    if (result != QDialog::Accepted) return;
    const std::string newPw = dlg.m_strNewPassword;
    const int done = CallOffUi([newPw] { return ChangePassword(newPw); });
    if (done > 0) {
        SavePassword(newPw);
        ShowMessage("修改密码成功！");
    } else {
        ShowMessage("修改密码失败！");
    }
}
