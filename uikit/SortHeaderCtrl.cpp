#include "uikit/SortHeaderCtrl.h"

#include "uikit/SortListCtrl.h"
#include "uikit/SysColors.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QStyle>
#include <cstdlib>

namespace uikit {

namespace {

// A line as the system draws one: from a up to, not including, b.
void GdiLine(QPainter& p, QPoint a, QPoint b, const QColor& c) {
    int x = a.x(), y = a.y();
    const int dx = std::abs(b.x() - x), dy = -std::abs(b.y() - y);
    const int sx = x < b.x() ? 1 : -1, sy = y < b.y() ? 1 : -1;
    int err = dx + dy;
    while (x != b.x() || y != b.y()) {
        p.fillRect(QRect(x, y, 1, 1), c);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

}  // namespace

CSortHeaderCtrl::CSortHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setSectionsClickable(false);
    setHighlightSections(false);
}

void CSortHeaderCtrl::SetSortMark(int nCol, bool bAscending) {
    m_nSortCol = nCol;
    m_bSortAsc = bAscending;
    viewport()->update();
}

void CSortHeaderCtrl::SetDragCallback(CSortListCtrl* owner, DragCallback callback) {
    m_pOwnerList = owner;
    m_pfnColumnMoved = callback;
}

int CSortHeaderCtrl::HitTest(const QPoint& pt, bool* onDivider) const {
    if (onDivider) *onDivider = false;
    if (pt.y() < 0 || pt.y() >= height()) return -1;
    const int item = logicalIndexAt(pt.x());
    if (item < 0) return -1;
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    const int left = sectionViewportPosition(item);
    const int right = left + sectionSize(item);
    const bool first = visualIndex(item) == 0;
    if (onDivider) *onDivider = pt.x() >= right - grip || (!first && pt.x() < left + grip);
    return item;
}

CSortHeaderCtrl::Triangle CSortHeaderCtrl::SortTriangle(const QRect& item, bool ascending) {
    const int r = item.x() + item.width();
    const int b = item.y() + item.height();
    const int m = item.height() / 4;
    if (ascending) return {QPoint(r - 2 * m, m), QPoint(r - 3 * m - 2, b - m - 1), QPoint(r - m, b - m - 1)};
    return {QPoint(r - 2 * m - 1, b - m), QPoint(r - 3 * m - 1, m), QPoint(r - m - 1, m)};
}

void CSortHeaderCtrl::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QRect client = viewport()->rect();
    DrawGradientRect(p, client, true, m_clrNormalTop, m_clrNormalBottom);
    p.fillRect(QRect(1, client.height() - 1, std::max(0, client.width() - 1), 1), Qt::white);
    const QColor shadow = GetSysColor(SysColor::BtnShadow);
    p.setFont(font());
    bool first = true;
    for (int v = 0; v < count(); ++v) {
        const int item = logicalIndex(v);
        if (isSectionHidden(item)) continue;
        QRect r(sectionViewportPosition(item), 0, sectionSize(item), client.height() - 1);
        if (first) r.setLeft(r.left() + 1);
        first = false;
        if (r.left() >= client.width() || r.right() < 0) continue;
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), shadow);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), shadow);
        DrawItem(p, item, r.adjusted(1, 1, -1, -1));
    }
    if (m_bDragging && !m_rcDropArrow.isNull()) {
        const QRect& a = m_rcDropArrow;
        QPolygon tri;
        tri << a.topLeft() << QPoint(a.right() + 1, a.top()) << QPoint(a.center().x(), a.bottom() + 1);
        p.setPen(Qt::NoPen);
        p.setBrush(GetSysColor(SysColor::BtnText));
        p.drawPolygon(tri);
    }
}

void CSortHeaderCtrl::DrawItem(QPainter& p, int item, const QRect& rect) {
    if (rect.width() <= 0 || rect.height() <= 0) return;
    p.save();
    p.setClipRect(rect);
    const bool hot = item == m_nHotItem;
    const bool pressed = item == m_nPressedItem;
    if (!hot) DrawGradientRect(p, rect, true, m_clrNormalTop, m_clrNormalBottom);
    else if (!pressed) DrawGradientRect(p, rect, true, m_clrHotTop, m_clrHotBottom);
    else DrawGradientRect(p, rect, true, m_clrHotBottom, m_clrHotTop);

    QRect tr = rect;
    if (pressed) tr.translate(1, 2);
    const int m = rect.height() / 4;
    tr.adjust(m, 0, -m, 0);
    const bool sorted = item == m_nSortCol;
    if (sorted) tr.setRight(tr.right() - 3 * m);
    const QString text = model() ? model()->headerData(item, Qt::Horizontal, Qt::DisplayRole).toString() : QString();
    const int fmt = m_pOwnerList ? m_pOwnerList->GetColumnFormat(item) : LVCFMT_LEFT;
    const int align = ColumnAlign(fmt);
    p.setPen(GetSysColor(SysColor::BtnText));
    p.drawText(tr, align | Qt::AlignVCenter | Qt::TextSingleLine,
               p.fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, tr.width())));

    if (sorted) {
        const QColor hi = GetSysColor(SysColor::BtnHighlight), sh = GetSysColor(SysColor::BtnShadow);
        const Triangle t = SortTriangle(rect, m_bSortAsc);
        if (m_bSortAsc) {
            GdiLine(p, t.apex, t.right, hi);
            GdiLine(p, t.right, t.left, hi);
            GdiLine(p, t.left, t.apex, sh);
        } else {
            GdiLine(p, t.right, t.apex, hi);
            GdiLine(p, t.apex, t.left, sh);
            GdiLine(p, t.left, t.right, sh);
        }
    }
    p.restore();
}

