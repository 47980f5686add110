#include "UiTestUtil.h"
#include "uikit/ColorListCtrl.h"
#include "uikit/MenuTables.h"
#include "uikit/SortHeaderCtrl.h"
#include "uikit/SortListCtrl.h"
#include "uikit/SysColors.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTreeWidget>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace uikit;
using uitest::Near;

namespace {

struct ColumnSpec {
    const char* heading;
    int format;
    int width;
};

// Gives a list its columns and store, and shows it at size.
void ShowList(CReportListView& list, rows::RowStore& store, std::initializer_list<ColumnSpec> columns, QSize size) {
    int col = 0;
    for (const ColumnSpec& c : columns) list.InsertColumn(col++, QString::fromUtf8(c.heading), c.format, c.width);
    list.SetStore(store);
    list.resize(size);
    list.show();
}

struct SortListFixture : ::testing::Test {
    rows::RowStore store{3};
    CSortListCtrl list;
    void SetUp() override {
        ShowList(list, store, {{"号码", LVCFMT_LEFT, 120}, {"内容", LVCFMT_LEFT, 120}, {"数量", LVCFMT_RIGHT, 80}}, {400, 200});
    }
    std::vector<std::string> Column(int col) {
        list.Model()->Sync();
        std::vector<std::string> out;
        for (int r = 0; r < list.GetItemCount(); ++r) out.push_back(*store.Cell(list.GetItemId(r), col));
        return out;
    }
    QPoint HeaderCentre(int col) {
        CSortHeaderCtrl* h = list.GetHeaderCtrl();
        return QPoint(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2);
    }
    void ClickHeader(QPoint pt) {
        QWidget* vp = list.GetHeaderCtrl()->viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, pt);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, pt);
    }
    QImage Rows() { return list.viewport()->grab().toImage(); }
};

TEST_F(SortListFixture, HeaderClicksSortTheStoreAndKeepItemData) {
    const char* texts[] = {"10", "9", "", "9a", "B", "a", "中", "z"};
    std::int64_t data = 100;
    for (const char* t : texts) store.Append({t, "x", "1"}, 0, data++);
    list.Model()->Sync();

    ClickHeader(HeaderCentre(0));
    EXPECT_EQ(list.GetSortColumn(), 0);
    EXPECT_TRUE(list.IsAscending());
    // Mixed column: "10"/"9a" etc. compare as text; "" and the digits only among themselves numerically.
    const std::vector<std::string> asc = Column(0);
    EXPECT_EQ(asc, (std::vector<std::string>{"", "9", "10", "9a", "B", "a", "z", "中"}));
    ClickHeader(HeaderCentre(0));
    EXPECT_FALSE(list.IsAscending());
    std::vector<std::string> desc = asc;
    std::reverse(desc.begin(), desc.end());
    EXPECT_EQ(Column(0), desc);
    EXPECT_EQ(list.GetHeaderCtrl()->GetSortColumn(), 0);
    EXPECT_FALSE(list.GetHeaderCtrl()->GetSortAscending());
    // Item data stayed with its text.
    for (const auto& r : store.Snapshot()) {
        const auto at = std::find_if(std::begin(texts), std::end(texts), [&](const char* t) { return r.cells[0] == t; });
        EXPECT_EQ(r.data, 100 + (at - std::begin(texts))) << r.cells[0];
    }
    // Another column starts ascending.
    ClickHeader(HeaderCentre(2));
    EXPECT_EQ(list.GetSortColumn(), 2);
    EXPECT_TRUE(list.IsAscending());
}

TEST_F(SortListFixture, TiesKeepTheirOrderBothWays) {
    // 40 rows of two keys, in an order of the keys with no pattern; column 1 numbers them.
    std::vector<std::string> a, b;
    for (int i = 0; i < 40; ++i) {
        const bool first = (i * 7 + i / 3) % 5 < 2;
        store.Append({first ? "甲" : "乙", std::to_string(i), ""});
        (first ? a : b).push_back(std::to_string(i));
    }
    std::vector<std::string> asc = a, desc = b;
    asc.insert(asc.end(), b.begin(), b.end());
    desc.insert(desc.end(), a.begin(), a.end());
    ClickHeader(HeaderCentre(0));
    EXPECT_EQ(Column(1), asc);
    ClickHeader(HeaderCentre(0));
    EXPECT_EQ(Column(1), desc);
}

