#include "UiTestUtil.h"
#include "uikit/IconMenu.h"
#include "uikit/MenuEx.h"
#include "uikit/SysColors.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace uikit;
using uitest::Near;

namespace {

const QColor kHighlight(49, 106, 197);
const QColor kBtnFace(236, 233, 216);
const QColor kShadow(172, 168, 153);
const QColor kWhite(255, 255, 255);

int TextWidth(const QString& s) { return QFontMetrics(MenuFont()).horizontalAdvance(s); }
// What the menu adds to an owner-drawn item's measured width: a check mark less one.
constexpr int kCheckExtra = kMenuCheckWidth - 1;

// The pages' settings: 16 x 16 images on white, both flat flags set.
struct IconMenuFixture : ::testing::Test {
    CIconMenu menu;
    void SetUp() override {
        CIconMenu::s_bXPFlat = true;
        CIconMenu::s_bOtherFlat = true;
        CIconMenu::s_nPaletteDisplay = 0;
        menu.SetIconSize(16, 16);
        menu.SetBitmapBackground(kWhite);
    }
    void TearDown() override { CIconMenu::s_nPaletteDisplay = -1; }
    QMenu* Popup(int id) {
        EXPECT_TRUE(menu.LoadMenu(id));
        CIconMenu* sub = menu.GetSubMenu(0);
        EXPECT_NE(sub, nullptr);
        QMenu* m = sub->GetMenu();
        m->adjustSize();
        return m;
    }
    static QImage Render(QMenu* m, QAction* active) {
        m->setActiveAction(active);
        return m->grab().toImage();
    }
};

TEST_F(IconMenuFixture, FlatItemsMeasureAsTheSystemDid) {
    QMenu* m = Popup(143);
    const QList<QAction*> acts = m->actions();
    ASSERT_EQ(acts.size(), 4);
    int widest = 0;
    for (QAction* a : acts)
        if (!a->isSeparator()) widest = std::max(widest, TextWidth(a->text()));
    EXPECT_EQ(m->actionGeometry(acts[0]).height(), 23);   // max(19, 16 + 7)
    EXPECT_EQ(m->actionGeometry(acts[2]).height(), 11);   // (16 + 7) / 2
    EXPECT_EQ(m->actionGeometry(acts[0]).width(), widest + 31 + kCheckExtra);
    CIconMenu::ItemState st;
    st.text = "删除分组";
    EXPECT_EQ(menu.MeasureItem(st), QSize(TextWidth(st.text) + 31, 23));
}

TEST_F(IconMenuFixture, PaletteDisplayUsesClassicPainter) {
    CIconMenu::s_nPaletteDisplay = 1;
    EXPECT_FALSE(menu.UsesFlatPainter());
    QMenu* m = Popup(143);
    const QList<QAction*> acts = m->actions();
    EXPECT_EQ(m->actionGeometry(acts[0]).height(), 20);   // max(19, 16 + 4)
    EXPECT_EQ(m->actionGeometry(acts[2]).height(), 10);   // (16 + 4) / 2
    const int widest = std::max({TextWidth(acts[0]->text()), TextWidth(acts[1]->text()), TextWidth(acts[3]->text())});
    EXPECT_EQ(m->actionGeometry(acts[0]).width(), widest + 2 * 16 + 1 + kCheckExtra);
    // Selected: highlight fill right of the image box; classic on XP paints the button face.
    const QImage img = Render(m, acts[1]);
    const QRect r = m->actionGeometry(acts[1]);
    EXPECT_TRUE(Near(img, r.right() - 2, r.top() + 1, kHighlight, 0));
    const QRect n = m->actionGeometry(acts[0]);
    EXPECT_TRUE(Near(img, n.right() - 2, n.top() + 1, kBtnFace, 0));
    uitest::SaveScreen(img, "iconmenu_classic");
    // The flags: with both off, the classic painter on any display.
    CIconMenu::s_nPaletteDisplay = 0;
    CIconMenu::s_bXPFlat = false;
    EXPECT_FALSE(menu.UsesFlatPainter());
    CIconMenu::s_bXPFlat = true;
    EXPECT_TRUE(menu.UsesFlatPainter());
}

TEST_F(IconMenuFixture, FlatPainterPixels) {
    QMenu* m = Popup(251);
    ASSERT_TRUE(menu.LoadToolbar(252));
    const QList<QAction*> acts = m->actions();
    ASSERT_EQ(acts.size(), 3);
    QImage img = Render(m, acts[1]);
    uitest::SaveScreen(img, "iconmenu_flat");
    const QRect normal = m->actionGeometry(acts[0]);
    const QRect sel = m->actionGeometry(acts[1]);
    // Image column (16 + 7 wide) in the button face, the rest white.
    EXPECT_TRUE(Near(img, normal.left() + 1, normal.top() + 1, kBtnFace, 0));
    EXPECT_TRUE(Near(img, normal.left() + 22, normal.top() + 1, kBtnFace, 0));
    EXPECT_TRUE(Near(img, normal.left() + 23, normal.top() + 1, kWhite, 0));
    EXPECT_TRUE(Near(img, normal.right() - 1, normal.bottom() - 1, kWhite, 0));
    // Selection box: a 1-pixel highlight frame filled with the highlight lightened by 0.7.
    EXPECT_TRUE(Near(img, sel.left(), sel.top(), kHighlight, 0));
    EXPECT_TRUE(Near(img, sel.right(), sel.bottom(), kHighlight, 0));
    EXPECT_TRUE(Near(img, sel.right() - 1, sel.top() + 1, QColor(193, 210, 237), 0));
    EXPECT_TRUE(Near(img, sel.left() + 1, sel.top() + 1, QColor(193, 210, 237), 0));
    // The toolbar picture sits centred in the column, white masked out.
    bool inked = false;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QColor c = img.pixelColor(normal.left() + 3 + x, normal.top() + 3 + y);
            if (c != kBtnFace && c != kWhite) inked = true;
            EXPECT_NE(c, kWhite) << x << "," << y;
        }
    EXPECT_TRUE(inked);
}

