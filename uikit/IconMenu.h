#pragma once
// Owner-drawn menus with images: a menu template turned into QMenus whose items a style
// measures and paints, flat (light selection box, image column) or classic 3-D, chosen by the
// display and the system theme.
#include "uikit/MenuTables.h"

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <memory>
#include <string_view>
#include <vector>

class QMenu;
class QAction;
class QPainter;
class QWidget;
class QStyle;

namespace uikit {

// Moves each channel towards 255 by f (c + (255 - c) * f, truncated); unchanged unless 0 < f < 1.
QColor LightenColor(const QColor& c, double f);

// Windows version class: 0 9x older than 4, 2 Windows 95, 3 98, 4 Me, 1 NT older than 4 or
// unknown NT, 5 NT 4, 6 2000, 7 XP. platformNT tells the NT family.
int GetWindowsVersionClass(bool platformNT, int major, int minor);
// True when a theme file name ends with "Windows Classic.theme", ignoring case.
bool IsClassicThemeName(std::string_view themeFile);

class CIconMenu {
public:
    // One item as loaded: text, command id, flags, image index.
    struct Item {
        QString text;
        int id = 0;
        unsigned flags = 0;
        int image = -1;
    };
    // What the painter needs of an item at paint time.
    struct ItemState {
        bool separator = false, selected = false, disabled = false, checked = false, radio = false;
        QString text;
        int image = -1;
    };

    CIconMenu();
    ~CIconMenu();
    CIconMenu(const CIconMenu&) = delete;
    CIconMenu& operator=(const CIconMenu&) = delete;

    bool LoadMenu(int nResource);
    bool LoadMenuByName(const QString& name);  // "#251" or "251"
    void DestroyMenu();
    void SetIconSize(int width, int height);
    void SetBitmapBackground(const QColor& colour);
    CIconMenu* GetSubMenu(int nPos) const;
    // Maps the toolbar's command ids to its pictures in the shared image list.
    bool LoadToolbar(int nToolbar);
    // Shows the menu at a screen point; returns the chosen command id or 0.
    int TrackPopupMenu(const QPoint& globalPos, QWidget* owner = nullptr);
    QMenu* GetMenu() const { return menu_; }
    QAction* FindItem(int id) const;  // through all sub-menus
    // A typed character: the position of the item whose mnemonic it is, or -1.
    int MenuChar(QChar ch) const;

    QSize MeasureItem(const ItemState& item) const;
    void DrawItem(QPainter& p, const QRect& rect, const ItemState& item) const;
    bool UsesFlatPainter() const;
    int Gap() const { return UsesFlatPainter() ? 7 : 4; }
    int IconWidth() const { return iconW_; }
    int IconHeight() const { return iconH_; }

    // Program-wide state.
    static bool IsIconMenu(const QMenu* menu);
    static bool s_bXPFlat;     // flat painter on Windows XP with a non-classic theme
    static bool s_bOtherFlat;  // flat painter on other systems
    static int WindowsVersionClass();
    static bool IsClassicTheme();
    // The display has a palette (256 colours or fewer); tests may force it (-1 = ask the screen).
    static int s_nPaletteDisplay;
    static bool PaletteDisplay();
    static QList<QPixmap>& SharedImages();

private:
    // Owns menu and paints it with this menu's style.
    void TakeMenu(QMenu* menu);
    void Build(const std::vector<MenuItemDef>& defs, std::size_t& pos, QMenu* into);
    int ImageOf(int id) const;
    void DrawFlat(QPainter& p, const QRect& r, const ItemState& item) const;
    void DrawClassic(QPainter& p, const QRect& r, const ItemState& item) const;
    void DrawImage(QPainter& p, const QPoint& at, int image, bool disabled) const;

    QMenu* menu_ = nullptr;
    bool ownsMenu_ = false;
    std::vector<std::unique_ptr<Item>> items_;
    std::vector<std::unique_ptr<CIconMenu>> subMenus_;
    std::shared_ptr<QStyle> style_;
    int iconW_ = 16, iconH_ = 16;
    QColor bitmapBackground_;
    bool hasBitmapBackground_ = false;
    friend class IconMenuStyle;
};

}  // namespace uikit
