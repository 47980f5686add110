#pragma once
// The balance dialog: remaining SMS and MMS as the caller gives them.
#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

class CBalanceDlg : public QDialog {
    Q_OBJECT
public:
    CBalanceDlg(int nSms, int nMms, QWidget* parent = nullptr);

    int m_nSms;
    int m_nMms;
    QLineEdit* m_editSms;
    QLineEdit* m_editMms;
    QPushButton* m_btnClose;
};

using BalanceExecFn = std::function<int(CBalanceDlg&)>;

// The main window's balance query: the SMS balance, then the MMS balance, shown in the dialog
// (-1 for a failed query).
void RunQueryBalance(QWidget* parent, const BalanceExecFn& exec = {});
