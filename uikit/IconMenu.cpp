#include "uikit/IconMenu.h"

#include "uikit/GdiDraw.h"
#include "uikit/MenuStyle.h"
#include "uikit/SysColors.h"

#include <QAction>
#include <QActionGroup>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace uikit {

QColor LightenColor(const QColor& c, double f) {
    if (!(f > 0.0 && f < 1.0)) return c;
    auto ch = [f](int v) { return static_cast<int>(v + (255 - v) * f); };
    return QColor(ch(c.red()), ch(c.green()), ch(c.blue()));
}

int GetWindowsVersionClass(bool nt, int major, int minor) {
    if (!nt) {
        if (major < 4) return 0;
        if (major == 4 && minor == 10) return 3;
        if (major == 4 && minor == 90) return 4;
        return 2;
    }
    if (major < 4) return 1;
    if (major == 4) return 5;
    if (major == 5 && minor == 0) return 6;
    if (major == 5 && minor == 1) return 7;
    return 1;
}

bool IsClassicThemeName(std::string_view theme) {
    constexpr std::string_view kClassic = "windows classic.theme";
    if (theme.size() < kClassic.size()) return false;
    const std::string_view tail = theme.substr(theme.size() - kClassic.size());
    for (std::size_t i = 0; i < kClassic.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kClassic[i]) return false;
    }
    return true;
}

// --- program-wide state ---------------------------------------------------------------------

bool CIconMenu::s_bXPFlat = true;
bool CIconMenu::s_bOtherFlat = false;
int CIconMenu::s_nPaletteDisplay = -1;

namespace {
std::unordered_set<const QMenu*>& Handles() {
    static std::unordered_set<const QMenu*> h;
    return h;
}
std::unordered_map<int, int>& ToolbarImages() {
    static std::unordered_map<int, int> m;
    return m;
}
// The theme value of the fixed profile: Windows XP with its default theme (no classic file).
constexpr std::string_view kCurrentThemeValue = "";

bool XPThemed() { return CIconMenu::WindowsVersionClass() == 7 && !CIconMenu::IsClassicTheme(); }

void DrawCheckMark(QPainter& p, const QRect& box, const QColor& c) {
    // A 7 x 7 tick, three pixels thick, centred in the box.
    const int x = box.left() + (box.width() - 7) / 2, y = box.top() + (box.height() - 7) / 2;
    for (int i = 0; i < 7; ++i) {
        const int top = i < 3 ? y + 2 + i : y + 4 - (i - 2);
        p.fillRect(QRect(x + i, top, 1, 3), c);
    }
}

// Draws the item text: the part before a tab at the left, the accelerator right-aligned.
void DrawMenuText(QPainter& p, const QRect& r, const QString& text, bool embossed, const QColor& colour) {
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    const int tab = text.indexOf(QLatin1Char('\t'));
    const QString left = tab < 0 ? text : text.left(tab);
    const QString accel = tab < 0 ? QString() : text.mid(tab + 1);
    auto draw = [&](const QRect& rr, int align, const QString& s) {
        if (embossed) gdi::EmbossedText(p, rr, flags | align, s);
        else {
            p.setPen(colour);
            p.drawText(rr, flags | align, s);
        }
    };
    draw(r, Qt::AlignLeft, left);
    if (!accel.isEmpty()) draw(r, Qt::AlignRight, accel);
}
}  // namespace

int CIconMenu::WindowsVersionClass() {
    static const int v = GetWindowsVersionClass(true, 5, 1);
    return v;
}

bool CIconMenu::IsClassicTheme() {
    static const bool classic = IsClassicThemeName(kCurrentThemeValue);
    return classic;
}

bool CIconMenu::PaletteDisplay() {
    if (s_nPaletteDisplay >= 0) return s_nPaletteDisplay != 0;
    const QScreen* s = QGuiApplication::primaryScreen();
    return s && s->depth() <= 8;
}

QList<QPixmap>& CIconMenu::SharedImages() {
    static QList<QPixmap> images;
    return images;
}

