#include "compose/MMSSinkDlg.h"

#include "compose/MMSDialogs.h"
#include "compose/MMSLibrary.h"
#include "compose/MMSSink.h"
#include "compose/SendMMSDlg.h"
#include "contacts/AutoReplyDlg.h"
#include "core/Helpers.h"
#include "core/PageGlobals.h"
#include "core/SMSServerDlg.h"
#include "platform/AppPath.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "uikit/MenuTables.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"
#include "uikit/SortListCtrl.h"

#include <QApplication>
#include <QTreeWidget>

#include <algorithm>

using codec::FromQ;
using codec::ToQ;

namespace {

constexpr const char* kBadSource = "选择的彩信资源文件无效！";

// The open or save dialog for a package file.
std::optional<std::string> AskQmxFile(bool save, const char* title) {
    seam::FileDialogRequest req;
    req.save = save;
    req.title = title;
    req.filter = "彩信资源文件(*.QMX)|*.QMX|";
    req.defaultExt = "QMX";
    return seam::AskFile(req);
}

QPixmap Picture(const char* resource) {
    const QList<QPixmap> one = uikit::LoadImageStrip(QString::fromUtf8(resource), 16);
    return one.isEmpty() ? QPixmap() : one.front();
}

}  // namespace

CMMSSinkDlg::CMMSSinkDlg(QWidget* parent) : CPageDlg(140, parent) { OnInitDialog(); }

// The list goes before its row store.
CMMSSinkDlg::~CMMSSinkDlg() { delete m_list; }

void CMMSSinkDlg::OnInitDialog() {
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("1201");
    m_tree->setHeaderHidden(true);
    m_tree->setGeometry(8, 8, 180, 360);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setIconSize(QSize(16, 16));
    m_list = new uikit::CSortListCtrl(this);
    m_list->setObjectName("1041");
    m_list->setGeometry(196, 8, 420, 360);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->InsertColumn(0, ToQ("彩信名称"), uikit::LVCFMT_LEFT, 416);
    m_list->SetShowSelAlways(true);
    m_list->SetStore(m_rows);

    const struct { CSkinButton** b; int id; const char* text; int gap; } buttons[] = {
        {&m_btnNew, 1002, "新建彩信", 0},        {&m_btnEdit, 1003, "编辑彩信", 0},
        {&m_btnRename, 1051, "重命名彩信", 0},   {&m_btnDelete, 1004, "删除彩信", 0},
        {&m_btnImport, 1007, "导入彩信", 10},    {&m_btnExport, 1006, "导出彩信", 0},
        {&m_btnAddGroup, 1052, "添加分组", 10},  {&m_btnDeleteGroup, 1005, "删除分组", 0},
        {&m_btnSend, 1008, "发送选中内容", 10},  {&m_btnAddToReply, 1433, "添加到回复列表", 0},
    };
    int y = 8;
    for (const auto& b : buttons) {
        y += b.gap;
        *b.b = new CSkinButton(ToQ(b.text), this);
        (*b.b)->setObjectName(QString::number(b.id));
        (*b.b)->setGeometry(624, y, 100, 26);
        y += 32;
    }

    m_imlTree = {Picture(":/ico/MMSSinkRoot.png"), Picture(":/ico/MMSSinkGroup.png")};
    m_imlList = {Picture(":/ico/MMSPackage.png")};
    m_list->SetSmallImageList(m_imlList);
    // The pages' right-click menus: flat, 16 x 16 pictures of toolbar 277 on white.
    uikit::CIconMenu::s_bXPFlat = uikit::CIconMenu::s_bOtherFlat = true;
    for (auto [menu, id] : {std::pair{&m_menuList, 275}, std::pair{&m_menuTree, 276}}) {
        menu->SetIconSize(16, 16);
        menu->SetBitmapBackground(QColor(255, 255, 255));
        menu->LoadMenu(id);
        menu->LoadToolbar(277);
    }

    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] { OnSelchangedTree(); });
    connect(m_tree, &QWidget::customContextMenuRequested, this, &CMMSSinkDlg::OnRclickTree);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CMMSSinkDlg::OnRclickList);
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this] { OnBtnEdit(); });
    connect(m_btnNew, &QPushButton::clicked, this, &CMMSSinkDlg::OnBtnNew);
    connect(m_btnEdit, &QPushButton::clicked, this, &CMMSSinkDlg::OnBtnEdit);
    connect(m_btnDelete, &QPushButton::clicked, this, &CMMSSinkDlg::OnBtnDelete);
    connect(m_btnRename, &QPushButton::clicked, this, &CMMSSinkDlg::OnBtnRename);
    connect(m_btnImport, &QPushButton::clicked, this, &CMMSSinkDlg::OnBtnImport);
    connect(m_btnExport, &QPushButton::clicked, this, &CMMSSinkDlg::OnBtnExport);
    connect(m_btnAddGroup, &QPushButton::clicked, this, &CMMSSinkDlg::OnBtnAddGroup);
    connect(m_btnDeleteGroup, &QPushButton::clicked, this, &CMMSSinkDlg::OnBtnDeleteGroup);
    connect(m_btnSend, &QPushButton::clicked, this, &CMMSSinkDlg::OnBtnSend);
    connect(m_btnAddToReply, &QPushButton::clicked, this, &CMMSSinkDlg::OnBtnAddToReply);
    m_timerMenu.setSingleShot(true);
    connect(&m_timerMenu, &QTimer::timeout, this, [this] { OnCommand(RunMenu(m_menuTree, m_ptMenu)); });
}

