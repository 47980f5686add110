#pragma once
// A simple owner-drawn menu with three image lists (normal, grayed, selected), its own colours
// and an image column, over QMenu.
#include "uikit/MenuTables.h"

#include <QColor>
#include <QMetaObject>
#include <QList>
#include <QPixmap>
#include <QString>
#include <memory>
#include <unordered_map>
#include <vector>

class QMenu;
class QAction;
class QPainter;
class QStyle;

namespace uikit {

class CMenuEx {
public:
    // One owner-drawn item.
    struct Record {
        QString text;
        int id = 0;      // 0 separator, -1 sub-menu
        int width = 0;   // text width + 10, + 25 for a sub-menu item
        int height = 0;  // 2, the separator height for separators
        int image = -1;
        bool subMenu = false;
        CMenuEx* sub = nullptr;
        bool grayedLook = false;  // drawn grayed while enabled
    };
    // What the painter needs at paint time.
    struct DrawState {
        bool selected = false, grayed = false, checked = false;
    };

    CMenuEx();
    ~CMenuEx();
    CMenuEx(const CMenuEx&) = delete;
    CMenuEx& operator=(const CMenuEx&) = delete;

    bool LoadMenu(int nResource);
    void SetImageList(const QList<QPixmap>& images);
    void SetDisabledImageList(const QList<QPixmap>& images);
    void SetSelectedImageList(const QList<QPixmap>& images);
    void SetTextColor(const QColor& c);
    void SetBkColor(const QColor& c);
    void SetSelTextColor(const QColor& c);
    void SetIconBarColor(const QColor& c);
    void SetPopup(bool popup) { m_bPopup = popup; }
    CMenuEx* GetItemSubMenu(int nIndex) const;
    // Gives a command its image (through all sub-menus).
    void SetItemImage(int id, int image);
    // Draws the command grayed (its drawing state only; it stays enabled).
    void SetItemGrayedLook(int id, bool grayed);
    // Called when a popup opens: makes owner-drawn records for the items that have none yet.
    void InitMenuPopup(QMenu* popup, int nIndex, bool bSysMenu);
    void ConvertToOwnerDraw(QMenu* popup);
    int TrackPopupMenu(const QPoint& globalPos);
    QMenu* GetMenu() const { return m_hMenu; }
    std::size_t RecordCount() const;  // this menu's and its sub-menus'

    QSize MeasureItem(const Record& rec) const;
    void DrawItem(QPainter& p, const QRect& rect, const Record& rec, const DrawState& state) const;
    const Record* RecordOf(const QAction* a) const;

    int m_nSeparatorHeight = 5;
    QColor m_clrBack;
    QColor m_clrSelText;
    QColor m_clrText;
    QColor m_clrIconBar{236, 233, 216};
    QColor m_clrSelFrame{49, 106, 197};
    QColor m_clrSelFill{200, 220, 253};
    int m_nIconWidth = 20, m_nIconHeight = 20;

private:
    Record* AppendItem(QMenu* into, const MenuItemDef& def);
    // Give a record its id and size as a separator (its text dropped), a sub-menu item or a command.
    void ShapeSeparator(Record& rec) const;
    void ShapeSubMenu(Record& rec, CMenuEx* sub) const;
    void ShapeCommand(Record& rec, int id) const;
    // A popup sub-menu over menu with this menu's colours.
    std::unique_ptr<CMenuEx> NewSubMenu(QMenu* menu) const;
    // Files the record as the one of action a.
    void Keep(QAction* a, std::unique_ptr<Record> rec);
    void Build(const std::vector<MenuItemDef>& defs, std::size_t& pos);
    void AttachStyle();
    int TextWidth(const QString& text) const;
    template <typename F> void ForAll(F&& f);

    QMenu* m_hMenu = nullptr;
    bool m_bOwnsMenu = false;
    bool m_bPopup = false;
    QList<QPixmap> m_imlNormal, m_imlGrayed, m_imlSelected;
    std::vector<std::unique_ptr<Record>> m_arrItems;
    std::unordered_map<const QAction*, Record*> m_byAction;
    std::vector<std::unique_ptr<CMenuEx>> m_subMenus;
    std::unique_ptr<QStyle> m_style;
    QMetaObject::Connection m_conn;
    friend class MenuExStyle;
};

}  // namespace uikit
