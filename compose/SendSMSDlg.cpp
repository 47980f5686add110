#include "compose/SendSMSDlg.h"

#include "compose/DialogButtons.h"
#include "compose/ImportDialogs.h"
#include "compose/MultiLineEdit.h"
#include "compose/PickerHooks.h"
#include "compose/RecipientList.h"
#include "compose/SendListImport.h"
#include "compose/SmsCompose.h"
#include "compose/TimedSendDlg.h"
#include "compose/WapPushHelpDlg.h"
#include "core/FileUtil.h"
#include "core/GbkLimitValidator.h"
#include "core/Globals.h"
#include "core/Helpers.h"
#include "core/MsgRecord.h"
#include "core/LongAction.h"
#include "core/LongSms.h"
#include "core/OffUiCall.h"
#include "core/PlatformClient.h"
#include "core/SMSServerDlg.h"
#include "core/SMSSendingListDlg.h"
#include "contacts/AdoConnection.h"
#include "contacts/AdoRecordset.h"
#include "platform/AppPath.h"
#include "platform/ForeignTable.h"
#include "platform/Seams.h"
#include "platform/StringFormat.h"
#include "platform/Tables.h"
#include "platform/TextCodec.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinCheckBox.h"
#include "uikit/SkinEdit.h"
#include "uikit/WaitCursor.h"

#include <algorithm>

#include <QApplication>
#include <QFile>
#include <QLabel>

#include <filesystem>
#include <fstream>

using codec::FromQ;
using codec::ToQ;

namespace {
// The default sender name: the first 60 bytes of "SM.mp", up to a NUL.
std::string ReadDefaultSenderName() {
    QFile f(QString::fromStdString(paths::AppFile("SM.mp")));
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray bytes = f.read(60);
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) bytes.truncate(nul);
    return codec::FromGbk(codec::CutGbkBytes(std::string_view(bytes.constData(), bytes.size()), 60));
}

// A whole copy of a file; false when either file cannot be opened or the copy is short.
bool CopyWhole(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(to).parent_path(), ec);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << in.rdbuf();
    return !in.bad() && out.flush().good();
}

constexpr const char* kImportFailed = "导入数据失败，请检查文件或表名是否正确！";
constexpr const char* kImportDone = "已经将数据记录加入到了短信发送列表！";
constexpr const char* kImportNone = "没有数据记录加入到短信发送列表，请检查号码字段是否正确！";
}  // namespace