TEST_F(SortListFixture, NumbersSortByValue) {
    for (const char* t : {"10", "9", "", "13800000000", "2"}) store.Append({t, "", ""});
    list.SortColumn(0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"", "2", "9", "10", "13800000000"}));
}

TEST_F(SortListFixture, DividerOtherItemAndDisabledSortDoNothing) {
    for (const char* t : {"b", "a"}) store.Append({t, "", ""});
    list.Model()->Sync();
    CSortHeaderCtrl* h = list.GetHeaderCtrl();
    QWidget* vp = h->viewport();
    // Release on the divider between columns 0 and 1.
    const QPoint divider(h->sectionViewportPosition(1) - 1, h->height() / 2);
    bool onDivider = false;
    EXPECT_EQ(h->HitTest(divider, &onDivider), 0);
    EXPECT_TRUE(onDivider);
    ClickHeader(divider);
    EXPECT_EQ(list.GetSortColumn(), -1);
    // Press on one item, release on another.
    QTest::mousePress(vp, Qt::LeftButton, {}, HeaderCentre(0));
    EXPECT_EQ(h->GetPressedItem(), 0);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, HeaderCentre(1));
    EXPECT_EQ(h->GetPressedItem(), -1);
    EXPECT_EQ(list.GetSortColumn(), -1);
    // Sorting disabled.
    EXPECT_TRUE(list.EnableSort(false));
    ClickHeader(HeaderCentre(0));
    EXPECT_EQ(list.GetSortColumn(), -1);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"b", "a"}));
    EXPECT_FALSE(list.EnableSort(true));
    ClickHeader(HeaderCentre(0));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "b"}));
}

TEST_F(SortListFixture, RowGradientHighlightAndEmptyArea) {
    store.Append({"13800000000", "你好", "1"});
    store.Append({"13900000000", "再见", "2"});
    list.Model()->Sync();
    list.SetShowSelAlways(true);
    const int h = list.RowHeight();
    const int w = list.viewport()->width();

    QImage img = Rows();
    // Row gradient left to right over the row, and below the last row (the empty area).
    EXPECT_TRUE(Near(img, 0, 1, QColor(252, 255, 252)));
    EXPECT_TRUE(Near(img, w - 1, 1, QColor(218, 246, 249)));
    EXPECT_TRUE(Near(img, w / 2, 1, QColor(252 - 34 * (w / 2) / w, 255 - 9 * (w / 2) / w, 252 - 3 * (w / 2) / w)));
    EXPECT_TRUE(Near(img, w - 1, 2 * h + 5, QColor(218, 246, 249)));
    EXPECT_TRUE(Near(img, 0, 2 * h + 5, QColor(252, 255, 252)));

    // Mode 2: the selected row is a two-half vertical gradient up to the client's right edge.
    list.SetItemSelected(1, true);
    img = Rows();
    const int top = h;
    EXPECT_TRUE(Near(img, w - 1, top, QColor(190, 209, 254)));
    EXPECT_TRUE(Near(img, w - 1, top + h / 2, QColor(255, 255, 255)));
    EXPECT_TRUE(Near(img, w - 1, top + h - 1, QColor(190, 209, 254), 12));  // the last step of B to A
    EXPECT_TRUE(Near(img, 0, top, QColor(190, 209, 254)));                     // starts 2 px left of the label
    EXPECT_TRUE(Near(img, w - 1, 1, QColor(218, 246, 249)));                   // row 0 untouched
    uitest::SaveScreen(list.grab().toImage(), "sortlist_mode2");

    // Mode 1: the row's columns only; mode 0: the first label's text plus two blanks.
    list.SetHighlightMode(1);
    img = Rows();
    EXPECT_TRUE(Near(img, 319, top, QColor(190, 209, 254)));
    EXPECT_TRUE(Near(img, 330, top, QColor(252 - 34 * 330 / w, 255 - 9 * 330 / w, 252 - 3 * 330 / w)));
    list.SetHighlightMode(0);
    img = Rows();
    const QFontMetrics fm(list.font());
    const int right = fm.horizontalAdvance("13900000000") + 2 * fm.horizontalAdvance(' ');
    EXPECT_TRUE(Near(img, right - 1, top, QColor(190, 209, 254)));
    EXPECT_FALSE(Near(img, right + 1, top, QColor(190, 209, 254)));
    // Without the focus and without show-selection-always nothing is highlighted.
    list.SetShowSelAlways(false);
    list.clearFocus();
    img = Rows();
    EXPECT_TRUE(Near(img, 0, top, QColor(252, 255, 252)));
}

