#include "core/RecordPage.h"

#include "compose/MMSDialogs.h"
#include "compose/MMSPackage.h"
#include "compose/MMSSinkDlg.h"
#include "compose/PickerHooks.h"
#include "compose/RecipientInputDlg.h"
#include "compose/RecipientList.h"
#include "compose/SmsCompose.h"
#include "compose/SendMMSDlg.h"
#include "compose/SendSMSDlg.h"
#include "contacts/ReplyTypeDlg.h"
#include "core/AdvancedQueryDlg.h"
#include "core/ExcelExport.h"
#include "core/FileUtil.h"
#include "core/GlobalImages.h"
#include "core/Helpers.h"
#include "core/LongAction.h"
#include "core/OffUiCall.h"
#include "core/MmsUpload.h"
#include "core/PageGlobals.h"
#include "core/RecordExport.h"
#include "core/SMSSendingListDlg.h"
#include "core/SendingListDlg.h"
#include "core/SMSServerDlg.h"
#include "core/SMSTextDlg.h"
#include "platform/AppPath.h"
#include "platform/Process.h"
#include "platform/RowStoreModel.h"
#include "platform/Seams.h"
#include "platform/StringFormat.h"
#include "platform/TextCodec.h"
#include "platform/XlsWriter.h"
#include "uikit/ImageButton.h"
#include "uikit/Resources.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinCheckBox.h"
#include "uikit/SkinGroupBox.h"
#include "uikit/SortListCtrl.h"
#include "uikit/WaitCursor.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <memory>

using codec::FromQ;
using codec::ToQ;

const RecordPageKind kSmsRecordPage{
    159,
    LogKind::Sms,
    {"状态", "发送时间", "姓名", "手机号", "短信内容", "", "彩信文件", "彩信发送编号", "彩信资源编号", "信息编号",
     "彩信大小（粗略值）", "设备号", "接收资源路径"},
    {105, 145, 70, 95, 200, 125, -200, 0, 0, 0, -120, -90, -400},
    true,
};

// The MMS page's headers and widths beside the SMS page's: name, title, the delivery-report time
// in column 5, package, size.
const RecordPageKind kMmsRecordPage{
    139,
    LogKind::Mms,
    {"状态", "发送时间", "姓名", "手机号", "彩信标题", "接收时间", "彩信文件", "彩信发送编号", "彩信资源编号", "信息编号",
     "彩信大小（粗略值）", "设备号", "接收资源路径"},
    {105, 145, -70, 95, 200, 145, 200, 0, 0, 0, 120, -90, -400},
    false,
};

namespace {
// Chosen and other bitmap of each view button.
constexpr int kViewBitmaps[4][2] = {{499, 501}, {502, 504}, {507, 505}, {508, 510}};
constexpr int kViewIds[4] = {1007, 1008, 1009, 1341};
// Rows the reply reads at most.
constexpr std::size_t kMaxReplyRows = 100000;

CSkinButton* MakeButton(QWidget* parent, int id, const char* text) {
    auto* b = new CSkinButton(ToQ(text), parent);
    b->setObjectName(QString::number(id));
    b->setMinimumHeight(24);
    // A row too narrow for every button shrinks the short captions first, never one below its text.
    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 12);
    return b;
}

std::vector<std::string> Cells(std::string_view packed) {
    std::vector<std::string> cells;
    cells.reserve(recpage::kColumns);
    for (int c = 0; c < recpage::kColumns; ++c) cells.emplace_back(rows::PackedCell(packed, c));
    return cells;
}
}  // namespace