TEST_F(IconMenuFixture, FlatSeparatorCheckRadioAndDisabled) {
    QMenu* m = Popup(143);
    const QList<QAction*> acts = m->actions();
    acts[0]->setCheckable(true);
    acts[0]->setChecked(true);
    acts[1]->setEnabled(false);
    auto* group = new QActionGroup(m);
    group->setExclusive(true);
    acts[3]->setCheckable(true);
    group->addAction(acts[3]);
    acts[3]->setChecked(true);
    const QImage img = Render(m, nullptr);
    // The radio item: a filled 6 x 6 circle in the text colour, centred in the box.
    const QRect radio = m->actionGeometry(acts[3]);
    const QPoint c(radio.left() + 4 + 6, radio.top() + 4 + 6);  // the box's centre
    EXPECT_TRUE(Near(img, c.x(), c.y(), QColor(0, 0, 0), 0));
    EXPECT_TRUE(Near(img, c.x() + 4, c.y(), QColor(224, 232, 246), 0));
    const QRect sep = m->actionGeometry(acts[2]);
    const int y = sep.top() + sep.height() / 2;
    EXPECT_TRUE(Near(img, sep.left() + 23 + 7 + 2, y, kShadow, 0));
    EXPECT_TRUE(Near(img, sep.left() + 23 + 7 + 2, y + 1, kWhite, 0));
    EXPECT_TRUE(Near(img, sep.left() + 23 + 2, y, kWhite, 0));  // the gap after the column
    EXPECT_TRUE(Near(img, sep.left() + 2, y, kBtnFace, 0));
    // The checked item's box: highlight frame, fill lightened by 0.85, the mark in the text colour.
    const QRect chk = m->actionGeometry(acts[0]);
    const QRect box(chk.left() + 4, chk.top() + 4, 14, 14);
    EXPECT_TRUE(Near(img, box.left(), box.top(), kHighlight, 0));
    EXPECT_TRUE(Near(img, box.left() + 1, box.top() + 1, QColor(224, 232, 246), 0));
    int mark = 0;
    for (int yy = box.top(); yy <= box.bottom(); ++yy)
        for (int xx = box.left(); xx <= box.right(); ++xx) mark += img.pixelColor(xx, yy) == QColor(0, 0, 0);
    EXPECT_GT(mark, 10);
    // Disabled text is embossed: white and shadow pixels, no black ones.
    const QRect dis = m->actionGeometry(acts[1]);
    int dark = 0, grey = 0;
    for (int yy = dis.top(); yy <= dis.bottom(); ++yy)
        for (int xx = dis.left() + 24; xx <= dis.right(); ++xx) {
            const int g = qGray(img.pixel(xx, yy));
            dark += g < 120;
            grey += g >= 150 && g <= 200;
        }
    EXPECT_EQ(dark, 0);
    EXPECT_GT(grey, 10);
    uitest::SaveScreen(img, "iconmenu_states");
}

