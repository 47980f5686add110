#pragma once
// How a text becomes a WAP Push message.
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"
#include "uikit/SkinEdit.h"

class CWapPushHelpDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 421;
    // The example download address of the help text and its example.
    static constexpr const char* kExampleUrl = "http://www.example.com/images/sample.gif";

    explicit CWapPushHelpDlg(QWidget* parent = nullptr);

    CSkinEdit* m_editExample;  // 1043, read-only
    CSkinButton* m_btnClose;   // 1
};