CRecordPage::CRecordPage(const RecordPageKind& kind, QWidget* parent)
    : CPageDlg(kind.idd, parent), m_kind(kind), m_log(kind.log) {
    setObjectName(QString::number(kind.idd));
    auto* top = new QHBoxLayout;
    top->setSpacing(2);
    for (int i = 0; i < 4; ++i) {
        m_btnView[i] = new CImageButton(this);
        m_btnView[i]->setObjectName(QString::number(kViewIds[i]));
        top->addWidget(m_btnView[i]);
    }
    top->addSpacing(12);
    m_btnSearchAgain = MakeButton(this, 1340, "重新搜索");
    m_btnClearDisplay = MakeButton(this, 1344, "清空显示");
    m_btnShowRecent = MakeButton(this, 1006, "显示最近记录");
    for (QWidget* w : {m_btnSearchAgain, m_btnClearDisplay, m_btnShowRecent}) top->addWidget(w);
    top->addStretch();

    m_frame = new CSkinGroupBox(this);
    m_frame->setObjectName("1245");
    m_frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_list = new uikit::CSortListCtrl(this);
    m_list->setObjectName("1011");
    for (int c = 0; c < recpage::kColumns; ++c)
        m_list->InsertColumn(c, ToQ(kind.headers[c]), uikit::LVCFMT_LEFT, kind.widths[c]);
    m_list->SetStore(m_rows);
    // The store holds the log's order, oldest first; the list shows it newest on top, so a new
    // record is one append.
    m_list->Model()->SetReversed(true);
    m_list->SetGridLines(true);

    auto* actions = new QHBoxLayout;
    actions->setSpacing(2);
    m_btnResend = MakeButton(this, 1005, "重发信息");
    m_btnForward = MakeButton(this, 1003, "转发信息");
    m_btnReply = MakeButton(this, 1052, "回复信息");
    m_btnViewContent = MakeButton(this, 1012, "查看内容");
    m_btnExportResource = MakeButton(this, 1004, "资源导出");
    m_btnDelete = MakeButton(this, 1002, "记录删除");
    m_btnClearRecords = MakeButton(this, 1051, "记录清空");
    m_btnExportExcel = MakeButton(this, 1080, "导出为Excel");
    m_btnViewResource = MakeButton(this, 1047, "查看接收资源");
    m_exportPackage = std::make_unique<CMMSPackage>();
    for (QWidget* w : {m_btnResend, m_btnForward, m_btnReply, m_btnViewContent, m_btnExportResource, m_btnDelete,
                       m_btnClearRecords, m_btnExportExcel, m_btnViewResource})
        actions->addWidget(w);
    actions->addStretch();

    auto* bottom = new QHBoxLayout;
    m_checkAutoRefresh = new CSkinCheckBox(ToQ("自动刷新显示新记录。"), this);
    m_checkAutoRefresh->setObjectName("1020");
    m_checkAutoRefresh->setChecked(true);
    m_labelCount = new QLabel(this);
    m_labelCount->setObjectName("1232");
    bottom->addWidget(m_checkAutoRefresh);
    bottom->addSpacing(20);
    bottom->addWidget(m_labelCount);
    bottom->addStretch();

    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(8, 6, 8, 6);
    col->addLayout(top);
    col->addWidget(m_list, 1);
    col->addLayout(actions);
    col->addLayout(bottom);

    connect(m_btnView[0], &QPushButton::clicked, this, &CRecordPage::OnShowAll);
    connect(m_btnView[1], &QPushButton::clicked, this, &CRecordPage::OnShowSent);
    connect(m_btnView[2], &QPushButton::clicked, this, &CRecordPage::OnShowReceived);
    connect(m_btnView[3], &QPushButton::clicked, this, &CRecordPage::OnShowQuery);
    connect(m_btnSearchAgain, &QPushButton::clicked, this, &CRecordPage::OnSearchAgain);
    connect(m_btnClearDisplay, &QPushButton::clicked, this, &CRecordPage::OnClearDisplay);
    connect(m_btnShowRecent, &QPushButton::clicked, this, &CRecordPage::OnShowRecent);
    connect(m_checkAutoRefresh, &QCheckBox::toggled, this, &CRecordPage::OnAutoRefresh);
    connect(m_btnReply, &QPushButton::clicked, this, &CRecordPage::OnReply);
    connect(m_btnViewContent, &QPushButton::clicked, this, &CRecordPage::OnViewContent);
    connect(m_list, &QAbstractItemView::doubleClicked, this, &CRecordPage::OnDblclkList);
    connect(m_btnDelete, &QPushButton::clicked, this, &CRecordPage::OnDeleteRecords);
    connect(m_btnClearRecords, &QPushButton::clicked, this, &CRecordPage::OnClearRecords);
    connect(m_btnViewResource, &QPushButton::clicked, this, &CRecordPage::OnViewReceivedResource);
    connect(m_btnResend, &QPushButton::clicked, this, &CRecordPage::OnResend);
    connect(m_btnForward, &QPushButton::clicked, this, &CRecordPage::OnForward);
    connect(m_btnExportExcel, &QPushButton::clicked, this, &CRecordPage::OnExportExcel);
    connect(m_btnExportResource, &QPushButton::clicked, this, &CRecordPage::OnExportResource);
    OnInitDialog();
}