TEST(IconMenu, ThemeVersionLightenAndMenuChar) {
    EXPECT_TRUE(IsClassicThemeName("C:\\WINDOWS\\Resources\\Themes\\Windows Classic.theme"));
    EXPECT_TRUE(IsClassicThemeName("wINDOWS cLASSIC.THEME"));
    EXPECT_FALSE(IsClassicThemeName("Windows Classic.theme.bak"));
    EXPECT_FALSE(IsClassicThemeName("Luna.theme"));
    EXPECT_FALSE(IsClassicThemeName(""));
    struct V {
        bool nt;
        int major, minor, want;
    } versions[] = {{false, 3, 10, 0}, {false, 4, 0, 2}, {false, 4, 10, 3}, {false, 4, 90, 4}, {true, 3, 51, 1},
                    {true, 4, 0, 5},   {true, 5, 0, 6},  {true, 5, 1, 7},   {true, 6, 0, 1}};
    for (const V& v : versions) EXPECT_EQ(GetWindowsVersionClass(v.nt, v.major, v.minor), v.want) << v.major << "." << v.minor;
    EXPECT_EQ(CIconMenu::WindowsVersionClass(), 7);
    EXPECT_FALSE(CIconMenu::IsClassicTheme());
    EXPECT_EQ(LightenColor(kHighlight, 0.7), QColor(193, 210, 237));
    EXPECT_EQ(LightenColor(kHighlight, 0.6), QColor(172, 195, 231));
    EXPECT_EQ(LightenColor(kHighlight, 1.0), kHighlight);
    EXPECT_EQ(LightenColor(kHighlight, 0.0), kHighlight);

    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(251));
    EXPECT_FALSE(menu.LoadMenu(9999));
    CIconMenu* sub = menu.GetSubMenu(0);
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(CIconMenu::IsIconMenu(sub->GetMenu()));
    EXPECT_EQ(menu.GetSubMenu(1), nullptr);
    EXPECT_EQ(menu.FindItem(32784)->text(), "名片夹导入接收号码");
    sub->GetMenu()->actions()[1]->setText("文本导入(&T)");
    EXPECT_EQ(sub->MenuChar('t'), 1);
    EXPECT_EQ(sub->MenuChar('q'), -1);
    QMenu* handle = sub->GetMenu();
    menu.DestroyMenu();
    EXPECT_FALSE(CIconMenu::IsIconMenu(handle));
}

// --- CMenuEx ---------------------------------------------------------------------------------

struct MenuExFixture : ::testing::Test {
    CMenuEx menu;
    QMenu* popup = nullptr;
    void SetUp() override {
        ASSERT_TRUE(menu.LoadMenu(146));
        ASSERT_NE(menu.GetItemSubMenu(0), nullptr);
        popup = menu.GetItemSubMenu(0)->GetMenu();
        EXPECT_EQ(menu.GetItemSubMenu(5), nullptr);
    }
    QAction* Item(int id) {
        for (QAction* a : popup->actions())
            if (!a->isSeparator() && a->data().toInt() == id) return a;
        return nullptr;
    }
};

