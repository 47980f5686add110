#include "contacts/SelectLinkmanDlg.h"

#include "compose/DialogButtons.h"
#include "contacts/LinkmanBook.h"
#include "contacts/LinkmanBookDlg.h"
#include "contacts/LinkmanEditDlg.h"
#include "core/Helpers.h"
#include "platform/TextCodec.h"
#include "uikit/Resources.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinGroupBox.h"
#include "uikit/SortListCtrl.h"
#include "uikit/WaitCursor.h"

#include <QApplication>
#include <QLabel>
#include <QTreeWidget>

#include <algorithm>
#include <unordered_map>

using codec::FromQ;
using codec::ToQ;

namespace {

constexpr int kGroupRole = Qt::UserRole + 1;  // true on the root and the group nodes

std::string Inner(const QString& text) {
    const std::string s = FromQ(text);
    return s.size() >= 2 ? s.substr(1, s.size() - 2) : std::string();
}

bool IsGroup(const QTreeWidgetItem* node) { return node->data(0, kGroupRole).toBool(); }

// Name order, then path order; a tie of the list order broken by the bytes, so that only
// equal rows end up side by side.
bool ChosenLess(const rows::PackedRow& a, const rows::PackedRow& b) {
    for (int col = 0; col < 2; ++col) {
        const std::string_view x = rows::PackedCell(a.cells, col), y = rows::PackedCell(b.cells, col);
        if (const int c = rows::CompareListTexts(x, y)) return c < 0;
        if (x != y) return x < y;
    }
    return false;
}

rows::PackedRow Packed(const std::string& name, const std::string& path) {
    rows::PackedRow r;
    r.cells.reserve(name.size() + path.size() + 1);
    r.cells.append(name).push_back('\0');
    r.cells.append(path);
    r.icon = 2;
    return r;
}

}  // namespace

CSelectLinkmanDlg::CSelectLinkmanDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    SetDialogSizeDlu(304, 226);
    m_frameTree = new CSkinGroupBox(this);
    m_frameTree->setObjectName("1088");
    m_frameList = new CSkinGroupBox(this);
    m_frameList->setObjectName("1087");
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("1018");
    m_tree->setHeaderHidden(true);
    m_tree->setIconSize(QSize(16, 16));
    m_tree->setExpandsOnDoubleClick(false);
    PlaceDlu(m_tree, 10, 24, 134, 154);
    m_list = new uikit::CSortListCtrl(this);
    m_list->setObjectName("1019");
    m_list->SetStore(m_rows);
    m_list->InsertColumn(0, ToQ("已选择接收者"), uikit::LVCFMT_LEFT, 203);
    m_list->InsertColumn(1, ToQ("联系人路径"), uikit::LVCFMT_LEFT, 0);
    m_list->SetGridLines(true);
    PlaceDlu(m_list, 152, 24, 146, 154);
    m_frameTree->setGeometry(m_tree->geometry().adjusted(-1, -1, 1, 1));
    m_frameList->setGeometry(m_list->geometry().adjusted(-1, -1, 1, 1));
    m_frameTree->lower();
    m_frameList->lower();

    m_lblNote = new QLabel(ToQ("注：双击可将联系人左右两框间移动。"), this);
    m_lblNote->setObjectName("1086");
    PlaceDlu(m_lblNote, 10, 184, 150, 12);
    m_lblCount = new QLabel(this);
    m_lblCount->setObjectName("1027");
    PlaceDlu(m_lblCount, 10, 200, 140, 12);
    const struct { CSkinButton** b; int id; const char* text; int x; } buttons[] = {
        {&m_btnSearch, 1020, "搜索", 152}, {&m_btnDelete, 1021, "删除", 202}, {&m_btnClear, 1014, "清空", 252}};
    for (const auto& b : buttons) {
        *b.b = new CSkinButton(ToQ(b.text), this);
        (*b.b)->setObjectName(QString::number(b.id));
        PlaceDlu(*b.b, b.x, 182, 44, 14);
    }
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 202, 252, 204);

    m_iml = {QPixmap::fromImage(uikit::res::Icon(138)), QPixmap::fromImage(uikit::res::Icon(137)),
             QPixmap::fromImage(uikit::res::Icon(134))};
    m_list->SetSmallImageList(m_iml);

    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this] { OnDblclkTree(); });
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this] { OnDblclkChosen(); });
    connect(m_btnSearch, &QPushButton::clicked, this, &CSelectLinkmanDlg::OnSearch);
    connect(m_btnDelete, &QPushButton::clicked, this, &CSelectLinkmanDlg::OnDelete);
    connect(m_btnClear, &QPushButton::clicked, this, &CSelectLinkmanDlg::OnClear);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(1); });
}