bool CIconMenu::IsIconMenu(const QMenu* menu) { return menu && Handles().count(menu) != 0; }

// --- the style that measures and paints the items -------------------------------------------

class IconMenuStyle : public OwnerDrawMenuStyle {
public:
    explicit IconMenuStyle(const CIconMenu* owner) : owner_(owner) {}

    static CIconMenu::ItemState StateOf(const QStyleOptionMenuItem* o, const QWidget* w) {
        CIconMenu::ItemState s;
        s.separator = o->menuItemType == QStyleOptionMenuItem::Separator;
        s.selected = o->state & State_Selected;
        s.disabled = !(o->state & State_Enabled);
        s.checked = o->checkType != QStyleOptionMenuItem::NotCheckable && o->checked;
        s.radio = o->checkType == QStyleOptionMenuItem::Exclusive;
        s.text = o->text;
        if (const auto* menu = qobject_cast<const QMenu*>(w))
            if (const QAction* a = menu->actionAt(o->rect.center())) {
                const QVariant v = a->property("menuImage");
                if (v.isValid()) s.image = v.toInt();
            }
        return s;
    }

    int pixelMetric(PixelMetric m, const QStyleOption* o, const QWidget* w) const override {
        if (m == PM_SmallIconSize) return owner_->IconWidth();
        return OwnerDrawMenuStyle::pixelMetric(m, o, w);
    }
    QSize sizeFromContents(ContentsType t, const QStyleOption* o, const QSize& s, const QWidget* w) const override {
        if (t == CT_MenuItem)
            if (const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(o))
                return OwnerDrawnItemSize(owner_->MeasureItem(StateOf(mi, nullptr)));
        return QProxyStyle::sizeFromContents(t, o, s, w);
    }

protected:
    QColor MenuBackground() const override {
        return owner_->UsesFlatPainter() ? GetSysColor(SysColor::Window)
                                        : (XPThemed() ? GetSysColor(SysColor::BtnFace) : GetSysColor(SysColor::Menu));
    }
    void DrawMenuItem(QPainter& p, const QStyleOptionMenuItem& mi, const QWidget* w) const override {
        owner_->DrawItem(p, mi.rect, StateOf(&mi, w));
    }

private:
    const CIconMenu* owner_;
};

// --- CIconMenu ------------------------------------------------------------------------------

CIconMenu::CIconMenu() = default;
CIconMenu::~CIconMenu() { DestroyMenu(); }

void CIconMenu::DestroyMenu() {
    subMenus_.clear();
    if (menu_) {
        Handles().erase(menu_);
        if (ownsMenu_) delete menu_;
        menu_ = nullptr;
    }
    items_.clear();
    style_.reset();
}

void CIconMenu::SetIconSize(int width, int height) {
    iconW_ = width;
    iconH_ = height;
}

void CIconMenu::SetBitmapBackground(const QColor& colour) {
    bitmapBackground_ = colour;
    hasBitmapBackground_ = true;
}

void CIconMenu::TakeMenu(QMenu* menu) {
    style_ = std::make_shared<IconMenuStyle>(this);
    menu_ = menu;
    ownsMenu_ = true;
    menu_->setStyle(style_.get());
    menu_->setFont(MenuFont());
    Handles().insert(menu_);
}

bool CIconMenu::LoadMenu(int nResource) { return LoadMenuByName(QString::number(nResource)); }

bool CIconMenu::LoadMenuByName(const QString& name) {
    QString n = name;
    if (n.startsWith(QLatin1Char('#'))) n.remove(0, 1);
    bool ok = false;
    const int id = n.toInt(&ok);
    const std::vector<MenuItemDef>* defs = ok ? FindMenuTemplate(id) : nullptr;
    if (!defs) return false;
    DestroyMenu();
    TakeMenu(new QMenu);
    std::size_t pos = 0;
    while (pos < defs->size()) {
        const bool last = (*defs)[pos].flags & MF_END;
        std::size_t one = pos;
        Build(*defs, one, menu_);
        pos = one;
        if (last && pos >= defs->size()) break;
    }
    return true;
}

