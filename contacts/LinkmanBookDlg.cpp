#include "contacts/LinkmanBookDlg.h"

#include "compose/DialogButtons.h"
#include "contacts/AutoReply.h"
#include "contacts/LinkmanEditDlg.h"
#include "contacts/LinkmanIO.h"
#include "contacts/SelectLinkmanDlg.h"
#include "core/ExcelExport.h"
#include "core/Helpers.h"
#include "core/LongAction.h"
#include "platform/AppPath.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "uikit/MenuTables.h"
#include "uikit/Resources.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinEdit.h"
#include "uikit/SkinGroupBox.h"
#include "uikit/SortListCtrl.h"

#include <QApplication>
#include <QLabel>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>

using codec::FromQ;
using codec::ToQ;

CLinkmanBookDlg* g_pLinkmanBookDb = nullptr;

namespace {

constexpr const char* kUpRow = " <返回上一级>";
constexpr const char* kNewGroupRow = " <新建分组...>";
constexpr const char* kNewContactRow = " <新建联系人...>";

QPixmap IconPixmap(int id) { return QPixmap::fromImage(uikit::res::Icon(id)); }

template <typename Cells> rows::PackedRow Pack(const Cells& cells, int icon) {
    rows::PackedRow r;
    std::size_t n = 0;
    for (const auto& c : cells) n += std::string_view(c).size() + 1;
    r.cells.reserve(n);
    bool first = true;
    for (const auto& c : cells) {
        if (!first) r.cells += '\0';
        first = false;
        r.cells += std::string_view(c);
    }
    r.icon = icon;
    return r;
}
rows::PackedRow Pack(std::initializer_list<std::string> cells, int icon) {
    return Pack(std::vector<std::string>(cells), icon);
}

}  // namespace

CLinkmanBookDlg::CLinkmanBookDlg(QWidget* parent) : CPageDlg(129, parent) { OnInitDialog(); }

// The list follows its row store: it goes first.
CLinkmanBookDlg::~CLinkmanBookDlg() {
    if (g_pLinkmanBookDb == this) {
        g_pLinkmanBookDb = nullptr;
        picker::SetLinkmanPicker(std::move(m_oldPicker));
        autoreply::SetNameLookup({});
    }
    delete m_list;
}