CSendSMSDlg::CSendSMSDlg(QWidget* parent) : CPageDlg(IDD, parent) {
    auto* contentLabel = new QLabel(ToQ("短消息内容："), this);
    contentLabel->setGeometry(10, 6, 200, 18);
    m_editContent = new CMultiLineEdit(this);
    m_editContent->setObjectName("1016");
    m_editContent->setGeometry(10, 26, 410, 148);
    m_labelLength = new QLabel(ToQ("当前设定0个发送对象；短消息正文长度0字。"), this);
    m_labelLength->setObjectName("1306");
    m_labelLength->setGeometry(10, 178, 410, 18);

    auto* nameLabel = new QLabel(ToQ("末尾发送者名称："), this);
    nameLabel->setGeometry(10, 204, 100, 20);
    m_editSenderName = new CSkinEdit(this);
    m_editSenderName->setObjectName("1043");
    m_editSenderName->setValidator(new CGbkLimitValidator(kSenderNameBytes, m_editSenderName));
    m_editSenderName->setGeometry(110, 204, 170, 20);
    m_btnInsertPhrase = MakeButton(this, 1012, "插入常用语", QRect(290, 202, 130, 24));

    m_checkSalutation = new CSkinCheckBox(ToQ("短信前加接收者称呼"), this);
    m_checkSalutation->setObjectName("1020");
    m_checkSalutation->setGeometry(10, 232, 170, 18);
    m_checkPriority = new CSkinCheckBox(ToQ("优先发送"), this);
    m_checkPriority->setObjectName("1301");
    m_checkPriority->setGeometry(190, 232, 80, 18);
    m_btnWapPushHelp = MakeButton(this, 1004, "WAP Push消息发送方法", QRect(276, 230, 144, 24));

    m_btnSendNow = MakeButton(this, 1051, "立即发送短消息", QRect(10, 300, 130, 28));
    m_btnSendTimed = MakeButton(this, 1006, "定时发送短消息", QRect(150, 300, 130, 28));
    m_btnSendCyclic = MakeButton(this, 1326, "循环发送短消息", QRect(290, 300, 130, 28));
    m_btnSendExcelFile = MakeButton(this, 1052, "发送Excel文件", QRect(590, 336, 130, 28));

    m_recipients = new CRecipientList({1068, 1070, 1018, 1003, 1002, 1069}, "真的要清空列表中的接收者吗？",
                                      [this] { UpdateLengthLabel(); }, this);
    m_recipients->setGeometry(440, 6, 280, 324);

    connect(m_checkSalutation, &QCheckBox::toggled, this, &CSendSMSDlg::OnBtnSalutationNote);
    connect(m_btnInsertPhrase, &QPushButton::clicked, this, &CSendSMSDlg::OnBtnInsertPhrase);
    connect(m_btnSendNow, &QPushButton::clicked, this, &CSendSMSDlg::OnBtnSendNow);
    connect(m_btnSendTimed, &QPushButton::clicked, this, &CSendSMSDlg::OnBtnSendTimed);
    connect(m_btnSendCyclic, &QPushButton::clicked, this, &CSendSMSDlg::OnBtnSendCyclic);
    connect(m_btnWapPushHelp, &QPushButton::clicked, this, &CSendSMSDlg::OnBtnWapPushHelp);
    connect(m_btnSendExcelFile, &QPushButton::clicked, this, &CSendSMSDlg::OnBtnSendExcelFile);
    connect(m_editContent, &QPlainTextEdit::textChanged, this, &CSendSMSDlg::OnContentChange);
    OnInitDialog();
}

CSendSMSDlg::~CSendSMSDlg() {
    if (g_pSendSMSDlg == this) g_pSendSMSDlg = nullptr;
}

void CSendSMSDlg::OnInitDialog() {
    m_strSenderName = ReadDefaultSenderName();
    // Put on screen as read, even when longer than the field: a send then stops at the check.
    const QValidator* limit = m_editSenderName->validator();
    m_editSenderName->setValidator(nullptr);
    m_editSenderName->setText(ToQ(m_strSenderName));
    m_editSenderName->setValidator(limit);
    // Putting the stored state on screen shows no note.
    const QSignalBlocker quiet(m_checkSalutation);
    m_checkSalutation->setChecked(m_bSalutation);
    m_checkPriority->setChecked(m_bPriority);
}

bool CSendSMSDlg::UpdateData() {
    const std::string name = FromQ(m_editSenderName->text());
    if (codec::GbkLength(name) > static_cast<std::size_t>(kSenderNameBytes)) {
        seam::StandardMessage("末尾发送者名称最多30个字节，请删减后再发送！");
        m_editSenderName->setFocus();
        m_editSenderName->selectAll();
        return false;
    }
    m_strSenderName = name;
    m_bSalutation = m_checkSalutation->isChecked();
    m_bPriority = m_checkPriority->isChecked();
    return true;
}

std::string CSendSMSDlg::ContentText() const { return ReplaceQuotes(FromQ(m_editContent->Text())); }

void CSendSMSDlg::UpdateLengthLabel() {
    const std::string text = codec::CutToGbkBytes(FromQ(m_editContent->Text()), 1599) + FromQ(m_editSenderName->text());
    const int n = m_recipients->GetCount();
    if (text.empty())
        m_labelLength->setText(ToQ(StringPrintf("当前设定 %d 个发送对象；短消息正文（含发送者名称）长度0字。", n)));
    else
        m_labelLength->setText(
            ToQ(StringPrintf("当前设定 %d 个发送对象；当前长度%d字。", n, compose::Utf16LengthOfGbk(text))));
}