CRecordPage::~CRecordPage() {
    m_log.SetNotify({});
    // The list's model follows the row store, a member: it goes first.
    delete m_list;
    m_list = nullptr;
}

void CRecordPage::OnInitDialog() {
    ShowViewButtons(1);
    for (int i = 0; i < 4; ++i) {
        m_btnView[i]->SetBtnCursor(144);
        m_btnView[i]->SetDrawBorder(false);
        m_btnView[i]->setFixedSize(84, 24);
    }
    m_labelCount->setText(ToQ("列表中显示信息0条。"));
    m_list->SetSmallImageList(ListRowIcons());
    m_menu.SetIconSize(16, 16);
    m_menu.SetBitmapBackground(QColor(255, 255, 255));  // before the pictures load: their white is masked
    m_menu.LoadMenu(251);
    m_menu.LoadToolbar(252);
    m_log.SetNotify({[this](const MsgRecord& r, RecordPlace place) { InsertRecordRow(r, place); },
                     [this] { UpdateCountLabel(); }});
}

void CRecordPage::resizeEvent(QResizeEvent* e) {
    CPageDlg::resizeEvent(e);
    // The frame one pixel outside the list on every side.
    m_frame->setGeometry(m_list->geometry().adjusted(-1, -1, 1, 1));
    m_frame->lower();
}

// ---- Rows --------------------------------------------------------------------------------------

void CRecordPage::InsertRecordRow(const MsgRecord& r, RecordPlace place) {
    if (m_bBusy) {
        m_pending.emplace_back(r, place);
        return;
    }
    AddArrivedRow(r, place);
}

std::optional<std::int64_t> CRecordPage::CurrentIndex(RecordPlace place) const {
    std::int64_t index = place.index;
    for (std::uint64_t n = place.rewrite; n < m_log.Rewrites(); ++n) {
        const auto it = m_rewrites.find(n);
        if (it == m_rewrites.end() || !it->second) return std::nullopt;  // cleared
        const std::vector<std::int64_t>& gone = *it->second;
        const auto at = std::lower_bound(gone.begin(), gone.end(), index);
        if (at != gone.end() && *at == index) return std::nullopt;
        index -= at - gone.begin();
    }
    return index;
}

void CRecordPage::AddArrivedRow(const MsgRecord& r, RecordPlace place) {
    const std::optional<std::int64_t> index = CurrentIndex(place);
    if (!index || *index < 0) return;  // deleted or cleared meanwhile
    // A record the last search read is listed by it already (or was filtered out).
    if (m_horizon.set && m_horizon.rewrite == m_log.Rewrites() && static_cast<std::size_t>(*index) >= m_horizon.first &&
        static_cast<std::size_t>(*index) < m_horizon.total)
        return;
    rows::PackedRow row;
    if (!recpage::MakeRow(r, *index, row, m_kind.log)) return;
    m_rows.Append(Cells(row.cells), row.icon, row.data);
}

void CRecordPage::UpdateCountLabel() {
    m_labelCount->setText(ToQ(StringPrintf("列表中显示信息%d条。", static_cast<int>(m_rows.Count()))));
}

void CRecordPage::ClearList() {
    m_rows.Clear();
    m_horizon = {};
}

