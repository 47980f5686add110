#include "core/SMSSendingListDlg.h"

#include "core/GlobalImages.h"
#include "core/Globals.h"
#include "core/Helpers.h"
#include "core/Scheduler.h"
#include "platform/AtomicFile.h"
#include "platform/RowStoreModel.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "uikit/Resources.h"
#include "uikit/SortListCtrl.h"
#include "uikit/WaitCursor.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

CSMSSendingListDlg* g_pSMSSendingListDlg = nullptr;

namespace {

using namespace smsbatch;

const int kImmediateWidths[12] = {90, 120, 80, 350, 0, 0, 0, 0, 0, 0, 120, 0};

QStringList Headers(int list, const PendingPageKind& kind) {
    QStringList h = {"发送类型", "接收号码", "接收人", "彩信标题（或短信内容）", "定时发送时间",
                     "彩信资源编号", "信息提交时间", "彩信文件", "处理状态", "发送设备",
                     "彩信大小（粗略值）", "彩信编号"};
    h[2] = QString::fromUtf8(kind.column2);
    if (list == 3) {
        h[4] = "发送周期和时间";
        h[6] = "上次发送日期";
    }
    return h;
}

QPixmap Bitmap(int id) { return QPixmap::fromImage(uikit::res::Bitmap(id)); }

// The view buttons' bitmaps: shown / not shown.
const int kViewBitmaps[3][2] = {{480, 481}, {485, 486}, {488, 489}};

QPushButton* MakeButton(QWidget* parent, int id, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::number(id));
    return b;
}

}  // namespace

const PendingPageKind kSmsPage{CSMSSendingListDlg::IDD, queue::Kind::Sms, "接收人", 80};

CPendingPage::CPendingPage(const PendingPageKind& kind, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_queues(kind.kind), m_batch(m_queues.Immediate(), kind.kind) {
    setObjectName(QString::number(kind.idd));
    OnInitDialog();
}

CPendingPage::~CPendingPage() {
    if (IsMms()) worker::ClearMmsQueue(&m_batch);
    else worker::ClearSmsQueue(&m_batch);
    m_queues.SetCountChangedHandler(nullptr);
    // The models follow the row stores, which are members: they go first.
    for (uikit::CSortListCtrl*& v : m_views) {
        delete v;
        v = nullptr;
    }
}

rows::RowStore& CPendingPage::List(int n) {
    return n == 2 ? m_queues.Timed() : n == 3 ? m_queues.Cyclic() : m_queues.Immediate();
}

uikit::CSortListCtrl* CPendingPage::View(int n) const { return m_views[std::clamp(n, 1, 3) - 1]; }

void CPendingPage::OnInitDialog() {
    auto* top = new QHBoxLayout;
    const QString viewTexts[3] = {"即时发送", "定时发送", "循环发送"};
    const int viewIds[3] = {1050, 1051, 1330};
    for (int i = 0; i < 3; ++i) {
        m_btnView[i] = MakeButton(this, viewIds[i], viewTexts[i]);
        m_btnView[i]->setIcon(Bitmap(kViewBitmaps[i][i == 0 ? 0 : 1]));
        top->addWidget(m_btnView[i]);
    }
    top->addStretch();
    connect(m_btnView[0], &QPushButton::clicked, this, &CPendingPage::OnShowImmediateList);
    connect(m_btnView[1], &QPushButton::clicked, this, &CPendingPage::OnShowTimedList);
    connect(m_btnView[2], &QPushButton::clicked, this, &CPendingPage::OnShowCyclicList);

    auto* stack = new QVBoxLayout;
    const int listIds[3] = {1034, 1035, 1036};
    for (int i = 0; i < 3; ++i) {
        auto* view = new uikit::CSortListCtrl(this);
        view->setObjectName(QString::number(listIds[i]));
        const QStringList headers = Headers(i + 1, m_kind);
        for (int c = 0; c < kColumns; ++c) {
            int w = c == 2 ? m_kind.column2Width : kImmediateWidths[c];
            if (i > 0 && c == 4) w = 140;
            view->InsertColumn(c, headers[c], uikit::LVCFMT_LEFT, w);
        }
        view->SetStore(List(i + 1));
        view->SetGridLines(true);
        m_views[i] = view;
        stack->addWidget(view);
        if (i > 0) view->hide();
    }
    m_views[0]->SetSmallImageList(ListRowIcons());

    auto* bottom = m_bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel("当前即时任务信息共计：", this));
    m_countLabel = new QLabel("0条", this);
    m_countLabel->setObjectName("1281");
    bottom->addWidget(m_countLabel);
    bottom->addStretch();
    m_btnDelete = MakeButton(this, 1047, "删除发送");
    m_btnCancelAll = MakeButton(this, 1002, "全部取消");
    m_btnPriority = MakeButton(this, 1004, "优先发送");
    m_btnExport = MakeButton(this, 1003, "导出发送号码");
    m_btnPause = MakeButton(this, 1065, "允许发送状态");
    m_stateImage = new QLabel(this);
    m_stateImage->setObjectName("1064");
    m_stateImage->setPixmap(Bitmap(166));
    for (QWidget* w : {static_cast<QWidget*>(m_btnDelete), static_cast<QWidget*>(m_btnCancelAll),
                       static_cast<QWidget*>(m_btnPriority), static_cast<QWidget*>(m_btnExport),
                       static_cast<QWidget*>(m_btnPause), static_cast<QWidget*>(m_stateImage)})
        bottom->addWidget(w);
    connect(m_btnDelete, &QPushButton::clicked, this, &CPendingPage::OnDeleteSend);
    connect(m_btnCancelAll, &QPushButton::clicked, this, &CPendingPage::OnCancelAll);
    connect(m_btnPriority, &QPushButton::clicked, this, &CPendingPage::OnPrioritySend);
    connect(m_btnExport, &QPushButton::clicked, this, &CPendingPage::OnExportNumbers);
    connect(m_btnPause, &QPushButton::clicked, this, &CPendingPage::OnPauseToggle);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(stack, 1);
    layout->addLayout(bottom);

    m_batch.SetJournal(&m_queues.Journal());
    m_batch.SetCountChanged([this] { PostCountLabel(); });
    m_queues.SetCountChangedHandler([this] { PostCountLabel(); });
    const bool mms = IsMms();
    m_batch.SetRecordSink([mms](const MsgRecord& r) {
        const auto& services = worker::GetServices();
        if (const auto& add = mms ? services.AddMmsRecord : services.AddSmsRecord) add(r);
    });
    if (mms) worker::SetMmsQueue(&m_batch);
    else worker::SetSmsQueue(&m_batch);

    m_timer1 = new QTimer(this);
    m_timer1->setInterval(360000);
    connect(m_timer1, &QTimer::timeout, this, [this] { OnTimer(1); });
    m_timer1->start();
    m_timer2 = new QTimer(this);
    m_timer2->setInterval(59000);
    connect(m_timer2, &QTimer::timeout, this, [this] { OnTimer(2); });
    m_timer2->start();

    // The queue lock is created taken: from here on the sending threads may take batches.
    CEventLock::Lock(mms ? g_lockMMSQueue : g_lockSMSQueue, 0, 0);
}

