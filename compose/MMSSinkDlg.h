#pragma once
// MMS library page (template 140, page 7): the groups of "MMSSink" as a tree, the packages of
// the selected group as a list, and the commands that make, edit, rename, import, export,
// delete and send packages and make and delete groups. The files are handled in MMSSink.h.
#include "core/PageDlg.h"
#include "platform/RowStore.h"
#include "uikit/IconMenu.h"

#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QTimer>
#include <string>
#include <vector>

class CSkinButton;
class QTreeWidget;
class QTreeWidgetItem;
namespace uikit { class CSortListCtrl; }

class CMMSSinkDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CMMSSinkDlg(QWidget* parent = nullptr);
    ~CMMSSinkDlg() override;

    // Fills the group tree of the MMS library; the group selected before stays selected.
    void FillGroupTree();

    // -- handlers
    void OnSelchangedTree();
    void OnBtnNew();         // 1002, 32852
    void OnBtnEdit();        // 1003, 32822, double click
    void OnBtnDelete();      // 1004, 32823
    void OnBtnRename();      // 1051, 32853
    void OnBtnImport();      // 1007, 32854
    void OnBtnExport();      // 1006, 32851
    void OnBtnAddGroup();    // 1052, 32826
    void OnBtnDeleteGroup(); // 1005, 32827
    void OnBtnSend();        // 1008
    void OnBtnAddToReply();  // 1433
    // Right clicks at viewport points.
    void OnRclickTree(const QPoint& pos);
    void OnRclickList(const QPoint& pos);
    // A command of either menu.
    void OnCommand(int id);

    // -- helpers
    QTreeWidgetItem* RootItem() const;
    // The selected group; empty when none or the root is selected.
    std::string SelectedGroup() const;
    bool RootSelected() const;
    // Selects the group's node; false when there is none.
    bool SelectGroup(const std::string& group);
    // The names of the selected packages, in list order.
    std::vector<std::string> SelectedNames() const;
    // The names of the list, in order.
    std::vector<std::string> ListNames() const;
    // Selects the rows of these names only.
    void SelectNames(const std::vector<std::string>& names);
    // Refills the list from the selected group.
    void FillList();

    QTreeWidget* m_tree;            // 1201
    uikit::CSortListCtrl* m_list;   // 1041
    CSkinButton* m_btnNew;          // 1002
    CSkinButton* m_btnEdit;         // 1003
    CSkinButton* m_btnDelete;       // 1004
    CSkinButton* m_btnRename;       // 1051
    CSkinButton* m_btnImport;       // 1007
    CSkinButton* m_btnExport;       // 1006
    CSkinButton* m_btnAddGroup;     // 1052
    CSkinButton* m_btnDeleteGroup;  // 1005
    CSkinButton* m_btnSend;         // 1008
    CSkinButton* m_btnAddToReply;   // 1433
    uikit::CIconMenu m_menuList;    // 275
    uikit::CIconMenu m_menuTree;    // 276
    QList<QPixmap> m_imlTree;       // the library, a group
    QList<QPixmap> m_imlList;       // a package
    QTimer m_timerMenu;             // timer 1: the tree menu after the right click
    QPoint m_ptMenu;                // where it opens (global)

private:
    void OnInitDialog();
    QTreeWidgetItem* AddGroupNode(const std::string& name);
    int RunMenu(uikit::CIconMenu& menu, const QPoint& globalPos);
    rows::RowStore m_rows{1};
};
