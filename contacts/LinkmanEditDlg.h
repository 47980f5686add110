#pragma once
// The contact dialogs: CLinkmanEditDlg edits one contact's fields (add, modify, search) in a
// two-column list with an in-place cell edit; CLinkmanTypeDlg asks for a group name. Both check
// against the address book on the connection the caller hands them.
#include "platform/RowStore.h"
#include "uikit/SkinDialog.h"

#include <string>
#include <vector>

class CAdoConnection;
class CFlatComboBox;
class CSkinButton;
class CSkinGroupBox;
namespace uikit { class CSortListCtrl; }
class QLabel;
class QLineEdit;

class CLinkmanEditDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 320;
    explicit CLinkmanEditDlg(QWidget* parent = nullptr);
    ~CLinkmanEditDlg() override;

    void OnOK() override;
    // A click in the list opens the in-place edit over the clicked value cell.
    void BeginEdit(int row, int col);
    // Writes the open edit back into its cell and closes it.
    void CommitEdit();
    // Second cell of a row, as the list holds it.
    std::string CellText(int row) const;

    std::string m_strOldName;
    CAdoConnection* m_pConn = nullptr;
    std::string m_strPath;
    int m_nMode = 0;  // 0 add, 1 modify, 2 search
    std::string m_strOldNumber;
    int m_nEditRow = -1, m_nEditCol = -1;
    std::vector<std::string> m_arrValues;
    std::vector<std::string> m_arrItems;

    CFlatComboBox* m_cmbScope;  // 1029
    QLabel* m_lblScope;         // 1030
    QLabel* m_lblNote;          // 1279
    uikit::CSortListCtrl* m_list;      // 1266
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;
    QLineEdit* m_edit;          // 1043
    CSkinGroupBox* m_frame;     // 1245
    std::string m_strScope = "通信录";

protected:
    bool OnInitDialog() override;
    bool eventFilter(QObject* obj, QEvent* ev) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    rows::RowStore m_rows{2};
};

class CLinkmanTypeDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 233;
    explicit CLinkmanTypeDlg(QWidget* parent = nullptr);

    void OnOK() override;

    std::string m_strPath;                 // the parent group's path
    std::string m_strUnused;
    std::vector<std::string> m_arrUnused;
    CAdoConnection* m_pConn = nullptr;
    QLabel* m_lblName;                     // 1269
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;
    QLineEdit* m_edit;                     // 1043
    std::string m_strName;                 // empty: a new group; else the old name

protected:
    bool OnInitDialog() override;
};