void CLinkmanBookDlg::OnInitDialog() {
    auto* lblPath = new QLabel(ToQ("当前路径："), this);
    lblPath->setGeometry(8, 8, 66, 22);
    m_editPath = new CSkinEdit(this);
    m_editPath->setObjectName("1007");
    m_editPath->setReadOnly(true);
    m_editPath->setGeometry(74, 8, 352, 22);
    m_btnAddFromCards = MakeButton(this, 1017, "从名片夹中添加号码", QRect(436, 7, 150, 24));
    m_btnBackup = MakeButton(this, 1026, "备份", QRect(594, 7, 60, 24));
    m_btnBackup->setEnabled(false);  // it has no action

    m_frameTree = new CSkinGroupBox(this);
    m_frameTree->setObjectName("1020");
    m_frameList = new CSkinGroupBox(this);
    m_frameList->setObjectName("1245");
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("1001");
    m_tree->setHeaderHidden(true);
    m_tree->setGeometry(8, 38, 198, 300);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setIconSize(QSize(16, 16));
    m_list = new uikit::CSortListCtrl(this);
    m_list->setObjectName("1002");
    m_list->setGeometry(214, 38, 508, 300);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->SetGridLines(true);
    // The frames sit on the controls' rectangles, one pixel larger at the top and left.
    m_frameTree->setGeometry(m_tree->geometry().adjusted(-1, -1, 0, 0));
    m_frameList->setGeometry(m_list->geometry().adjusted(-1, -1, 0, 0));
    m_frameTree->lower();
    m_frameList->lower();

    m_lblCount = new QLabel(this);
    m_lblCount->setObjectName("1027");
    m_lblCount->setGeometry(8, 346, 200, 22);
    const struct { CSkinButton** b; int id; const char* text; } buttons[] = {
        {&m_btnModifyLinkman, 1013, "修改联系人"}, {&m_btnModifyGroup, 1012, "修改分组"},
        {&m_btnImport, 1011, "导入"},              {&m_btnExport, 1014, "导出"},
        {&m_btnSearch, 1015, "搜索"},              {&m_btnDelGroup, 1009, "删除分组"},
        {&m_btnDelLinkman, 1010, "删除联系人"},
    };
    int x = 214;
    for (const auto& b : buttons) {
        *b.b = MakeButton(this, b.id, b.text, QRect(x, 344, 68, 24));
        x += 73;
    }

    m_imlTree = {IconPixmap(138), IconPixmap(140)};
    m_imlList = {IconPixmap(134), IconPixmap(135), IconPixmap(137), IconPixmap(136), IconPixmap(139)};
    m_list->SetSmallImageList(m_imlList);

    m_imlMenu = uikit::LoadImageStrip(168, 20);
    m_imlMenuGrayed = uikit::LoadImageStrip(169, 20);
    m_imlMenuSelected = uikit::LoadImageStrip(170, 20);
    for (auto [menu, id] : {std::pair{&m_menuList, 146}, std::pair{&m_menuTree, 143}}) {
        menu->LoadMenu(id);
        menu->SetPopup(true);
        menu->SetImageList(m_imlMenu);
        menu->SetDisabledImageList(m_imlMenuGrayed);
        menu->SetSelectedImageList(m_imlMenuSelected);
        const int commands[] = {32771, 32772, 32773, 32783, 32784, 32777, 32794, 32778, 32779, 32780, 32795};
        for (int i = 0; i < 11; ++i) menu->SetItemImage(commands[i], i);
        menu->SetTextColor(QColor(6, 51, 126));
        menu->SetSelTextColor(QColor(6, 51, 126));
        menu->SetIconBarColor(QColor(103, 188, 255));
        menu->SetBkColor(Qt::white);
    }

    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] { OnSelchangedTree(); });
    // A press on the node already current refills it too (back from search results).
    connect(m_tree, &QTreeWidget::itemPressed, this, [this](QTreeWidgetItem* item) {
        if (item == m_tree->currentItem() && m_bSearchResult && QApplication::mouseButtons() == Qt::LeftButton)
            OnSelchangedTree();
    });
    connect(m_tree, &QWidget::customContextMenuRequested, this, &CLinkmanBookDlg::OnRclickTree);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CLinkmanBookDlg::OnRclickList);
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this] { OnDblclkList(); });
    connect(m_btnModifyLinkman, &QPushButton::clicked, this, &CLinkmanBookDlg::OnModifyLinkman);
    connect(m_btnSearch, &QPushButton::clicked, this, &CLinkmanBookDlg::OnSearch);
    connect(m_btnDelGroup, &QPushButton::clicked, this, &CLinkmanBookDlg::OnDelGroup);
    connect(m_btnDelLinkman, &QPushButton::clicked, this, &CLinkmanBookDlg::OnDelLinkman);
    connect(m_btnAddFromCards, &QPushButton::clicked, this, &CLinkmanBookDlg::OnAddFromCards);
    connect(m_btnImport, &QPushButton::clicked, this, &CLinkmanBookDlg::OnImport);
    connect(m_btnExport, &QPushButton::clicked, this, &CLinkmanBookDlg::OnExport);
    connect(m_btnModifyGroup, &QPushButton::clicked, this, &CLinkmanBookDlg::OnModifyGroup);

    g_pLinkmanBookDb = this;
    // The send and records pages pick recipients from this book.
    m_oldPicker = picker::SetLinkmanPicker(&CSelectLinkmanDlg::Pick);
    // The auto-reply engine names senders from this book, on the receive thread.
    autoreply::SetNameLookup([this](const std::string& mobile) { return GetNameByMobile(mobile); });
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(1); });
    m_timer.start(200);
}

