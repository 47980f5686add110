#include "compose/PhraseLibDlg.h"

#include "compose/MMSDialogs.h"
#include "compose/MultiLineEdit.h"
#include "compose/PhraseFiles.h"
#include "compose/PhraseLibDialogs.h"
#include "compose/SendSMSDlg.h"
#include "contacts/AutoReplyDlg.h"
#include "core/Helpers.h"
#include "core/LongAction.h"
#include "core/PageGlobals.h"
#include "core/SMSServerDlg.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/RowStoreModel.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "uikit/MenuTables.h"
#include "uikit/SkinButton.h"
#include "uikit/SortListCtrl.h"
#include "uikit/WaitCursor.h"

#include <QApplication>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>

using codec::FromQ;
using codec::ToQ;

namespace {

constexpr const char* kRootText = "常用短语";
constexpr const char* kFilter = "文本文件(*.txt)|*.txt|";
constexpr const char* kFullMessage = "每个短语类型最多保存100000条短语！";

CSkinButton* MakePageButton(QWidget* parent, int id, const char* text, int x, int width) {
    auto* b = new CSkinButton(ToQ(text), parent);
    b->setObjectName(QString::number(id));
    b->setGeometry(x, 340, width, 24);
    return b;
}

}  // namespace

CPhraseLibDlg::CPhraseLibDlg(QWidget* parent) : CPageDlg(IDD, parent) { OnInitDialog(); }

// The list follows its row store, a member: it goes first.
CPhraseLibDlg::~CPhraseLibDlg() {
    picker::SetPhrasePicker(std::move(m_oldPicker));
    delete m_list;
}

void CPhraseLibDlg::OnInitDialog() {
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("1356");
    m_tree->setHeaderHidden(true);
    m_tree->setIconSize(QSize(16, 16));
    m_tree->setGeometry(8, 8, 170, 322);
    m_list = new uikit::CSortListCtrl(this);
    m_list->setObjectName("1040");
    m_list->EnableSort(false);  // the list keeps the file's order
    m_list->SetStore(m_rows);
    m_list->Model()->SetGbkCells(true);  // the rows hold the records' bytes
    m_list->InsertColumn(0, ToQ("     常用短语"), uikit::LVCFMT_LEFT, 800);
    m_list->InsertColumn(1, ToQ("序号"), uikit::LVCFMT_LEFT, 0);
    m_list->SetGridLines(true);
    m_list->SetShowSelAlways(true);
    m_list->SetRowHeight(20);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setGeometry(186, 8, 536, 322);

    const struct { CSkinButton** b; int id; const char* text; int width; } buttons[] = {
        {&m_btnAddToReply, 1433, "添加到回复列表", 100}, {&m_btnSend, 1008, "发送选中内容", 90},
        {&m_btnAddType, 1052, "添加分组", 70},           {&m_btnDelType, 1005, "删除分组", 70},
        {&m_btnImport, 1007, "导入短语", 70},            {&m_btnExport, 1006, "导出短语", 70},
        {&m_btnNew, 1002, "新建短语", 70},               {&m_btnEdit, 1003, "编辑短语", 70},
        {&m_btnDelete, 1004, "删除短语", 70},
    };
    int x = 8;
    for (const auto& b : buttons) {
        *b.b = MakePageButton(this, b.id, b.text, x, b.width);
        x += b.width + 4;
    }

    m_imlTree = uikit::LoadImageStrip(QStringLiteral(":/bmp/phrasetree.png"), 16);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] { OnSelchangedTree(); });
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this] { OnEditPhrase(); });
    connect(m_btnAddToReply, &QPushButton::clicked, this, &CPhraseLibDlg::OnAddToReplyList);
    connect(m_btnSend, &QPushButton::clicked, this, &CPhraseLibDlg::OnSendSelected);
    connect(m_btnAddType, &QPushButton::clicked, this, &CPhraseLibDlg::OnAddType);
    connect(m_btnDelType, &QPushButton::clicked, this, &CPhraseLibDlg::OnDelType);
    connect(m_btnImport, &QPushButton::clicked, this, &CPhraseLibDlg::OnImportPhrases);
    connect(m_btnExport, &QPushButton::clicked, this, &CPhraseLibDlg::OnExportPhrases);
    connect(m_btnNew, &QPushButton::clicked, this, &CPhraseLibDlg::OnNewPhrase);
    connect(m_btnEdit, &QPushButton::clicked, this, &CPhraseLibDlg::OnEditPhrase);
    connect(m_btnDelete, &QPushButton::clicked, this, &CPhraseLibDlg::OnDelPhrase);

    // The send pages, the frame text dialog and the auto-reply dialogs pick phrases here.
    m_oldPicker = picker::SetPhrasePicker(&CInsertPhraseDlg::Pick);
}