void CSendSMSDlg::OnContentChange() { UpdateLengthLabel(); }

int CSendSMSDlg::PrepareMessageText(std::string& text, bool& isWap) { return compose::PrepareMessageText(text, isWap); }

void CSendSMSDlg::OnBtnSalutationNote() {
    if (!UpdateData()) return;
    if (m_bSalutation)
        ShowMessage("请注意：\r\n\r\n    软件上的正文长度提示消息中，仅包括输入短信内容和发送者名称的长度，没有包括接收者称呼。请注意内容不要超长了！");
}

std::vector<std::string> CSendSMSDlg::QueuedRecipients() const {
    if (m_recipients->GetCount() == 0) return {};
    return compose::QueuedNumbers(sysinfo::NumberPrefix(g_SysInfo), m_recipients->Entries());
}

bool CSendSMSDlg::TakeNumbers(std::vector<std::string>& numbers) {
    {
        WaitCursor wait;
        numbers = QueuedRecipients();
    }
    if (!numbers.empty()) return true;
    NoRecipients();
    return false;
}

// No entry, or none that can be sent to: nothing is queued and the list stays.
void CSendSMSDlg::NoRecipients() { ShowMessage("还没有指定短信接收对象！"); }

void CSendSMSDlg::FinishQueued() { ShowMessage("已将要发送的短消息加入了发送队列！"); }

void CSendSMSDlg::OnBtnSendNow() {
    if (!UpdateData()) return;
    std::vector<std::string> numbers;
    int balance = 0;
    {
        WaitCursor wait;
        numbers = QueuedRecipients();
        if (!numbers.empty()) balance = CallOffUi([] { return QuerySmsBalance(); });
    }
    if (numbers.empty()) {
        NoRecipients();
        return;
    }
    const int n = m_recipients->GetCount();
    if (balance < n) {
        ShowMessage("剩余可发送短信条数不够！");
        return;
    }
    std::string text = ContentText();
    if (text.empty()) {
        if (ShowMessage("真的要发送一个空消息吗？", 1) != 1) return;
        text = "   ";
    }
    if (compose::Utf16LengthOfGbk(text) > g_nSmsMaxLength) {
        ShowMessage(StringPrintf("发送长度过长（最长%d字），请删除一部分后再发送！", g_nSmsMaxLength));
        return;
    }
    CSMSSendingListDlg* queue = g_pSMSSendingListDlg;
    if (!queue) return;
    {
        WaitCursor wait;
        bool isWap = false;
        PrepareMessageText(text, isWap);
        if (!isWap) text += m_strSenderName;
        const int toTop = m_bPriority ? 1 : 0;
        // One id for a long text's file, one for each row.
        int id = CFileUtil::GetNextSerial(static_cast<int>(numbers.size()));
        if (codec::GbkLength(text) > longsms::kThresholdBytes) {
            text = longsms::QueuedText(id, text);
            ++id;
        }
        // One bulk call, one journal entry. At the top the rows stand as one insert at the top
        // per number would leave them: the last number first.
        std::vector<PendingQueues::SmsItem> items;
        items.reserve(numbers.size());
        const std::size_t textLength = codec::GbkLength(text);
        for (std::string& number : numbers) items.push_back({id++, std::move(number), {}, text, textLength});
        if (toTop) std::reverse(items.begin(), items.end());
        queue->Queues().AddSMSItems(std::move(items), toTop != 0);
        m_recipients->ResetContent();
    }
    FinishQueued();
}

void CSendSMSDlg::OnBtnSendTimed() { SendScheduled(false); }
void CSendSMSDlg::OnBtnSendCyclic() { SendScheduled(true); }