// The list follows its row store, a member: it goes first.
CSelectLinkmanDlg::~CSelectLinkmanDlg() { delete m_list; }

std::optional<std::vector<std::string>> CSelectLinkmanDlg::Pick(QWidget* parent) {
    CSelectLinkmanDlg dlg(parent);
    if (dlg.DoModal() != IDOK) return std::nullopt;
    return dlg.m_arrNumbers;
}

bool CSelectLinkmanDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    setWindowTitle(ToQ("选择接收者"));
    if (g_pLinkmanBookDb) {
        m_pColumns = &g_pLinkmanBookDb->m_arrColumns;
        m_pConn = &g_pLinkmanBookDb->m_conn;
    }
    UpdateCount();
    m_timer.start(20);
    return true;
}

QTreeWidgetItem* CSelectLinkmanDlg::RootItem() const { return m_tree->topLevelItem(0); }

QTreeWidgetItem* CSelectLinkmanDlg::AddNode(QTreeWidgetItem* parent, const std::string& text, int image) {
    auto* node = new QTreeWidgetItem(QStringList(ToQ(text)));
    node->setIcon(0, m_iml.value(image));
    if (image < 2) node->setData(0, kGroupRole, true);
    if (parent) parent->addChild(node);
    return node;
}

void CSelectLinkmanDlg::OnTimer(int nIDEvent) {
    if (nIDEvent != 1) return;
    m_timer.stop();
    if (RootItem()) return;
    WaitCursor wait;
    QTreeWidgetItem* root = AddNode(nullptr, std::string("<") + linkman::kRootName + ">", 0);
    m_tree->addTopLevelItem(root);
    FillSubDirTree(root, linkman::kRootPath);
    root->setExpanded(true);
}

void CSelectLinkmanDlg::FillSubDirTree(QTreeWidgetItem* node, const std::string& path) {
    const CLinkmanBook book(m_pConn);
    std::unordered_map<std::string, QTreeWidgetItem*> byPath;  // folded path -> node
    byPath.emplace(codec::AsciiLower(path), node);
    std::vector<QTreeWidgetItem*> nodes;
    for (const auto& g : book.GroupTree(path)) {
        nodes.push_back(AddNode(g.parent < 0 ? node : nodes[g.parent], "<" + g.name + ">", 1));
        byPath.emplace(codec::AsciiLower(g.path), nodes.back());
    }
    // The contacts after the sub-groups, each group's in name order; added in bulk per group.
    QTreeWidgetItem* into = nullptr;
    std::string intoPath;
    QList<QTreeWidgetItem*> leaves;
    const auto flush = [&] {
        if (into && !leaves.isEmpty()) into->addChildren(leaves);
        leaves.clear();
    };
    for (const auto& [dir, name] : book.NamesBelow(path)) {
        if (!into || dir != intoPath) {
            flush();
            const auto it = byPath.find(codec::AsciiLower(dir));
            into = it == byPath.end() ? nullptr : it->second;
            intoPath = dir;
        }
        if (into) leaves.push_back(AddNode(nullptr, name, 2));
    }
    flush();
}

std::string CSelectLinkmanDlg::LeafPath(const QTreeWidgetItem* leaf) {
    std::vector<std::string> names;
    for (const QTreeWidgetItem* n = leaf->parent(); n; n = n->parent()) names.push_back(Inner(n->text(0)));
    std::string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) path += "@" + *it;
    return path;
}

void CSelectLinkmanDlg::CollectBelow(const QTreeWidgetItem* node, const std::string& path,
                                     std::vector<std::pair<std::string, std::string>>& out) const {
    for (int i = 0; i < node->childCount(); ++i) {
        const QTreeWidgetItem* child = node->child(i);
        if (IsGroup(child))
            CollectBelow(child, path + "@" + Inner(child->text(0)), out);
        else
            out.emplace_back(FromQ(child->text(0)), path);
    }
}

