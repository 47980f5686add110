#include "contacts/AutoReplyDlg.h"

#include "contacts/AutoReplyDialogs.h"
#include "core/Helpers.h"
#include "core/PageGlobals.h"
#include "core/RecordLog.h"
#include "core/SMSSendingListDlg.h"
#include "core/SendingListDlg.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"
#include "uikit/Resources.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinCheckBox.h"
#include "uikit/SkinEdit.h"
#include "uikit/SkinGroupBox.h"
#include "uikit/SortListCtrl.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>

using namespace autoreply;
using codec::ToQ;

namespace {
// The receive hook: owns the engine for as long as a call runs.
struct EngineHook {
    std::shared_ptr<CAutoReply> engine;
    void operator()(const std::string& number, const std::string& text, int type) const {
        engine->ProcessIncoming(number, text, type);
    }
};

autoreply::QueueWriters PageQueueWriters() {
    autoreply::QueueWriters w;
    w.AddSMSItem = [](int id, const std::string& number, const std::string& name, const std::string& text) {
        if (CSMSSendingListDlg* page = g_pSMSSendingListDlg) page->AddSMSItem(id, number, name, text, "", 0);
    };
    w.AddMMSItem = [](int id, const std::string& number, const std::string& files, const std::string& title,
                      const std::string& package) {
        if (CSendingListDlg* page = g_pSendingListDlg) page->AddMMSItem(id, number, files, title, package, "", 0);
    };
    return w;
}

// Places of the mode-dependent controls.
constexpr int kRowButtonY = 336;
constexpr int kListModeX[3] = {148, 278, 408};
constexpr int kKeywordModeX[3] = {202, 334, 466};
const QRect kKeywordListRect(16, 208, 698, 118);
const QRect kCyclicListRect(16, 146, 698, 180);

QRadioButton* Radio(QWidget* parent, QButtonGroup* group, int id, const char* text, int x, int y, int w) {
    auto* r = new QRadioButton(ToQ(text), parent);
    r->setObjectName(QString::number(id));
    r->setGeometry(x, y, w, 20);
    group->addButton(r);
    return r;
}

CSkinButton* Button(QWidget* parent, int id, const char* text, const QRect& r) {
    auto* b = new CSkinButton(ToQ(text), parent);
    b->setObjectName(QString::number(id));
    b->setGeometry(r);
    return b;
}

// Checks the radio of a group whose value is v; none for a value no radio has. Putting a value
// on screen runs no handler.
void CheckValue(std::initializer_list<QRadioButton*> radios, int v) {
    QButtonGroup* group = (*radios.begin())->group();
    group->setExclusive(false);
    int i = 0;
    for (QRadioButton* r : radios) {
        const QSignalBlocker quiet(r);
        r->setChecked(i++ == v);
    }
    group->setExclusive(true);
}

// Runs fn each time the radio becomes checked, by click, key or code.
template <typename Fn>
void OnChecked(QRadioButton* radio, QObject* context, Fn fn) {
    QObject::connect(radio, &QRadioButton::toggled, context, [fn](bool on) {
        if (on) fn();
    });
}

// The selected rows' handles; none, after telling the user so, when nothing is selected.
std::vector<rows::RowId> SelectedOrTell(const uikit::CSortListCtrl* list, const char* noneText) {
    std::vector<rows::RowId> ids;
    for (int row : list->GetSelectedRows()) ids.push_back(list->GetItemId(row));
    if (ids.empty()) ShowMessage(noneText);
    return ids;
}
}  // namespace

CAutoReplyDlg::CAutoReplyDlg(QWidget* parent)
    : CPageDlg(IDD, parent), m_pEngine(std::make_shared<CAutoReply>(PageQueueWriters())) {
    g_strAutoReplyIni = g_strAppPath + "\\AutoReS.dat";
    SetIncomingHook(EngineHook{m_pEngine});
    OnInitDialog();
}

CAutoReplyDlg::~CAutoReplyDlg() {
    // The lists go before the engine's rows they show.
    delete m_listKeyword;
    delete m_listCyclic;
    IncomingHook old = SetIncomingHook({});
    // Another engine installed since stays installed.
    const EngineHook* mine = old.target<EngineHook>();
    if (!mine || mine->engine != m_pEngine) SetIncomingHook(std::move(old));
}

