#pragma once
// The fixed system colours and metrics (Windows XP, default theme) the UI kit paints with.
#include <QColor>
#include <QPalette>

namespace uikit {

enum class SysColor {
    BtnFace,        // COLOR_BTNFACE / COLOR_3DFACE
    Highlight,      // COLOR_HIGHLIGHT
    HighlightText,  // COLOR_HIGHLIGHTTEXT
    Window,         // COLOR_WINDOW
    WindowText,     // COLOR_WINDOWTEXT
    Menu,           // COLOR_MENU
    MenuText,       // COLOR_MENUTEXT
    BtnShadow,      // COLOR_3DSHADOW / COLOR_BTNSHADOW
    BtnHighlight,   // COLOR_3DHILIGHT / COLOR_BTNHIGHLIGHT
    BtnText,        // COLOR_BTNTEXT
    GrayText,       // COLOR_GRAYTEXT
    DarkShadow,     // COLOR_3DDKSHADOW
    Light,          // COLOR_3DLIGHT
    ScrollBar,      // COLOR_SCROLLBAR
};

inline QColor GetSysColor(SysColor c) {
    switch (c) {
    case SysColor::BtnFace: return QColor(236, 233, 216);
    case SysColor::Highlight: return QColor(49, 106, 197);
    case SysColor::HighlightText: return QColor(255, 255, 255);
    case SysColor::Window: return QColor(255, 255, 255);
    case SysColor::WindowText: return QColor(0, 0, 0);
    case SysColor::Menu: return QColor(255, 255, 255);
    case SysColor::MenuText: return QColor(0, 0, 0);
    case SysColor::BtnShadow: return QColor(172, 168, 153);
    case SysColor::BtnHighlight: return QColor(255, 255, 255);
    case SysColor::BtnText: return QColor(0, 0, 0);
    case SysColor::GrayText: return QColor(172, 168, 153);
    case SysColor::DarkShadow: return QColor(113, 111, 100);
    case SysColor::Light: return QColor(241, 239, 226);
    case SysColor::ScrollBar: return QColor(212, 208, 200);
    }
    return QColor(0, 0, 0);
}

// Gives a palette the table's selection colours, the same with and without the focus or an
// active window: the rows a command acts on stay visible while a menu or dialog is open.
inline void SetSelectionColours(QPalette& pal) {
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(g, QPalette::Highlight, GetSysColor(SysColor::Highlight));
        pal.setColor(g, QPalette::HighlightedText, GetSysColor(SysColor::HighlightText));
    }
}

// System metrics.
constexpr int kMenuHeight = 19;  // SM_CYMENU
constexpr int kEdge = 2;         // SM_CXEDGE / SM_CYEDGE
constexpr int kScrollBarSize = 17;  // SM_CXVSCROLL / SM_CYHSCROLL
constexpr int kMenuCheckWidth = 13;  // SM_CXMENUCHECK
// A dialog unit is 1.5 pixels.
constexpr int DluToPx(int dlu) { return (dlu * 3) / 2; }

}  // namespace uikit