void CSendSMSDlg::SendScheduled(bool cyclic) {
    if (!UpdateData()) return;
    std::vector<std::string> numbers;
    if (!TakeNumbers(numbers)) return;
    if (ContentText().empty() && ShowMessage("真的要发送一个空消息吗？", 1) != 1) return;
    if (!AskSchedule(window(), cyclic, m_strSchedule)) return;
    EnqueueScheduled();
    m_strSchedule.clear();
}

static_assert(compose::kTextFieldBytes + 1 == sizeof(MsgRecord::szText));

void CSendSMSDlg::EnqueueScheduled() {
    std::string text = ContentText();
    if (text.empty()) text = "   ";
    // The text itself is held to 500 bytes; with the name appended it must still fit the
    // record's text field whole.
    constexpr const char* kTooLong = "发送长度过长（最长500字节），请删除一部分后再发送！";
    if (codec::GbkLength(text) > compose::kScheduledMaxBytes) {
        ShowMessage(kTooLong);
        return;
    }
    bool isWap = false;
    PrepareMessageText(text, isWap);
    if (!isWap) text += m_strSenderName;
    if (codec::GbkLength(text) > compose::kTextFieldBytes) {
        ShowMessage(kTooLong);
        return;
    }
    CSMSSendingListDlg* queue = g_pSMSSendingListDlg;
    bool none;
    {
        WaitCursor wait;
        const std::vector<std::string> numbers = QueuedRecipients();
        none = numbers.empty();
        if (!none && queue) {
            std::string joined;
            for (const std::string& number : numbers) {
                if (!joined.empty()) joined += ' ';
                joined += number;
            }
            queue->AddSMSItem(CFileUtil::GetNextSerial(1), std::move(joined), {}, text, m_strSchedule, 0);
            m_recipients->ResetContent();
        }
    }
    if (none) NoRecipients();
    else if (queue) FinishQueued();
}

void CSendSMSDlg::OnBtnInsertPhrase() {
    const std::string text = FromQ(m_editContent->Text());
    if (codec::GbkLength(text) > 600) {
        ShowMessage("短信内容已严重超长！\n请先删减部分短信内容后再执行本操作。");
        return;
    }
    const std::optional<std::string> phrase = picker::PickPhrase(window());
    if (!phrase) return;
    std::string joined = codec::CutToGbkBytes(text + *phrase, 799);
    if (!joined.empty() && joined.back() == '\r') joined.pop_back();  // never half a line end
    m_editContent->SetText(ToQ(joined));
    UpdateLengthLabel();
}

void CSendSMSDlg::OnBtnWapPushHelp() {
    CWapPushHelpDlg dlg(window());
    dlg.DoModal();
}

