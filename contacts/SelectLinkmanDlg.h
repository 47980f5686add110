#pragma once
// The recipient picker "选择接收者" (template 176): the groups and their contacts as one tree,
// the chosen contacts in a list, and on OK one mobile number per chosen contact. It works on the
// address-book page's connection and field list.
#include "platform/RowStore.h"
#include "uikit/SkinDialog.h"

#include <QList>
#include <QPixmap>
#include <QTimer>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CAdoConnection;
class CSkinButton;
class CSkinGroupBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
namespace uikit { class CSortListCtrl; }

class CSelectLinkmanDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 176;
    explicit CSelectLinkmanDlg(QWidget* parent = nullptr);
    ~CSelectLinkmanDlg() override;

    // Runs the picker modally: the numbers after OK, nothing after Cancel.
    static std::optional<std::vector<std::string>> Pick(QWidget* parent);

    void OnTimer(int nIDEvent);
    void OnDblclkTree();
    void OnDblclkChosen();
    void OnDelete();
    void OnClear();
    void OnSearch();
    void OnOK() override;

    // The groups below path as nodes under node, then every contact below path as leaves of its
    // group's node.
    void FillSubDirTree(QTreeWidgetItem* node, const std::string& path);
    // Chooses a contact leaf, or every contact below a group node.
    void AddToChosen(QTreeWidgetItem* node);
    // Sorts the chosen list by name, then path, and drops rows equal in both.
    void RemoveDuplicates();
    void UpdateCount();
    // The chosen rows: (name, group path), in list order.
    std::vector<std::pair<std::string, std::string>> Chosen() const;
    // A leaf's group path, rebuilt from its ancestors.
    static std::string LeafPath(const QTreeWidgetItem* leaf);
    QTreeWidgetItem* RootItem() const;

    const std::vector<std::string>* m_pColumns = nullptr;
    std::vector<std::string> m_arrNumbers;
    QList<QPixmap> m_iml;  // 138 root, 137 group, 134 contact
    CAdoConnection* m_pConn = nullptr;

    QLabel* m_lblCount;           // 1027
    CSkinGroupBox* m_frameTree;   // 1088
    CSkinGroupBox* m_frameList;   // 1087
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;
    QTreeWidget* m_tree;          // 1018
    uikit::CSortListCtrl* m_list; // 1019
    CSkinButton* m_btnSearch;     // 1020
    CSkinButton* m_btnDelete;     // 1021
    CSkinButton* m_btnClear;      // 1014
    QLabel* m_lblNote;            // 1086
    QTimer m_timer;               // timer 1: fills the tree once

protected:
    bool OnInitDialog() override;

private:
    QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const std::string& text, int image);
    void CollectBelow(const QTreeWidgetItem* node, const std::string& path,
                      std::vector<std::pair<std::string, std::string>>& out) const;
    void AppendChosen(const std::vector<std::pair<std::string, std::string>>& contacts);

    rows::RowStore m_rows{2};
};