void CSelectLinkmanDlg::AddToChosen(QTreeWidgetItem* node) {
    if (!node) return;
    std::vector<std::pair<std::string, std::string>> contacts;
    if (IsGroup(node)) {
        // The group's own path: its ancestors' names and its own.
        std::string path = LeafPath(node) + "@" + Inner(node->text(0));
        CollectBelow(node, path, contacts);
    } else {
        contacts.emplace_back(FromQ(node->text(0)), LeafPath(node));
    }
    AppendChosen(contacts);
}

void CSelectLinkmanDlg::AppendChosen(const std::vector<std::pair<std::string, std::string>>& contacts) {
    std::vector<rows::PackedRow> rows;
    rows.reserve(contacts.size());
    for (const auto& [name, path] : contacts) rows.push_back(Packed(name, path));
    m_rows.InsertPacked(rows::kEnd, std::move(rows));
}

void CSelectLinkmanDlg::RemoveDuplicates() {
    std::vector<rows::PackedRow> rows = m_rows.SnapshotPacked();
    std::stable_sort(rows.begin(), rows.end(), ChosenLess);
    rows.erase(std::unique(rows.begin(), rows.end(),
                           [](const rows::PackedRow& a, const rows::PackedRow& b) { return a.cells == b.cells; }),
               rows.end());
    m_rows.AssignPacked(std::move(rows));
    m_list->Model()->Sync();
}

void CSelectLinkmanDlg::UpdateCount() {
    m_lblCount->setText(ToQ("当前已选择联系人" + std::to_string(m_rows.Count()) + "个"));
}

std::vector<std::pair<std::string, std::string>> CSelectLinkmanDlg::Chosen() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (const rows::PackedRow& r : m_rows.SnapshotPacked())
        out.emplace_back(std::string(rows::PackedCell(r.cells, 0)), std::string(rows::PackedCell(r.cells, 1)));
    return out;
}

void CSelectLinkmanDlg::OnDblclkTree() {
    WaitCursor wait;
    AddToChosen(m_tree->currentItem());
    RemoveDuplicates();
    UpdateCount();
}

void CSelectLinkmanDlg::OnDblclkChosen() {
    m_list->Model()->Sync();
    const std::vector<int> sel = m_list->GetSelectedRows();
    if (!sel.empty()) m_rows.Remove(m_list->GetItemId(sel.front()));
    m_list->Model()->Sync();
    UpdateCount();
}

void CSelectLinkmanDlg::OnDelete() {
    m_list->Model()->Sync();
    std::vector<rows::RowId> ids;
    for (const int row : m_list->GetSelectedRows()) ids.push_back(m_list->GetItemId(row));
    m_rows.RemoveRows(ids);
    m_list->Model()->Sync();
    UpdateCount();
}

void CSelectLinkmanDlg::OnClear() {
    if (m_rows.Count() == 0 || ShowMessage("确定要清空已选择的联系人吗?", 1) != 1) return;
    m_rows.Clear();
    m_list->Model()->Sync();
    m_lblCount->setText(ToQ("当前已选择联系人0个。"));
}

void CSelectLinkmanDlg::OnSearch() {
    const std::vector<std::string> fields = m_pColumns ? *m_pColumns : std::vector<std::string>();
    CLinkmanEditDlg dlg(this);
    dlg.m_nMode = 2;
    dlg.m_pConn = m_pConn;
    dlg.m_arrItems = fields;
    dlg.m_arrValues.assign(fields.size(), std::string());
    if (dlg.DoModal() != IDOK) return;
    const auto nameAt = std::find(fields.begin(), fields.end(), std::string("姓名"));
    const std::size_t nameCol = nameAt == fields.end() ? 0 : static_cast<std::size_t>(nameAt - fields.begin());
    WaitCursor wait;
    std::vector<std::pair<std::string, std::string>> contacts;
    // The scope is left out only for "通讯录" as typed.
    for (LinkmanRow& r :
         CLinkmanBook(m_pConn).Search(dlg.m_strScope != "通讯录", dlg.m_strScope, fields, dlg.m_arrValues))
        if (nameCol < r.values.size()) contacts.emplace_back(std::move(r.values[nameCol]), std::move(r.dir));
    AppendChosen(contacts);
    RemoveDuplicates();
    UpdateCount();
}

void CSelectLinkmanDlg::OnOK() {
    {
        WaitCursor wait;
        // Each number by name and the row's own group: a namesake elsewhere is another contact.
        m_arrNumbers = CLinkmanBook(m_pConn).NumbersOf(Chosen());
    }
    CSkinDialog::OnOK();
}