void CRecordPage::EndBusy() {
    m_bBusy = false;
    std::vector<std::pair<MsgRecord, RecordPlace>> pending;
    pending.swap(m_pending);
    for (const auto& [r, place] : pending) AddArrivedRow(r, place);
}

recforward::RecordRow CRecordPage::RowOf(rows::RowId id) {
    recforward::RecordRow row;
    m_rows.Locked([&](rows::RowStore::Access& a) {
        row.status = a.Cell(id, 0);
        row.name = a.Cell(id, 2);
        row.number = a.Cell(id, 3);
        row.text = a.Cell(id, 4);
        row.package = a.Cell(id, 6);
        row.files = a.Cell(id, 12);
    });
    return row;
}

void CRecordPage::ShowProgress(const char* what, std::size_t done, std::size_t total) {
    m_labelCount->setText(ToQ(StringPrintf("%s%d/%d", what, static_cast<int>(done), static_cast<int>(total))));
}

recforward::Progress CRecordPage::ActionProgress(CLongAction& action, const char* what, bool everyStep) {
    auto shown = std::make_shared<QElapsedTimer>();
    shown->start();
    return [this, &action, what, everyStep, shown](std::size_t done, std::size_t total) {
        if (everyStep || shown->elapsed() >= 100) {
            ShowProgress(what, done, total);
            shown->restart();
        }
        action.Pump();
        return !action.StopRequested();
    };
}

std::vector<rows::RowId> CRecordPage::SelectedIds() const {
    m_list->Model()->Sync();
    std::vector<rows::RowId> ids;
    for (int row : m_list->GetSelectedRows())
        if (const rows::RowId id = m_list->GetItemId(row)) ids.push_back(id);
    return ids;
}

// ---- Views and searches ------------------------------------------------------------------------

void CRecordPage::ShowViewButtons(int view) {
    for (int i = 0; i < 4; ++i) m_btnView[i]->SetBitmaps(kViewBitmaps[i][i + 1 == view ? 0 : 1], QColor(0, 255, 0));
}

void CRecordPage::ResetView() {
    m_log.ResetView();
    ShowViewButtons(1);
}

void CRecordPage::ChooseView(int view) {
    if (view == m_log.GetView()) return;
    m_log.SetView(view);
    ShowViewButtons(view);
    ClearList();
    UpdateCountLabel();
}

void CRecordPage::OnSearchAgain() {
    ClearList();
    UpdateCountLabel();
    ApplyDeliveryReports();
    SearchRecords(m_log.GetView() - 1, 1);
}

void CRecordPage::OnShowRecent() {
    ClearList();
    UpdateCountLabel();
    ApplyDeliveryReports();
    SearchRecords(0, 0);
}

void CRecordPage::OnClearDisplay() {
    ClearList();
    UpdateCountLabel();
}

void CRecordPage::SearchRecords(int mode, int allRecords) {
    recpage::Query q;
    q.mode = std::clamp(mode, 0, 3);
    if (q.mode == 3) {
        CAdvancedQueryDlg dlg;
        if (dlg.DoModal() != IDOK) return;
        q.name = dlg.m_strQueryName;
        q.number = dlg.m_strQueryNumber;
        q.text = dlg.m_strQueryText;
        q.code = dlg.m_nQueryType;
        q.firstDay = recpage::DayText(dlg.m_timeFrom.year, dlg.m_timeFrom.month, dlg.m_timeFrom.day);
        q.lastDay = recpage::DayText(dlg.m_timeTo.year, dlg.m_timeTo.month, dlg.m_timeTo.day);
    }
    if (!paths::FileExists(m_log.FilePath())) return;
    BeginBusy();
    recpage::SearchResult res;
    {
        WaitCursor wait;
        // Read, filter, make the row texts and fill the store off the UI thread (the store is
        // safe from any thread; the list follows at its next notification); the window keeps
        // painting.
        res = CallOffUi([&] {
            recpage::SearchResult r = recpage::Search(m_log, q, allRecords != 0);
            // Below any row already there: rows that arrive later stay above.
            if (!r.found) return r;
            if (m_rows.Count() == 0) m_rows.AssignPacked(std::move(r.blocks));
            else m_rows.InsertPacked(0, std::move(r.blocks));
            r.blocks.clear();
            return r;
        });
    }
    if (res.found) m_horizon = {true, m_log.Rewrites(), res.first, res.total};
    EndBusy();
    UpdateCountLabel();
}

