#pragma once
// The change-password dialog: old password, new password and its confirmation.
#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

class CChangePasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChangePasswordDlg(QWidget* parent = nullptr);

    std::string m_strCurrentPassword;  // set by the caller
    std::string m_strNewPassword;      // after OK

    // The check of "确定": stays open on a wrong old password, an empty new one or a mismatch.
    void OnOK();

    QLineEdit* m_editOld;
    QLineEdit* m_editNew;
    QLineEdit* m_editConfirm;
    QPushButton* m_btnOK;
    QPushButton* m_btnCancel;
};

using ChangePasswordExecFn = std::function<int(CChangePasswordDlg&)>;

// The main window's password change: the dialog, then the platform request; on success the
// new password is current and written to "Logp.dat". The outcome is told by a message.
void RunChangePassword(QWidget* parent, const ChangePasswordExecFn& exec = {});