// The rows the page's actions act on stay highlighted, the same way, when the focus leaves the
// list (to another control, a dialog or a menu).
TEST(SortList, SelectionDrawnTheSameWithoutFocus) {
    rows::RowStore store{2};  // outlives the list
    QWidget window;
    auto* list = new CSortListCtrl(&window);
    auto* other = new QLineEdit(&window);
    for (const char* n : {"13800000000", "13900000000", "13700000000"}) store.Append({n, "x"});
    int col = 0;
    for (const char* h : {"号码", "内容"}) list->InsertColumn(col++, QString::fromUtf8(h), LVCFMT_LEFT, 120);
    list->SetStore(store);
    list->setGeometry(0, 0, 300, 120);
    other->setGeometry(0, 130, 100, 20);
    window.resize(300, 160);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    list->Model()->Sync();
    list->SetItemSelected(1, true);
    list->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->hasFocus(); }));
    const QImage focused = list->viewport()->grab().toImage();
    other->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other->hasFocus(); }));
    const QImage unfocused = list->viewport()->grab().toImage();
    uitest::SaveScreen(unfocused, "sortlist_selection_unfocused");
    const int y = list->RowHeight();
    EXPECT_TRUE(Near(unfocused, 290, y, QColor(190, 209, 254)));
    EXPECT_TRUE(Near(unfocused, 0, 1, QColor(252, 255, 252)));  // row 0 is not selected
    // Row 1 alike with and without the focus (the focus rectangle aside, which only row 1 would get).
    for (int x = 0; x < unfocused.width(); x += 7) EXPECT_EQ(focused.pixel(x, y), unfocused.pixel(x, y)) << x;
}

// The trees and plain lists of the pages draw their selection in the table's highlight, also in
// a window that is not active (a dialog or a menu over it).
TEST(SortList, PlainViewsSelectInTheTableHighlightInAnInactiveWindow) {
    QPalette pal = QApplication::palette();
    uikit::SetSelectionColours(pal);
    QTreeWidget tree;
    tree.setPalette(pal);
    tree.setHeaderHidden(true);
    tree.addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("彩信仓库")}));
    tree.addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("节日")}));
    tree.resize(160, 80);
    tree.topLevelItem(1)->setSelected(true);
    ASSERT_FALSE(tree.isActiveWindow());
    const QImage img = tree.viewport()->grab().toImage();
    const QRect r = tree.visualItemRect(tree.topLevelItem(1));
    EXPECT_TRUE(Near(img, r.right() - 2, r.center().y(), uikit::GetSysColor(SysColor::Highlight), 0));
}

TEST_F(SortListFixture, EmptyListShowsGradientBelowHeader) {
    const QImage img = Rows();
    const int w = img.width();
    EXPECT_TRUE(Near(img, 0, 0, QColor(252, 255, 252)));
    EXPECT_TRUE(Near(img, w - 1, img.height() - 1, QColor(218, 246, 249)));
}

