#pragma once
// Address book page (template 129): the groups as a tree, the current group's sub-groups and
// contacts (or search results) as a list, and adding, editing, deleting and searching them.
// The statements live in contacts/LinkmanBook.h; the page owns the book's one connection.
#include "compose/PickerHooks.h"
#include "contacts/AdoConnection.h"
#include "contacts/LinkmanBook.h"
#include "contacts/LinkmanMoves.h"
#include "core/PageDlg.h"
#include "platform/RowStore.h"
#include "uikit/MenuEx.h"

#include <QList>
#include <QPixmap>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

class CSkinButton;
class CSkinEdit;
class CSkinGroupBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
namespace uikit { class CSortListCtrl; }

class CLinkmanBookDlg : public CPageDlg {
    Q_OBJECT
public:
    // A list row's image tells its kind.
    enum RowImage { kImgContact = 0, kImgNewContact = 1, kImgGroup = 2, kImgNewGroup = 3, kImgUp = 4 };

    explicit CLinkmanBookDlg(QWidget* parent = nullptr);
    ~CLinkmanBookDlg() override;

    // -- handlers
    void OnTimer(int nIDEvent);
    void OnSelchangedTree();
    // Right click at a viewport point: the node under it becomes the current one, then the menu.
    void OnRclickTree(const QPoint& pos);
    void OnRclickList(const QPoint& pos);
    void OnDblclkList();
    void OnGoUp();
    void OnAddGroup();
    void OnAddLinkman();
    void OnDelGroup();
    void OnTreeDelGroup();
    void OnDelLinkman();
    void OnModifyLinkman();
    void OnModify();
    void OnSearch();
    void OnAddFromCards();
    void OnImport();
    void OnExport();
    void OnCut();
    void OnPaste();
    void PasteLinkman(const std::string& source, const std::string& name);
    void PasteGroup(const std::string& source, const std::string& name);
    void OnRenameGroup();
    void OnModifyGroup();
    // The group-name dialog for group `oldName` of `parent`, then the rename; the new name, or
    // empty when cancelled or the rename failed.
    std::string RenameGroupRecords(const std::string& oldName, const std::string& parent);
    // 姓名 of the first contact with this number; safe on any thread.
    std::string GetNameByMobile(const std::string& mobile);
    // A command of either menu.
    void OnCommand(int id);

    // -- offered to the other address-book flows
    void FillDirTree();
    void FillSubDirTree(QTreeWidgetItem* node, const std::string& path);
    void FillList();
    // Selects the node whose path is target, searching from node (path prefix + "@" + its text).
    bool OpenPath(QTreeWidgetItem* node, const std::string& prefix, const std::string& target);
    // Deletes that node instead; 1 when found.
    int RemoveTreeItem(QTreeWidgetItem* node, const std::string& prefix, const std::string& target);
    void UpdateCount();
    // The group with everything below it; false (nothing changed) when the write failed.
    bool DeleteGroupRecords(const std::string& parent, const std::string& name);

    // -- helpers
    CLinkmanBook Book() { return CLinkmanBook(&m_conn); }
    QTreeWidgetItem* RootItem() const;
    // "@通信录" and "@" + the text of every node down to node.
    std::string NodePath(const QTreeWidgetItem* node) const;
    // The node of a path, from the root; null when there is none.
    QTreeWidgetItem* FindNode(const std::string& target) const;
    // The list's rows (null before the book opened).
    rows::RowStore* Rows() const { return m_rows.get(); }
    // The selected rows, in list order.
    std::vector<rows::RowId> SelectedIds() const;
    int RowImageOf(rows::RowId id) const;
    std::string CellOf(rows::RowId id, int col) const;
    // Column "路径": after the fields.
    int PathColumn() const { return static_cast<int>(m_arrColumns.size()); }
    // A group row's name: its first cell less its first and last character.
    static std::string GroupName(const std::string& cell);
    // The group of a contact row: its "路径" cell, else the current path.
    std::string RowGroup(rows::RowId id) const;

    int m_bSearchResult = 0;
    std::vector<std::string> m_arrColumns;
    std::vector<std::string> m_arrCutNames;
    std::vector<std::string> m_arrCutPaths;
    std::string m_strCutFlag;
    uikit::CMenuEx m_menuList;  // 146
    uikit::CMenuEx m_menuTree;  // 143
    QList<QPixmap> m_imlMenu, m_imlMenuGrayed, m_imlMenuSelected;  // 168, 169, 170
    QList<QPixmap> m_imlTree;   // 138 root, 140 group
    QList<QPixmap> m_imlList;   // 134, 135, 137, 136, 139
    std::string m_strPath;
    CAdoConnection m_conn;

    QLabel* m_lblCount;              // 1027
    CSkinButton* m_btnModifyLinkman; // 1013
    CSkinButton* m_btnModifyGroup;   // 1012
    CSkinButton* m_btnImport;        // 1011
    CSkinButton* m_btnExport;        // 1014
    CSkinButton* m_btnSearch;        // 1015
    CSkinButton* m_btnDelGroup;      // 1009
    CSkinButton* m_btnDelLinkman;    // 1010
    CSkinButton* m_btnAddFromCards;  // 1017
    CSkinButton* m_btnBackup;        // 1026
    CSkinEdit* m_editPath;           // 1007
    CSkinGroupBox* m_frameList;      // 1245
    CSkinGroupBox* m_frameTree;      // 1020
    QTreeWidget* m_tree;             // 1001
    uikit::CSortListCtrl* m_list;    // 1002
    QTimer m_timer;                  // timer 1: opens the book once

private:
    void OnInitDialog();
    // Adds a node (name, group image) as the last child of parent.
    QTreeWidgetItem* AddGroupNode(QTreeWidgetItem* parent, const std::string& name);
    // Makes node the current one; the list refills also when it already was.
    void SelectNode(QTreeWidgetItem* node);
    QTreeWidgetItem* FindBelow(QTreeWidgetItem* node, const std::string& prefix, const std::string& target) const;
    // The selected rows of one kind; with `contacts` the contact rows, else the group rows.
    std::vector<rows::RowId> SelectedOfKind(bool contacts) const;
    // A list row of values (trimmed, as read back) with the "路径" cell.
    std::vector<std::string> ContactCells(const std::vector<std::string>& values, const std::string& dir) const;
    void ShowWriteError(const CLinkmanBook& book);
    // The row of group `name`, after the new-contact row.
    void InsertGroupRow(const std::string& name);
    // A pasted entry's tree and list changes.
    void ApplyPaste(const linkman::PasteOutcome& out);
    int RunMenu(uikit::CMenuEx& menu, const QPoint& globalPos);

    std::unique_ptr<rows::RowStore> m_rows;
    picker::NumbersFn m_oldPicker;  // given back when the page goes
};

// The page, for the dialogs and the picker that work on its connection and field list.
extern CLinkmanBookDlg* g_pLinkmanBookDb;
