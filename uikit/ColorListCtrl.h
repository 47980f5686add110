#pragma once
// A report list with text colour, background colour and font style per row, per cell and per
// column; selected rows always show in the highlight colours. Formats are kept by row handle,
// so they move with their rows, and rows without a format cost nothing.
#include "uikit/SortListCtrl.h"

#include <QFont>
#include <unordered_map>

namespace uikit {

// Format style flags.
enum : unsigned {
    LIS_BOLD = 1,
    LIS_ITALIC = 2,
    LIS_UNDERLINE = 4,
    LIS_STRIKEOUT = 8,
    LIS_TXTCOLOR = 16,
    LIS_BKCOLOR = 32,
    LIS_NOCOLORS = 64,     // later levels give no colours
    LIS_NOCOLCOLORS = 128, // the column gives no colours
};

struct CellFormat {
    unsigned flags = 0;
    QColor text;
    QColor back;
};

// A format record: the normal look and, optionally, the look while the row is selected.
struct FormatRecord {
    CellFormat normal;
    bool hasSelected = false;
    CellFormat selected;
    const CellFormat& For(bool sel) const { return sel && hasSelected ? selected : normal; }
};

struct LVITEM {
    int iItem = 0;
    QString pszText;
    std::int64_t lParam = 0;
    int iImage = 0;
};

class CColorListCtrl : public CReportListView {
    Q_OBJECT
public:
    explicit CColorListCtrl(QWidget* parent = nullptr);
    ~CColorListCtrl() override;

    // Inserts a row (text of the first column) with a fresh format; returns its index or -1.
    int InsertItem(int nItem, const QString& text);
    int InsertItem(const LVITEM& item);
    bool DeleteItem(int nItem);
    bool DeleteAllItems();

    // Formats: cell (sub-item >= 1), the row's record for all its cells (sub-item -1), column.
    void SetItemFormat(int nItem, int nSubItem, const CellFormat& fmt, bool selected = false);
    void SetColumnFormat(int nCol, const CellFormat& fmt, bool selected = false);
    void ClearFormats();

    // The colours and font a cell is drawn with.
    struct CellLook {
        QColor text, back;
        QFont font;
    };
    CellLook ResolveCell(int nItem, int nSubItem) const;
    CellLook ResolveCell(rows::RowId id, int nSubItem, bool selected) const;

protected:
    void DrawRow(QPainter& p, int row, const QRect& bounds) override;

private:
    struct RowFormat {
        FormatRecord row;
        std::vector<FormatRecord> cells;  // index = sub-item
    };
    void Prune();

    QColor m_clrHighlight;
    QColor m_clrHighlightText;
    std::vector<FormatRecord> m_arrColumns;
    std::unordered_map<rows::RowId, RowFormat> m_rowFormats;
};

}  // namespace uikit