TEST_F(MenuExFixture, MeasuresWithTwentyByTwentyWithoutImageLists) {
    popup->adjustSize();
    const QList<QAction*> acts = popup->actions();
    int widest = 0;
    for (QAction* a : acts)
        if (!a->isSeparator()) widest = std::max(widest, TextWidth(a->text()));
    EXPECT_EQ(popup->actionGeometry(acts[0]).height(), 22);  // 2 + 20
    EXPECT_EQ(popup->actionGeometry(acts[2]).height(), 5);   // the separator height
    EXPECT_EQ(popup->actionGeometry(acts[0]).width(), widest + 10 + 20 + kCheckExtra);
}

TEST_F(MenuExFixture, PaintsColumnSelectionImagesAndGrayedItems) {
    menu.SetImageList(LoadImageStrip(168, 20));
    menu.SetDisabledImageList(LoadImageStrip(169, 20));
    menu.SetSelectedImageList(LoadImageStrip(170, 20));
    menu.SetTextColor(QColor(6, 51, 126));
    menu.SetSelTextColor(QColor(6, 51, 126));
    menu.SetIconBarColor(QColor(103, 188, 255));
    menu.SetBkColor(kWhite);
    menu.SetItemGrayedLook(32780, true);
    Item(32794)->setEnabled(false);
    popup->adjustSize();

    popup->setActiveAction(Item(32783));
    QImage img = popup->grab().toImage();
    uitest::SaveScreen(img, "menuex");
    const QRect sel = popup->actionGeometry(Item(32783));
    EXPECT_TRUE(Near(img, sel.left(), sel.top(), kHighlight, 0));
    EXPECT_TRUE(Near(img, sel.right() - 1, sel.top() + 1, QColor(200, 220, 253), 0));
    const QRect normal = popup->actionGeometry(Item(32784));
    EXPECT_TRUE(Near(img, normal.left() + 21, normal.top() + 1, QColor(103, 188, 255), 0));  // column: icon + 2
    EXPECT_TRUE(Near(img, normal.left() + 22, normal.top() + 1, kWhite, 0));
    const QRect sep = popup->actionGeometry(popup->actions()[2]);
    EXPECT_TRUE(Near(img, sep.left() + 31, sep.top() + sep.height() / 2, QColor(200, 220, 253), 0));
    EXPECT_TRUE(Near(img, sep.left() + 29, sep.top() + sep.height() / 2, kWhite, 0));
    // The selected item's image comes from the selected list: compare with 170's pixels.
    const QImage selImage = LoadImageStrip(170, 20)[3].toImage();
    int same = 0, inked = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const QRgb px = selImage.pixel(x, y);
            if (qAlpha(px) != 255) continue;
            ++inked;
            same += img.pixelColor(sel.left() + 1 + x, sel.top() + 1 + y) == QColor(px);
        }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(same, inked);

    // A disabled item and a drawn-grayed one are never drawn selected.
    for (int id : {32794, 32780}) {
        popup->setActiveAction(Item(id));
        img = popup->grab().toImage();
        const QRect r = popup->actionGeometry(Item(id));
        EXPECT_TRUE(Near(img, r.right() - 1, r.top() + 1, kWhite, 0)) << id;
        int text = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left() + 30; x < r.right(); ++x) text += img.pixelColor(x, y) == QColor(6, 51, 126);
        EXPECT_EQ(text, 0) << id;  // embossed, not in the text colour
    }
    EXPECT_TRUE(Item(32780)->isEnabled());  // the grayed look changes the drawing only

    // A checked item: a framed box with "√" in the image column.
    Item(32778)->setCheckable(true);
    Item(32778)->setChecked(true);
    popup->setActiveAction(nullptr);
    img = popup->grab().toImage();
    const QRect chk = popup->actionGeometry(Item(32778));
    EXPECT_TRUE(Near(img, chk.left() + 1, chk.top() + 1, kHighlight, 0));
    EXPECT_TRUE(Near(img, chk.left() + 2, chk.top() + 2, QColor(200, 220, 253), 0));
}