void CLinkmanBookDlg::OnTimer(int nIDEvent) {
    if (nIDEvent != 1) return;
    m_timer.stop();
    const std::string connect = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + g_strAppPath +
                                "\\LinkmanBook.mdb;Persist Security Info=False;Jet OLEDB:Database Password=" +
                                "K9%fT2&mQ7!xR4p;";
    if (m_conn.Open(connect, -1) != 1) {
        ShowMessage("连接数据库失败！");
        return;
    }
    m_arrColumns = Book().ReadFields();
    if (m_arrColumns.empty()) {  // a database without the book's tables
        m_conn.Close();
        ShowMessage("连接数据库失败！");
        return;
    }
    m_rows = std::make_unique<rows::RowStore>(static_cast<int>(m_arrColumns.size()) + 1);
    for (std::size_t i = 0; i < m_arrColumns.size(); ++i)
        m_list->InsertColumn(static_cast<int>(i), ToQ(m_arrColumns[i]), uikit::LVCFMT_LEFT, 120);
    m_list->InsertColumn(PathColumn(), ToQ("路径"), uikit::LVCFMT_LEFT, 120);
    m_list->SetStore(*m_rows);
    FillDirTree();
}

// --- the tree ---------------------------------------------------------------------------------

QTreeWidgetItem* CLinkmanBookDlg::RootItem() const { return m_tree->topLevelItem(0); }

std::string CLinkmanBookDlg::NodePath(const QTreeWidgetItem* node) const {
    std::vector<std::string> names;
    for (; node; node = node->parent()) names.push_back(FromQ(node->text(0)));
    std::string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) path += "@" + *it;
    return path;
}

QTreeWidgetItem* CLinkmanBookDlg::AddGroupNode(QTreeWidgetItem* parent, const std::string& name) {
    auto* node = new QTreeWidgetItem(parent, QStringList(ToQ(name)));
    node->setIcon(0, m_imlTree.value(1));
    return node;
}

void CLinkmanBookDlg::FillDirTree() {
    m_tree->clear();
    auto* root = new QTreeWidgetItem(m_tree, QStringList(ToQ(linkman::kRootName)));
    root->setIcon(0, m_imlTree.value(0));
    FillSubDirTree(root, linkman::kRootPath);
    root->setExpanded(true);
}

void CLinkmanBookDlg::FillSubDirTree(QTreeWidgetItem* node, const std::string& path) {
    // Every group below path in one query.
    const std::vector<CLinkmanBook::GroupEntry> groups = Book().GroupTree(path);
    if (groups.empty()) {
        const std::string error = m_conn.GetErrorsText();
        if (!error.empty()) ShowMessage(error);
        return;
    }
    std::vector<QTreeWidgetItem*> nodes;
    nodes.reserve(groups.size());
    for (const auto& g : groups) nodes.push_back(AddGroupNode(g.parent < 0 ? node : nodes[g.parent], g.name));
}

QTreeWidgetItem* CLinkmanBookDlg::FindBelow(QTreeWidgetItem* node, const std::string& prefix,
                                            const std::string& target) const {
    if (!node) return nullptr;
    const std::string path = linkman::GroupPath(prefix, FromQ(node->text(0)));
    if (codec::EqualsIgnoreAsciiCase(path, target)) return node;
    if (!linkman::LiesBelow(target, path)) return nullptr;
    for (int i = 0; i < node->childCount(); ++i)
        if (QTreeWidgetItem* found = FindBelow(node->child(i), path, target)) return found;
    return nullptr;
}

QTreeWidgetItem* CLinkmanBookDlg::FindNode(const std::string& target) const {
    return FindBelow(RootItem(), "", target);
}

void CLinkmanBookDlg::SelectNode(QTreeWidgetItem* node) {
    if (m_tree->currentItem() == node)
        OnSelchangedTree();
    else
        m_tree->setCurrentItem(node);
}

bool CLinkmanBookDlg::OpenPath(QTreeWidgetItem* node, const std::string& prefix, const std::string& target) {
    QTreeWidgetItem* found = FindBelow(node, prefix, target);
    if (found) SelectNode(found);
    return found != nullptr;
}

int CLinkmanBookDlg::RemoveTreeItem(QTreeWidgetItem* node, const std::string& prefix, const std::string& target) {
    QTreeWidgetItem* found = FindBelow(node, prefix, target);
    delete found;
    return found ? 1 : 0;
}

void CLinkmanBookDlg::OnSelchangedTree() {
    QTreeWidgetItem* node = m_tree->currentItem();
    if (!node) return;
    m_bSearchResult = 0;
    m_strPath = NodePath(node);
    FillList();
}