void CSortHeaderCtrl::SetHot(int item) {
    if (item == m_nHotItem) return;
    m_nHotItem = item;
    viewport()->update();
}

int CSortHeaderCtrl::DropBoundary(int x) const {
    // The column whose left border is nearest; count() for the right end.
    int best = 0, bestDist = INT32_MAX;
    for (int v = 0; v <= count(); ++v) {
        int bx;
        if (v < count()) bx = sectionViewportPosition(logicalIndex(v));
        else bx = count() ? sectionViewportPosition(logicalIndex(count() - 1)) + sectionSize(logicalIndex(count() - 1)) : 0;
        if (v < count() && isSectionHidden(logicalIndex(v))) continue;
        const int d = std::abs(bx - x);
        if (d < bestDist) {
            bestDist = d;
            best = v;
        }
    }
    return best;
}

void CSortHeaderCtrl::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        bool divider = false;
        const QPoint pt = e->position().toPoint();
        m_nPressedItem = HitTest(pt, &divider);
        m_bPressCandidate = m_bDragEnable && m_nPressedItem >= 0 && !divider;
        m_nDragSource = m_nPressedItem;
        m_ptPress = pt;
        viewport()->update();
    }
    QHeaderView::mousePressEvent(e);
}

void CSortHeaderCtrl::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pt = e->position().toPoint();
    if (m_bPressCandidate && (e->buttons() & Qt::LeftButton) && !m_bDragging &&
        (pt - m_ptPress).manhattanLength() >= QApplication::startDragDistance()) {
        m_bDragging = true;
        m_arrWidths.clear();
        for (int c = 0; c < count(); ++c) m_arrWidths.push_back(sectionSize(c));
        grabMouse();
    }
    if (m_bDragging) {
        m_nDragTarget = DropBoundary(pt.x());
        int bx = 0;
        for (int v = 0; v < m_nDragTarget && v < count(); ++v)
            if (!isSectionHidden(logicalIndex(v))) bx += m_arrWidths[static_cast<std::size_t>(logicalIndex(v))];
        bx -= offset();
        const int h = height() / 2;
        m_rcDropArrow = QRect(bx - h / 2, height() - h, h, h);
        viewport()->update();
        return;
    }
    QHeaderView::mouseMoveEvent(e);
    m_bTracking = true;
    bool divider = false;
    const int item = HitTest(pt, &divider);
    if (item < 0) SetHot(-1);
    else if (!divider && item != m_nHotItem) SetHot(item);
}

void CSortHeaderCtrl::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint pt = e->position().toPoint();
    bool divider = false;
    const int item = HitTest(pt, &divider);
    const int pressed = m_nPressedItem;
    const bool wasDragging = m_bDragging;
    m_nPressedItem = -1;
    m_bPressCandidate = false;
    if (wasDragging) {
        m_bDragging = false;
        releaseMouse();
        m_rcDropArrow = QRect();
        viewport()->update();
        const int target = m_nDragTarget;
        if (m_pfnColumnMoved && m_pOwnerList && target != m_nDragSource && target != m_nDragSource + 1)
            m_pfnColumnMoved(m_pOwnerList, m_nDragSource, target);
        return;
    }
    QHeaderView::mouseReleaseEvent(e);
    viewport()->update();
    if (e->button() == Qt::LeftButton && item >= 0 && item == pressed && !divider && m_pOwnerList)
        m_pOwnerList->SortColumn(item);
}

bool CSortHeaderCtrl::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::Leave) {
        m_bTracking = false;
        SetHot(-1);
    }
    return QHeaderView::viewportEvent(e);
}

void CSortHeaderCtrl::leaveEvent(QEvent* e) {
    m_bTracking = false;
    SetHot(-1);
    QHeaderView::leaveEvent(e);
}

}  // namespace uikit
