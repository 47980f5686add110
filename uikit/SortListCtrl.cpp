#include "uikit/SortListCtrl.h"

#include "platform/TextCodec.h"
#include "uikit/SortHeaderCtrl.h"
#include "uikit/SysColors.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <array>

namespace uikit {

// --- gradients ------------------------------------------------------------------------------

namespace {

// The last gradient strips drawn, one pixel thick, so a list paints each row with one blit.
struct StripKey {
    int length;
    bool vertical;
    QRgb from, to;
    bool operator==(const StripKey&) const = default;
};

const QImage& GradientStrip(const StripKey& k) {
    static std::array<std::pair<StripKey, QImage>, 8> cache{};
    static std::size_t next = 0;
    for (const auto& e : cache)
        if (e.first == k && !e.second.isNull()) return e.second;
    QImage img(k.vertical ? 1 : k.length, k.vertical ? k.length : 1, QImage::Format_RGB32);
    const int r0 = qRed(k.from), g0 = qGreen(k.from), b0 = qBlue(k.from);
    const int dr = qRed(k.to) - r0, dg = qGreen(k.to) - g0, db = qBlue(k.to) - b0;
    auto* px = reinterpret_cast<QRgb*>(img.bits());  // one line or one column: contiguous
    const int stride = k.vertical ? img.bytesPerLine() / 4 : 1;
    for (int i = 0; i < k.length; ++i)
        px[i * stride] = qRgb(r0 + dr * i / k.length, g0 + dg * i / k.length, b0 + db * i / k.length);
    auto& slot = cache[next];
    next = (next + 1) % cache.size();
    slot = {k, std::move(img)};
    return slot.second;
}

}  // namespace

void DrawGradientRect(QPainter& p, const QRect& r, bool vertical, const QColor& from, const QColor& to) {
    if (r.width() <= 0 || r.height() <= 0) return;
    const StripKey k{vertical ? r.height() : r.width(), vertical, from.rgb(), to.rgb()};
    p.drawImage(r, GradientStrip(k));
}

void DrawGradientRect2(QPainter& p, const QRect& r, bool vertical, const QColor& a, const QColor& b) {
    if (vertical) {
        const int half = r.height() / 2;
        DrawGradientRect(p, QRect(r.left(), r.top(), r.width(), half), true, a, b);
        DrawGradientRect(p, QRect(r.left(), r.top() + half, r.width(), r.height() - half), true, b, a);
    } else {
        const int half = r.width() / 2;
        DrawGradientRect(p, QRect(r.left(), r.top(), half, r.height()), false, a, b);
        DrawGradientRect(p, QRect(r.left() + half, r.top(), r.width() - half, r.height()), false, b, a);
    }
}

// --- CReportListView ------------------------------------------------------------------------

CReportListView::CReportListView(QWidget* parent) : QAbstractItemView(parent) {
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectRows);
    setEditTriggers(NoEditTriggers);
    setAutoScroll(true);
    horizontalScrollBar()->setSingleStep(8);
}

CReportListView::~CReportListView() {
    setModel(nullptr);
    if (header_) header_->setModel(nullptr);
}