void CRecordPage::OnAutoRefresh() { m_log.SetAutoRefresh(m_checkAutoRefresh->isChecked()); }

// ---- Actions -------------------------------------------------------------------------------------

void CRecordPage::OnViewContent() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) {
        ShowMessage("请先选择要查看资源的记录！");
        return;
    }
    const std::string status = m_rows.Cell(ids.front(), 0).value_or("");
    const std::string package = m_rows.Cell(ids.front(), 6).value_or("");
    if (recstatus::IsKnown(status) && recstatus::IsSms(status)) {
        CSMSTextDlg dlg;
        dlg.m_strText = recpage::ViewText(status, m_rows.Cell(ids.front(), 4).value_or(""), m_kind.expandLongSms);
        dlg.m_nReadOnly = 1;
        dlg.DoModal();
    } else if (recstatus::IsKnown(status) && recstatus::IsMms(status)) {
        proc::Start(paths::AppFile("MMSPlayer"), {paths::AppFile("MMSSink\\" + package + ".qmx")});
    }
}

void CRecordPage::OnDblclkList() {
    if (!SelectedIds().empty()) OnViewContent();
}

void CRecordPage::OnReply() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) {
        ShowMessage("请先选择要回复的信息！\r\n\r\n使用技巧提示：按下ctrl键或shift键时可以一次选中多条记录。");
        return;
    }
    std::vector<std::string> numbers;
    for (std::size_t i = 0; i < ids.size() && i < kMaxReplyRows; ++i) {
        const std::string number = m_rows.Cell(ids[i], 3).value_or("");
        if (IsValidMobileNumber(number)) numbers.push_back(number);
    }
    if (numbers.empty()) return;
    CReplyTypeDlg dlg;
    dlg.m_bShowNoReply = false;
    dlg.m_nChoice = CReplyTypeDlg::kReplyMms;
    if (dlg.DoModal() != IDOK) return;
    if (dlg.m_nChoice == CReplyTypeDlg::kReplyMms) {
        if (g_pMainDlg) g_pMainDlg->ShowPage(3);
        if (!g_pSendMMSDlg) return;
        g_pSendMMSDlg->Recipients()->AddEntries(numbers);
        g_pSendMMSDlg->UpdateRecipientCount();
        return;
    }
    if (g_pMainDlg) g_pMainDlg->ShowPage(4);
    if (!g_pSendSMSDlg) return;
    g_pSendSMSDlg->Recipients()->AddEntries(numbers);
    g_pSendSMSDlg->UpdateLengthLabel();
}

void CRecordPage::OnDeleteRecords() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) {
        ShowMessage("请先选择要删除的彩信记录！");
        return;
    }
    if (ShowMessage("真的要删除选中的彩信记录吗？", 1) != 1) return;
    if (!paths::FileExists(m_log.FilePath())) return;
    // Each row names its record by its index in the log, checked against its id.
    std::vector<RecordTarget> targets;
    targets.reserve(ids.size());
    m_rows.Locked([&](rows::RowStore::Access& a) {
        for (rows::RowId id : ids)
            targets.push_back({a.Data(id), static_cast<std::int32_t>(std::atoi(std::string(a.Cell(id, 9)).c_str()))});
    });
    BeginBusy();
    const std::uint64_t rewrite = m_log.Rewrites();
    std::vector<std::int64_t> removed;
    {
        WaitCursor wait;
        CallOffUi([&] { return m_log.DeleteRecords(targets, removed); });
        // The chosen rows leave the list whatever became of their records.
        m_rows.RemoveRows(ids);
        if (!removed.empty()) {
            m_rewrites[rewrite] = removed;
            // The range the last search read, in the new numbering.
            if (m_horizon.set && m_horizon.rewrite == rewrite) {
                auto before = [&](std::size_t i) {
                    return static_cast<std::size_t>(
                        std::lower_bound(removed.begin(), removed.end(), static_cast<std::int64_t>(i)) - removed.begin());
                };
                m_horizon = {true, m_log.Rewrites(), m_horizon.first - before(m_horizon.first),
                             m_horizon.total - before(m_horizon.total)};
            }
            // The rows left follow their records to their new indexes.
            m_rows.Locked([&](rows::RowStore::Access& a) {
                for (std::size_t i = 0, n = a.Count(); i < n; ++i) {
                    const std::int64_t index = a.DataAt(i);
                    if (index < 0) continue;
                    const auto at = std::lower_bound(removed.begin(), removed.end(), index);
                    a.SetData(a.IdAt(i), at != removed.end() && *at == index ? -1 : index - (at - removed.begin()));
                }
            });
        }
    }
    EndBusy();
    UpdateCountLabel();
}

