#pragma once
// The balance dialog: remaining SMS and MMS as the caller gives them.
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"
#include "uikit/SkinEdit.h"

#include <functional>

class CBalanceDlg : public CSkinDialog {
    Q_OBJECT
public:
    CBalanceDlg(int nSms, int nMms, QWidget* parent = nullptr);

    int m_nSms;
    int m_nMms;
    CSkinEdit* m_editSms;
    CSkinEdit* m_editMms;
    CSkinButton* m_btnClose;
};

using BalanceExecFn = std::function<int(CBalanceDlg&)>;

// The main window's balance query: the SMS balance, then the MMS balance, shown in the dialog
// (-1 for a failed query).
void RunQueryBalance(QWidget* parent, const BalanceExecFn& exec = {});