int CLinkmanBookDlg::RunMenu(uikit::CMenuEx& menu, const QPoint& globalPos) {
    uikit::CMenuEx* popup = menu.GetItemSubMenu(0);
    return popup ? popup->TrackPopupMenu(globalPos) : 0;
}

void CLinkmanBookDlg::OnRclickTree(const QPoint& pos) {
    if (QTreeWidgetItem* node = m_tree->itemAt(pos)) SelectNode(node);
    OnCommand(RunMenu(m_menuTree, m_tree->viewport()->mapToGlobal(pos)));
}

void CLinkmanBookDlg::OnRclickList(const QPoint& pos) {
    m_menuList.SetItemGrayedLook(32780, m_strCutFlag.empty());
    OnCommand(RunMenu(m_menuList, m_list->viewport()->mapToGlobal(pos)));
}

void CLinkmanBookDlg::OnCommand(int id) {
    switch (id) {
    case 32771:
    case 32784: OnAddGroup(); break;
    case 32772: OnTreeDelGroup(); break;
    case 32783: OnAddLinkman(); break;
    case 32777: OnDelLinkman(); break;
    case 32794: OnDelGroup(); break;
    case 32778: OnModify(); break;
    case 32795: OnGoUp(); break;
    case 32779: OnCut(); break;
    case 32780: OnPaste(); break;
    case 32773: OnRenameGroup(); break;
    default: break;
    }
}

// --- the list ---------------------------------------------------------------------------------

std::string CLinkmanBookDlg::GroupName(const std::string& cell) {
    return cell.size() >= 2 ? cell.substr(1, cell.size() - 2) : std::string();
}

std::vector<rows::RowId> CLinkmanBookDlg::SelectedIds() const {
    std::vector<rows::RowId> out;
    if (!m_rows) return out;
    m_list->Model()->Sync();
    for (const int row : m_list->GetSelectedRows()) out.push_back(m_list->GetItemId(row));
    return out;
}

int CLinkmanBookDlg::RowImageOf(rows::RowId id) const {
    const auto row = m_rows ? m_rows->Row(id) : std::nullopt;
    return row ? row->icon : -1;
}

std::string CLinkmanBookDlg::CellOf(rows::RowId id, int col) const {
    return m_rows ? m_rows->Cell(id, col).value_or(std::string()) : std::string();
}

std::string CLinkmanBookDlg::RowGroup(rows::RowId id) const {
    const std::string dir = CellOf(id, PathColumn());
    return dir.empty() ? m_strPath : dir;
}

std::vector<rows::RowId> CLinkmanBookDlg::SelectedOfKind(bool contacts) const {
    std::vector<rows::RowId> out;
    for (const rows::RowId id : SelectedIds())
        if (RowImageOf(id) == (contacts ? kImgContact : kImgGroup)) out.push_back(id);
    return out;
}

std::vector<std::string> CLinkmanBookDlg::ContactCells(const std::vector<std::string>& values,
                                                       const std::string& dir) const {
    std::vector<std::string> cells(m_arrColumns.size() + 1);
    for (std::size_t i = 0; i < m_arrColumns.size() && i < values.size(); ++i)
        cells[i] = codec::TrimAsciiSpace(values[i]);
    cells.back() = dir;
    return cells;
}

void CLinkmanBookDlg::FillList() {
    if (!m_rows) return;
    m_editPath->setText(ToQ(m_strPath));
    m_lblCount->setText(ToQ("当前列表中有联系人0个。"));
    CLinkmanBook book = Book();
    std::vector<rows::PackedRow> rows;
    if (m_strPath != linkman::kRootPath) rows.push_back(Pack({kUpRow}, kImgUp));
    rows.push_back(Pack({kNewGroupRow}, kImgNewGroup));
    rows.push_back(Pack({kNewContactRow}, kImgNewContact));
    for (const std::string& g : book.SubGroups(m_strPath, true)) rows.push_back(Pack({"<" + g + ">"}, kImgGroup));
    book.ForEachContact(m_strPath, m_arrColumns, [&](const std::vector<std::string_view>& texts) {
        rows.push_back(Pack(texts, kImgContact));
    });
    m_rows->AssignPacked(std::move(rows));
    m_list->Model()->Sync();
    UpdateCount();
}

