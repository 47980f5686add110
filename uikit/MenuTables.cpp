#include "uikit/MenuTables.h"

#include "uikit/GdiDraw.h"
#include "uikit/Resources.h"

#include <QFont>
#include <QImage>
#include <map>

namespace uikit {

namespace {

// Menu 251: adding recipients (send pages, forward of records).
const std::vector<MenuItemDef> kMenu251 = {
    {"新增接收人", 0, MF_POPUP | MF_END, -1},
    {"手工输入接收号码", 32781, MF_STRING, -1},
    {"文本导入接收号码", 32782, MF_STRING, -1},
    {"名片夹导入接收号码", 32784, MF_STRING | MF_END, -1},
};

// Menu 143: the address book's group tree.
const std::vector<MenuItemDef> kMenu143 = {
    {"分组", 0, MF_POPUP | MF_END, -1},
    {"新增分组", 32771, MF_STRING, 0},
    {"删除分组", 32772, MF_STRING, 1},
    {"", 0, MF_SEPARATOR, -1},
    {"重命名分组", 32773, MF_STRING | MF_END, 2},
};

// Menu 146: the address book's list.
const std::vector<MenuItemDef> kMenu146 = {
    {"联系人", 0, MF_POPUP | MF_END, -1},
    {"新增联系人", 32783, MF_STRING, 3},
    {"新增分组", 32784, MF_STRING, 4},
    {"", 0, MF_SEPARATOR, -1},
    {"删除联系人", 32777, MF_STRING, 5},
    {"删除分组", 32794, MF_STRING, 6},
    {"修改", 32778, MF_STRING, 7},
    {"", 0, MF_SEPARATOR, -1},
    {"剪切", 32779, MF_STRING, 8},
    {"粘贴", 32780, MF_STRING, 9},
    {"", 0, MF_SEPARATOR, -1},
    {"返回上一级", 32795, MF_STRING | MF_END, 10},
};

// Menu 275: the MMS library's package list.
const std::vector<MenuItemDef> kMenu275 = {
    {"彩信", 0, MF_POPUP | MF_END, -1},
    {"导入彩信", 32854, MF_STRING, 0},
    {"导出彩信", 32851, MF_STRING, 1},
    {"", 0, MF_SEPARATOR, -1},
    {"添加彩信", 32852, MF_STRING, 2},
    {"编辑彩信", 32822, MF_STRING, 3},
    {"重命名彩信", 32853, MF_STRING, 4},
    {"", 0, MF_SEPARATOR, -1},
    {"删除彩信", 32823, MF_STRING | MF_END, 5},
};

// Menu 276: the MMS library's group tree.
const std::vector<MenuItemDef> kMenu276 = {
    {"分组", 0, MF_POPUP | MF_END, -1},
    {"新增分组", 32826, MF_STRING, 6},
    {"删除分组", 32827, MF_STRING | MF_END, 7},
};

const std::map<int, const std::vector<MenuItemDef>*> kMenus = {
    {143, &kMenu143},
    {146, &kMenu146},
    {251, &kMenu251},
    {275, &kMenu275},
    {276, &kMenu276},
};

// Toolbar 252: the pictures of menu 251.
const std::vector<int> kToolbar252 = {32781, 32782, 32784};
// Toolbar 277: the pictures of menus 275 and 276.
const std::vector<int> kToolbar277 = {32854, 32851, 32852, 32822, 32853, 32823, 32826, 32827};

}  // namespace

const std::vector<MenuItemDef>* FindMenuTemplate(int id) {
    const auto it = kMenus.find(id);
    return it == kMenus.end() ? nullptr : it->second;
}

const std::vector<int>* FindToolbarTemplate(int id) {
    if (id == 252) return &kToolbar252;
    if (id == 277) return &kToolbar277;
    return nullptr;
}

QList<QPixmap> LoadImageStrip(int bitmapId, int width, const QColor* maskColour) {
    return LoadImageStrip(QStringLiteral(":/bmp/%1.png").arg(bitmapId), width, maskColour);
}

QList<QPixmap> LoadImageStrip(const QString& resource, int width, const QColor* maskColour) {
    res::RegisterArt();
    QList<QPixmap> out;
    QImage strip(resource);
    if (strip.isNull() || width <= 0) return out;
    strip = maskColour ? gdi::Masked(strip, *maskColour) : strip.convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x + width <= strip.width(); x += width)
        out.push_back(QPixmap::fromImage(strip.copy(x, 0, width, strip.height())));
    return out;
}

QFont MenuFont() {
    static const bool subst = [] {
        if (QFont::substitutes(QStringLiteral("宋体")).isEmpty())
            QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("Noto Serif CJK SC"));
        return true;
    }();
    (void)subst;
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(12);
    return f;
}

}  // namespace uikit