void CReportListView::SetHeader(QHeaderView* header) {
    header_ = header;
    header_->setParent(this);
    header_->setSectionsClickable(false);
    header_->setSectionsMovable(false);
    header_->setStretchLastSection(false);
    header_->setMinimumSectionSize(0);
    header_->setDefaultSectionSize(100);
    header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(header_, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    header_->show();
}

void CReportListView::SetStore(rows::RowStore& store) {
    auto model = std::make_unique<rows::RowStoreModel>(store);
    store_ = &store;
    setModel(model.get());
    if (header_) {
        header_->setModel(model.get());
        for (int c = 0; c < store.ColumnCount(); ++c) header_->setSectionHidden(c, c >= GetColumnCount());
        for (int c = 0; c < GetColumnCount() && c < store.ColumnCount(); ++c)
            header_->resizeSection(c, pendingWidths_[static_cast<std::size_t>(c)]);
    }
    model_ = std::move(model);
    SyncHeadings();
    auto relayout = [this] {
        updateGeometries();
        viewport()->update();
    };
    connect(model_.get(), &QAbstractItemModel::rowsInserted, this, relayout);
    connect(model_.get(), &QAbstractItemModel::rowsRemoved, this, relayout);
    connect(model_.get(), &QAbstractItemModel::modelReset, this, relayout);
    connect(model_.get(), &QAbstractItemModel::layoutChanged, this, relayout);
    updateGeometries();
}

void CReportListView::SyncHeadings() {
    if (!model_) return;
    QStringList headings;
    for (const auto& c : columns_) headings << c.heading;
    model_->SetHeaders(headings);
}

int CReportListView::InsertColumn(int nCol, const QString& heading, int nFormat, int nWidth, int nSubItem) {
    LVCOLUMN col;
    col.mask = LVCF_FMT | LVCF_TEXT;
    col.fmt = nFormat;
    col.pszText = heading;
    if (nWidth != -1) {
        col.mask |= LVCF_WIDTH;
        col.cx = nWidth;
    }
    if (nSubItem != -1) {
        col.mask |= LVCF_SUBITEM;
        col.iSubItem = nSubItem;
    }
    return InsertColumnEx(nCol, col);
}

int CReportListView::InsertColumnEx(int nCol, const LVCOLUMN& col) {
    // List column i shows store column i, so a column is added at the end of those shown.
    if (nCol < 0) return -1;
    const int index = GetColumnCount();
    if (store_ && index >= store_->ColumnCount()) return -1;
    Column c;
    if (col.mask & LVCF_TEXT) c.heading = col.pszText;
    if (col.mask & LVCF_FMT) c.fmt = col.fmt;
    columns_.push_back(c);
    // A width of 0 or below leaves the column collapsed until the user widens it.
    const int cx = (col.mask & LVCF_WIDTH) ? std::max(0, col.cx) : 0;
    if (header_) {
        if (header_->count() > index) {
            header_->setSectionHidden(index, false);
            header_->resizeSection(index, (col.mask & LVCF_WIDTH) ? cx : header_->defaultSectionSize());
        }
    }
    pendingWidths_.resize(columns_.size(), header_ ? header_->defaultSectionSize() : 100);
    if (col.mask & LVCF_WIDTH) pendingWidths_[static_cast<std::size_t>(index)] = cx;
    SyncHeadings();
    updateGeometries();
    viewport()->update();
    return index;
}

int CReportListView::GetColumnWidth(int col) const {
    if (col < 0 || col >= GetColumnCount()) return 0;
    if (header_ && header_->count() > col) return header_->sectionSize(col);
    return pendingWidths_[static_cast<std::size_t>(col)];
}

int CReportListView::GetColumnFormat(int col) const {
    return col >= 0 && col < GetColumnCount() ? columns_[static_cast<std::size_t>(col)].fmt : LVCFMT_LEFT;
}

QString CReportListView::GetColumnHeading(int col) const {
    return col >= 0 && col < GetColumnCount() ? columns_[static_cast<std::size_t>(col)].heading : QString();
}

int CReportListView::GetItemCount() const { return model_ ? model_->rowCount() : 0; }
rows::RowId CReportListView::GetItemId(int row) const { return model_ ? model_->IdAt(row) : 0; }

void CReportListView::SetRowHeight(int h) {
    rowHeight_ = std::max(1, h);
    updateGeometries();
    viewport()->update();
}

int CReportListView::TopRow() const { return verticalScrollBar()->value(); }

std::vector<int> CReportListView::GetSelectedRows() const {
    std::vector<int> out;
    if (!selectionModel()) return out;
    for (const QItemSelectionRange& r : selectionModel()->selection())
        for (int row = r.top(); row <= r.bottom(); ++row) out.push_back(row);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

void CReportListView::SetItemSelected(int row, bool on) {
    if (!model_ || row < 0 || row >= GetItemCount()) return;
    selectionModel()->select(model_->index(row, 0), (on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                                       QItemSelectionModel::Rows);
}

int CReportListView::ColumnLeft(int col) const {
    if (header_ && header_->count() > col) return header_->sectionViewportPosition(col);
    int x = -horizontalOffset();
    for (int c = 0; c < col; ++c) x += GetColumnWidth(c);
    return x;
}

QRect CReportListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || !model_) return {};
    const int y = (index.row() - TopRow()) * rowHeight_;
    return QRect(ColumnLeft(index.column()), y, GetColumnWidth(index.column()), rowHeight_);
}

void CReportListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) return;
    const int visible = std::max(1, viewport()->height() / rowHeight_);
    const int top = TopRow();
    const int row = index.row();
    int newTop = top;
    if (hint == PositionAtTop) newTop = row;
    else if (hint == PositionAtBottom) newTop = row - visible + 1;
    else if (hint == PositionAtCenter) newTop = row - visible / 2;
    else if (row < top) newTop = row;
    else if (row >= top + visible) newTop = row - visible + 1;
    verticalScrollBar()->setValue(newTop);
}