void CLinkmanBookDlg::UpdateCount() {
    // Contacts are counted by their kind, so a name holding "<" counts too.
    std::size_t n = 0;
    if (m_rows)
        m_rows->Locked([&](rows::RowStore::Access& a) {
            for (std::size_t i = 0; i < a.Count(); ++i) n += a.IconAt(i) == kImgContact;
        });
    m_lblCount->setText(ToQ("当前列表中有联系人" + std::to_string(n) + "个。"));
}

void CLinkmanBookDlg::ShowWriteError(const CLinkmanBook& book) { ShowMessage(book.ErrorText()); }

void CLinkmanBookDlg::OnDblclkList() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) return;
    switch (RowImageOf(ids.front())) {
    case kImgUp: OnGoUp(); break;
    case kImgNewGroup: OnAddGroup(); break;
    case kImgNewContact: OnAddLinkman(); break;
    case kImgContact: OnModify(); break;
    case kImgGroup:
        OpenPath(RootItem(), "", linkman::GroupPath(m_strPath, GroupName(CellOf(ids.front(), 0))));
        break;
    default: break;
    }
}

void CLinkmanBookDlg::OnGoUp() {
    const std::size_t p = m_strPath.rfind('@');
    if (p == std::string::npos || p == 0) return;
    OpenPath(RootItem(), "", m_strPath.substr(0, p));
}

void CLinkmanBookDlg::OnAddLinkman() {
    if (m_strPath.empty()) {
        ShowMessage("请选择添加联系人的目录！");
        return;
    }
    CLinkmanEditDlg dlg(window());
    dlg.m_nMode = 0;
    dlg.m_strPath = m_strPath;
    dlg.m_pConn = &m_conn;
    dlg.m_arrItems = m_arrColumns;
    dlg.m_arrValues.assign(m_arrColumns.size(), std::string());
    if (dlg.DoModal() != IDOK) return;
    CLinkmanBook book = Book();
    if (!book.InsertContact(m_strPath, m_arrColumns, dlg.m_arrValues)) {
        ShowWriteError(book);
        return;
    }
    // Among search results the new row names its group.
    m_rows->Append(ContactCells(dlg.m_arrValues, m_bSearchResult ? m_strPath : std::string()), kImgContact);
    m_list->Model()->Sync();
    UpdateCount();
}

void CLinkmanBookDlg::InsertGroupRow(const std::string& name) {
    // Right after the new-contact row (none among search results).
    m_rows->Locked([&](rows::RowStore::Access& a) {
        for (std::size_t i = 0; i < a.Count(); ++i)
            if (a.IconAt(i) == kImgNewContact) {
                a.Insert(i + 1, {"<" + name + ">"}, kImgGroup);
                break;
            }
    });
    m_list->Model()->Sync();
}

void CLinkmanBookDlg::OnAddGroup() {
    if (m_strPath.empty()) {
        ShowMessage("请选择添加分组的目录！");
        return;
    }
    CLinkmanTypeDlg dlg(window());
    dlg.m_strPath = m_strPath;
    dlg.m_pConn = &m_conn;
    if (dlg.DoModal() != IDOK) return;
    CLinkmanBook book = Book();
    if (!book.AddGroup(m_strPath, dlg.m_strName)) {
        ShowWriteError(book);
        return;
    }
    InsertGroupRow(dlg.m_strName);
    if (QTreeWidgetItem* node = FindNode(m_strPath)) {
        AddGroupNode(node, dlg.m_strName);
        node->setExpanded(true);
    }
}

bool CLinkmanBookDlg::DeleteGroupRecords(const std::string& parent, const std::string& name) {
    CLinkmanBook book = Book();
    if (book.DeleteGroup(parent, name)) return true;
    ShowWriteError(book);
    return false;
}

void CLinkmanBookDlg::OnDelGroup() {
    std::vector<rows::RowId> ids;
    std::vector<std::string> names;
    {
        WaitCursor wait;
        ids = SelectedOfKind(false);
        for (const rows::RowId id : ids) names.push_back(GroupName(CellOf(id, 0)));
    }
    if (ids.empty()) {
        ShowMessage("请先选择要删除的分组！");
        return;
    }
    if (ShowMessage("真的要删除选中的分组吗？", 1) != 1) return;
    CLinkmanBook book = Book();
    if (!book.DeleteGroups(m_strPath, names)) {
        ShowWriteError(book);
        return;
    }
    m_rows->RemoveRows(ids);
    m_list->Model()->Sync();
    for (const std::string& name : names) RemoveTreeItem(RootItem(), "", linkman::GroupPath(m_strPath, name));
    UpdateCount();
}