void CIconMenu::Build(const std::vector<MenuItemDef>& defs, std::size_t& pos, QMenu* into) {
    QActionGroup* radios = nullptr;
    while (pos < defs.size()) {
        const MenuItemDef& d = defs[pos++];
        auto rec = std::make_unique<Item>();
        rec->text = QString::fromUtf8(d.text);
        rec->id = d.id;
        rec->flags = d.flags;
        rec->image = d.image;
        if (d.flags & MF_POPUP) {
            auto sub = std::make_unique<CIconMenu>();
            sub->iconW_ = iconW_;
            sub->iconH_ = iconH_;
            sub->bitmapBackground_ = bitmapBackground_;
            sub->hasBitmapBackground_ = hasBitmapBackground_;
            sub->TakeMenu(new QMenu(rec->text));
            sub->Build(defs, pos, sub->menu_);
            into->addMenu(sub->menu_);
            subMenus_.push_back(std::move(sub));
        } else if (d.flags & MF_SEPARATOR) {
            into->addSeparator();
        } else {
            QAction* a = into->addAction(rec->text);
            a->setData(d.id);
            a->setObjectName(QString::number(d.id));
            a->setEnabled(!(d.flags & (MF_GRAYED | MF_DISABLED)));
            if (d.flags & (MF_CHECKED | MF_RADIOCHECK)) {
                a->setCheckable(true);
                a->setChecked(d.flags & MF_CHECKED);
            }
            if (d.flags & MF_RADIOCHECK) {
                if (!radios) radios = new QActionGroup(into);
                radios->addAction(a);
            }
            // Images come from the shared list, through the toolbars loaded.
            rec->image = ImageOf(d.id);
            if (rec->image >= 0) a->setProperty("menuImage", rec->image);
        }
        items_.push_back(std::move(rec));
        if (d.flags & MF_END) return;
    }
}

CIconMenu* CIconMenu::GetSubMenu(int nPos) const {
    if (!menu_ || nPos < 0 || nPos >= menu_->actions().size()) return nullptr;
    QMenu* m = menu_->actions()[nPos]->menu();
    for (const auto& s : subMenus_)
        if (s->menu_ == m) return s.get();
    return nullptr;
}

int CIconMenu::ImageOf(int id) const {
    const auto it = ToolbarImages().find(id);
    return it == ToolbarImages().end() ? -1 : it->second;
}

bool CIconMenu::LoadToolbar(int nToolbar) {
    const std::vector<int>* ids = FindToolbarTemplate(nToolbar);
    if (!ids) return false;
    const QColor mask = hasBitmapBackground_ ? bitmapBackground_ : GetSysColor(SysColor::BtnFace);
    const QList<QPixmap> images = LoadImageStrip(nToolbar, iconW_, &mask);
    if (images.size() < static_cast<qsizetype>(ids->size())) return false;
    const int base = static_cast<int>(SharedImages().size());
    for (std::size_t i = 0; i < ids->size(); ++i) {
        SharedImages().push_back(images[static_cast<qsizetype>(i)]);
        ToolbarImages()[(*ids)[i]] = base + static_cast<int>(i);
        if (QAction* a = FindItem((*ids)[i])) a->setProperty("menuImage", base + static_cast<int>(i));
    }
    return true;
}

QAction* CIconMenu::FindItem(int id) const {
    if (!menu_) return nullptr;
    for (QAction* a : menu_->actions())
        if (!a->menu() && !a->isSeparator() && a->data().toInt() == id) return a;
    for (const auto& s : subMenus_)
        if (QAction* a = s->FindItem(id)) return a;
    return nullptr;
}

int CIconMenu::TrackPopupMenu(const QPoint& globalPos, QWidget*) {
    if (!menu_) return 0;
    QAction* a = menu_->exec(globalPos);
    return a ? a->data().toInt() : 0;
}

