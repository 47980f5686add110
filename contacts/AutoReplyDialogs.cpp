#include "contacts/AutoReplyDialogs.h"

#include "compose/DialogButtons.h"
#include "compose/MultiLineEdit.h"
#include "compose/PickerHooks.h"
#include "compose/SendMMSDlg.h"
#include "contacts/ReplyTypeDlg.h"
#include "core/ExcelExport.h"
#include "core/GbkLimitValidator.h"
#include "core/Helpers.h"
#include "core/LongAction.h"
#include "core/SMSTextDlg.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinEdit.h"
#include "uikit/SkinGroupBox.h"
#include "uikit/SortListCtrl.h"
#include "uikit/WaitCursor.h"

#include <QApplication>
#include <QLabel>

using codec::ToQ;

namespace autoreply {

bool IsMmsReply(const std::string& reply) { return reply.rfind(kMmsPrefix, 0) == 0; }

std::string PackageNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() >= 4 && codec::EqualsIgnoreAsciiCase(std::string_view(name).substr(name.size() - 4), ".qmx"))
        name.resize(name.size() - 4);
    return name;
}

namespace {
// A text for a reply through the text dialog; nothing when cancelled or refused.
std::optional<std::string> AskReplyText(QWidget* parent, const std::string& current) {
    CSMSTextDlg dlg(parent);
    dlg.m_strText = IsMmsReply(current) ? std::string() : current;
    dlg.m_nLimitBytes = kReplyTextLimitBytes;
    if (dlg.DoModal() != IDOK) return std::nullopt;
    if (IsMmsReply(dlg.m_strText)) {
        ShowMessage(kReservedPrefixText);
        return std::nullopt;
    }
    return dlg.m_strText;
}
}  // namespace

std::optional<std::string> AskReply(QWidget* parent, const std::string& current, bool withNoReply) {
    CReplyTypeDlg type(parent);
    type.m_bShowNoReply = withNoReply;
    type.m_nChoice = !current.empty() && !IsMmsReply(current) ? CReplyTypeDlg::kReplyText : CReplyTypeDlg::kReplyMms;
    if (type.DoModal() != IDOK) return std::nullopt;
    switch (type.m_nChoice) {
    case CReplyTypeDlg::kReplyMms: {
        const std::optional<std::string> path = sendmms::PickLibraryPackage(parent);
        if (!path) return std::nullopt;
        std::string reply = PackageReplyOf(*path);
        if (reply.empty()) return std::nullopt;
        return reply;
    }
    case CReplyTypeDlg::kReplyText:
        return AskReplyText(parent, current);
    default:
        return std::string();
    }
}

}  // namespace autoreply

using namespace autoreply;

namespace {
QLabel* Label(QWidget* parent, const char* text, int x, int y, int cx, int cy) {
    auto* l = new QLabel(ToQ(text), parent);
    CSkinDialog::PlaceDlu(l, x, y, cx, cy);
    return l;
}

CSkinButton* Button(QWidget* parent, int id, const char* text, int x, int y, int cx, int cy) {
    auto* b = new CSkinButton(ToQ(text), parent);
    b->setObjectName(QString::number(id));
    CSkinDialog::PlaceDlu(b, x, y, cx, cy);
    return b;
}

CSkinEdit* Edit(QWidget* parent, int id, int x, int y, int cx, int cy, bool readOnly) {
    auto* e = new CSkinEdit(parent);
    e->setObjectName(QString::number(id));
    e->setReadOnly(readOnly);
    CSkinDialog::PlaceDlu(e, x, y, cx, cy);
    return e;
}

CSkinGroupBox* Group(QWidget* parent, const char* title, int x, int y, int cx, int cy) {
    auto* g = new CSkinGroupBox(ToQ(title), parent);
    CSkinDialog::PlaceDlu(g, x, y, cx, cy);
    g->lower();
    return g;
}

constexpr const char* kLogWriteFailed = "回复记录文件无法改写，彩信查询记录未删除！";
}  // namespace

// ---- CKeywordReplyItemDlg ------------------------------------------------------------------------

CKeywordReplyItemDlg::CKeywordReplyItemDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("设置回复信息"));
    SetDialogSizeDlu(240, 110);
    Label(this, "查询短信内容：", 12, 28, 60, 10);
    m_editQuery = Edit(this, 1043, 72, 26, 156, 13, false);
    m_editQuery->setValidator(new CGbkLimitValidator(kQueryLimitBytes, m_editQuery));
    Label(this, "回复信息内容：", 12, 52, 60, 10);
    m_editReply = Edit(this, 1044, 72, 50, 122, 13, true);
    m_btnChoose = Button(this, 1002, "选择", 198, 49, 30, 14);
    connect(m_btnChoose, &QPushButton::clicked, this, [this] { OnChoose(); });
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 64, 130, 84);
}

