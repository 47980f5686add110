#pragma once
// The balance dialog: remaining SMS and MMS as the caller gives them, or as its query brings them.
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"
#include "uikit/SkinEdit.h"

#include <functional>

class CBalanceDlg : public CSkinDialog {
    Q_OBJECT
public:
    CBalanceDlg(int nSms, int nMms, QWidget* parent = nullptr);

    // Asks the platform for both counts off the UI thread; until they come the edits say so and
    // the button (and Escape) cancels. A cancelled query's answer is dropped.
    void BeginQuery();
    bool IsQuerying() const { return m_bQuerying; }
    void OnCancel() override;

    int m_nSms;
    int m_nMms;
    CSkinEdit* m_editSms;
    CSkinEdit* m_editMms;
    CSkinButton* m_btnClose;

private:
    void ShowCounts();
    bool m_bQuerying = false;
};

using BalanceExecFn = std::function<int(CBalanceDlg&)>;

// The main window's balance query: the dialog opens at once and shows the SMS balance, then the
// MMS balance, when they come (-1 for a failed query).
void RunQueryBalance(QWidget* parent, const BalanceExecFn& exec = {});