// --- the tree ---------------------------------------------------------------------------------

QTreeWidgetItem* CMMSSinkDlg::RootItem() const { return m_tree->topLevelItem(0); }

bool CMMSSinkDlg::RootSelected() const {
    const QTreeWidgetItem* node = m_tree->currentItem();
    return node && node == RootItem();
}

std::string CMMSSinkDlg::SelectedGroup() const {
    const QTreeWidgetItem* node = m_tree->currentItem();
    return node && node->parent() ? FromQ(node->text(0)) : std::string();
}

QTreeWidgetItem* CMMSSinkDlg::AddGroupNode(const std::string& name) {
    auto* node = new QTreeWidgetItem(RootItem(), QStringList(ToQ(name)));
    node->setIcon(0, m_imlTree.value(1));
    return node;
}

bool CMMSSinkDlg::SelectGroup(const std::string& group) {
    QTreeWidgetItem* root = RootItem();
    for (int i = 0; root && i < root->childCount(); ++i) {
        if (FromQ(root->child(i)->text(0)) == group) {
            m_tree->setCurrentItem(root->child(i));
            return true;
        }
    }
    return false;
}

void CMMSSinkDlg::FillGroupTree() {
    const std::string selected = SelectedGroup();
    {
        const QSignalBlocker block(m_tree);
        m_tree->clear();
        auto* root = new QTreeWidgetItem(m_tree, QStringList(ToQ(mmssink::kRootName)));
        root->setIcon(0, m_imlTree.value(0));
        for (const std::string& group : mmslib::ListGroups()) AddGroupNode(group);
        root->setExpanded(true);
        if (selected.empty() || !SelectGroup(selected)) m_tree->setCurrentItem(nullptr);
    }
    OnSelchangedTree();
}

void CMMSSinkDlg::OnSelchangedTree() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_list->setUpdatesEnabled(false);
    FillList();
    m_list->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

void CMMSSinkDlg::FillList() {
    std::vector<rows::PackedRow> packed;
    const std::string group = SelectedGroup();
    if (!group.empty())
        for (std::string& name : mmslib::ListPackages(group)) packed.push_back({std::move(name), 0});
    m_rows.AssignPacked(std::move(packed));
    m_list->Model()->Sync();
}

// --- the list ---------------------------------------------------------------------------------

std::vector<std::string> CMMSSinkDlg::SelectedNames() const {
    std::vector<std::string> out;
    for (int row : m_list->GetSelectedRows())
        if (auto cell = m_rows.Cell(m_list->GetItemId(row), 0)) out.push_back(*cell);
    return out;
}

std::vector<std::string> CMMSSinkDlg::ListNames() const {
    std::vector<std::string> out;
    for (const rows::RowId id : m_rows.Ids()) out.push_back(m_rows.Cell(id, 0).value_or(""));
    return out;
}

void CMMSSinkDlg::SelectNames(const std::vector<std::string>& names) {
    m_list->Model()->Sync();
    m_list->clearSelection();
    for (int r = 0; r < m_list->GetItemCount(); ++r) {
        const std::string cell = m_rows.Cell(m_list->GetItemId(r), 0).value_or("");
        if (std::find(names.begin(), names.end(), cell) != names.end()) m_list->SetItemSelected(r, true);
    }
}

