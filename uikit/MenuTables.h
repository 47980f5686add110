#pragma once
// The program's menus and toolbars as data: each menu is a list of items in template order,
// a popup item opening a level that its MF_END item closes. Also the loader of the menu and
// list pictures drawn by the artwork generator.
#include <QColor>
#include <QList>
#include <QPixmap>
#include <QString>
#include <vector>

namespace uikit {

// Menu item flags (MF_*).
enum : unsigned {
    MF_STRING = 0x0000,
    MF_GRAYED = 0x0001,
    MF_DISABLED = 0x0002,
    MF_CHECKED = 0x0008,
    MF_POPUP = 0x0010,
    MF_END = 0x0080,
    MF_RADIOCHECK = 0x0200,
    MF_SEPARATOR = 0x0800,
};

struct MenuItemDef {
    const char* text;  // UTF-8; "&" marks the mnemonic, "\t" starts the accelerator text
    int id;            // command id; 0 for separators and popups
    unsigned flags;
    int image;         // image index, -1 for none
};

// The items of menu `id`, or nullptr.
const std::vector<MenuItemDef>* FindMenuTemplate(int id);
// The command ids of toolbar `id` in image order, or nullptr.
const std::vector<int>* FindToolbarTemplate(int id);

// The pictures of a strip bitmap of the artwork (":/bmp/<id>.png"), cut into images `width`
// pixels wide; pixels of the mask colour, when given, become transparent. Empty when missing.
QList<QPixmap> LoadImageStrip(int bitmapId, int width, const QColor* maskColour = nullptr);
QList<QPixmap> LoadImageStrip(const QString& resource, int width, const QColor* maskColour = nullptr);

// The system menu font (9-point 宋体).
QFont MenuFont();

}  // namespace uikit
