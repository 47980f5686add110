#pragma once
// The change-password dialog: old password, new password and its confirmation.
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"
#include "uikit/SkinEdit.h"

#include <functional>
#include <string>

class CChangePasswordDlg : public CSkinDialog {
    Q_OBJECT
public:
    explicit CChangePasswordDlg(QWidget* parent = nullptr);

    std::string m_strCurrentPassword;  // set by the caller
    std::string m_strNewPassword;      // after OK
    int m_nChangeResult = -1;          // after OK: the platform's answer (ChangePassword)

    // The check of "确定": stays open on a wrong old password, an empty new one or a mismatch;
    // else asks the platform, off the UI thread, and closes with OK when it has answered.
    void OnOK() override;
    // While the platform is asked, 取消 and Escape abandon the request and close the dialog.
    void OnCancel() override;

    CSkinEdit* m_editOld;
    CSkinEdit* m_editNew;
    CSkinEdit* m_editConfirm;
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;

private:
    bool m_bBusy = false;
    bool m_bAbandoned = false;
};

// Runs the dialog modally (DoModal; a test passes its own), returns IDOK when it was confirmed.
using ChangePasswordExecFn = std::function<int(CChangePasswordDlg&)>;

// The main window's password change: the dialog with its platform request; on success the
// new password is current and written to "Logp.dat". The outcome is told by a message.
void RunChangePassword(QWidget* parent, const ChangePasswordExecFn& exec = {});