// --- menus ------------------------------------------------------------------------------------

int CMMSSinkDlg::RunMenu(uikit::CIconMenu& menu, const QPoint& globalPos) {
    uikit::CIconMenu* popup = menu.GetSubMenu(0);
    return popup ? popup->TrackPopupMenu(globalPos, this) : 0;
}

void CMMSSinkDlg::OnRclickTree(const QPoint& pos) {
    if (QTreeWidgetItem* node = m_tree->itemAt(pos)) m_tree->setCurrentItem(node);
    m_ptMenu = m_tree->viewport()->mapToGlobal(pos);
    m_timerMenu.start(10);
}

void CMMSSinkDlg::OnRclickList(const QPoint& pos) {
    OnCommand(RunMenu(m_menuList, m_list->viewport()->mapToGlobal(pos)));
}

void CMMSSinkDlg::OnCommand(int id) {
    switch (id) {
    case 32854: OnBtnImport(); break;
    case 32851: OnBtnExport(); break;
    case 32852: OnBtnNew(); break;
    case 32822: OnBtnEdit(); break;
    case 32853: OnBtnRename(); break;
    case 32823: OnBtnDelete(); break;
    case 32826: OnBtnAddGroup(); break;
    case 32827: OnBtnDeleteGroup(); break;
    default: break;
    }
}

// --- packages ---------------------------------------------------------------------------------

void CMMSSinkDlg::OnBtnNew() {
    if (sendmms::RunMMSEditor(window(), "")) FillList();
}

void CMMSSinkDlg::OnBtnEdit() {
    const std::vector<std::string> names = SelectedNames();
    if (names.empty()) {
        ShowMessage("请先选中要编辑的彩信！");
        return;
    }
    sendmms::RunMMSEditor(window(), mmslib::PackagePath(SelectedGroup(), names.front()));
}

void CMMSSinkDlg::OnBtnDelete() {
    std::vector<rows::RowId> ids;
    for (int row : m_list->GetSelectedRows()) ids.push_back(m_list->GetItemId(row));
    if (ids.empty()) {
        ShowMessage("请先选中要删除的彩信！");
        return;
    }
    const std::string group = SelectedGroup();
    if (ShowMessage("真的要删除选中的彩信吗？", 1) != 1) return;
    std::vector<rows::RowId> gone;
    std::string failed;
    for (const rows::RowId id : ids) {
        const std::optional<std::string> name = m_rows.Cell(id, 0);
        if (!name) continue;
        if (mmssink::DeletePackage(group, *name)) gone.push_back(id);
        else failed += (failed.empty() ? "" : "、") + *name;
    }
    m_rows.RemoveRows(gone);
    m_list->Model()->Sync();
    if (!failed.empty()) ShowMessage("删除彩信失败：" + failed);
}

void CMMSSinkDlg::OnBtnRename() {
    const std::vector<int> rowsSel = m_list->GetSelectedRows();
    if (rowsSel.empty()) {
        ShowMessage("请先选中要重命名的彩信！");
        return;
    }
    const rows::RowId id = m_list->GetItemId(rowsSel.front());
    const std::string group = SelectedGroup();
    const std::string oldName = m_rows.Cell(id, 0).value_or("");
    CMMSRenameDlg dlg(window());
    dlg.m_strGroup = group;
    dlg.m_strOldName = oldName;
    if (dlg.DoModal() != IDOK) return;
    if (!mmssink::RenamePackage(group, oldName, dlg.m_strNewName)) {
        ShowMessage("重命名彩信失败，彩信名称未改变！");
        return;
    }
    m_rows.SetCell(id, 0, dlg.m_strNewName);
    m_list->Model()->Sync();
}

