#pragma once
// The login dialog: enterprise code, user name, password and extension number, checked against
// the platform (an SMS balance query) before it closes with OK. No caption or border: the
// picture "Login.bmp" fills it and a press anywhere drags it.
#include "uikit/DibImage.h"
#include "uikit/ImageButton.h"
#include "uikit/SkinCheckBox.h"
#include "uikit/SkinEdit.h"

#include <QDialog>

#include <functional>
#include <string>

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

    CSkinEdit* m_editEcode;
    CSkinEdit* m_editUserName;
    CSkinEdit* m_editPassword;
    CSkinEdit* m_editExtNo;
    CSkinCheckBox* m_checkRemember;
    CImageButton* m_btnOK;      // bitmap 193
    CImageButton* m_btnCancel;  // bitmap 194

    // The size of the dialog; the background picture is drawn over all of it.
    static constexpr int kWidth = 400, kHeight = 300;
    bool HasBackground() const { return m_dibBack.IsLoaded(); }

    // Closing is ignored while the platform is being asked.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    CDibImage m_dibBack;  // "Login.bmp"
    bool m_bBusy = false;
    bool m_bAbandoned = false;  // 取消 or Escape while a request was pending
    bool m_bDragging = false;
    QPoint m_ptDragOffset;
};

// Runs the dialog modally (exec; a test passes its own), returns its result.
using LoginExecFn = std::function<int(CLoginDlg&)>;

// The login of the main window's start: reads "Logp.dat", pre-fills and runs the dialog, and
// after OK writes the values and makes them the current credentials. False when the user
// cancelled (the program ends).
bool RunLogin(QWidget* parent, const LoginExecFn& exec = {});
