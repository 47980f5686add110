#include "uikit/ColorListCtrl.h"

#include "uikit/SysColors.h"

#include <QPainter>

namespace uikit {

CColorListCtrl::CColorListCtrl(QWidget* parent)
    : CReportListView(parent),
      m_clrHighlight(GetSysColor(SysColor::Highlight)),
      m_clrHighlightText(GetSysColor(SysColor::HighlightText)) {
    SetHeader(new QHeaderView(Qt::Horizontal, this));
    SetRowHeight(std::max(17, fontMetrics().height() + 4));
}

CColorListCtrl::~CColorListCtrl() = default;

int CColorListCtrl::InsertItem(int nItem, const QString& text) {
    LVITEM item;
    item.iItem = nItem;
    item.pszText = text;
    return InsertItem(item);
}

int CColorListCtrl::InsertItem(const LVITEM& item) {
    if (!Store() || item.iItem < 0) return -1;
    const std::size_t count = Store()->Count();
    const std::size_t at = std::min(static_cast<std::size_t>(item.iItem), count);
    Store()->Insert(at, {item.pszText.toStdString()}, item.iImage, item.lParam);
    Model()->Sync();
    return static_cast<int>(at);
}

bool CColorListCtrl::DeleteItem(int nItem) {
    const rows::RowId id = GetItemId(nItem);
    if (!id) return false;
    m_rowFormats.erase(id);
    const bool ok = Store()->Remove(id);
    Model()->Sync();
    return ok;
}

bool CColorListCtrl::DeleteAllItems() {
    if (!Store()) return false;
    m_rowFormats.clear();
    Store()->Clear();
    Model()->Sync();
    return true;
}

void CColorListCtrl::SetItemFormat(int nItem, int nSubItem, const CellFormat& fmt, bool selected) {
    const rows::RowId id = GetItemId(nItem);
    if (!id || nSubItem < -1 || nSubItem >= std::max(1, GetColumnCount())) return;
    RowFormat& rf = m_rowFormats[id];
    FormatRecord* rec = &rf.row;
    if (nSubItem >= 1) {
        if (rf.cells.size() <= static_cast<std::size_t>(nSubItem)) rf.cells.resize(static_cast<std::size_t>(nSubItem) + 1);
        rec = &rf.cells[static_cast<std::size_t>(nSubItem)];
    } else if (nSubItem == 0) {
        if (rf.cells.empty()) rf.cells.resize(1);
        rec = &rf.cells[0];
    }
    if (selected) {
        rec->hasSelected = true;
        rec->selected = fmt;
    } else {
        rec->normal = fmt;
    }
    viewport()->update();
}

void CColorListCtrl::SetColumnFormat(int nCol, const CellFormat& fmt, bool selected) {
    if (nCol < 0) return;
    if (m_arrColumns.size() <= static_cast<std::size_t>(nCol)) m_arrColumns.resize(static_cast<std::size_t>(nCol) + 1);
    FormatRecord& rec = m_arrColumns[static_cast<std::size_t>(nCol)];
    if (selected) {
        rec.hasSelected = true;
        rec.selected = fmt;
    } else {
        rec.normal = fmt;
    }
    viewport()->update();
}

void CColorListCtrl::ClearFormats() {
    m_rowFormats.clear();
    m_arrColumns.clear();
    viewport()->update();
}

void CColorListCtrl::Prune() {
    if (m_rowFormats.empty() || !Store()) return;
    Store()->Locked([&](rows::RowStore::Access& a) {
        for (auto it = m_rowFormats.begin(); it != m_rowFormats.end();)
            it = a.Contains(it->first) ? std::next(it) : m_rowFormats.erase(it);
    });
}

CColorListCtrl::CellLook CColorListCtrl::ResolveCell(int nItem, int nSubItem) const {
    const bool sel = selectionModel() && Model() && selectionModel()->isSelected(Model()->index(nItem, 0));
    return ResolveCell(GetItemId(nItem), nSubItem, sel);
}

CColorListCtrl::CellLook CColorListCtrl::ResolveCell(rows::RowId id, int nSubItem, bool sel) const {
    const CellFormat* levels[3] = {nullptr, nullptr, nullptr};  // cell, row, column
    const auto it = m_rowFormats.find(id);
    if (it != m_rowFormats.end()) {
        const RowFormat& rf = it->second;
        if (nSubItem >= 0 && static_cast<std::size_t>(nSubItem) < rf.cells.size())
            levels[0] = &rf.cells[static_cast<std::size_t>(nSubItem)].For(sel);
        levels[1] = &rf.row.For(sel);
    }
    if (nSubItem >= 0 && static_cast<std::size_t>(nSubItem) < m_arrColumns.size())
        levels[2] = &m_arrColumns[static_cast<std::size_t>(nSubItem)].For(sel);

    CellLook look;
    bool haveText = false, haveBack = false, noColumn = false;
    for (int i = 0; i < 3; ++i) {
        const CellFormat* f = levels[i];
        if (!f) continue;
        if (i == 2 && noColumn) break;
        if (!haveText && (f->flags & LIS_TXTCOLOR)) look.text = f->text, haveText = true;
        if (!haveBack && (f->flags & LIS_BKCOLOR)) look.back = f->back, haveBack = true;
        if (f->flags & LIS_NOCOLORS) break;
        if (f->flags & LIS_NOCOLCOLORS) noColumn = true;
    }
    if (!haveText) look.text = sel ? m_clrHighlightText : GetSysColor(SysColor::WindowText);
    if (!haveBack) look.back = sel ? m_clrHighlight : GetSysColor(SysColor::Window);

    // Fonts: each level with style bits gives the list font with its styles; fields that differ
    // from the list font are taken, the column first and the cell last.
    const QFont list = font();
    look.font = list;
    for (int i = 2; i >= 0; --i) {
        const CellFormat* f = levels[i];
        if (!f || !(f->flags & (LIS_BOLD | LIS_ITALIC | LIS_UNDERLINE | LIS_STRIKEOUT))) continue;
        const QFont::Weight w = (f->flags & LIS_BOLD) ? QFont::Bold : QFont::Normal;
        if (w != list.weight()) look.font.setWeight(w);
        if (bool(f->flags & LIS_ITALIC) != list.italic()) look.font.setItalic(f->flags & LIS_ITALIC);
        if (bool(f->flags & LIS_UNDERLINE) != list.underline()) look.font.setUnderline(f->flags & LIS_UNDERLINE);
        if (bool(f->flags & LIS_STRIKEOUT) != list.strikeOut()) look.font.setStrikeOut(f->flags & LIS_STRIKEOUT);
    }
    return look;
}

void CColorListCtrl::DrawRow(QPainter& p, int row, const QRect& bounds) {
    if (row == 0 && !m_rowFormats.empty() && m_rowFormats.size() > Store()->Count()) Prune();
    const auto [id, texts, icon, state] = ReadRow(row);
    // Reads the selection only: painting never changes it.
    const bool sel = selectionModel()->isSelected(Model()->index(row, 0));
    const int clientRight = viewport()->width();
    p.fillRect(QRect(bounds.right() + 1, bounds.top(), std::max(0, clientRight - bounds.right() - 1), bounds.height()),
               GetSysColor(SysColor::Window));
    int x = bounds.left();
    for (int c = 0; c < GetColumnCount(); ++c) {
        const int w = GetColumnWidth(c);
        const QRect cell(x, bounds.top(), w, bounds.height());
        x += w;
        if (cell.left() >= clientRight || cell.right() < 0) continue;
        const CellLook look = ResolveCell(id, c, sel);
        p.save();
        p.setClipRect(cell);
        QRect textRect = cell;
        if (c == 0) {
            p.fillRect(cell, GetSysColor(SysColor::Window));
            if (state > 0 && state <= stateImages_.size()) p.drawPixmap(StateRect(bounds).topLeft(), stateImages_[state - 1]);
            if (icon >= 0 && icon < smallImages_.size()) p.drawPixmap(IconRect(bounds).topLeft(), smallImages_[icon]);
            textRect = LabelRect(bounds);
            p.fillRect(textRect, look.back);
        } else {
            p.fillRect(cell, look.back);
        }
        p.setFont(look.font);
        p.setPen(look.text);
        const QRect tr = textRect.adjusted(3, 0, -3, 0);
        const int align = ColumnAlign(GetColumnFormat(c));
        p.drawText(tr, align | Qt::AlignVCenter | Qt::TextSingleLine,
                   QFontMetrics(look.font).elidedText(texts[static_cast<std::size_t>(c)], Qt::ElideRight, tr.width()));
        p.restore();
    }
}

}  // namespace uikit