void CRecordPage::OnClearRecords() {
    if (m_rows.Count() == 0) {
        ShowMessage("列表中没有可清除的信息记录！");
        return;
    }
    if (ShowMessage("真的要清空列表中的所有信息记录吗？", 1) != 1) return;
    if (!paths::FileExists(m_log.FilePath())) return;
    BeginBusy();
    const std::uint64_t rewrite = m_log.Rewrites();
    bool cleared = false;
    {
        WaitCursor wait;
        cleared = CallOffUi([&] { return m_log.ClearLog(); });
    }
    if (cleared) {
        m_rewrites[rewrite] = std::nullopt;
        ClearList();
    }
    EndBusy();
    UpdateCountLabel();
}

void CRecordPage::OnViewReceivedResource() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) {
        ShowMessage("请先选择要查看资源的接收彩信！");
        return;
    }
    if (m_rows.Cell(ids.front(), 0).value_or("") != recstatus::kMmsReceived) {
        ShowMessage("请先选择要查看资源的接收彩信！\r\n\r\n只有接收彩信记录才有此功能！");
        return;
    }
    // Only a folder is opened: a record naming a program or a document starts nothing.
    const std::string folder = paths::ToFsPath(m_rows.Cell(ids.front(), 12).value_or(""));
    if (!folder.empty() && paths::IsDirectory(folder)) seam::OpenFolder(folder);
}

// ---- Resend and forward --------------------------------------------------------------------------

namespace {
// The MMS title of a forward, preset with the record's; nothing when cancelled.
std::optional<std::string> AskMmsTitle(QWidget* parent, const std::string& preset) {
    CMMSTitleDlg dlg(parent);
    dlg.m_strTitle = preset;
    if (dlg.DoModal() != IDOK) return std::nullopt;
    return dlg.m_strTitle;
}

// The resource export's type (0 package, 1 files) and destination (0 library, 1 elsewhere);
// nothing unless OK.
std::optional<std::pair<int, int>> AskExportOptions(QWidget* parent) {
    CExportOptionDlg dlg(parent);
    if (dlg.DoModal() != IDOK) return std::nullopt;
    return std::make_pair(dlg.m_nType, dlg.m_nDest);
}

// The library group and package name of an export into the library.
std::optional<std::pair<std::string, std::string>> AskLibraryTarget(QWidget* parent) {
    CImportMMSGroupDlg dlg(parent);
    if (dlg.DoModal() != IDOK) return std::nullopt;
    return std::make_pair(dlg.m_strGroup, dlg.m_strName);
}

// The pending pages' bulk writers.
recforward::Writers QueueWriters() {
    return recforward::WritersOf(g_pSMSSendingListDlg ? &g_pSMSSendingListDlg->Queues() : nullptr,
                                 g_pSendingListDlg ? &g_pSendingListDlg->Queues() : nullptr);
}
}  // namespace