QTreeWidgetItem* CPhraseLibDlg::RootItem() const { return m_tree->topLevelItem(0); }

QTreeWidgetItem* CPhraseLibDlg::AddTypeItem(const QString& name) {
    QTreeWidgetItem* root = RootItem();
    if (!root) return nullptr;
    auto* item = new QTreeWidgetItem(root, QStringList(name));
    if (m_imlTree.size() > kImgTypeSelected) {
        QIcon icon(m_imlTree[kImgType]);
        icon.addPixmap(m_imlTree[kImgTypeSelected], QIcon::Selected);
        item->setIcon(0, icon);
    }
    return item;
}

void CPhraseLibDlg::LoadPhraseTypes() {
    m_tree->clear();
    auto* root = new QTreeWidgetItem(m_tree, QStringList(ToQ(kRootText)));
    if (m_imlTree.size() > kImgRoot) root->setIcon(0, QIcon(m_imlTree[kImgRoot]));
    for (const std::string& type : phrasefiles::ListTypes()) AddTypeItem(ToQ(type));
    root->setExpanded(true);
}

void CPhraseLibDlg::OnSelchangedTree() {
    QTreeWidgetItem* item = m_tree->currentItem();
    m_strCurType = item && item->parent() ? FromQ(item->text(0)) : std::string();
    if (m_strCurType.empty()) {
        m_rows.Clear();
        m_list->Model()->Sync();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_list->setUpdatesEnabled(false);
    std::vector<rows::PackedRow> phrases;
    phrasefiles::ReadPhraseRows(phrasefiles::TypeFile(m_strCurType), phrases, m_rows.ColumnCount());
    m_rows.AssignPacked(std::move(phrases));
    m_list->Model()->Sync();
    m_list->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

void CPhraseLibDlg::SavePhrases(const std::string& type) {
    WaitCursor wait;
    phrasefiles::WritePhraseStore(phrasefiles::TypeFile(type), m_rows);
}

bool CPhraseLibDlg::TypeExists(const std::string& name) const {
    if (QTreeWidgetItem* root = RootItem())
        for (int i = 0; i < root->childCount(); ++i)
            if (FromQ(root->child(i)->text(0)) == name) return true;
    return phrasefiles::TypeFileExists(name);
}

void CPhraseLibDlg::OnAddType() {
    CGroupNameDlg dlg(window());
    dlg.m_strLabel = "新增组名称：";
    // A phrase type is taken when the tree or the folder has it; MMS groups do not matter here.
    dlg.m_fnNameTaken = [this](const std::string& name) { return TypeExists(name); };
    if (dlg.DoModal() != IDOK) return;
    AddTypeItem(ToQ(dlg.m_strName));
}

void CPhraseLibDlg::OnDelType() {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || !item->parent()) return;
    if (ShowMessage("删除短语类型时，属于该类型的短语也将同时删除。真的要删除选择的短语类型吗？", 1) != 1) return;
    const std::string type = FromQ(item->text(0));
    delete item;
    std::error_code ec;
    std::filesystem::remove(phrasefiles::TypeFile(type), ec);
}

void CPhraseLibDlg::OnNewPhrase() {
    if (m_strCurType.empty()) {
        ShowMessage("请先选择要添加的短语类型！");
        return;
    }
    if (m_rows.Count() >= phrasefiles::kMaxRecords) {
        ShowMessage(kFullMessage);
        return;
    }
    CPhraseEditDlg dlg(window());
    dlg.m_strCaption = "添加惯用短语";
    if (dlg.DoModal() != IDOK) return;
    m_rows.Append({codec::ToGbk(dlg.m_strText), {}});
    m_list->Model()->Sync();
    phrasefiles::AppendPhrase(m_strCurType, dlg.m_strText);
}

std::vector<rows::RowId> CPhraseLibDlg::SelectedIds() const {
    std::vector<rows::RowId> ids;
    for (int row : m_list->GetSelectedRows()) {
        if (ids.size() >= phrasefiles::kMaxRecords) break;
        ids.push_back(m_list->GetItemId(row));
    }
    return ids;
}

void CPhraseLibDlg::OnEditPhrase() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) {
        ShowMessage("请先选中要修改的短语！");
        return;
    }
    CPhraseEditDlg dlg(window());
    dlg.m_strCaption = "惯用短语编辑";
    dlg.m_strText = PhraseOf(ids.front());
    const std::string type = m_strCurType;
    if (dlg.DoModal() != IDOK) return;
    if (!m_rows.SetCell(ids.front(), 0, codec::ToGbk(dlg.m_strText)) || type != m_strCurType) return;
    SavePhrases(type);
}