QModelIndex CReportListView::indexAt(const QPoint& point) const {
    if (!model_ || point.y() < 0) return {};
    const int row = TopRow() + point.y() / rowHeight_;
    if (row >= GetItemCount()) return {};
    int col = -1;
    for (int c = 0; c < GetColumnCount(); ++c) {
        const int x = ColumnLeft(c);
        if (point.x() >= x && point.x() < x + GetColumnWidth(c)) {
            col = c;
            break;
        }
    }
    return col < 0 ? QModelIndex() : model_->index(row, col);
}

QModelIndex CReportListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int count = GetItemCount();
    if (!model_ || count == 0) return {};
    const int visible = std::max(1, viewport()->height() / rowHeight_);
    int row = currentIndex().isValid() ? currentIndex().row() : -1;
    switch (action) {
    case MoveUp:
    case MovePrevious: row = row < 0 ? 0 : row - 1; break;
    case MoveDown:
    case MoveNext: row = row + 1; break;
    case MovePageUp: row -= visible; break;
    case MovePageDown: row = row < 0 ? visible - 1 : row + visible; break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = count - 1; break;
    default: break;
    }
    row = std::clamp(row, 0, count - 1);
    return model_->index(row, 0);
}

int CReportListView::horizontalOffset() const { return horizontalScrollBar()->value(); }
int CReportListView::verticalOffset() const { return verticalScrollBar()->value() * rowHeight_; }
bool CReportListView::isIndexHidden(const QModelIndex&) const { return false; }

void CReportListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const int count = GetItemCount();
    if (!model_ || count == 0 || GetColumnCount() == 0) return;
    const QRect r = rect.normalized();
    const int top = TopRow();
    const int r0 = std::clamp(top + std::max(0, r.top()) / rowHeight_, 0, count - 1);
    const int r1 = std::clamp(top + std::max(0, r.bottom()) / rowHeight_, 0, count - 1);
    const QItemSelection sel(model_->index(r0, 0), model_->index(r1, model_->columnCount() - 1));
    selectionModel()->select(sel, command | QItemSelectionModel::Rows);
}

QRegion CReportListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int top = TopRow();
    const int visible = viewport()->height() / rowHeight_ + 1;
    for (const QItemSelectionRange& r : selection) {
        const int a = std::max(r.top(), top), b = std::min(r.bottom(), top + visible);
        if (a > b) continue;
        region += QRect(0, (a - top) * rowHeight_, viewport()->width(), (b - a + 1) * rowHeight_);
    }
    return region;
}