void CRecordPage::OnResend() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) {
        ShowMessage("请先选择要重发的信息！");
        return;
    }
    CLongAction action;
    action.Pump();
    std::vector<recforward::RecordRow> rowsToSend;
    rowsToSend.reserve(std::min(ids.size(), recforward::kMaxResendRows));
    for (std::size_t i = 0; i < ids.size() && i < recforward::kMaxResendRows; ++i) rowsToSend.push_back(RowOf(ids[i]));
    recforward::UploadFn upload;
    if (CMMSPackage* package = ResendPackage()) {
        upload = [package, &action](const std::string& path) {
            // One upload at a time off the UI thread; each that goes up uses its own serial.
            return CallOffUiPumping(
                [&] {
                    paths::MakeDirs(paths::ToFsPath(package->m_strWorkFolder));
                    return mmsupload::UploadUnderSerial(
                        [&](int serial) { return UploadPackageFiles(*package, path, serial); });
                },
                [&action] { action.PumpWaiting(); });
        };
    }
    // An MMS row waits for its upload: the count shows after each.
    const recforward::ResendResult res = recforward::ResendRecords(
        std::move(rowsToSend), QueueWriters(), upload, ActionProgress(action, "正在重发信息：", static_cast<bool>(upload)));
    UpdateCountLabel();
    if (res.missingPackage) ShowMessage(recforward::kNoPackageText);
    // Stopped by the exit: what was queued goes into its save; no word claims the whole selection.
    if (res.queued > 0 && !res.stopped) ShowMessage(recforward::kResendDoneText);
}

void CRecordPage::OnForward() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) {
        ShowMessage("请先选择要转发信息的条目！");
        return;
    }
    if (recforward::ForwardKindOf(RowOf(ids.front()).status) == recforward::ForwardKind::ReceivedMms) {
        ShowMessage(recforward::kReceivedMmsText);
        return;
    }
    uikit::CIconMenu* popup = m_menu.GetSubMenu(0);
    if (!popup) return;
    const int id = popup->TrackPopupMenu(QCursor::pos(), this);
    if (id == 32781) OnForwardManually();
    else if (id == 32782) OnForwardFromText();
    else if (id == 32784) OnForwardFromAddressBook();
}

void CRecordPage::OnForwardManually() {
    CRecipientInputDlg dlg(window());
    if (dlg.DoModal() != IDOK) return;
    ForwardRecords(dlg.m_arrNumbers);
}

void CRecordPage::OnForwardFromText() {
    const std::optional<std::string> path = compose::AskNumberFile();
    if (!path) return;
    std::vector<std::string> numbers;
    {
        WaitCursor wait;
        if (compose::ImportNumbersFromText(*path, numbers, {}) < 0) return;
    }
    ForwardRecords(numbers);
}

void CRecordPage::OnForwardFromAddressBook() {
    std::optional<std::vector<std::string>> numbers = picker::PickLinkmanNumbers(window());
    if (numbers) ForwardRecords(*numbers);
}

void CRecordPage::ForwardRecords(std::vector<std::string>& numbers) {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) return;
    const recforward::RecordRow row = RowOf(ids.front());
    std::string title;
    switch (recforward::ForwardKindOf(row.status)) {
    case recforward::ForwardKind::None: return;
    case recforward::ForwardKind::ReceivedMms: ShowMessage(recforward::kReceivedMmsText); return;
    case recforward::ForwardKind::Sms: break;
    case recforward::ForwardKind::Mms: {
        std::optional<std::string> chosen = AskMmsTitle(this, row.text);
        if (!chosen) return;
        title = *chosen;
        break;
    }
    }
    // Many numbers go in several writer calls; the count shows between them.
    CLongAction action;
    recforward::ForwardRecord(row, numbers, title, m_kind.log == LogKind::Mms, QueueWriters(),
                              ActionProgress(action, "正在转发信息："));
    UpdateCountLabel();
}

// ---- Export --------------------------------------------------------------------------------------

