#pragma once
// Phrase library page (template 160): the phrase types as a tree, the current type's phrases
// as a list in file order, and keeping them. The files live in compose/PhraseFiles.h.
#include "compose/PickerHooks.h"
#include "core/PageDlg.h"
#include "platform/RowStore.h"

#include <QList>
#include <QPixmap>
#include <optional>
#include <string>

class CSkinButton;
class QTreeWidget;
class QTreeWidgetItem;
namespace uikit { class CSortListCtrl; }

class CPhraseLibDlg : public CPageDlg {
    Q_OBJECT
public:
    static constexpr int IDD = 160;
    // Image indexes of the tree.
    enum { kImgRoot = 0, kImgType = 2, kImgTypeSelected = 3 };

    explicit CPhraseLibDlg(QWidget* parent = nullptr);
    ~CPhraseLibDlg() override;

    // Rebuilds the type tree from the type files.
    void LoadPhraseTypes();
    // Rewrites the type's file from the list.
    void SavePhrases(const std::string& type);

    // -- handlers
    void OnSelchangedTree();
    void OnAddType();
    void OnDelType();
    void OnNewPhrase();
    void OnEditPhrase();
    void OnDelPhrase();
    void OnImportPhrases();
    void OnExportPhrases();
    void OnSendSelected();
    void OnAddToReplyList();

    // A name already taken by a type: a tree item or a type file.
    bool TypeExists(const std::string& name) const;
    QTreeWidgetItem* RootItem() const;
    rows::RowStore& Rows() { return m_rows; }
    // What an import added and the phrases of its file it left out at the record limit.
    struct PhraseImport {
        std::size_t added = 0;
        std::size_t leftOut = 0;
    };
    // Adds the phrases of an import file (GBK) at the bottom of the list, up to the record
    // limit; nullopt (nothing added) when it cannot be read.
    std::optional<PhraseImport> ImportFile(const std::string& path);

    std::string m_strCurType;  // empty while the root or nothing is selected
    QTreeWidget* m_tree;       // 1356
    uikit::CSortListCtrl* m_list;  // 1040
    CSkinButton* m_btnAddToReply;  // 1433
    CSkinButton* m_btnSend;        // 1008
    CSkinButton* m_btnAddType;     // 1052
    CSkinButton* m_btnDelType;     // 1005
    CSkinButton* m_btnImport;      // 1007
    CSkinButton* m_btnExport;      // 1006
    CSkinButton* m_btnNew;         // 1002
    CSkinButton* m_btnEdit;        // 1003
    CSkinButton* m_btnDelete;      // 1004
    QList<QPixmap> m_imlTree;

private:
    void OnInitDialog();
    QTreeWidgetItem* AddTypeItem(const QString& name);
    // Selected rows' handles, in list order (at most the record limit).
    std::vector<rows::RowId> SelectedIds() const;
    // The phrase of a row as text (the rows hold GBK).
    std::string PhraseOf(rows::RowId id) const;

    rows::RowStore m_rows{2};
    picker::PhraseFn m_oldPicker;
};