TEST_F(SortListFixture, StateImageClickTogglesOnceAndPaintingKeepsSelection) {
    list.SetStateImageList(LoadImageStrip(QStringLiteral(":/bmp/liststate.png"), 16));
    ASSERT_EQ(list.GetItemCount(), 0);
    const auto id = store.Append({"a", "b", "c"});
    store.SetState(id, 1);
    store.SetState(store.Append({"13800000000", "第二行", "2"}), 2);
    list.Model()->Sync();
    QSignalSpy toggled(&list, &CSortListCtrl::StateToggled);
    QSignalSpy selChanged(list.selectionModel(), &QItemSelectionModel::selectionChanged);
    const QPoint onState(8, list.RowHeight() / 2);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, onState);
    EXPECT_EQ(store.State(id), 2);
    EXPECT_EQ(toggled.count(), 1);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, onState);
    EXPECT_EQ(store.State(id), 1);
    // A click on the label does not toggle.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(60, list.RowHeight() / 2));
    EXPECT_EQ(store.State(id), 1);
    const int clicks = selChanged.count();
    list.SetShowSelAlways(true);
    for (int i = 0; i < 3; ++i) (void)Rows();
    EXPECT_EQ(selChanged.count(), clicks);
    EXPECT_EQ(list.GetSelectedRows(), std::vector<int>{0});
    uitest::SaveScreen(list.grab().toImage(), "sortlist_states");
}

TEST_F(SortListFixture, HeaderLooksAndSortTriangle) {
    CSortHeaderCtrl* h = list.GetHeaderCtrl();
    QWidget* vp = h->viewport();
    const int hh = vp->height();
    auto grab = [&] { return vp->grab().toImage(); };
    const int x0 = HeaderCentre(0).x();

    QImage img = grab();
    EXPECT_TRUE(Near(img, x0, 1, QColor(255, 255, 255), 3));
    EXPECT_TRUE(Near(img, x0, hh - 3, QColor(220, 220, 220), 8));
    EXPECT_TRUE(Near(img, x0, hh - 1, QColor(255, 255, 255), 0));       // the white bottom line
    EXPECT_TRUE(Near(img, h->sectionSize(0) - 1, hh / 2, QColor(172, 168, 153), 0));  // raised inner edge

    QTest::mouseMove(vp, HeaderCentre(0));
    EXPECT_EQ(h->GetHotItem(), 0);
    img = grab();
    uitest::SaveScreen(img, "sortheader_hot");
    EXPECT_TRUE(Near(img, x0, 1, QColor(220, 220, 220), 3));
    EXPECT_TRUE(Near(img, x0, hh - 3, QColor(251, 191, 78), 12));
    QTest::mousePress(vp, Qt::LeftButton, {}, HeaderCentre(0));
    img = grab();
    EXPECT_TRUE(Near(img, x0, 1, QColor(251, 191, 78), 3));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, HeaderCentre(0));
    EXPECT_EQ(list.GetSortColumn(), 0);

    // The triangle: ascending, apex and base in the highlight colour, left side in the shadow.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(vp, &leave);
    EXPECT_EQ(h->GetHotItem(), -1);
    const QRect item(1 + 1, 1, h->sectionSize(0) - 1 - 2, hh - 1 - 2);
    img = grab();
    uitest::SaveScreen(img, "sortheader_ascending");
    auto t = CSortHeaderCtrl::SortTriangle(item, true);
    const int r = item.x() + item.width(), b = item.y() + item.height(), m = item.height() / 4;
    EXPECT_EQ(t.apex, QPoint(r - 2 * m, m));
    EXPECT_EQ(t.left, QPoint(r - 3 * m - 2, b - m - 1));
    EXPECT_EQ(t.right, QPoint(r - m, b - m - 1));
    EXPECT_TRUE(Near(img, t.apex.x(), t.apex.y(), QColor(255, 255, 255), 0));
    EXPECT_TRUE(Near(img, (t.left.x() + t.right.x()) / 2, t.left.y(), QColor(255, 255, 255), 0));
    EXPECT_TRUE(Near(img, t.left.x(), t.left.y(), QColor(172, 168, 153), 0));
    // Descending: apex at the bottom, top side and left side in the shadow.
    ClickHeader(HeaderCentre(0));
    QApplication::sendEvent(vp, &leave);
    img = grab();
    t = CSortHeaderCtrl::SortTriangle(item, false);
    EXPECT_EQ(t.apex, QPoint(r - 2 * m - 1, b - m));
    EXPECT_EQ(t.left, QPoint(r - 3 * m - 1, m));
    EXPECT_EQ(t.right, QPoint(r - m - 1, m));
    EXPECT_TRUE(Near(img, t.apex.x(), t.apex.y(), QColor(172, 168, 153), 0));
    EXPECT_TRUE(Near(img, (t.left.x() + t.right.x()) / 2, m, QColor(172, 168, 153), 0));
    EXPECT_TRUE(Near(img, t.right.x(), t.right.y(), QColor(255, 255, 255), 0));
}