void CRecordPage::OnExportExcel() {
    m_list->Model()->Sync();
    const int count = m_list->GetItemCount();
    if (count == 0) {
        ShowMessage("列表中没有可导出的记录！");
        return;
    }
    const std::optional<std::string> file = excel::AskExcelExportPath("输入记录保存的Excel文件名");
    if (!file) return;
    // The rows the list holds now, top first, as many as a sheet holds.
    const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(count), excel::kMaxSheetRows);
    std::vector<rows::RowId> order(take);
    for (std::size_t r = 0; r < take; ++r) order[r] = m_list->GetItemId(static_cast<int>(r));
    std::vector<std::vector<std::string>> snapshot(take);
    m_rows.Locked([&](rows::RowStore::Access& a) {
        for (std::size_t r = 0; r < take; ++r) {
            snapshot[r].reserve(recpage::kColumns);
            for (int c = 0; c < recpage::kColumns; ++c) snapshot[r].emplace_back(a.Cell(order[r], c));
        }
    });
    CLongAction action;
    const std::string message = recexport::ExportRows(*file, snapshot, ActionProgress(action, "正在导出记录："),
                                                      static_cast<std::size_t>(count));
    UpdateCountLabel();
    // Stopped by the exit: no workbook and no word of one.
    if (!message.empty()) ShowMessage(message);
}

void CRecordPage::OnExportResource() {
    const std::vector<rows::RowId> ids = SelectedIds();
    if (ids.empty()) {
        ShowMessage("请先选择要导出资源的彩信！");
        return;
    }
    const recforward::RecordRow row = RowOf(ids.front());
    if (recstatus::IsKnown(row.status) && recstatus::IsSms(row.status)) {
        ShowMessage("请先选择要导出资源的彩信！\r\n\r\n只有彩信记录才有可导出的资源！");
        return;
    }
    const std::string package = recforward::PackagePath(row.package);
    if (!paths::FileExists(paths::ToFsPath(package)) || paths::IsDirectory(paths::ToFsPath(package))) {
        ShowMessage(recforward::kNoPackageText);
        return;
    }
    const std::optional<std::pair<int, int>> options = AskExportOptions(window());
    if (!options) return;
    const auto [type, destination] = *options;

    const std::string work = g_strAppPath + "\\MsgLogTemp";
    paths::MakeDirs(paths::ToFsPath(work));
    CFileUtil::DeleteFolderFiles(work);
    CMMSPackage& pkg = *m_exportPackage;
    pkg.m_strWorkFolder = work;
    pkg.Open(package);
    bool any = false;
    for (int i = 0; i < mmspkg::kFrameCount && !any; ++i) {
        const char* names[5];
        mmspkg::FrameNames(pkg.Frame(i), names);
        for (const char* n : names) any = any || *n;
    }
    if (!any) {
        pkg.Reset();
        ShowMessage(recforward::kNoPackageText);
        return;
    }

    std::optional<bool> saved;  // nothing: cancelled
    if (type == 0 && destination == 0) {
        if (const auto target = AskLibraryTarget(window())) {
            const std::string group = g_strAppPath + "\\MMSSink\\" + target->first;
            paths::MakeDirs(paths::ToFsPath(group));  // a group typed anew
            saved = pkg.Save(group + "\\" + target->second + ".qmx", 1) == 1;
            if (*saved && g_pMMSSinkDlg) g_pMMSSinkDlg->FillGroupTree();
        }
    } else if (type == 0) {
        seam::FileDialogRequest req;
        req.save = true;
        req.title = "输入保存的彩信资源文件名";
        req.filter = "彩信资源文件(*.QMX)|*.QMX|";
        req.defaultExt = "QMX";
        if (const std::optional<std::string> path = seam::AskFile(req)) saved = pkg.Save(*path, 1) == 1;
    } else {
        seam::FileDialogRequest req;
        req.save = true;
        req.title = "选择图片铃声等资源保存的目录名称";
        req.filter = "信息文件(*.*)|*.*|";
        req.fileName = "彩信资源";
        if (const std::optional<std::string> path = seam::AskFile(req))
            saved = recexport::CopyResourceFiles(paths::ToFsPath(work), *path) > 0;
    }
    pkg.Reset();
    if (!saved) return;
    if (*saved) ShowMessage("导出彩信资源完毕！");
    else ShowMessage(type == 0 ? "彩信资源文件保存失败！" : "彩信资源文件复制失败！");
}