bool CKeywordReplyItemDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_editQuery->setText(ToQ(codec::CutToGbkBytes(m_strQuery, kQueryLimitBytes)));
    m_editReply->setText(ToQ(m_strReply));
    m_editQuery->setFocus();
    return true;
}

void CKeywordReplyItemDlg::OnChoose() {
    m_strReply = codec::FromQ(m_editReply->text());
    if (std::optional<std::string> reply = AskReply(this, m_strReply, false)) {
        m_strReply = *reply;
        m_editReply->setText(ToQ(m_strReply));
    }
}

void CKeywordReplyItemDlg::OnOK() {
    std::string query = codec::FromQ(m_editQuery->text());
    const std::size_t start = query.find_first_not_of(" \t\r\n\v\f");
    query.erase(0, start == std::string::npos ? query.size() : start);  // trailing blanks stay
    const std::string reply = codec::FromQ(m_editReply->text());
    const char* refusal = query.empty() ? "请输入手机需要发送的查询短信内容！" : reply.empty() ? "请选择回复彩信内容！" : nullptr;
    if (refusal) {
        ShowMessage(refusal);
        m_editQuery->setFocus();
        return;
    }
    m_strQuery = query;
    m_strReply = reply;
    CSkinDialog::OnOK();
}

// ---- CCyclicReplyItemDlg -------------------------------------------------------------------------

CCyclicReplyItemDlg::CCyclicReplyItemDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("设置发送信息"));
    SetDialogSizeDlu(260, 192);
    Group(this, "彩信标题（或短信内容）", 8, 22, 244, 62);
    m_editText = new CMultiLineEdit(this);
    m_editText->setObjectName("1043");
    PlaceDlu(m_editText, 16, 34, 180, 44);
    m_editText->SetLimitBytes(kListTextLimitBytes);
    m_btnImport = Button(this, 1002, "导入", 202, 34, 42, 14);
    Group(this, "彩信文件", 8, 88, 244, 76);
    m_editFile = Edit(this, 1044, 16, 100, 228, 13, true);
    m_btnSelectMMS = Button(this, 1003, "选择彩信资源", 16, 118, 70, 14);
    m_btnEditMMS = Button(this, 1004, "编辑彩信资源", 95, 118, 70, 14);
    m_btnClearMMS = Button(this, 1012, "清除彩信资源", 174, 118, 70, 14);
    auto* note = Label(this, "注：如果设置的是短信信息，则此处不需要选择彩信资源，须为空白。", 16, 137, 228, 22);
    note->setWordWrap(true);
    connect(m_btnImport, &QPushButton::clicked, this, [this] { OnImport(); });
    connect(m_btnSelectMMS, &QPushButton::clicked, this, [this] { OnSelectMMS(); });
    connect(m_btnEditMMS, &QPushButton::clicked, this, [this] { OnEditMMS(); });
    connect(m_btnClearMMS, &QPushButton::clicked, this, [this] { OnClearMMS(); });
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 76, 140, 171);
}

bool CCyclicReplyItemDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_editText->SetText(ToQ(m_strText));
    m_editFile->setText(ToQ(m_strFile));
    return true;
}

void CCyclicReplyItemDlg::OnImport() {
    if (std::optional<std::string> phrase = picker::PickPhrase(this)) m_editText->SetText(ToQ(*phrase));
}

void CCyclicReplyItemDlg::OnSelectMMS() {
    const std::optional<std::string> path = sendmms::PickLibraryPackage(this);
    if (!path) return;
    m_editFile->setText(ToQ(*path));
    m_editText->SetText(ToQ(codec::CutToGbkBytes(PackageNameOf(*path), kPackageNameBytes)));
}

void CCyclicReplyItemDlg::OnEditMMS() {
    const std::string file = codec::FromQ(m_editFile->text());
    if (file.empty()) {
        ShowMessage("还未设置要发送的彩信文件！");
        return;
    }
    sendmms::RunMMSEditor(this, file);
}

void CCyclicReplyItemDlg::OnClearMMS() { m_editFile->clear(); }

void CCyclicReplyItemDlg::OnOK() {
    const std::string text = codec::FromQ(m_editText->Text());
    if (text.empty()) {
        ShowMessage("还未设置要发送的彩信标题或短信内容！");
        return;
    }
    m_strText = text;
    m_strFile = codec::FromQ(m_editFile->text());
    CSkinDialog::OnOK();
}

// ---- CAutoReplyHelpDlg ---------------------------------------------------------------------------