void CLinkmanBookDlg::OnTreeDelGroup() {
    QTreeWidgetItem* node = m_tree->currentItem();
    if (!node) return;
    if (ShowMessage("删除后该组中的联系人也会被删除，确定要删除吗？", 1) != 1) return;
    // The selected node's own path: the current path may name search results' groups.
    const std::string path = NodePath(node);
    const std::size_t p = path.rfind('@');
    if (p == 0 || !node->parent()) {
        ShowMessage("根目录不能删除");
        return;
    }
    if (!DeleteGroupRecords(path.substr(0, p), path.substr(p + 1))) return;
    // Records first, then the node: the parent's list no longer shows the group.
    SelectNode(node->parent());
    delete node;
}

void CLinkmanBookDlg::OnDelLinkman() {
    std::vector<rows::RowId> ids;
    std::vector<std::pair<std::string, std::string>> contacts;  // (group, name)
    {
        WaitCursor wait;
        ids = SelectedOfKind(true);
        for (const rows::RowId id : ids) contacts.emplace_back(RowGroup(id), CellOf(id, 0));
    }
    if (ids.empty()) {
        ShowMessage("请先选择要删除的联系人！");
        return;
    }
    if (ShowMessage("真的要删除选中的联系人吗？", 1) != 1) return;
    CLinkmanBook book = Book();
    if (!book.DeleteContacts(contacts)) {
        ShowWriteError(book);
        return;
    }
    m_rows->RemoveRows(ids);
    m_list->Model()->Sync();
    UpdateCount();
}

void CLinkmanBookDlg::OnModifyLinkman() {
    const std::vector<rows::RowId> ids = SelectedOfKind(true);
    if (ids.empty()) {
        ShowMessage("请先选择要修改的联系人！");
        return;
    }
    const rows::RowId id = ids.front();
    // A search result is edited in its own group; the current path stays.
    const std::string dir = RowGroup(id);
    CLinkmanEditDlg dlg(window());
    dlg.m_nMode = 1;
    dlg.m_strOldName = CellOf(id, 0);
    dlg.m_strPath = dir;
    dlg.m_pConn = &m_conn;
    dlg.m_arrItems = m_arrColumns;
    for (int c = 0; c < PathColumn(); ++c) dlg.m_arrValues.push_back(CellOf(id, c));
    if (dlg.DoModal() != IDOK) return;
    CLinkmanBook book = Book();
    if (!book.EditContact(dir, dlg.m_strOldName, m_arrColumns, dlg.m_arrValues)) {
        ShowWriteError(book);
        return;
    }
    const std::vector<std::string> cells = ContactCells(dlg.m_arrValues, CellOf(id, PathColumn()));
    for (int c = 0; c < PathColumn(); ++c) m_rows->SetCell(id, c, cells[static_cast<std::size_t>(c)]);
    m_list->viewport()->update();
}

void CLinkmanBookDlg::OnModify() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) return;
    if (RowImageOf(ids.front()) == kImgContact) OnModifyLinkman();
}

void CLinkmanBookDlg::OnSearch() {
    CLinkmanEditDlg dlg(window());
    dlg.m_nMode = 2;
    dlg.m_pConn = &m_conn;
    dlg.m_arrItems = m_arrColumns;
    dlg.m_arrValues.assign(m_arrColumns.size(), std::string());
    if (dlg.DoModal() != IDOK) return;
    m_bSearchResult = 1;
    if (!m_rows) return;
    WaitCursor wait;
    std::vector<LinkmanRow> found = Book().Search(true, dlg.m_strScope, m_arrColumns, dlg.m_arrValues);
    std::vector<rows::PackedRow> rows;
    rows.reserve(found.size());
    for (LinkmanRow& r : found) {
        r.values.push_back(std::move(r.dir));
        rows.push_back(Pack(r.values, kImgContact));
    }
    m_rows->AssignPacked(std::move(rows));
    m_list->Model()->Sync();
    UpdateCount();
}

