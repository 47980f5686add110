#pragma once
// Report-style lists over a row store: the common view (CReportListView), the sortable
// gradient list (CSortListCtrl) and the two gradient helpers that the lists and the header
// paint with. The rows live in a rows::RowStore; the view shows it through a RowStoreModel
// and paints only the rows in sight.
#include "platform/RowStore.h"
#include "platform/RowStoreModel.h"

#include <QAbstractItemView>
#include <QColor>
#include <QHeaderView>
#include <QList>
#include <QPixmap>
#include <memory>
#include <vector>

class QPainter;

namespace uikit {

// Column formats (LVCFMT_*).
enum : int { LVCFMT_LEFT = 0, LVCFMT_RIGHT = 1, LVCFMT_CENTER = 2 };

// The Qt horizontal alignment of a column format.
inline int ColumnAlign(int fmt) {
    return fmt == LVCFMT_RIGHT ? Qt::AlignRight : fmt == LVCFMT_CENTER ? Qt::AlignHCenter : Qt::AlignLeft;
}
// Column structure fields (LVCF_*).
enum : unsigned { LVCF_FMT = 1, LVCF_WIDTH = 2, LVCF_TEXT = 4, LVCF_SUBITEM = 8 };

struct LVCOLUMN {
    unsigned mask = 0;
    int fmt = LVCFMT_LEFT;
    int cx = 0;
    QString pszText;
    int iSubItem = 0;
};

// One two-colour gradient over the rectangle: top to bottom when vertical, else left to right.
void DrawGradientRect(QPainter& p, const QRect& r, bool vertical, const QColor& from, const QColor& to);
// The rectangle in two halves (the first (size)/2 long): A to B, then B to A.
void DrawGradientRect2(QPainter& p, const QRect& r, bool vertical, const QColor& a, const QColor& b);

// A list in report view over a row store: columns, rows of a fixed height, full-row selection,
// a header above the rows. Derived lists paint the rows.
class CReportListView : public QAbstractItemView {
    Q_OBJECT
public:
    explicit CReportListView(QWidget* parent = nullptr);
    ~CReportListView() override;

    // Shows the store (which must outlive the view or be replaced first).
    void SetStore(rows::RowStore& store);
    rows::RowStore* Store() const { return store_; }
    rows::RowStoreModel* Model() const { return model_.get(); }

    // Inserts (shows) a column: list column i shows store column i. Returns its index, or -1.
    int InsertColumn(int nCol, const QString& heading, int nFormat = LVCFMT_LEFT, int nWidth = -1,
                     int nSubItem = -1);
    int InsertColumnEx(int nCol, const LVCOLUMN& col);
    int GetColumnCount() const { return static_cast<int>(columns_.size()); }
    int GetColumnWidth(int col) const;
    int GetColumnFormat(int col) const;
    QString GetColumnHeading(int col) const;

    // Image lists: small icons (by the row's icon) and state images (state n is image n-1).
    void SetSmallImageList(const QList<QPixmap>& images) { smallImages_ = images; viewport()->update(); }
    void SetStateImageList(const QList<QPixmap>& images) { stateImages_ = images; viewport()->update(); }
    void SetShowSelAlways(bool on) { showSelAlways_ = on; viewport()->update(); }
    bool ShowSelAlways() const { return showSelAlways_; }
    // Grid lines (LVS_EX_GRIDLINES): a line under every row and right of every column.
    void SetGridLines(bool on) { gridLines_ = on; viewport()->update(); }
    bool GridLines() const { return gridLines_; }

    int GetItemCount() const;
    rows::RowId GetItemId(int row) const;
    int RowHeight() const { return rowHeight_; }
    void SetRowHeight(int h);
    int TopRow() const;
    // Selected rows, in view order.
    std::vector<int> GetSelectedRows() const;
    void SetItemSelected(int row, bool on);

    QHeaderView* Header() const { return header_; }

    // QAbstractItemView
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

protected:
    // The header must be set before the store.
    void SetHeader(QHeaderView* header);
    // Paints row `row` whose bounds (all columns, from the first column's left) are `bounds`.
    virtual void DrawRow(QPainter& p, int row, const QRect& bounds) = 0;
    // Paints the client area below the last row.
    virtual void DrawEmptyArea(QPainter& p, const QRect& area);
    // Cell texts of a row, read from the store in one go.
    std::vector<QString> RowTexts(rows::RowId id) const;
    // What row `row` shows: its id, cell texts, icon and state image.
    struct RowView {
        rows::RowId id{};
        std::vector<QString> texts;
        int icon = 0;
        int state = 0;
    };
    RowView ReadRow(int row) const;
    // Rectangle of the state image, icon and label inside a row's first column.
    QRect StateRect(const QRect& bounds) const;
    QRect IconRect(const QRect& bounds) const;
    QRect LabelRect(const QRect& bounds) const;
    int ColumnLeft(int col) const;  // viewport x
    bool RowHighlighted(int row) const;

    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    struct Column {
        QString heading;
        int fmt = LVCFMT_LEFT;
    };
    std::vector<Column> columns_;
    QList<QPixmap> smallImages_;
    QList<QPixmap> stateImages_;
    // The program's lists are all acted on by their selection: shown also without the focus.
    bool showSelAlways_ = true;
    bool gridLines_ = false;

private:
    void SyncHeadings();
    std::vector<int> pendingWidths_;
    bool inGeometries_ = false;
    QHeaderView* header_ = nullptr;
    rows::RowStore* store_ = nullptr;
    std::unique_ptr<rows::RowStoreModel> model_;
    int rowHeight_ = 17;
};

class CSortHeaderCtrl;

// The sortable list: gradient rows, the owner-drawn header and sorting by a header click.
class CSortListCtrl : public CReportListView {
    Q_OBJECT
public:
    explicit CSortListCtrl(QWidget* parent = nullptr);
    ~CSortListCtrl() override;

    // Sets the sort-enabled flag; returns the previous value.
    bool EnableSort(bool bEnable);
    // Sorts by the column: the same column again inverts the order, another starts ascending.
    // The store itself is reordered; item data, icons and states move with their rows.
    void SortColumn(int nCol);
    int GetSortColumn() const { return m_nSortCol; }
    bool IsAscending() const { return m_bAscending; }
    CSortHeaderCtrl* GetHeaderCtrl() const { return m_ctlHeader; }

    // Highlight modes: 0 the first column's label, 1 the whole row, 2 the row to the client's edge.
    void SetHighlightMode(int mode) { m_nHighlight = mode; viewport()->update(); }
    int GetHighlightMode() const { return m_nHighlight; }

    // Moves a column (heading, format, width, every row's text) to before column `to`; the
    // sort column stays on the same data. The header's drag calls this.
    void MoveColumn(int from, int to);

    // Row colours.
    QColor m_clrRowFrom{252, 255, 252};
    QColor m_clrRowTo{218, 246, 249};
    QColor m_clrHighlight{190, 209, 254};
    QColor m_clrHighlightMid{255, 255, 255};
    QColor m_clrHighlightText{0, 0, 255};

signals:
    // A state image was clicked and toggled (row id, new state).
    void StateToggled(rows::RowId id, int state);

protected:
    void DrawRow(QPainter& p, int row, const QRect& bounds) override;
    void DrawEmptyArea(QPainter& p, const QRect& area) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_nSortCol = -1;
    int m_nHighlight = 2;
    bool m_bSortEnabled = true;
    bool m_bAscending = true;
    CSortHeaderCtrl* m_ctlHeader = nullptr;
};

}  // namespace uikit
