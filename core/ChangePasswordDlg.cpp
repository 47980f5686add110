#include "core/ChangePasswordDlg.h"

#include "core/GbkLimitValidator.h"
#include "core/Helpers.h"
#include "core/LoginSettings.h"
#include "core/OffUiCall.h"
#include "core/PlatformClient.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"

#include <QLabel>

using codec::FromQ;
using codec::ToQ;

CChangePasswordDlg::CChangePasswordDlg(QWidget* parent) : CSkinDialog(519, parent) {
    setObjectName("519");
    setWindowTitle(ToQ("修改登陆密码"));
    SetDialogSizeDlu(170, 116);
    auto makeRow = [this](const char* label, const char* id, int y) {
        auto* l = new QLabel(ToQ(label), this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        PlaceDlu(l, 12, y, 46, 13);
        auto* e = new CSkinEdit(this);
        e->setObjectName(id);
        e->setEchoMode(QLineEdit::Password);
        // The stored password is read through a 20-byte buffer; the login edit takes 16.
        e->setValidator(new CGbkLimitValidator(16, e));
        PlaceDlu(e, 62, y, 94, 13);
        return e;
    };
    m_editOld = makeRow("原始密码：", "1043", 28);
    m_editNew = makeRow("新 密 码：", "1044", 48);
    m_editConfirm = makeRow("确认密码：", "1045", 68);
    m_btnOK = new CSkinButton(ToQ("确定"), this);
    m_btnOK->setObjectName("1");
    m_btnOK->setDefault(true);
    PlaceDlu(m_btnOK, 32, 92, 46, 14);
    m_btnCancel = new CSkinButton(ToQ("取消"), this);
    m_btnCancel->setObjectName("2");
    PlaceDlu(m_btnCancel, 92, 92, 46, 14);
    setTabOrder(m_editOld, m_editNew);
    setTabOrder(m_editNew, m_editConfirm);
    setTabOrder(m_editConfirm, m_btnOK);
    setTabOrder(m_btnOK, m_btnCancel);

    connect(m_btnOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_btnCancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

bool CChangePasswordDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_editOld->setFocus();
    return true;
}

void CChangePasswordDlg::OnOK() {
    if (m_bBusy) return;  // the request is under way
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
    // While the request runs only 取消 (and Escape) stay live; either abandons it.
    const auto reply = CallOffUiWithCancel(
        this, m_btnCancel, m_bBusy, m_bAbandoned, [newPw] { return ChangePassword(newPw); },
        [newPw](int late) {
            // The platform took the change after all: keep our password the one it now holds,
            // or every later request would be refused.
            if (late > 0) seam::PostToUi([newPw] {
                SavePassword(newPw);
                WriteRunLog("修改密码已取消，但平台已接受新密码，新密码已生效");
            });
        });
    if (!reply) {
        CSkinDialog::OnCancel();
        return;
    }
    m_strNewPassword = newPw;
    m_nChangeResult = *reply;
    CSkinDialog::OnOK();
}

void CChangePasswordDlg::OnCancel() {
    if (m_bBusy) m_bAbandoned = true;  // the pending request's wait ends and closes the dialog
    else CSkinDialog::OnCancel();
}

void RunChangePassword(QWidget* parent, const ChangePasswordExecFn& exec) {
    CChangePasswordDlg dlg(parent);
    dlg.m_strCurrentPassword = GetLoginInfo().strPassword;
    const int result = exec ? exec(dlg) : dlg.DoModal();
    if (result != IDOK) return;
    if (dlg.m_nChangeResult > 0) {
        SavePassword(dlg.m_strNewPassword);
        ShowMessage("修改密码成功！");
    } else {
        ShowMessage("修改密码失败！");
    }
}
