#include "contacts/LinkmanEditDlg.h"

#include "compose/DialogButtons.h"
#include "contacts/LinkmanBook.h"
#include "core/GbkLimitValidator.h"
#include "core/Helpers.h"
#include "platform/TextCodec.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinGroupBox.h"
#include "uikit/SortListCtrl.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>

using codec::FromQ;
using codec::ToQ;

namespace {
std::string TrimLeft(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    return s.substr(i);
}
QLineEdit* MakeEdit(QWidget* parent, int maxBytes) {
    auto* e = new QLineEdit(parent);
    e->setObjectName("1043");
    e->setValidator(new CGbkLimitValidator(maxBytes, e));
    return e;
}
// Left edge of a column in the list's viewport.
int ColumnX(const uikit::CSortListCtrl* list, int col) {
    int x = 0;
    for (int c = 0; c < col; ++c) x += list->GetColumnWidth(c);
    return x;
}
}  // namespace

CLinkmanEditDlg::CLinkmanEditDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    SetDialogSizeDlu(260, 200);
    m_lblScope = new QLabel(ToQ("搜索范围："), this);
    m_lblScope->setObjectName("1030");
    PlaceDlu(m_lblScope, 10, 24, 44, 12);
    m_cmbScope = new CFlatComboBox(this);
    m_cmbScope->setObjectName("1029");
    m_cmbScope->setEditable(true);
    PlaceDlu(m_cmbScope, 56, 22, 120, 14);
    m_lblNote = new QLabel(ToQ("注：单击条目右侧，可修改或清除其内容。"), this);
    m_lblNote->setObjectName("1279");
    PlaceDlu(m_lblNote, 10, 40, 240, 12);
    m_frame = new CSkinGroupBox(this);
    m_frame->setObjectName("1245");
    m_list = new uikit::CSortListCtrl(this);
    m_list->setObjectName("1266");
    m_list->SetStore(m_rows);
    m_list->InsertColumn(0, ToQ("子项名称"), uikit::LVCFMT_LEFT, 80);
    m_list->InsertColumn(1, ToQ("内容"), uikit::LVCFMT_LEFT, 301);
    m_list->EnableSort(false);
    m_list->SetGridLines(true);
    PlaceDlu(m_list, 10, 54, 240, 118);
    m_frame->setGeometry(m_list->geometry().adjusted(-1, -1, 1, 1));
    m_frame->lower();
    // On the dialog, not in the list: the list is disabled while the edit is open.
    m_edit = MakeEdit(this, 250);
    m_edit->hide();
    m_edit->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 140, 200, 178);
    m_lblScope->hide();
    m_cmbScope->hide();
}

// The list follows its row store, a member: it goes first.
CLinkmanEditDlg::~CLinkmanEditDlg() { delete m_list; }

bool CLinkmanEditDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_strOldNumber = m_arrValues.size() > 1 ? TrimLeft(m_arrValues[1]) : std::string();
    m_rows.Clear();
    for (std::size_t i = 0; i < m_arrItems.size(); ++i)
        m_rows.Append({m_arrItems[i], i < m_arrValues.size() ? TrimLeft(m_arrValues[i]) : std::string()});
    static const char* titles[3] = {"新增联系人", "修改联系人信息", "搜索联系人"};
    setWindowTitle(ToQ(titles[std::clamp(m_nMode, 0, 2)]));
    const bool search = m_nMode == 2;
    m_lblScope->setVisible(search);
    m_cmbScope->setVisible(search);
    if (search) {
        m_cmbScope->clear();
        for (const std::string& g : CLinkmanBook(m_pConn).AllGroupNames()) m_cmbScope->addItem(ToQ(g));
        m_cmbScope->setEditText(ToQ(m_strScope));
    }
    return true;
}

std::string CLinkmanEditDlg::CellText(int row) const {
    return m_rows.Cell(m_rows.IdAt(static_cast<std::size_t>(row)), 1).value_or(std::string());
}

void CLinkmanEditDlg::BeginEdit(int row, int col) {
    if (row < 0 || row >= static_cast<int>(m_rows.Count()) || col < 1) return;
    const int x = ColumnX(m_list, col);
    const int w = std::min(m_list->GetColumnWidth(col), m_list->viewport()->width() - x);
    const int y = (row - m_list->TopRow()) * m_list->RowHeight();
    m_edit->setGeometry(
        QRect(m_list->viewport()->mapTo(this, QPoint(x, y)), QSize(std::max(w, 10), m_list->RowHeight())));
    m_edit->setText(ToQ(CellText(row)));
    m_edit->show();
    m_edit->raise();
    m_list->setEnabled(false);
    m_edit->setEnabled(true);
    m_edit->setFocus();
    m_nEditRow = row;
    m_nEditCol = col;
}

void CLinkmanEditDlg::CommitEdit() {
    if (m_nEditRow < 0) return;
    m_rows.SetCell(m_rows.IdAt(static_cast<std::size_t>(m_nEditRow)), m_nEditCol, FromQ(m_edit->text()));
    m_edit->hide();
    m_list->setEnabled(true);
    m_nEditRow = m_nEditCol = -1;
}