void CPhraseLibDlg::OnDelPhrase() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) {
        ShowMessage("请先选中要删除的短语！");
        return;
    }
    if (ShowMessage("真的要删除选中的短语吗？", 1) != 1) return;
    WaitCursor wait;
    m_rows.RemoveRows(ids);
    m_list->Model()->Sync();
    SavePhrases(m_strCurType);
}

void CPhraseLibDlg::OnImportPhrases() {
    if (m_strCurType.empty()) {
        ShowMessage("请先选择要添加的短语类型！");
        return;
    }
    seam::FileDialogRequest req;
    req.filter = kFilter;
    req.defaultExt = "txt";
    req.title = "格式应为：每行一条常用语";
    const std::optional<std::string> chosen = seam::AskFile(req);
    if (!chosen) return;
    std::optional<PhraseImport> full;
    {
        // Short: an exit asked meanwhile waits for the rows to be saved.
        CLongAction action;
        full = ImportFile(paths::ToFsPath(*chosen));
        action.Pump();
        if (full) SavePhrases(m_strCurType);
    }
    if (full && full->leftOut) ShowMessage(phrasefiles::ImportCapText(full->added, full->leftOut));
}

std::optional<CPhraseLibDlg::PhraseImport> CPhraseLibDlg::ImportFile(const std::string& path) {
    std::string text;
    if (!files::ReadWholeFile(path, text)) return std::nullopt;
    const std::size_t room = phrasefiles::kMaxRecords - std::min(m_rows.Count(), phrasefiles::kMaxRecords);
    PhraseImport done;
    std::vector<rows::PackedRow> phrases = phrasefiles::SplitImportRows(text, room, m_rows.ColumnCount(), &done.leftOut);
    done.added = phrases.size();
    m_rows.InsertPacked(rows::kEnd, std::move(phrases));
    m_list->Model()->Sync();
    return done;
}

std::string CPhraseLibDlg::PhraseOf(rows::RowId id) const {
    return codec::FromGbk(m_rows.Cell(id, 0).value_or(std::string()));
}

void CPhraseLibDlg::OnExportPhrases() {
    if (m_strCurType.empty()) {
        ShowMessage("请先选择要导出的短语类型！");
        return;
    }
    seam::FileDialogRequest req;
    req.save = true;
    req.filter = kFilter;
    req.defaultExt = "txt";
    req.title = "格式为：每行一条短语";
    const std::optional<std::string> chosen = seam::AskFile(req);
    if (!chosen) return;
    files::WriteFileAtomic(paths::ToFsPath(*chosen), phrasefiles::ExportText(m_rows));
}

void CPhraseLibDlg::OnSendSelected() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) {
        ShowMessage("请先选中要发送的短语！");
        return;
    }
    const std::string phrase = PhraseOf(ids.front());
    if (g_pMainDlg) g_pMainDlg->ShowPage(4);
    if (!g_pSendSMSDlg) return;
    g_pSendSMSDlg->m_editContent->SetText(ToQ(phrase));
    g_pSendSMSDlg->UpdateLengthLabel();
}

void CPhraseLibDlg::OnAddToReplyList() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) {
        ShowMessage("请先选中要添加到“自动回复循环列表”的短语！");
        return;
    }
    if (!g_pAutoReplyDlg) return;
    for (rows::RowId id : ids) g_pAutoReplyDlg->AddCyclicItem(PhraseOf(id), {});
    ShowMessage("已将选中短语添加到“自动回复循环列表”中！");
}
