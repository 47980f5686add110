#pragma once
// Shows the whole text of one SMS (template 418), read-only or editable.
#include "compose/MultiLineEdit.h"
#include "uikit/SkinDialog.h"

#include <string>

class CSMSTextDlg : public CSkinDialog {
    Q_OBJECT
public:
    explicit CSMSTextDlg(QWidget* parent = nullptr);
    QPlainTextEdit* Edit() const { return m_edit; }
    void OnOK() override;

    std::string m_strText;  // bound to edit 1043 (CR LF line ends)
    int m_nReadOnly = 0;
    int m_nLimitBytes = 0;  // GBK bytes the text may take; 0 no limit

protected:
    bool OnInitDialog() override;

private:
    CMultiLineEdit* m_edit;
};