bool CLinkmanEditDlg::eventFilter(QObject* obj, QEvent* ev) {
    if (obj == m_edit && ev->type() == QEvent::FocusOut) CommitEdit();
    if (obj == m_list->viewport() && ev->type() == QEvent::MouseButtonRelease && m_nEditRow < 0) {
        const QPoint pt = static_cast<QMouseEvent*>(ev)->position().toPoint();
        const int row = m_list->TopRow() + pt.y() / std::max(1, m_list->RowHeight());
        for (int c = 1; c < m_list->GetColumnCount(); ++c) {
            const int left = ColumnX(m_list, c);
            const int right = std::min(left + m_list->GetColumnWidth(c), m_list->viewport()->width());
            if (pt.x() >= left && pt.x() < right) {
                m_list->SetItemSelected(row, true);
                BeginEdit(row, c);
                break;
            }
        }
    }
    return CSkinDialog::eventFilter(obj, ev);
}

void CLinkmanEditDlg::mousePressEvent(QMouseEvent* event) {
    CommitEdit();
    CSkinDialog::mousePressEvent(event);
}

void CLinkmanEditDlg::OnOK() {
    if (m_nEditRow >= 0) {
        CommitEdit();
        return;
    }
    const int count = static_cast<int>(m_rows.Count());
    if (m_nMode != 2 && count >= 2) {
        // Name and number are checked and stored trimmed at both ends: a stored blank would
        // make the contact unreachable by its listed text.
        const std::string name = codec::TrimAsciiSpace(CellText(0));
        const std::string number = codec::TrimAsciiSpace(CellText(1));
        const CLinkmanBook book(m_pConn);
        const char* fail = nullptr;
        if (name.empty())
            fail = "联系人名字不能为空！";
        else if ((m_nMode == 0 || name != m_strOldName) && book.NameTaken(m_strPath, name))
            fail = "该组中已存在此联系人！请重新输入。";
        else if (codec::GbkLength(name) > 40)
            fail = "联系人名字不能大于40字节！";
        else if (name[0] == '<')
            fail = "联系人名字不能“<”打头！";
        else if (std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            fail = "联系人名字不能全部为数字！";
        else if (number.empty())
            fail = "请输入联系人的手机号码！";
        else if (!IsValidMobileNumber(number))
            fail = "联系人的手机号码不正确,请重新输入！";
        if (fail) {
            m_rows.SetCell(m_rows.IdAt(0), 1, TrimLeft(CellText(0)));
            ShowMessage(fail);
            return;
        }
        if ((m_nMode == 0 || number != m_strOldNumber) && book.NumberTaken(m_strPath, number) &&
            ShowMessage("该组中已存在此号码是否继续?", 1) != 1)
            return;
        m_rows.SetCell(m_rows.IdAt(0), 1, name);
        m_rows.SetCell(m_rows.IdAt(1), 1, number);
    }
    m_arrValues.clear();
    for (int i = 0; i < count; ++i) m_arrValues.push_back(BlankIfEmpty(CellText(i)));
    if (m_nMode == 2) m_strScope = FromQ(m_cmbScope->currentText());
    CSkinDialog::OnOK();
}

CLinkmanTypeDlg::CLinkmanTypeDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    SetDialogSizeDlu(200, 80);
    m_lblName = new QLabel(this);
    m_lblName->setObjectName("1269");
    PlaceDlu(m_lblName, 12, 26, 176, 12);
    m_edit = MakeEdit(this, 40);
    PlaceDlu(m_edit, 12, 40, 176, 14);
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 84, 142, 60);
}

bool CLinkmanTypeDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    const bool add = m_strName.empty();
    setWindowTitle(ToQ(add ? "新增联系人类型" : "重命名联系人类型"));
    m_lblName->setText(ToQ(add ? "新增联系人类型：" : "联系人类型名称："));
    m_edit->setText(ToQ(m_strName));
    return true;
}

void CLinkmanTypeDlg::OnOK() {
    m_strName = codec::TrimAsciiSpace(FromQ(m_edit->text()));
    m_edit->setText(ToQ(m_strName));
    const char* fail = nullptr;
    bool refocus = true;
    if (m_strName.empty())
        fail = "联系人类型名称不能为空！";
    else if (CLinkmanBook(m_pConn).GroupExists(m_strPath, m_strName))
        fail = "该组名已经存在，请重新输入！";
    else if (m_strName == linkman::kRootName)
        fail = "组名不能为“通信录”", refocus = false;
    else if (m_strName.find('@') != std::string::npos)
        fail = "组名不能包含“@”", refocus = false;  // "@" separates the levels of a path
    if (fail) {
        ShowMessage(fail);
        if (refocus) m_edit->setFocus();
        return;
    }
    CSkinDialog::OnOK();
}