CAutoReplyHelpDlg::CAutoReplyHelpDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("自动回复使用提示"));
    SetDialogSizeDlu(230, 150);
    Group(this, "自动回复的用途", 8, 22, 214, 102);
    const char* lines[] = {"自动回复可以做查询类的应用，如旅游公司可以让客", "户发指令来查询各景点的影像信息；销售企业可以让销售",
                           "员发指令查询库存及售价信息；中介机构可以让客户发指", "令查询各类信息；电视娱乐公司可以做互动节目……",
                           "注：", "接收到文字短信时，系统将文字短信的内容作为查询",
                           "指令；接收到彩信时，系统将彩信标题作为查询指令。"};
    const int ys[] = {34, 45, 56, 67, 82, 93, 104};
    for (int i = 0; i < 7; ++i) Label(this, lines[i], 16, ys[i], 202, 10);
    CSkinButton* close = Button(this, 1, "关  闭", 92, 130, 46, 14);
    connect(close, &QPushButton::clicked, this, [this] { OnOK(); });
}

// ---- CAutoReplyRecordDlg -------------------------------------------------------------------------

CAutoReplyRecordDlg::CAutoReplyRecordDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("自动回复记录"));
    SetDialogSizeDlu(540, 270);
    m_list = new uikit::CSortListCtrl(this);
    m_list->setObjectName("1289");
    PlaceDlu(m_list, 8, 24, 524, 218);
    m_list->SetStore(m_log.Rows());
    m_list->SetGridLines(true);
    const std::pair<const char*, int> columns[] = {{"状态", 70},          {"时间", 140},        {"姓名", 90},
                                                   {"手机号", 90},        {"查询短信内容", 180}, {"回复彩信名称", 220}};
    for (int i = 0; i < 6; ++i) m_list->InsertColumn(i, ToQ(columns[i].first), uikit::LVCFMT_LEFT, columns[i].second);
    m_btnExport = Button(this, 1003, "导出", 290, 248, 50, 14);
    m_btnDelete = Button(this, 1002, "删除", 350, 248, 50, 14);
    m_btnClear = Button(this, 1051, "清空", 410, 248, 50, 14);
    m_btnExit = Button(this, 2, "退出", 470, 248, 50, 14);
    connect(m_btnExport, &QPushButton::clicked, this, [this] { OnExport(); });
    connect(m_btnDelete, &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(m_btnClear, &QPushButton::clicked, this, [this] { OnClear(); });
    connect(m_btnExit, &QPushButton::clicked, this, [this] { OnCancel(); });
}

// The list goes before the rows it shows.
CAutoReplyRecordDlg::~CAutoReplyRecordDlg() { delete m_list; }

bool CAutoReplyRecordDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    if (!m_bLoaded) {
        m_bLoaded = true;
        WaitCursor wait;
        m_log.Load(paths::AppFile(kLogFileName));
        m_list->Model()->Sync();
    }
    return true;
}

void CAutoReplyRecordDlg::OnDelete() {
    std::vector<rows::RowId> ids;
    for (int row : m_list->GetSelectedRows()) ids.push_back(m_list->GetItemId(row));
    if (ids.empty()) {
        ShowMessage("请先选择要删除的彩信查询记录！");
        return;
    }
    if (ShowMessage("真的要删除选中的彩信查询记录吗？", 1) == 1) RemoveRecords(ids);
}

void CAutoReplyRecordDlg::OnClear() {
    if (m_log.Rows().Count() == 0) {
        ShowMessage("列表中没有可清除的彩信查询记录！");
        return;
    }
    if (ShowMessage("真的要清空列表中的所有彩信查询记录吗？", 1) == 1) RemoveRecords(m_log.Rows().Ids());
}

void CAutoReplyRecordDlg::RemoveRecords(const std::vector<rows::RowId>& ids) {
    bool done;
    {
        WaitCursor wait;
        done = m_log.Delete(ids);
    }
    m_list->Model()->Sync();
    if (!done) ShowMessage(kLogWriteFailed);
}

void CAutoReplyRecordDlg::OnExport() {
    if (m_log.Rows().Count() == 0) {
        ShowMessage("列表中没有可导出的彩信查询记录！");
        return;
    }
    const std::optional<std::string> path = excel::AskExcelExportPath("输入记录保存的Excel文件名");
    if (!path) return;
    CLongAction action;
    const std::string message = ExportLog(m_log.Rows(), *path, [&action](std::size_t, std::size_t) {
        action.Pump();
        return !action.StopRequested();
    });
    // Stopped by the exit: no workbook and no word of one.
    if (!message.empty()) ShowMessage(message);
}