void CLinkmanBookDlg::OnAddFromCards() { picker::PickLinkmanNumbers(window()); }

// --- import, export, the name lookup -------------------------------------------------------------

std::string CLinkmanBookDlg::GetNameByMobile(const std::string& mobile) {
    return CLinkmanBook(&m_conn).NameOfNumber(mobile);
}

void CLinkmanBookDlg::OnImport() {
    if (m_strPath.empty()) {
        ShowMessage("请选择添加联系人的目录！");
        return;
    }
    seam::FileDialogRequest req;
    req.title = "选择包含联系人资料的txt或Excel文件";
    req.filter = excel::kFilter;
    req.defaultExt = excel::kDefaultExt;
    const std::optional<std::string> file = seam::AskFile(req);
    std::error_code ec;
    if (!file || !std::filesystem::exists(*file, ec)) return;
    CLinkmanBook book = Book();
    CLongAction action;
    // Between blocks the count shows the progress; the exit stops the import at a block's end.
    const linkman::ImportResult r =
        linkman::ImportFile(book, m_strPath, *file, m_arrColumns, [&](std::size_t done, std::size_t total) {
            m_lblCount->setText(ToQ("正在导入联系人：" + std::to_string(done) + "/" + std::to_string(total)));
            action.Pump();
            return !action.StopRequested();
        });
    if (m_rows) {
        const std::string dir = m_bSearchResult ? m_strPath : std::string();
        for (const auto& values : r.added) m_rows->Append(ContactCells(values, dir), kImgContact);
        m_list->Model()->Sync();
    }
    UpdateCount();
    if (!r.error.empty()) ShowMessage(r.error);
    if (!r.duplicates.empty()) ShowMessage(linkman::DuplicateMessage(r.duplicates));
}

void CLinkmanBookDlg::OnExport() {
    const std::optional<std::string> file = excel::AskExcelExportPath("输入要导出的Excel文件名");
    if (!file) return;
    CLongAction action;
    // Contacts by their row kind, in list order.
    std::vector<std::vector<std::string>> contacts;
    if (m_rows)
        m_rows->Locked([&](rows::RowStore::Access& a) {
            for (std::size_t i = 0; i < a.Count(); ++i) {
                if (a.IconAt(i) != kImgContact) continue;
                std::vector<std::string> cells(m_arrColumns.size());
                for (std::size_t c = 0; c < cells.size(); ++c) cells[c] = std::string(a.CellAt(i, static_cast<int>(c)));
                contacts.push_back(std::move(cells));
            }
        });
    const std::string message =
        linkman::ExportContacts(*file, m_arrColumns, contacts, [&action](std::size_t, std::size_t) {
            action.Pump();
            return !action.StopRequested();
        });
    // Stopped by the exit: no workbook and no word of one.
    if (!message.empty()) ShowMessage(message);
}

// --- cut, paste, rename --------------------------------------------------------------------------

void CLinkmanBookDlg::OnCut() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) {
        ShowMessage("请先选择要剪切的信息！");
        return;
    }
    m_arrCutNames.clear();
    m_arrCutPaths.clear();
    {
        WaitCursor wait;
        std::size_t steps = 0;
        for (const rows::RowId id : ids) {
            if (++steps > 10000) break;
            const int image = RowImageOf(id);
            if (image != kImgContact && image != kImgGroup) continue;
            m_arrCutNames.push_back(CellOf(id, 0));
            m_arrCutPaths.push_back(RowGroup(id));
        }
    }
    if (m_arrCutNames.empty()) ShowMessage("请先选择要剪切的信息！");
    else m_strCutFlag = "cut";
}