void CMMSSinkDlg::OnBtnImport() {
    const std::optional<std::string> source = AskQmxFile(false, "选择要打开的彩信资源文件名");
    if (!source) return;
    std::string baseName;
    if (!mmssink::SplitChosenFile(*source, baseName)) {
        ShowMessage(kBadSource);
        return;
    }
    CImportMMSGroupDlg dlg(window());
    dlg.m_strName = baseName;
    if (dlg.DoModal() != IDOK) return;
    if (!mmssink::IsPlainName(dlg.m_strGroup) || !mmssink::IsPlainName(dlg.m_strName)) {
        ShowMessage(kBadSource);
        return;
    }
    const std::string target = mmssink::PackageFile(dlg.m_strGroup, dlg.m_strName);
    if (paths::FileExists(target) && ShowMessage("彩信仓库中已经存在同名彩信！是否覆盖？", 1) != 1) return;
    switch (mmssink::CopyPackage(*source, target)) {
    case mmssink::CopyResult::SourceMissing: ShowMessage(kBadSource); return;
    case mmssink::CopyResult::TargetFailed: ShowMessage("打开要覆盖的彩信时失败，请先关闭对该彩信的预览！"); return;
    case mmssink::CopyResult::Ok: break;
    }
    FillList();
}

void CMMSSinkDlg::OnBtnExport() {
    const std::vector<std::string> names = SelectedNames();
    if (names.empty()) {
        ShowMessage("请先选中要导出的彩信！");
        return;
    }
    const std::string package = mmssink::PackageFile(SelectedGroup(), names.front());
    if (!paths::FileExists(package)) {
        ShowMessage("彩信文件不存在！");
        FillList();
        return;
    }
    const std::optional<std::string> target = AskQmxFile(true, "设置彩信导出保存的文件名");
    if (!target) return;
    switch (mmssink::CopyPackage(package, *target)) {
    case mmssink::CopyResult::SourceMissing:
        ShowMessage("彩信文件不存在！");
        FillList();
        return;
    case mmssink::CopyResult::TargetFailed: ShowMessage("打开要覆盖的彩信时失败，请先关闭对该彩信的使用！"); return;
    case mmssink::CopyResult::Ok: ShowMessage("导出彩信完毕！"); return;
    }
}

// --- groups -----------------------------------------------------------------------------------

void CMMSSinkDlg::OnBtnAddGroup() {
    CGroupNameDlg dlg(window());
    dlg.m_strLabel = "新增彩信组名称：";
    if (dlg.DoModal() != IDOK) return;
    if (!mmssink::MakeGroup(dlg.m_strName)) {
        ShowMessage("创建彩信分组失败！");
        return;
    }
    if (RootItem()) AddGroupNode(dlg.m_strName);
}

void CMMSSinkDlg::OnBtnDeleteGroup() {
    QTreeWidgetItem* node = m_tree->currentItem();
    if (!node) {
        ShowMessage("请先选中要删除的彩信分组！");
        return;
    }
    if (node == RootItem()) {
        ShowMessage("不能删除“彩信仓库”目录！\r\n\r\n请先选中要删除的彩信分组！");
        return;
    }
    const std::string group = FromQ(node->text(0));
    if (mmssink::IsReservedGroup(group)) {
        ShowMessage("“接收彩信”和“文件彩信”为系统保留目录，不能删除！");
        return;
    }
    if (ShowMessage("删除彩信分组时，属于该分组的彩信也将同时删除。\r\n\r\n真的要删除选择的彩信分组吗？", 1) != 1) return;
    if (!mmssink::DeleteGroup(group)) {
        ShowMessage("删除彩信分组失败！");
        FillList();
        return;
    }
    delete node;
}

// --- sending ----------------------------------------------------------------------------------

void CMMSSinkDlg::OnBtnSend() {
    const std::vector<std::string> names = SelectedNames();
    if (names.empty()) {
        ShowMessage("请先选中要发送的彩信资源！");
        return;
    }
    const std::string path = mmslib::PackagePath(SelectedGroup(), names.front());
    if (g_pMainDlg) g_pMainDlg->ShowPage(3);
    if (g_pSendMMSDlg) g_pSendMMSDlg->LoadSlides(path);
}

void CMMSSinkDlg::OnBtnAddToReply() {
    const std::vector<std::string> names = SelectedNames();
    if (names.empty()) {
        ShowMessage("请先选中要添加到“自动回复循环列表”的彩信资源！");
        return;
    }
    const std::string group = SelectedGroup();
    if (!g_pAutoReplyDlg) return;
    for (const std::string& name : names) g_pAutoReplyDlg->AddCyclicItem(name, mmslib::PackagePath(group, name));
    ShowMessage("已将选中彩信资源添加到“自动回复循环列表”中！");
}