void CPendingPage::OnTimer(int nIDEvent) {
    try {
        if (nIDEvent == 1) {
            SaveQueues();
        } else if (nIDEvent == 2) {
            CheckCyclicItems();
            CheckTimedItems();
        }
    } catch (...) {
        WriteRunLog("CSendingListDlg::OnTimer Error");
    }
}

void CPendingPage::CheckCyclicItems() {
    m_queues.CheckCyclicItems(IsMms() ? g_nMmsBalance.load() : g_nSmsBalance.load());
}

QPushButton* CPendingPage::AddButton(int id, const QString& text) {
    QPushButton* b = MakeButton(this, id, text);
    m_bottom->insertWidget(m_bottom->indexOf(m_btnDelete), b);
    return b;
}

void CPendingPage::UpdateCountLabel() {
    m_countLabel->setText(QString("%1条。").arg(static_cast<qulonglong>(ImmediateList().Count())));
}

void CPendingPage::PostCountLabel() {
    if (seam::IsUiThread()) {
        UpdateCountLabel();
        return;
    }
    // Off the UI thread: one queued refresh at a time.
    if (m_countPosted->exchange(true)) return;
    QPointer<CPendingPage> self(this);
    auto flag = m_countPosted;
    seam::PostToUi([self, flag] {
        flag->store(false);
        if (self) self->UpdateCountLabel();
    });
}

void CPendingPage::ShowList(int n) {
    if (n == m_nShownList) return;
    m_nShownList = n;
    for (int i = 0; i < 3; ++i) {
        m_views[i]->setVisible(i + 1 == n);
        m_btnView[i]->setIcon(Bitmap(kViewBitmaps[i][i + 1 == n ? 0 : 1]));
    }
    m_btnPriority->setEnabled(n == 1);
}

void CPendingPage::OnShowImmediateList() { ShowList(1); }
void CPendingPage::OnShowTimedList() { ShowList(2); }
void CPendingPage::OnShowCyclicList() { ShowList(3); }