int CIconMenu::MenuChar(QChar ch) const {
    if (!menu_) return -1;
    const QChar want = ch.toLower();
    const QList<QAction*> actions = menu_->actions();
    for (int i = 0; i < actions.size(); ++i) {
        const QString t = actions[i]->text();
        for (int k = t.indexOf(QLatin1Char('&')); k >= 0 && k + 1 < t.size(); k = t.indexOf(QLatin1Char('&'), k + 2))
            if (t[k + 1].toLower() == want) return i;
    }
    return -1;
}

bool CIconMenu::UsesFlatPainter() const {
    if (PaletteDisplay()) return false;
    if (WindowsVersionClass() == 7 && !IsClassicTheme()) return s_bXPFlat;
    return s_bOtherFlat;
}

QSize CIconMenu::MeasureItem(const ItemState& item) const {
    const int gap = Gap();
    const bool flat = UsesFlatPainter();
    if (item.separator) return QSize(1, std::max((iconH_ + gap) / 2, kMenuHeight / 2));
    const QFontMetrics fm(MenuFont());
    int tw = 0;
    if (WindowsVersionClass() != 0) {
        tw = fm.horizontalAdvance(item.text);
    } else {
        const int w = fm.horizontalAdvance(item.text) + 3;
        tw = w + (item.text.isEmpty() ? 0 : 3 * w / static_cast<int>(item.text.size()));
    }
    const int w = flat ? iconW_ + tw + gap + 8 : tw + 2 * iconW_ + 1;
    return QSize(w, std::max(kMenuHeight, iconH_ + gap));
}

void CIconMenu::DrawItem(QPainter& p, const QRect& rect, const ItemState& item) const {
    p.setFont(MenuFont());
    if (UsesFlatPainter()) DrawFlat(p, rect, item);
    else DrawClassic(p, rect, item);
}

void CIconMenu::DrawImage(QPainter& p, const QPoint& at, int image, bool disabled) const {
    const QList<QPixmap>& images = SharedImages();
    if (image < 0 || image >= images.size()) return;
    if (!disabled) {
        p.drawPixmap(at, images[image]);
        return;
    }
    // Dithered: the dark pixels of the picture in the shadow colour on a halftone.
    const QImage src = images[image].toImage().convertToFormat(QImage::Format_ARGB32);
    const QColor shadow = GetSysColor(SysColor::BtnShadow);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            const QRgb px = src.pixel(x, y);
            if (qAlpha(px) < 128 || qGray(px) >= 192 || ((x + y) & 1)) continue;
            p.fillRect(QRect(at.x() + x, at.y() + y, 1, 1), shadow);
        }
}

void CIconMenu::DrawFlat(QPainter& p, const QRect& r, const ItemState& item) const {
    const int gap = Gap();
    const QRect column(r.left(), r.top(), iconW_ + gap, r.height());
    const QColor bg = GetSysColor(SysColor::Window);
    const QColor columnColour = XPThemed() ? GetSysColor(SysColor::BtnFace) : LightenColor(GetSysColor(SysColor::BtnFace), 0.25);
    const QColor highlight = GetSysColor(SysColor::Highlight);
    p.fillRect(r, bg);
    p.fillRect(column, columnColour);
    if (item.separator) {
        const int y = r.top() + r.height() / 2;
        const int x = column.right() + 1 + gap;
        p.fillRect(QRect(x, y, r.right() + 1 - x, 1), GetSysColor(SysColor::BtnShadow));
        p.fillRect(QRect(x, y + 1, r.right() + 1 - x, 1), GetSysColor(SysColor::BtnHighlight));
        return;
    }
    if (item.selected) {
        p.fillRect(r, highlight);
        p.fillRect(r.adjusted(1, 1, -1, -1), LightenColor(highlight, XPThemed() ? 0.7 : 0.6));
    }
    const QColor text = GetSysColor(SysColor::MenuText);
    const QRect iconBox(column.left() + (column.width() - iconW_) / 2, r.top() + (r.height() - iconH_) / 2, iconW_, iconH_);
    if (item.image >= 0) {
        if (item.checked) {
            p.fillRect(iconBox.adjusted(-2, -2, 2, 2), highlight);
            p.fillRect(iconBox.adjusted(-1, -1, 1, 1), LightenColor(highlight, 0.85));
        }
        const QPoint at = item.selected && !item.disabled ? iconBox.topLeft() - QPoint(1, 1) : iconBox.topLeft();
        DrawImage(p, at, item.image, item.disabled);
    } else if (item.checked) {
        const QRect box = iconBox.adjusted(1, 1, -1, -1);
        p.fillRect(box, highlight);
        p.fillRect(box.adjusted(1, 1, -1, -1), LightenColor(highlight, 0.85));
        const QColor mark = item.disabled ? GetSysColor(SysColor::GrayText) : text;
        if (item.radio) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(Qt::NoPen);
            p.setBrush(mark);
            p.drawEllipse(QRect(box.center().x() - 2, box.center().y() - 2, 6, 6));
        } else {
            DrawCheckMark(p, box, mark);
        }
    }
    const QRect tr(column.right() + 1 + 4, r.top(), std::max(0, r.right() - column.right() - 8), r.height());
    DrawMenuText(p, tr, item.text, item.disabled, text);
}

