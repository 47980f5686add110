#pragma once
// The sortable list's header: gradient items, hot tracking, a pressed look, the sort triangle,
// clicks that sort and (when enabled) column dragging.
#include <QColor>
#include <QHeaderView>
#include <QPoint>
#include <vector>

namespace uikit {

class CSortListCtrl;

class CSortHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    using DragCallback = void (*)(CSortListCtrl* owner, int from, int to);

    explicit CSortHeaderCtrl(QWidget* parent = nullptr);

    void SetSortMark(int nCol, bool bAscending);
    int GetSortColumn() const { return m_nSortCol; }
    bool GetSortAscending() const { return m_bSortAsc; }
    void SetDragCallback(CSortListCtrl* owner, DragCallback callback);
    void SetDragEnable(bool on) { m_bDragEnable = on; }
    void SetOwnerList(CSortListCtrl* owner) { m_pOwnerList = owner; }
    int GetHotItem() const { return m_nHotItem; }
    int GetPressedItem() const { return m_nPressedItem; }

    // Hit test: the item under a point, or -1; onDivider tells a point on an item's border.
    int HitTest(const QPoint& pt, bool* onDivider = nullptr) const;

    // The three corners of the sort triangle of an item rectangle (right r, bottom b exclusive).
    struct Triangle {
        QPoint apex, left, right;
    };
    static Triangle SortTriangle(const QRect& item, bool ascending);

    QColor m_clrNormalTop{255, 255, 255};
    QColor m_clrNormalBottom{220, 220, 220};
    QColor m_clrHotTop{220, 220, 220};
    QColor m_clrHotBottom{251, 191, 78};

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void DrawItem(QPainter& p, int logical, const QRect& rect);

private:
    void SetHot(int item);
    int DropBoundary(int x) const;

    bool m_bTracking = false;
    int m_nHotItem = -1;
    bool m_bDragEnable = false;
    bool m_bPressCandidate = false;
    bool m_bDragging = false;
    std::vector<int> m_arrWidths;
    int m_nDragSource = -1;
    int m_nDragTarget = -1;
    QPoint m_ptPress;
    QRect m_rcDropArrow;
    DragCallback m_pfnColumnMoved = nullptr;
    CSortListCtrl* m_pOwnerList = nullptr;
    bool m_bSortAsc = true;
    int m_nSortCol = -1;
    int m_nPressedItem = -1;
};

}  // namespace uikit