void CSendSMSDlg::OnBtnSendExcelFile() {
    seam::FileDialogRequest req;
    req.filter = "电子表格文件(*.XLS)|*.XLS|文本文件（逗号分割）(*.TXT)|*.TXT|CSV文件（逗号分割）(*.CSV)|*.CSV|"
                 "Access数据文件(*.MDB)|*.MDB|DBF数据文件 (*.DBF)|*.DBF|ParaDox文件(*.DB)|*.DB|";
    req.defaultExt = "XLS";
    const std::optional<std::string> chosen = seam::AskFile(req);
    if (!chosen) return;
    const std::string path = paths::ToFsPath(*chosen);
    CAdoConnection* conn = m_pImportConnection ? m_pImportConnection : (g_pMainDlg ? g_pMainDlg->Database() : nullptr);
    if (conn) sendlist::DropWorkTable(*conn);

    ftable::Source source{ftable::KindOfPath(path), path, {}};
    switch (source.kind) {
    case ftable::Kind::Unknown: ShowMessage("不支持您所选择的导入文件类型！"); return;
    case ftable::Kind::DBase: ImportDbfFile(path); return;
    case ftable::Kind::Excel: {
        CImportSourceTableDlg dlg("请输入“号码”字段和“短信内容”字段所在的表名！", window());
        if (dlg.DoModal() != IDOK) return;
        source.table = dlg.m_strTableName;
        break;
    }
    case ftable::Kind::Access: {
        std::vector<std::string> tables;
        if (!ListAccessTables(path, tables)) return;
        CImportTableDlg dlg(tables, window());
        if (dlg.DoModal() != IDOK) return;
        source.table = dlg.m_strTableName;
        break;
    }
    case ftable::Kind::Text:
    case ftable::Kind::Paradox: break;
    }

    // The reading and the queueing run off the UI thread; the window keeps painting and an exit
    // asked meanwhile is answered. Stopped before the columns are chosen, nothing is queued and
    // nothing said; once chosen, the one bulk queueing runs to its end.
    CLongAction action;
    const auto pump = [&action] { action.PumpWaiting(); };
    const bool copied = CallOffUiPumping(
        [&] {
            const ftable::Table table = ftable::Open(source);
            return conn && table.ok() && sendlist::CopyToWorkTable(*conn, table);
        },
        pump);
    if (copied && action.StopRequested()) {
        sendlist::DropWorkTable(*conn);
        return;
    }
    if (!copied) {
        ShowMessage(kImportFailed);
        return;
    }
    if (!CallOffUiPumping([&] { return sendlist::ReadBackWorkTable(*conn); }, pump) && !conn->GetErrorsText().empty()) {
        ShowMessage("导入数据失败！");
        return;
    }
    if (action.StopRequested()) {
        sendlist::DropWorkTable(*conn);
        return;
    }
    CImportFieldMapDlg dlg(sendlist::WorkTableColumns(*conn), window());
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool mapped = dlg.DoModal() == IDOK;
    QApplication::restoreOverrideCursor();
    if (!mapped) {
        sendlist::DropWorkTable(*conn);
        return;
    }
    const int queued = CallOffUiPumping(
        [&] {
            return sendlist::QueueWorkTable(*conn, dlg.m_strNumberField, dlg.m_strContentField,
                                            {150, m_strSenderName});
        },
        pump);
    if (queued < 0) {
        ShowMessage("导入数据失败！");
        return;
    }
    sendlist::DropWorkTable(*conn);
    ShowMessage(queued > 0 ? kImportDone : kImportNone);
}

int CSendSMSDlg::ImportDbfFile(const std::string& strPath) {
    if (!paths::FileExists(strPath)) return 0;
    const std::string copy = paths::ToFsPath("C:\\tmp1238899.dbf");
    if (!CopyWhole(strPath, copy)) return 0;
    std::vector<std::pair<std::string, std::string>> pairs;
    ftable::Table table;
    {
        WaitCursor wait;
        table = ftable::Open({ftable::Kind::DBase, copy, {}});
    }
    if (!table.ok()) return 0;
    CImportFieldMapDlg dlg(table.columns, window());
    if (dlg.DoModal() != IDOK) return 0;
    std::size_t numberCol = 0, contentCol = 0;
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        if (table.columns[c] == dlg.m_strNumberField) numberCol = c;
        if (table.columns[c] == dlg.m_strContentField) contentCol = c;
    }
    int queued;
    {
        WaitCursor wait;
        pairs.reserve(table.rows.size());
        for (const auto& row : table.rows)
            pairs.emplace_back(sendlist::ValueText(row[numberCol]), sendlist::ValueText(row[contentCol]));
        queued = sendlist::QueuePairs(pairs, {160, {}});
    }
    if (queued <= 0) {
        ShowMessage(kImportNone);
        return 0;
    }
    ShowMessage(kImportDone);
    return 1;
}

int CSendSMSDlg::ListAccessTables(const std::string& strPath, std::vector<std::string>& arrTables) {
    CTables tables(strPath);
    tables.m_strTypeParam = "'TABLE'";
    if (!tables.Open()) {
        ShowMessage(tables.GetErrorText());
        return 0;
    }
    for (; !tables.IsEOF(); tables.MoveNext()) arrTables.push_back(tables.m_strName);
    tables.Close();
    return 1;
}