std::vector<rows::RowId> CPendingPage::SelectedIds(int n) const {
    const uikit::CSortListCtrl* view = View(n);
    std::vector<rows::RowId> ids;
    for (int row : view->GetSelectedRows())
        if (const rows::RowId id = view->GetItemId(row)) ids.push_back(id);
    return ids;
}

void CPendingPage::OnDeleteSend() {
    const std::vector<rows::RowId> ids = SelectedIds(m_nShownList);
    if (ids.empty()) {
        ShowMessage("请先选择要取消发送的信息！");
        return;
    }
    if (ShowMessage("真的要取消选中的信息吗？", 1) != 1) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    View(m_nShownList)->setUpdatesEnabled(false);
    if (m_nShownList == 1) m_batch.DeleteRows(ids);
    else m_queues.RemoveScheduled(m_nShownList == 3, ids);
    View(m_nShownList)->Model()->Sync();
    View(m_nShownList)->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
    UpdateCountLabel();
}

void CPendingPage::OnCancelAll() {
    if (ShowMessage("真的要取消列表中的全部待操作信息吗？", 1) != 1) return;
    WaitCursor wait;
    if (m_nShownList == 1) m_batch.DeleteRows(ImmediateList().Ids());
    else m_queues.RemoveScheduled(m_nShownList == 3, List(m_nShownList).Ids());
    View(m_nShownList)->Model()->Sync();
    UpdateCountLabel();
}

void CPendingPage::OnPrioritySend() {
    if (m_nShownList != 1) return;
    const std::vector<rows::RowId> ids = SelectedIds(1);
    if (ids.empty()) {
        ShowMessage("请先选择要优先发送的信息！");
        return;
    }
    // The selection in the order the rows stand now.
    std::vector<std::pair<std::size_t, rows::RowId>> ordered;
    for (rows::RowId id : ids)
        if (const auto pos = ImmediateList().IndexOf(id)) ordered.emplace_back(*pos, id);
    std::sort(ordered.begin(), ordered.end());
    if (ordered.empty()) return;
    if (ordered.front().first == 0) {
        ShowMessage("已经处于优先发送位置了！");
        return;
    }
    for (const auto& [pos, id] : ordered) {
        // One atomic step per row, so a sending thread never takes a half-moved row.
        const bool held = ImmediateList().Locked([&, id = id](rows::RowStore::Access& a) {
            const auto at = a.IndexOf(id);
            if (!at) return false;
            if (a.CellAt(*at, kState) == kHeld) return true;
            rows::RowData row = a.RowAt(*at);
            row.cells.resize(kColumns);
            row.cells[kDevice].clear();
            const int icon = row.cells[kPackage].empty() ? queue::kIconSms : queue::kIconMms;
            a.Remove(id);
            a.Insert(0, row.cells, icon, row.data);
            return false;
        });
        if (held) {
            ShowMessage("已经处于收发状态中的信息不能再作优先！");
            break;
        }
    }
    View(1)->Model()->Sync();
}

void CPendingPage::OnExportNumbers() {
    seam::FileDialogRequest req;
    req.save = true;
    req.title = "输入号码导出的TXT文件名";
    req.filter = "文本文件(*.TXT)|*.txt|";
    req.defaultExt = "txt";
    const auto path = seam::AskFile(req);
    if (!path) return;
    {
        WaitCursor wait;
        std::string out;
        const bool split = m_nShownList != 1;
        for (const rows::RowData& row : List(m_nShownList).Snapshot()) {
            const std::string& cell = row.cells.size() > 1 ? row.cells[kNumber] : std::string();
            if (!split) {
                out += codec::ToGbk(cell);
                out += "\r\n";
                continue;
            }
            for (const std::string& number : sched::SplitNumbers(cell)) {
                out += codec::ToGbk(number);
                out += "\r\n";
            }
        }
        if (!files::WriteFileAtomic(*path, out)) return;
    }
    ShowMessage("导出号码操作完毕！");
}

void CPendingPage::OnPauseToggle() {
    const int paused = m_batch.m_nPause.load() == 1 ? 0 : 1;
    m_batch.m_nPause.store(paused);
    m_btnPause->setText(paused ? "暂停发送状态" : "允许发送状态");
    m_stateImage->setPixmap(Bitmap(paused ? 165 : 166));
}

CSMSSendingListDlg::CSMSSendingListDlg(QWidget* parent) : CPendingPage(kSmsPage, parent) {}

CSMSSendingListDlg::~CSMSSendingListDlg() {
    if (g_pSMSSendingListDlg == this) g_pSMSSendingListDlg = nullptr;
}