TEST_F(SortListFixture, DraggedColumnMovesWithItsDataAndSortColumn) {
    store.Append({"a1", "a2", "a3"});
    list.SortColumn(2);
    list.GetHeaderCtrl()->SetDragEnable(true);
    QWidget* vp = list.GetHeaderCtrl()->viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, HeaderCentre(2));
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 5), vp->mapToGlobal(QPointF(3, 5)), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(vp, &move);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(3, 5));
    EXPECT_EQ(list.GetColumnHeading(0), "数量");
    EXPECT_EQ(list.GetColumnFormat(0), LVCFMT_RIGHT);
    EXPECT_EQ(list.GetColumnWidth(0), 80);
    EXPECT_EQ(Column(0), std::vector<std::string>{"a3"});
    EXPECT_EQ(Column(1), std::vector<std::string>{"a1"});
    EXPECT_EQ(list.GetSortColumn(), 0);
}

// --- CColorListCtrl -------------------------------------------------------------------------

struct ColorListFixture : ::testing::Test {
    rows::RowStore store{3};
    CColorListCtrl list;
    void SetUp() override {
        ShowList(list, store, {{"A", LVCFMT_LEFT, 80}, {"B", LVCFMT_LEFT, 80}, {"C", LVCFMT_LEFT, 80}}, {300, 150});
        for (int i = 0; i < 3; ++i) ASSERT_EQ(list.InsertItem(i, QString("row%1").arg(i)), i);
    }
    CellFormat Fmt(unsigned flags, QColor text = {}, QColor back = {}) { return CellFormat{flags, text, back}; }
};

TEST_F(ColorListFixture, ColoursResolveCellRowColumnWithStops) {
    const QColor red(255, 0, 0), green(0, 255, 0), blue(0, 0, 255), grey(128, 128, 128);
    list.SetColumnFormat(1, Fmt(LIS_TXTCOLOR | LIS_BKCOLOR, blue, grey));
    list.SetItemFormat(0, -1, Fmt(LIS_TXTCOLOR, green));
    list.SetItemFormat(0, 1, Fmt(LIS_TXTCOLOR, red));
    EXPECT_EQ(list.ResolveCell(0, 1).text, red);    // cell first
    EXPECT_EQ(list.ResolveCell(0, 1).back, grey);   // column gives what the others lack
    EXPECT_EQ(list.ResolveCell(0, 2).text, green);  // row level
    EXPECT_EQ(list.ResolveCell(1, 1).text, blue);   // column only
    EXPECT_EQ(list.ResolveCell(2, 0).text, QColor(0, 0, 0));
    EXPECT_EQ(list.ResolveCell(2, 0).back, QColor(255, 255, 255));
    // 64 on the cell: nothing from row or column.
    list.SetItemFormat(0, 1, Fmt(LIS_TXTCOLOR | LIS_NOCOLORS, red));
    EXPECT_EQ(list.ResolveCell(0, 1).back, QColor(255, 255, 255));
    // 128 on the row: nothing from the column.
    list.SetItemFormat(1, -1, Fmt(LIS_NOCOLCOLORS));
    EXPECT_EQ(list.ResolveCell(1, 1).text, QColor(0, 0, 0));
    // Selected rows: the selected record, else the normal one, else the highlight colours.
    list.SetItemSelected(2, true);
    EXPECT_EQ(list.ResolveCell(2, 0).back, QColor(49, 106, 197));
    EXPECT_EQ(list.ResolveCell(2, 0).text, QColor(255, 255, 255));
    list.SetItemFormat(2, -1, Fmt(LIS_BKCOLOR, {}, green), true);
    EXPECT_EQ(list.ResolveCell(2, 0).back, green);
    EXPECT_EQ(list.ResolveCell(2, 1).text, blue);  // column's normal record, it has no selected one
}