void CLinkmanBookDlg::ApplyPaste(const linkman::PasteOutcome& out) {
    if (out.kind != linkman::PasteOutcome::kMoved || !m_rows) return;
    const std::string cell = out.group ? "<" + out.name + ">" : out.name;
    const int image = out.group ? kImgGroup : kImgContact;
    if (out.replaced)
        m_rows->Locked([&](rows::RowStore::Access& a) {
            for (std::size_t i = 0; i < a.Count(); ++i)
                if (a.IconAt(i) == image && a.CellAt(i, 0) == cell) {
                    a.Remove(a.IdAt(i));
                    break;
                }
        });
    if (!out.group) {
        m_rows->Append(ContactCells(out.values, m_bSearchResult ? m_strPath : std::string()), kImgContact);
    } else {
        const std::string target = linkman::GroupPath(m_strPath, out.name);
        RemoveTreeItem(RootItem(), "", linkman::GroupPath(out.source, out.name));
        if (out.replaced) RemoveTreeItem(RootItem(), "", target);
        if (QTreeWidgetItem* node = FindNode(m_strPath)) FillSubDirTree(AddGroupNode(node, out.name), target);
        InsertGroupRow(out.name);
    }
    m_list->Model()->Sync();
}

void CLinkmanBookDlg::PasteLinkman(const std::string& source, const std::string& name) {
    CLinkmanBook book = Book();
    ApplyPaste(linkman::PasteContact(book, source, name, m_strPath, m_arrColumns));
}

void CLinkmanBookDlg::PasteGroup(const std::string& source, const std::string& name) {
    CLinkmanBook book = Book();
    ApplyPaste(linkman::PasteGroup(book, source, name, m_strPath));
}

void CLinkmanBookDlg::OnPaste() {
    // A paste empties the cut list: a second one does nothing.
    std::vector<linkman::CutEntry> entries;
    for (std::size_t i = 0; i < m_arrCutNames.size() && i < m_arrCutPaths.size(); ++i)
        entries.push_back({m_arrCutNames[i], m_arrCutPaths[i]});
    m_arrCutNames.clear();
    m_arrCutPaths.clear();
    if (entries.empty()) return;
    CLinkmanBook book = Book();
    for (const linkman::PasteOutcome& out : linkman::PasteEntries(book, entries, m_strPath, m_arrColumns))
        ApplyPaste(out);
    m_strCutFlag.clear();
    UpdateCount();
}

std::string CLinkmanBookDlg::RenameGroupRecords(const std::string& oldName, const std::string& parent) {
    CLinkmanTypeDlg dlg(window());
    dlg.m_strName = oldName;
    dlg.m_strPath = parent;
    dlg.m_pConn = &m_conn;
    if (dlg.DoModal() != IDOK || dlg.m_strName.empty()) return {};
    CLinkmanBook book = Book();
    if (!book.RenameGroup(parent, oldName, dlg.m_strName)) {
        ShowWriteError(book);
        return {};
    }
    return dlg.m_strName;
}

void CLinkmanBookDlg::OnRenameGroup() {
    QTreeWidgetItem* node = m_tree->currentItem();
    if (!node) return;
    const std::string path = NodePath(node);
    const std::size_t p = path.rfind('@');
    if (p == 0 || p == std::string::npos) {
        ShowMessage("根目录不能修改");
        return;
    }
    const std::string parent = path.substr(0, p);
    const std::string name = RenameGroupRecords(FromQ(node->text(0)), parent);
    if (name.empty()) return;
    node->setText(0, ToQ(name));
    if (path == m_strPath || linkman::LiesBelow(m_strPath, path))
        m_strPath = linkman::RewriteStart(m_strPath, path, linkman::GroupPath(parent, name));
    m_editPath->setText(ToQ(m_strPath));
}

void CLinkmanBookDlg::OnModifyGroup() {
    std::vector<rows::RowId> ids;
    {
        WaitCursor wait;
        ids = SelectedOfKind(false);
    }
    if (ids.empty()) {
        ShowMessage("请先选择要修改的分组名称！");
        return;
    }
    const std::string oldName = GroupName(CellOf(ids.front(), 0));
    const std::string name = RenameGroupRecords(oldName, m_strPath);
    if (name.empty()) return;
    m_rows->Locked([&](rows::RowStore::Access& a) { a.SetCell(ids.front(), 0, "<" + name + ">"); });
    m_list->Model()->Sync();
    if (QTreeWidgetItem* node = FindNode(m_strPath))
        for (int i = 0; i < node->childCount(); ++i)
            if (FromQ(node->child(i)->text(0)) == oldName) {
                node->child(i)->setText(0, ToQ(name));
                break;
            }
}
