#include "compose/RecipientList.h"

#include "compose/PickerHooks.h"
#include "compose/RecipientInputDlg.h"
#include "compose/SmsCompose.h"
#include "core/Helpers.h"
#include "platform/AppPath.h"
#include "platform/Seams.h"
#include "platform/StringFormat.h"
#include "platform/TextCodec.h"
#include "uikit/PercentProgressCtrl.h"
#include "uikit/SkinButton.h"
#include "uikit/WaitCursor.h"

#include <QApplication>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QStyledItemDelegate>
#include <QListView>
#include <QPainter>

#include <algorithm>

using codec::ToQ;

int CRecipientModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant CRecipientModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_entries.size())) return {};
    if (role == SelectedRole) return static_cast<bool>(m_selected[index.row()]);
    if (role != Qt::DisplayRole) return {};
    return ToQ(m_entries[index.row()]);
}

void CRecipientModel::Append(const std::vector<std::string>& more) {
    if (more.empty()) return;
    const int first = static_cast<int>(m_entries.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(more.size()) - 1);
    m_entries.insert(m_entries.end(), more.begin(), more.end());
    m_selected.resize(m_entries.size(), 0);
    endInsertRows();
}

void CRecipientModel::SetEntries(std::vector<std::string> entries) {
    beginResetModel();
    m_entries = std::move(entries);
    m_selected.assign(m_entries.size(), 0);
    m_nSelected = 0;
    endResetModel();
}

void CRecipientModel::Edit(const std::function<void(std::vector<std::string>&)>& change) {
    beginResetModel();
    change(m_entries);
    m_selected.assign(m_entries.size(), 0);
    m_nSelected = 0;
    endResetModel();
}

bool CRecipientModel::SetSelected(int row, bool on) {
    const bool was = m_selected[row];
    if (was != on) {
        m_selected[row] = on;
        m_nSelected += on ? 1 : -1;
    }
    return was;
}

void CRecipientModel::EraseSelected(const std::function<void(int removed)>& progress) {
    beginResetModel();
    compose::EraseFlagged(m_entries, m_selected, progress);
    m_selected.assign(m_entries.size(), 0);
    m_nSelected = 0;
    endResetModel();
}

namespace {
// The view's selection model over the entries' flags. It follows QItemSelectionModel's rules
// (a select without Current first commits the pending selection; one with Current replaces
// it; Clear empties everything) but keeps no ranges of its own beyond the current entry, and the changes go out as selectionChanged runs for the repaint.
class CRecipientSelection : public QItemSelectionModel {
public:
    explicit CRecipientSelection(CRecipientModel* model) : QItemSelectionModel(model, model), m_model(model) {}

    void select(const QModelIndex& index, SelectionFlags command) override {
        select(QItemSelection(index, index), command);
    }

    void select(const QItemSelection& selection, SelectionFlags command) override {
        const bool apply = command & (Select | Deselect | Toggle);
        if (!apply && !(command & Clear)) return;
        std::vector<std::pair<int, bool>> touched;  // rows with their flags before this call
        auto set = [&](int row, bool on) { touched.emplace_back(row, m_model->SetSelected(row, on)); };
        if (command & Current)
            for (auto it = m_pending.rbegin(); it != m_pending.rend(); ++it) set(it->first, it->second);
        m_pending.clear();
        const int n = m_model->rowCount();
        if (command & Clear)
            for (int row = 0; row < n && m_model->SelectedCount() > 0; ++row)
                if (m_model->IsSelected(row)) set(row, false);
        if (apply) {
            for (const QItemSelectionRange& r : selection) {
                if (r.parent().isValid()) continue;
                for (int row = std::max(r.top(), 0); row <= std::min(r.bottom(), n - 1); ++row) {
                    const bool was = m_model->IsSelected(row);
                    const bool on = (command & Toggle) ? !was : bool(command & Select);
                    m_model->SetSelected(row, on);
                    m_pending.emplace_back(row, was);
                    touched.emplace_back(row, was);
                }
            }
        }
        EmitChanges(std::move(touched));
    }

    // The view reads the base's isSelected for the entry under the mouse (a click's toggle
    // becomes Select or Deselect from it), so the current entry's flag is mirrored there.
    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override {
        QItemSelectionModel::setCurrentIndex(index, NoUpdate);
        {
            const QSignalBlocker quiet(this);
            QItemSelectionModel::select(QItemSelection(), Clear);
            if (index.isValid() && m_model->IsSelected(index.row()))
                QItemSelectionModel::select(QItemSelection(index, index), Select);
        }
        if (command != NoUpdate) select(index, command);
    }