TEST_F(MenuExFixture, OwnerDrawnRecordsAreBuiltOncePerItem) {
    const std::size_t loaded = menu.RecordCount();
    EXPECT_EQ(loaded, 1u + 11u);  // the popup and its items
    CMenuEx* sub = menu.GetItemSubMenu(0);
    sub->InitMenuPopup(popup, 0, false);
    emit popup->aboutToShow();
    emit popup->aboutToShow();
    EXPECT_EQ(menu.RecordCount(), loaded);
    popup->addAction("追加")->setData(40000);
    emit popup->aboutToShow();
    EXPECT_EQ(menu.RecordCount(), loaded + 1);
    emit popup->aboutToShow();
    menu.InitMenuPopup(popup, 0, false);
    EXPECT_EQ(menu.RecordCount(), loaded + 1);
    const CMenuEx::Record* rec = sub->RecordOf(popup->actions().back());
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->id, 40000);
    EXPECT_EQ(rec->width, TextWidth("追加") + 10);
    EXPECT_EQ(rec->height, 2);
}

// --- both kinds -------------------------------------------------------------------------------

// The rightmost column of item r that is not the item's background (the text's last ink).
int LastInk(const QImage& img, const QRect& r, const QColor& back) {
    int last = -1;
    for (int y = r.top() + 1; y < r.bottom(); ++y)
        for (int x = r.left() + 30; x <= r.right(); ++x)
            if (img.pixelColor(x, y) != back) last = std::max(last, x);
    return last;
}

struct MarginCase {
    const char* name;
    bool iconMenu;
    int menuId;
};

void PrintTo(const MarginCase& c, std::ostream* os) { *os << c.name; }

class MenuTextMargin : public ::testing::TestWithParam<MarginCase> {};

// Every item's text, the widest included, ends at least 4 pixels before the item's right edge.
TEST_P(MenuTextMargin, TextEndsBeforeTheRightBorder) {
    const MarginCase c = GetParam();
    CIconMenu icon;
    CMenuEx ex;
    QMenu* m = nullptr;
    if (c.iconMenu) {
        CIconMenu::s_nPaletteDisplay = 0;
        icon.SetIconSize(16, 16);
        ASSERT_TRUE(icon.LoadMenu(c.menuId));
        m = icon.GetSubMenu(0)->GetMenu();
    } else {
        ASSERT_TRUE(ex.LoadMenu(c.menuId));
        ex.SetBkColor(kWhite);
        m = ex.GetItemSubMenu(0)->GetMenu();
    }
    m->adjustSize();
    const QImage img = m->grab().toImage();
    uitest::SaveScreen(img, QStringLiteral("menu_margin_%1").arg(c.name));
    int items = 0;
    for (QAction* a : m->actions()) {
        if (a->isSeparator()) continue;
        const QRect r = m->actionGeometry(a);
        const int last = LastInk(img, r, kWhite);
        ASSERT_GT(last, r.left() + 30) << a->text().toStdString();
        EXPECT_LE(last, r.right() - 4) << a->text().toStdString();
        ++items;
    }
    EXPECT_GT(items, 1);
    // The panel's frame is outside the items.
    EXPECT_TRUE(Near(img, img.width() - 1, img.height() / 2, kShadow, 0));
    CIconMenu::s_nPaletteDisplay = -1;
}

INSTANTIATE_TEST_SUITE_P(Menus, MenuTextMargin,
                         ::testing::Values(MarginCase{"icon275", true, 275}, MarginCase{"icon251", true, 251},
                                           MarginCase{"ex146", false, 146}, MarginCase{"ex143", false, 143}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