void CAutoReplyDlg::OnInitDialog() {
    auto* gStart = new QButtonGroup(this);
    m_radioStart = Radio(this, gStart, 1017, "启动“自动回复”功能。", 16, 6, 210);
    m_radioStop = Radio(this, gStart, 1279, "停止“自动回复”功能。", 240, 6, 210);
    auto* gNumbers = new QButtonGroup(this);
    m_radioAllNumbers = Radio(this, gNumbers, 1066, "所有的手机号码都回复。", 16, 28, 210);
    m_radioKnownNumbers = Radio(this, gNumbers, 1067, "只回复名片夹中存在的号码。", 240, 28, 250);
    auto* gFilter = new QButtonGroup(this);
    m_radioFilter[0] = Radio(this, gFilter, 1313, "对短信回复", 16, 50, 110);
    m_radioFilter[1] = Radio(this, gFilter, 1068, "对彩信回复", 130, 50, 106);
    m_radioFilter[2] = Radio(this, gFilter, 1069, "两者都回复", 240, 50, 110);
    auto* gMode = new QButtonGroup(this);
    m_radioByContent = Radio(this, gMode, 1416, "根据信息内容进行回复。", 16, 72, 210);
    m_radioFromList = Radio(this, gMode, 1415, "从列表中自动选择彩信（或短信）回复。", 240, 72, 300);

    m_btnViewLog = Button(this, 1004, "查看回复记录", QRect(594, 6, 120, 26));
    m_btnHelp = Button(this, 1052, "自动回复使用提示", QRect(594, 40, 120, 26));

    // List mode.
    m_checkAutoNumber = new CSkinCheckBox(ToQ("在彩信标题（或短信）起始位置添加自动编号。"), this);
    m_checkAutoNumber->setObjectName("1020");
    m_checkAutoNumber->setGeometry(16, 98, 0, 20);
    m_checkRandom = new CSkinCheckBox(ToQ("随机选取发送信息（不打勾时循环选取）"), this);
    m_checkRandom->setObjectName("1434");
    m_checkRandom->setGeometry(16, 120, 0, 20);
    // The box is as wide as its caption.
    for (CSkinCheckBox* c : {m_checkAutoNumber, m_checkRandom})
        c->resize(c->fontMetrics().horizontalAdvance(c->text()) + 22, c->height());

    // Keyword mode.
    const char* labels[3] = {"1、短信内容为空时的回复彩信设置：", "2、短信内容既不为空又不为3中所列内容时的彩信回复设置：",
                             "3、短信内容为下列各项内容时的短信回复设置："};
    for (int i = 0; i < 3; ++i) {
        m_label[i] = new QLabel(ToQ(labels[i]), this);
        m_label[i]->setGeometry(16, i < 2 ? 98 + 46 * i : 184, 500, 18);
    }
    m_editEmptyReply = new CSkinEdit(this);
    m_editEmptyReply->setObjectName("1043");
    m_editEmptyReply->setGeometry(16, 117, 608, 22);
    m_editOtherReply = new CSkinEdit(this);
    m_editOtherReply->setObjectName("1044");
    m_editOtherReply->setGeometry(16, 163, 608, 22);
    for (CSkinEdit* e : {m_editEmptyReply, m_editOtherReply}) e->setReadOnly(true);
    m_btnSetEmpty = Button(this, 1002, "设置", QRect(634, 116, 80, 24));
    m_btnSetOther = Button(this, 1003, "设置", QRect(634, 162, 80, 24));

    m_frame = new CSkinGroupBox(this);
    m_frame->setObjectName("1245");
    m_listKeyword = new uikit::CSortListCtrl(this);
    m_listKeyword->setObjectName("1280");
    m_listKeyword->setGeometry(kKeywordListRect);
    m_listKeyword->SetStore(m_pEngine->KeywordList());
    m_listKeyword->InsertColumn(kColQuery, ToQ("收到信息（短信内容或彩信标题）"), uikit::LVCFMT_LEFT, 200);
    m_listKeyword->InsertColumn(kColReply, ToQ("回复信息设置"), uikit::LVCFMT_LEFT, 332);
    m_listKeyword->SetSmallImageList({QPixmap::fromImage(uikit::res::Icon(203)),
                                      QPixmap::fromImage(uikit::res::Icon(204)),
                                      QPixmap::fromImage(uikit::res::Icon(205))});
    m_listCyclic = new uikit::CSortListCtrl(this);
    m_listCyclic->setObjectName("1011");
    m_listCyclic->setGeometry(kCyclicListRect);
    m_listCyclic->SetStore(m_pEngine->CyclicList());
    m_listCyclic->InsertColumn(kColText, ToQ("彩信标题（或短信内容）"), uikit::LVCFMT_LEFT, 280);
    m_listCyclic->InsertColumn(kColMmsFile, ToQ("彩信文件"), uikit::LVCFMT_LEFT, 600);
    m_listCyclic->InsertColumn(kColTimesSent, ToQ("已发次数"), uikit::LVCFMT_LEFT, 82);
    for (uikit::CSortListCtrl* list : {m_listKeyword, m_listCyclic}) {
        list->SetGridLines(true);
        // A double click on a selected row changes it.
        connect(list, &QAbstractItemView::doubleClicked, this, [this, list] {
            if (!list->GetSelectedRows().empty()) OnModify();
        });
    }

    m_btnAdd = Button(this, 1079, "添加", QRect(kKeywordModeX[0], kRowButtonY, 110, 26));
    m_btnModify = Button(this, 1012, "修改", QRect(kKeywordModeX[1], kRowButtonY, 110, 26));
    m_btnDelete = Button(this, 1051, "删除", QRect(kKeywordModeX[2], kRowButtonY, 110, 26));
    m_btnResetNumber = Button(this, 1005, "编号清零", QRect(538, kRowButtonY, 110, 26));

    OnChecked(m_radioStart, this, [this] { OnStart(); });
    OnChecked(m_radioStop, this, [this] { OnStop(); });
    OnChecked(m_radioAllNumbers, this, [this] { OnReplyAllNumbers(); });
    OnChecked(m_radioKnownNumbers, this, [this] { OnReplyKnownNumbers(); });
    OnChecked(m_radioFilter[0], this, [this] { OnFilterSMS(); });
    OnChecked(m_radioFilter[1], this, [this] { OnFilterMMS(); });
    OnChecked(m_radioFilter[2], this, [this] { OnFilterBoth(); });
    OnChecked(m_radioByContent, this, [this] { OnReplyByContent(); });
    OnChecked(m_radioFromList, this, [this] { OnReplyFromList(); });
    connect(m_checkAutoNumber, &QCheckBox::toggled, this, [this] { OnAutoNumber(); });
    connect(m_checkRandom, &QCheckBox::toggled, this, [this] { OnRandomPick(); });
    connect(m_btnResetNumber, &QPushButton::clicked, this, [this] { OnResetNumber(); });
    connect(m_btnSetEmpty, &QPushButton::clicked, this, [this] { OnSetEmptyReply(); });
    connect(m_btnSetOther, &QPushButton::clicked, this, [this] { OnSetDefaultReply(); });
    connect(m_btnAdd, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(m_btnModify, &QPushButton::clicked, this, [this] { OnModify(); });
    connect(m_btnDelete, &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(m_btnViewLog, &QPushButton::clicked, this, [this] { OnViewLog(); });
    connect(m_btnHelp, &QPushButton::clicked, this, [this] { OnHelp(); });

    ApplyMode(0);
}

void CAutoReplyDlg::LoadSettings() {
    CAutoReply& e = *m_pEngine;
    e.LoadSettings();
    CheckValue({m_radioStart, m_radioStop}, e.Get(kDisabled));
    CheckValue({m_radioAllNumbers, m_radioKnownNumbers}, e.Get(kOnlyLinkman));
    CheckValue({m_radioFilter[0], m_radioFilter[1], m_radioFilter[2]}, e.Get(kQueryLimit));
    {
        // Putting the stored values on screen writes nothing.
        const QSignalBlocker quietNumber(m_checkAutoNumber), quietRandom(m_checkRandom);
        m_checkAutoNumber->setChecked(e.Get(kAddNumber) != 0);
        m_checkRandom->setChecked(e.Get(kRandomPick) != 0);
    }
    m_editEmptyReply->setText(ToQ(e.EmptyReply()));
    m_editOtherReply->setText(ToQ(e.OtherReply()));
    ApplyMode(e.Get(kReplyMode));
    SyncLists();
}

void CAutoReplyDlg::ApplyMode(int mode) {
    const bool list = mode == 1;
    CheckValue({m_radioByContent, m_radioFromList}, list ? 1 : 0);
    for (QWidget* w : std::initializer_list<QWidget*>{m_listKeyword, m_editEmptyReply, m_editOtherReply, m_btnSetEmpty,
                                                      m_btnSetOther, m_label[0], m_label[1], m_label[2]})
        w->setVisible(!list);
    for (QWidget* w : std::initializer_list<QWidget*>{m_listCyclic, m_checkAutoNumber, m_checkRandom, m_btnResetNumber})
        w->setVisible(list);
    m_frame->setGeometry((list ? kCyclicListRect : kKeywordListRect).adjusted(-6, -6, 6, 6));
    m_frame->lower();
    const int* xs = list ? kListModeX : kKeywordModeX;
    CSkinButton* buttons[3] = {m_btnAdd, m_btnModify, m_btnDelete};
    for (int i = 0; i < 3; ++i) buttons[i]->move(xs[i], buttons[i]->y());
}

void CAutoReplyDlg::SyncLists() {
    m_listKeyword->Model()->Sync();
    m_listCyclic->Model()->Sync();
}

void CAutoReplyDlg::TablesChanged() {
    SyncLists();
    SaveLists();
}

void CAutoReplyDlg::OnStart() { m_pEngine->Set(kDisabled, 0); }
void CAutoReplyDlg::OnStop() { m_pEngine->Set(kDisabled, 1); }
void CAutoReplyDlg::OnReplyAllNumbers() { m_pEngine->Set(kOnlyLinkman, 0); }
void CAutoReplyDlg::OnReplyKnownNumbers() { m_pEngine->Set(kOnlyLinkman, 1); }
void CAutoReplyDlg::OnFilterSMS() { m_pEngine->Set(kQueryLimit, 0); }
void CAutoReplyDlg::OnFilterMMS() { m_pEngine->Set(kQueryLimit, 1); }
void CAutoReplyDlg::OnFilterBoth() { m_pEngine->Set(kQueryLimit, 2); }

void CAutoReplyDlg::OnReplyByContent() {
    ApplyMode(0);
    m_pEngine->Set(kReplyMode, 0);
}

void CAutoReplyDlg::OnReplyFromList() {
    ApplyMode(1);
    m_pEngine->Set(kReplyMode, 1);
}

void CAutoReplyDlg::OnAutoNumber() { m_pEngine->Set(kAddNumber, m_checkAutoNumber->isChecked() ? 1 : 0); }
void CAutoReplyDlg::OnRandomPick() { m_pEngine->Set(kRandomPick, m_checkRandom->isChecked() ? 1 : 0); }
void CAutoReplyDlg::OnResetNumber() { m_pEngine->Set(kNextNumber, 1); }

void CAutoReplyDlg::SetDefaultReply(CSkinEdit* edit, bool empty) {
    const std::optional<std::string> reply = AskReply(window(), codec::FromQ(edit->text()), true);
    if (!reply) return;
    edit->setText(ToQ(*reply));
    if (empty)
        m_pEngine->SetEmptyReply(*reply);
    else
        m_pEngine->SetOtherReply(*reply);
    SaveLists();
}

void CAutoReplyDlg::OnSetEmptyReply() { SetDefaultReply(m_editEmptyReply, true); }
void CAutoReplyDlg::OnSetDefaultReply() { SetDefaultReply(m_editOtherReply, false); }

void CAutoReplyDlg::OnAdd() {
    if (m_pEngine->Get(kReplyMode) == 0) {
        CKeywordReplyItemDlg dlg(window());
        if (dlg.DoModal() != IDOK) return;
        auto lock = m_pEngine->LockTables();
        m_pEngine->KeywordList().Append({dlg.m_strQuery, dlg.m_strReply});
    } else {
        CCyclicReplyItemDlg dlg(window());
        if (dlg.DoModal() != IDOK) return;
        auto lock = m_pEngine->LockTables();
        m_pEngine->CyclicList().Append({dlg.m_strText, dlg.m_strFile, ""});
    }
    TablesChanged();
}

void CAutoReplyDlg::OnModify() {
    CAutoReply& e = *m_pEngine;
    if (e.Get(kReplyMode) == 0) {
        const std::vector<rows::RowId> ids = SelectedOrTell(m_listKeyword, "请先选中要修改的信息设置！");
        if (ids.empty()) return;
        const rows::RowId id = ids.front();
        CKeywordReplyItemDlg dlg(window());
        dlg.m_strQuery = e.KeywordList().Cell(id, kColQuery).value_or("");
        dlg.m_strReply = e.KeywordList().Cell(id, kColReply).value_or("");
        if (dlg.DoModal() != IDOK) return;
        int same = -1;
        {
            auto lock = e.LockTables();
            same = e.KeywordList().Locked([&](rows::RowStore::Access& a) {
                for (std::size_t j = 0; j < a.Count(); ++j)
                    if (a.IdAt(j) != id && codec::EqualsIgnoreAsciiCase(a.CellAt(j, kColQuery), dlg.m_strQuery))
                        return static_cast<int>(j);
                if (!a.SetCell(id, kColQuery, dlg.m_strQuery)) return -2;  // the row went meanwhile
                a.SetCell(id, kColReply, dlg.m_strReply);
                return -1;
            });
        }
        if (same >= 0) {
            ShowMessage("在第" + std::to_string(same) + "项已经存在相同的信息设置！");
            return;
        }
        if (same == -2) return;
    } else {
        const std::vector<rows::RowId> ids = SelectedOrTell(m_listCyclic, "请先选择要修改的信息！");
        if (ids.empty()) return;
        const rows::RowId id = ids.front();
        CCyclicReplyItemDlg dlg(window());
        dlg.m_strText = e.CyclicList().Cell(id, kColText).value_or("");
        dlg.m_strFile = e.CyclicList().Cell(id, kColMmsFile).value_or("");
        if (dlg.DoModal() != IDOK) return;
        auto lock = e.LockTables();
        const bool held = e.CyclicList().Locked([&](rows::RowStore::Access& a) {
            if (!a.SetCell(id, kColText, dlg.m_strText)) return false;
            a.SetCell(id, kColMmsFile, dlg.m_strFile);
            return true;
        });
        if (!held) return;
    }
    TablesChanged();
}

void CAutoReplyDlg::OnDelete() {
    CAutoReply& e = *m_pEngine;
    if (e.Get(kReplyMode) == 0) {
        const std::vector<rows::RowId> ids = SelectedOrTell(m_listKeyword, "请先选中要删除的信息设置！");
        if (ids.empty()) return;
        if (ShowMessage("真的要删除选中的信息设置吗？", 1) != 1) return;
        auto lock = e.LockTables();
        e.KeywordList().RemoveRows(ids);
    } else {
        const std::vector<rows::RowId> ids = SelectedOrTell(m_listCyclic, "请先选择要删除的信息！");
        if (ids.empty()) return;
        m_listCyclic->setUpdatesEnabled(false);
        {
            auto lock = e.LockTables();
            e.CyclicList().RemoveRows(ids);
        }
        m_listCyclic->setUpdatesEnabled(true);
    }
    TablesChanged();
}

void CAutoReplyDlg::OnViewLog() {
    CAutoReplyRecordDlg dlg(window());
    dlg.DoModal();
}

void CAutoReplyDlg::OnHelp() {
    CAutoReplyHelpDlg dlg(window());
    dlg.DoModal();
}