    void clear() override {
        select(QItemSelection(), Clear);
        QItemSelectionModel::clear();
    }
    void reset() override {
        m_pending.clear();
        QItemSelectionModel::reset();
    }

private:
    // selectionChanged with the rows whose flag ended different, as runs of neighbours.
    void EmitChanges(std::vector<std::pair<int, bool>> touched) {
        std::stable_sort(touched.begin(), touched.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        QItemSelection on, off;
        int runStart = -1, runEnd = -1;
        bool runOn = false;
        auto flush = [&] {
            if (runStart < 0) return;
            (runOn ? on : off).select(m_model->index(runStart), m_model->index(runEnd));
            runStart = -1;
        };
        for (std::size_t i = 0; i < touched.size(); ++i) {
            const int row = touched[i].first;
            if (i > 0 && touched[i - 1].first == row) continue;  // the first entry holds the flag before
            const bool now = m_model->IsSelected(row);
            if (now == touched[i].second) continue;
            if (runStart >= 0 && (row != runEnd + 1 || now != runOn)) flush();
            if (runStart < 0) runStart = row, runOn = now;
            runEnd = row;
        }
        flush();
        if (!on.isEmpty() || !off.isEmpty()) emit selectionChanged(on, off);
    }

    CRecipientModel* m_model;
    std::vector<std::pair<int, bool>> m_pending;  // the pending selection's rows, flags before it
};

// Paints an entry as a list box does, selected from the model's flag: its text on the window
// colour, or highlighted. Drawn directly, not through the style: a repaint of the list after a
// large change stays well under a millisecond.
class CRecipientDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = index.data(CRecipientModel::SelectedRole).toBool();
        const QRect r = option.rect;
        if (selected) painter->fillRect(r, option.palette.color(QPalette::Highlight));
        painter->setFont(option.font);
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QRect text = r.adjusted(2, 0, -2, 0);
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        if (option.state & QStyle::State_HasFocus) {
            QPen dots(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine);
            painter->setPen(dots);
            painter->drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
};

// COLORREF (0x00BBGGRR) to a colour.
QColor FromColorRef(unsigned c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

void SetBarLook(CPercentProgressCtrl* bar, int upper, unsigned start, unsigned end, unsigned bk) {
    bar->SetRange(0, upper);
    bar->SetShowText(true);
    bar->SetStartColor(FromColorRef(start));
    bar->SetEndColor(FromColorRef(end));
    bar->SetBkColor(FromColorRef(bk));
}
}  // namespace

CRecipientList::CRecipientList(const Ids& ids, std::string clearQuestion, std::function<void()> refresh,
                               QWidget* parent)
    : QWidget(parent), m_strClearQuestion(std::move(clearQuestion)), m_refresh(std::move(refresh)) {
    m_model = new CRecipientModel(this);
    m_view = new QListView(this);
    m_view->setObjectName(QString::number(ids.list));
    m_view->setModel(m_model);
    // A multi-column list box: entries flow down, then into the next column.
    m_view->setFlow(QListView::TopToBottom);
    m_view->setWrapping(true);
    m_view->setResizeMode(QListView::Adjust);
    m_view->setUniformItemSizes(true);
    m_view->setLayoutMode(QListView::Batched);
    m_view->setBatchSize(2000);
    m_view->setGridSize(QSize(100, 16));
    m_view->setSelectionMode(QAbstractItemView::MultiSelection);
    QItemSelectionModel* qtSelection = m_view->selectionModel();
    m_view->setSelectionModel(new CRecipientSelection(m_model));
    delete qtSelection;
    m_view->setItemDelegate(new CRecipientDelegate(m_view));
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setStyleSheet(QStringLiteral("QListView { border: 1px solid rgb(140,170,230); background: white; }"));
    m_sorted = new QWidget(this);
    m_sorted->setObjectName(QString::number(ids.sortedList));
    m_sorted->hide();

    auto makeButton = [this](int id, const char* text) {
        auto* b = new CSkinButton(ToQ(text), this);
        b->setObjectName(QString::number(id));
        b->setMinimumHeight(21);
        return b;
    };
    m_btnAdd = makeButton(ids.add, "添加接收者");
    m_btnDelete = makeButton(ids.del, "删除接收者");
    m_btnClear = makeButton(ids.clear, "清空接收者");
    m_btnDedupe = makeButton(ids.dedupe, "清除重号");
    connect(m_btnAdd, &QPushButton::clicked, this, &CRecipientList::OnBtnAddRecipient);
    connect(m_btnDelete, &QPushButton::clicked, this, &CRecipientList::OnBtnDeleteRecipient);
    connect(m_btnClear, &QPushButton::clicked, this, &CRecipientList::OnBtnClearRecipients);
    connect(m_btnDedupe, &QPushButton::clicked, this, &CRecipientList::OnBtnRemoveDuplicates);

    m_bar = new CPercentProgressCtrl(this);
    m_bar->setObjectName("1230");
    m_bar->setFixedHeight(14);
    // Its place stays when hidden, as in a dialog template: showing it never resizes the list,
    // which would lay out every entry again.
    QSizePolicy barPolicy = m_bar->sizePolicy();
    barPolicy.setRetainSizeWhenHidden(true);
    m_bar->setSizePolicy(barPolicy);
    m_bar->hide();

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(m_view, 0, 0, 1, 4);
    grid->addWidget(m_bar, 1, 0, 1, 4);
    grid->addWidget(m_btnAdd, 2, 0);
    grid->addWidget(m_btnDelete, 2, 1);
    grid->addWidget(m_btnClear, 2, 2);
    grid->addWidget(m_btnDedupe, 2, 3);
    grid->setRowStretch(0, 1);

    m_menu.SetIconSize(16, 16);
    m_menu.SetBitmapBackground(QColor(255, 255, 255));  // before the pictures load: their white is masked
    m_menu.LoadMenu(251);
    m_menu.LoadToolbar(252);
}

void CRecipientList::Busy(const std::function<void()>& work) {
    WaitCursor wait;
    // The entries' area alone: its frame and scroll bars need no repaint for new entries.
    m_view->viewport()->setUpdatesEnabled(false);
    work();
    m_view->viewport()->setUpdatesEnabled(true);
}

void CRecipientList::AddEntries(const std::vector<std::string>& entries) { m_model->Append(entries); }

void CRecipientList::ResetContent() {
    Busy([this] { m_model->SetEntries({}); });
    Refresh();
}

void CRecipientList::OnBtnAddRecipient() {
    uikit::CIconMenu* popup = m_menu.GetSubMenu(0);
    if (!popup) return;
    const int id = popup->TrackPopupMenu(m_btnAdd->mapToGlobal(QPoint(0, m_btnAdd->height())), this);
    if (id == 32781) OnInputManually();
    else if (id == 32782) OnImportFromText();
    else if (id == 32784) OnImportFromAddressBook();
}

void CRecipientList::OnInputManually() {
    CRecipientInputDlg dlg(window());
    if (dlg.DoModal() != IDOK) return;
    m_model->Append(dlg.m_arrNumbers);
    Refresh();
}

void CRecipientList::OnImportFromAddressBook() {
    const auto numbers = picker::PickLinkmanNumbers(window());
    if (!numbers) return;
    Busy([&] { m_model->Append(*numbers); });
    Refresh();
}

void CRecipientList::OnImportFromText() {
    ShowMessage("号码导入文件应为文本文件，每个发送号码以回车换行为结束标志(允许号码首尾有空格)！");
    const std::optional<std::string> path = compose::AskNumberFile();
    if (!path) return;
    int count = 0;
    {
        WaitCursor wait;
        const std::string& fsPath = *path;
        const long long size = paths::FileSize(fsPath);
        if (size < 0) return;
        const int upper = static_cast<int>((size + 20) / 390 + 3);
        std::vector<std::string> numbers;
        bool opened = true;
        SetBarLook(m_bar, upper, 0xC9E50D, 0x025CF0, 0xF7CAB6);
        m_bar->show();
        Busy([&] {
            count = compose::ImportNumbersFromText(fsPath, numbers, [&](int n) {
                const int pos = n / 30;
                m_bar->SetPos(pos == upper ? pos - 1 : pos);
            });
            if (count < 0) {
                opened = false;
                return;
            }
            m_model->Append(numbers);
        });
        m_bar->hide();
        if (!opened) return;
        Refresh();
    }
    ShowMessage(StringPrintf("共计导入%d个接收号码！", count));
}

void CRecipientList::OnBtnDeleteRecipient() {
    if (m_model->SelectedCount() == 0) {
        ShowMessage("请先选择要取消发送的人！");
        return;
    }
    if (ShowMessage("真的要删除选中的发送号码吗？", 1) != 1) return;
    SetBarLook(m_bar, GetCount() / 100, 0xF9E06B, 0xF20251, 0xABF0F7);
    m_bar->show();
    // The bar moves every 100 deletions; the reset drops the view's selection with them.
    Busy([&] { m_model->EraseSelected([&](int removed) { m_bar->SetPos(removed / 100); }); });
    Refresh();
    m_bar->hide();
}

void CRecipientList::OnBtnClearRecipients() {
    if (GetCount() == 0) {
        ShowMessage("当前接收者列表已经为空！");
        Refresh();
        return;
    }
    if (ShowMessage(m_strClearQuestion, 1) != 1) return;
    m_model->SetEntries({});
    Refresh();
}

void CRecipientList::OnBtnRemoveDuplicates() {
    if (GetCount() < 2) return;
    Busy([this] {
        m_model->Edit([](std::vector<std::string>& entries) { compose::SortUnique(entries); });
    });
    Refresh();
}
