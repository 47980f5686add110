#pragma once
// The login dialog: enterprise code, user name, password and extension number, checked against
// the platform (an SMS balance query) before it closes with OK.
#include <QDialog>
#include <QPixmap>

#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

class CLoginDlg : public QDialog {
    Q_OBJECT
public:
    explicit CLoginDlg(QWidget* parent = nullptr);

    // Values shown when the dialog opens and, after OK, the values taken.
    std::string m_strEcode, m_strUserName, m_strPassword, m_strExtNo;
    bool m_bRemember = false;

    // Puts the member values into the controls.
    void UpdateControls();
    // The check of the OK button: stays open on a missing value or refused credentials.
    void OnOK();

    QLineEdit* m_editEcode;
    QLineEdit* m_editUserName;
    QLineEdit* m_editPassword;
    QLineEdit* m_editExtNo;
    QCheckBox* m_checkRemember;
    QPushButton* m_btnOK;
    QPushButton* m_btnCancel;

    // Closing is ignored while the platform is being asked.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QPixmap m_bmpBack;
    bool m_bBusy = false;
    bool m_bDragging = false;
    QPoint m_ptDragOffset;
};

// Runs the dialog modally (exec; a test passes its own), returns its result.
using LoginExecFn = std::function<int(CLoginDlg&)>;

// The login of the main window's start: reads "Logp.dat", pre-fills and runs the dialog, and
// after OK writes the values and makes them the current credentials. False when the user
// cancelled (the program ends).
bool RunLogin(QWidget* parent, const LoginExecFn& exec = {});