void CReportListView::updateGeometries() {
    if (inGeometries_) return;
    inGeometries_ = true;
    const int hh = header_ ? header_->sizeHint().height() : 0;
    setViewportMargins(0, hh, 0, 0);
    if (header_) {
        const QRect vg = viewport()->geometry();
        header_->setGeometry(vg.left(), vg.top() - hh, vg.width(), hh);
    }
    const int visible = std::max(1, viewport()->height() / rowHeight_);
    verticalScrollBar()->setRange(0, std::max(0, GetItemCount() - visible));
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setSingleStep(1);
    int length = 0;
    for (int c = 0; c < GetColumnCount(); ++c) length += GetColumnWidth(c);
    horizontalScrollBar()->setRange(0, std::max(0, length - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    if (header_) header_->setOffset(horizontalScrollBar()->value());
    QAbstractItemView::updateGeometries();
    inGeometries_ = false;
}

void CReportListView::scrollContentsBy(int, int) {
    if (header_) header_->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

void CReportListView::resizeEvent(QResizeEvent* event) {
    QAbstractItemView::resizeEvent(event);
    updateGeometries();
}

void CReportListView::focusInEvent(QFocusEvent* event) {
    QAbstractItemView::focusInEvent(event);
    viewport()->update();
}

void CReportListView::focusOutEvent(QFocusEvent* event) {
    QAbstractItemView::focusOutEvent(event);
    viewport()->update();
}

std::vector<QString> CReportListView::RowTexts(rows::RowId id) const {
    std::vector<QString> out(static_cast<std::size_t>(GetColumnCount()));
    if (!store_) return out;
    store_->Locked([&](rows::RowStore::Access& a) {
        for (std::size_t c = 0; c < out.size(); ++c) out[c] = model_->CellText(a.Cell(id, static_cast<int>(c)));
    });
    return out;
}

CReportListView::RowView CReportListView::ReadRow(int row) const {
    RowView v;
    v.id = GetItemId(row);
    v.texts = RowTexts(v.id);
    if (store_)
        store_->Locked([&](rows::RowStore::Access& a) {
            v.icon = a.Icon(v.id);
            v.state = a.State(v.id);
        });
    return v;
}

QRect CReportListView::StateRect(const QRect& bounds) const {
    if (stateImages_.isEmpty()) return QRect(bounds.left(), bounds.top(), 0, bounds.height());
    const QSize s = stateImages_.front().size();
    return QRect(bounds.left(), bounds.top() + (bounds.height() - s.height()) / 2, s.width(), s.height());
}

QRect CReportListView::IconRect(const QRect& bounds) const {
    const int x = StateRect(bounds).right() + 1;
    if (smallImages_.isEmpty()) return QRect(x, bounds.top(), 0, bounds.height());
    const QSize s = smallImages_.front().size();
    return QRect(x, bounds.top() + (bounds.height() - s.height()) / 2, s.width(), s.height());
}

QRect CReportListView::LabelRect(const QRect& bounds) const {
    const int x = IconRect(bounds).right() + 1;
    const int right = bounds.left() + GetColumnWidth(0);
    return QRect(x, bounds.top(), std::max(0, right - x), bounds.height());
}

bool CReportListView::RowHighlighted(int row) const {
    if (!selectionModel() || !model_) return false;
    const bool selected = selectionModel()->isSelected(model_->index(row, 0));
    return selected && (hasFocus() || showSelAlways_);
}

void CReportListView::DrawEmptyArea(QPainter& p, const QRect& area) {
    p.fillRect(area, GetSysColor(SysColor::Window));
}

void CReportListView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const int count = GetItemCount();
    const int h = viewport()->height();
    int length = 0;
    for (int c = 0; c < GetColumnCount(); ++c) length += GetColumnWidth(c);
    const int x0 = ColumnLeft(0);
    int y = 0;
    for (int row = TopRow(); row < count && y < h; ++row, y += rowHeight_) {
        p.save();
        DrawRow(p, row, QRect(x0, y, length, rowHeight_));
        p.restore();
    }
    if (y < h) DrawEmptyArea(p, QRect(0, y, viewport()->width(), h - y));
    if (gridLines_) {
        p.setPen(GetSysColor(SysColor::BtnFace));
        const int w = viewport()->width();
        for (int gy = rowHeight_ - 1; gy < h; gy += rowHeight_) p.drawLine(0, gy, w - 1, gy);
        int x = x0;
        for (int c = 0; c < GetColumnCount() && x < w; ++c) {
            x += GetColumnWidth(c);
            if (x - 1 >= 0) p.drawLine(x - 1, 0, x - 1, h - 1);
        }
    }
}

// --- CSortListCtrl --------------------------------------------------------------------------

CSortListCtrl::CSortListCtrl(QWidget* parent) : CReportListView(parent) {
    m_ctlHeader = new CSortHeaderCtrl(this);
    m_ctlHeader->SetOwnerList(this);
    SetHeader(m_ctlHeader);
    m_ctlHeader->SetDragCallback(this, [](CSortListCtrl* owner, int from, int to) {
        owner->MoveColumn(from, to > from ? to - 1 : to);
    });
    SetRowHeight(std::max(17, fontMetrics().height() + 4));
}

CSortListCtrl::~CSortListCtrl() = default;

bool CSortListCtrl::EnableSort(bool bEnable) {
    const bool old = m_bSortEnabled;
    m_bSortEnabled = bEnable;
    return old;
}

void CSortListCtrl::SortColumn(int nCol) {
    if (!m_bSortEnabled || !Store() || nCol < 0 || nCol >= GetColumnCount()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_bAscending = nCol == m_nSortCol ? !m_bAscending : true;
    m_nSortCol = nCol;
    m_ctlHeader->SetSortMark(nCol, m_bAscending);
    // A list shown bottom up sorts its store the other way round.
    Store()->SortByListOrder(nCol, Model()->Reversed() ? !m_bAscending : m_bAscending);
    Model()->Sync();
    QApplication::restoreOverrideCursor();
}

void CSortListCtrl::MoveColumn(int from, int to) {
    const int n = GetColumnCount();
    if (!Store() || from < 0 || to < 0 || from >= n || to >= n || from == to) return;
    std::vector<int> widths;
    for (int c = 0; c < n; ++c) widths.push_back(GetColumnWidth(c));
    const Column moved = columns_[static_cast<std::size_t>(from)];
    columns_.erase(columns_.begin() + from);
    columns_.insert(columns_.begin() + to, moved);
    const int w = widths[static_cast<std::size_t>(from)];
    widths.erase(widths.begin() + from);
    widths.insert(widths.begin() + to, w);
    // The sort column follows its data.
    auto follow = [&](int c) {
        if (c == from) return to;
        if (from < c && c <= to) return c - 1;
        if (to <= c && c < from) return c + 1;
        return c;
    };
    if (m_nSortCol >= 0) {
        m_nSortCol = follow(m_nSortCol);
        m_ctlHeader->SetSortMark(m_nSortCol, m_bAscending);
    }
    Store()->MoveColumn(from, to);
    Model()->Sync();
    QStringList headings;
    for (const auto& c : columns_) headings << c.heading;
    Model()->SetHeaders(headings);
    for (int c = 0; c < n; ++c) Header()->resizeSection(c, widths[static_cast<std::size_t>(c)]);
    viewport()->update();
}

void CSortListCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !stateImages_.isEmpty() && Store()) {
        const QPoint pt = event->position().toPoint();
        const QModelIndex idx = indexAt(pt);
        if (idx.isValid()) {
            const QRect bounds(ColumnLeft(0), (idx.row() - TopRow()) * RowHeight(), GetColumnWidth(0), RowHeight());
            if (StateRect(bounds).contains(pt)) {
                const rows::RowId id = GetItemId(idx.row());
                const int state = Store()->State(id);
                if (state == 1 || state == 2) {
                    Store()->SetState(id, 3 - state);
                    viewport()->update();
                    emit StateToggled(id, 3 - state);
                }
            }
        }
    }
    CReportListView::mousePressEvent(event);
}

void CSortListCtrl::DrawRow(QPainter& p, int row, const QRect& bounds) {
    const auto [id, texts, icon, state] = ReadRow(row);
    const bool highlighted = RowHighlighted(row);
    const int clientRight = viewport()->width();
    const QFontMetrics fm(font());

    const QRect label = LabelRect(bounds);
    QRect hl = label;
    switch (m_nHighlight) {
    case 0: {
        const int w = fm.horizontalAdvance(texts.empty() ? QString() : texts[0]) + 2 * fm.horizontalAdvance(QLatin1Char(' '));
        hl.setRight(std::min(label.left() + w, label.left() + label.width()) - 1);
        break;
    }
    case 1: hl.setRight(bounds.right()); break;
    default: hl.setRight(clientRight - 1); break;
    }
    hl.setLeft(hl.left() - 2);

    DrawGradientRect(p, QRect(bounds.left(), bounds.top(), clientRight - bounds.left(), bounds.height()), false,
                     m_clrRowFrom, m_clrRowTo);
    QColor text = GetSysColor(SysColor::WindowText);
    if (highlighted) {
        text = m_clrHighlightText;
        DrawGradientRect2(p, hl, true, m_clrHighlight, m_clrHighlightMid);
    }

    // First column: state image, icon, label.
    const int col0 = GetColumnWidth(0);
    p.save();
    p.setClipRect(QRect(bounds.left(), bounds.top(), col0, bounds.height()));
    if (state > 0 && state <= stateImages_.size()) p.drawPixmap(StateRect(bounds).topLeft(), stateImages_[state - 1]);
    if (icon >= 0 && icon < smallImages_.size()) {
        const QPixmap& pm = smallImages_[icon];
        if (highlighted) {
            QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QPainter ip(&img);
            ip.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            QColor c = GetSysColor(SysColor::Highlight);
            c.setAlpha(128);
            ip.fillRect(img.rect(), c);
            ip.end();
            p.drawImage(IconRect(bounds).topLeft(), img);
        } else {
            p.drawPixmap(IconRect(bounds).topLeft(), pm);
        }
    }
    p.setFont(font());
    p.setPen(text);
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine;
    if (!texts.empty()) {
        const QRect tr = label.adjusted(3, 0, -3, 0);
        p.drawText(tr, flags | Qt::AlignLeft, fm.elidedText(texts[0], Qt::ElideRight, tr.width()));
    }
    p.restore();

    if (m_nHighlight == 0) text = GetSysColor(SysColor::WindowText);
    p.setFont(font());
    p.setPen(text);
    int x = bounds.left() + col0;
    for (int c = 1; c < GetColumnCount(); ++c) {
        const int w = GetColumnWidth(c);
        const QRect cell(x, bounds.top(), w, bounds.height());
        x += w;
        if (cell.left() >= clientRight || cell.right() < 0) continue;
        const QRect tr = cell.adjusted(3, 0, -3, 0);
        const int align = ColumnAlign(GetColumnFormat(c));
        p.save();
        p.setClipRect(cell);
        p.drawText(tr, flags | align, fm.elidedText(texts[static_cast<std::size_t>(c)], Qt::ElideRight, tr.width()));
        p.restore();
    }

    if (!highlighted && hasFocus() && currentIndex().isValid() && currentIndex().row() == row) {
        QStyleOptionFocusRect o;
        o.initFrom(this);
        o.rect = hl;
        o.backgroundColor = m_clrRowTo;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, this);
    }
}

void CSortListCtrl::DrawEmptyArea(QPainter& p, const QRect& area) {
    DrawGradientRect(p, area, false, m_clrRowFrom, m_clrRowTo);
}

}  // namespace uikit
