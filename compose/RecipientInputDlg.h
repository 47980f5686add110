#pragma once
// Recipient numbers typed one per line.
#include "compose/MultiLineEdit.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"

#include <string>
#include <vector>

class CRecipientInputDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 228;
    explicit CRecipientInputDlg(QWidget* parent = nullptr);

    // Keeps the valid lines; stays open when there is none.
    void OnOK() override;

    std::vector<std::string> m_arrNumbers;  // after OK, in the order typed

    CMultiLineEdit* m_editNumbers;  // 1043, at most 10000 bytes
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;
};