TEST_F(ColorListFixture, FontsCombineColumnThenCell) {
    list.SetColumnFormat(1, Fmt(LIS_BOLD));
    list.SetItemFormat(0, 1, Fmt(LIS_ITALIC | LIS_UNDERLINE));
    const QFont f = list.ResolveCell(0, 1).font;
    EXPECT_EQ(f.weight(), QFont::Bold);
    EXPECT_TRUE(f.italic());
    EXPECT_TRUE(f.underline());
    EXPECT_FALSE(f.strikeOut());
    EXPECT_EQ(list.ResolveCell(1, 1).font.weight(), QFont::Bold);
    EXPECT_FALSE(list.ResolveCell(1, 1).font.italic());
    EXPECT_EQ(list.ResolveCell(1, 2).font, list.font());
}

TEST_F(ColorListFixture, SelectedRowsPaintHighlightWithoutFocusAndSelectionStays) {
    list.SetItemFormat(0, 2, Fmt(LIS_BKCOLOR, {}, QColor(255, 255, 0)));
    list.SetItemSelected(1, true);
    QSignalSpy spy(list.selectionModel(), &QItemSelectionModel::selectionChanged);
    const QImage img = list.viewport()->grab().toImage();
    const int h = list.RowHeight();
    EXPECT_TRUE(Near(img, 200, h + h / 2, QColor(49, 106, 197), 0));
    EXPECT_TRUE(Near(img, 200, h / 2 - 4, QColor(255, 255, 0), 0));
    EXPECT_TRUE(Near(img, 260, h + h / 2, QColor(255, 255, 255), 0));  // right of the columns
    EXPECT_TRUE(Near(img, 200, 2 * h + 2, QColor(255, 255, 255), 0));
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(list.GetSelectedRows(), std::vector<int>{1});
    uitest::SaveScreen(list.grab().toImage(), "colorlist");
    // Formats move with their rows and go with them.
    store.MoveToTop({store.IdAt(2)});
    list.Model()->Sync();
    EXPECT_EQ(list.ResolveCell(1, 2).back, QColor(255, 255, 0));
    EXPECT_TRUE(list.DeleteItem(1));
    list.clearSelection();
    for (int r = 0; r < list.GetItemCount(); ++r) EXPECT_EQ(list.ResolveCell(r, 2).back, QColor(255, 255, 255)) << r;
}

}  // namespace

namespace {

TEST_F(SortListFixture, ClicksKeysAndScrollingSelectWholeRows) {
    for (int i = 0; i < 50; ++i) store.Append({std::to_string(i), "", ""});
    list.Model()->Sync();
    const int h = list.RowHeight();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(200, h + 2));
    EXPECT_EQ(list.GetSelectedRows(), std::vector<int>{1});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 3 * h + 2));
    EXPECT_EQ(list.GetSelectedRows(), (std::vector<int>{1, 2, 3}));
    QTest::keyClick(list.viewport(), Qt::Key_Down);
    EXPECT_EQ(list.GetSelectedRows(), std::vector<int>{4});
    QTest::keyClick(list.viewport(), Qt::Key_End);
    EXPECT_EQ(list.GetSelectedRows(), std::vector<int>{49});
    EXPECT_EQ(list.TopRow(), list.verticalScrollBar()->maximum());
    EXPECT_GT(list.TopRow(), 0);
    // A click below the last row selects nothing new.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, list.viewport()->height() - 1));
    EXPECT_LE(list.GetSelectedRows().size(), 1u);
    // The selection follows its rows through a sort.
    list.clearSelection();
    list.SetItemSelected(0, true);  // "0"
    list.SortColumn(0);
    list.SortColumn(0);             // descending: "0" goes last
    EXPECT_EQ(list.GetSelectedRows(), std::vector<int>{49});
}

}  // namespace