void CIconMenu::DrawClassic(QPainter& p, const QRect& r, const ItemState& item) const {
    const QColor bg = XPThemed() ? GetSysColor(SysColor::BtnFace) : GetSysColor(SysColor::Menu);
    const QColor shadow = GetSysColor(SysColor::BtnShadow), hilite = GetSysColor(SysColor::BtnHighlight);
    p.fillRect(r, bg);
    if (item.separator) {
        const int y = r.top() + r.height() / 2;
        p.fillRect(QRect(r.left(), y, r.width(), 1), shadow);
        p.fillRect(QRect(r.left(), y + 1, r.width(), 1), hilite);
        return;
    }
    const int off = std::max((r.height() - iconH_ - 4) / 2, 0);
    const QRect box(r.left(), r.top() + off, iconW_ + 4, iconH_ + 4);
    QColor text = GetSysColor(SysColor::MenuText);
    const QRect textArea(box.right() + 1, r.top(), r.right() - box.right(), r.height());
    if (item.selected) {
        p.fillRect(textArea, GetSysColor(SysColor::Highlight));
        text = GetSysColor(SysColor::HighlightText);
    }
    auto frame = [&](const QRect& b, const QColor& tl, const QColor& br) {
        p.fillRect(QRect(b.left(), b.top(), b.width(), 1), tl);
        p.fillRect(QRect(b.left(), b.top(), 1, b.height()), tl);
        p.fillRect(QRect(b.left(), b.bottom(), b.width(), 1), br);
        p.fillRect(QRect(b.right(), b.top(), 1, b.height()), br);
    };
    if (item.image >= 0) {
        DrawImage(p, box.topLeft() + QPoint(2, 2), item.image, item.disabled);
        if (item.checked) frame(box, shadow, hilite);
        else if (item.selected && !item.disabled) frame(box, hilite, shadow);
    } else if (item.checked) {
        frame(box, shadow, hilite);
        if (item.radio) {
            p.setPen(Qt::NoPen);
            p.setBrush(GetSysColor(SysColor::MenuText));
            p.drawEllipse(QRect(box.center().x() - 2, box.center().y() - 2, 6, 6));
        } else {
            DrawCheckMark(p, box, GetSysColor(SysColor::MenuText));
        }
    }
    const QRect tr = textArea.adjusted(4, 0, -iconW_ / 2, 0);
    if (item.disabled) {
        if (item.selected) {
            DrawMenuText(p, tr, item.text, false, bg);
        } else {
            p.save();
            DrawMenuText(p, tr.translated(1, 1), item.text, false, GetSysColor(SysColor::BtnHighlight));
            DrawMenuText(p, tr, item.text, false, GetSysColor(SysColor::GrayText));
            p.restore();
        }
        return;
    }
    DrawMenuText(p, tr, item.text, false, text);
}

}  // namespace uikit
