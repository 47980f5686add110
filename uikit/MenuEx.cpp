#include "uikit/MenuEx.h"

#include "uikit/GdiDraw.h"
#include "uikit/MenuStyle.h"
#include "uikit/SysColors.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPolygon>

namespace uikit {

class MenuExStyle : public OwnerDrawMenuStyle {
public:
    explicit MenuExStyle(CMenuEx* owner) : owner_(owner) {}

    QSize sizeFromContents(ContentsType t, const QStyleOption* o, const QSize& s, const QWidget* w) const override {
        if (t == CT_MenuItem) {
            if (const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(o)) {
                // The record an item gets when it is made owner-drawn.
                CMenuEx::Record rec;
                rec.text = mi->text;
                if (mi->menuItemType == QStyleOptionMenuItem::Separator) owner_->ShapeSeparator(rec);
                else if (mi->menuItemType == QStyleOptionMenuItem::SubMenu) owner_->ShapeSubMenu(rec, nullptr);
                else owner_->ShapeCommand(rec, 1);
                return OwnerDrawnItemSize(owner_->MeasureItem(rec));
            }
        }
        return QProxyStyle::sizeFromContents(t, o, s, w);
    }

protected:
    QColor MenuBackground() const override { return owner_->m_clrBack; }
    void DrawMenuItem(QPainter& p, const QStyleOptionMenuItem& mi, const QWidget* w) const override {
        const auto* menu = qobject_cast<const QMenu*>(w);
        const QAction* a = menu ? menu->actionAt(mi.rect.center()) : nullptr;
        const CMenuEx::Record* rec = owner_->RecordOf(a);
        CMenuEx::Record temp;
        if (!rec) {
            temp.text = mi.text;
            temp.id = mi.menuItemType == QStyleOptionMenuItem::Separator ? 0 : 1;
            rec = &temp;
        }
        CMenuEx::DrawState st;
        st.selected = mi.state & State_Selected;
        st.grayed = !(mi.state & State_Enabled) || rec->grayedLook;
        st.checked = mi.checkType != QStyleOptionMenuItem::NotCheckable && mi.checked;
        owner_->DrawItem(p, mi.rect, *rec, st);
    }

private:
    CMenuEx* owner_;
};

CMenuEx::CMenuEx()
    : m_clrBack(GetSysColor(SysColor::Menu)),
      m_clrSelText(GetSysColor(SysColor::MenuText)),
      m_clrText(GetSysColor(SysColor::MenuText)) {}

CMenuEx::~CMenuEx() {
    QObject::disconnect(m_conn);
    m_subMenus.clear();
    if (m_hMenu && m_bOwnsMenu) delete m_hMenu;
    else if (m_hMenu) m_hMenu->setStyle(nullptr);
    m_hMenu = nullptr;
}

int CMenuEx::TextWidth(const QString& text) const { return QFontMetrics(MenuFont()).horizontalAdvance(text); }

void CMenuEx::ShapeSeparator(Record& rec) const {
    rec.text.clear();
    rec.id = 0;
    rec.width = TextWidth(QString()) + 10;
    rec.height = m_nSeparatorHeight;
}

void CMenuEx::ShapeSubMenu(Record& rec, CMenuEx* sub) const {
    rec.id = -1;
    rec.subMenu = true;
    rec.sub = sub;
    rec.width = TextWidth(rec.text) + 25;
    rec.height = 2;
}

void CMenuEx::ShapeCommand(Record& rec, int id) const {
    rec.id = id;
    rec.width = TextWidth(rec.text) + 10;
    rec.height = 2;
}

std::unique_ptr<CMenuEx> CMenuEx::NewSubMenu(QMenu* menu) const {
    auto sub = std::make_unique<CMenuEx>();
    sub->m_hMenu = menu;
    sub->m_bPopup = true;
    sub->m_clrBack = m_clrBack;
    sub->m_clrText = m_clrText;
    sub->m_clrSelText = m_clrSelText;
    sub->m_clrIconBar = m_clrIconBar;
    return sub;
}

void CMenuEx::Keep(QAction* a, std::unique_ptr<Record> rec) {
    m_byAction[a] = rec.get();
    m_arrItems.push_back(std::move(rec));
}

void CMenuEx::AttachStyle() {
    m_style = std::make_unique<MenuExStyle>(this);
    m_hMenu->setStyle(m_style.get());
    m_hMenu->setFont(MenuFont());
    m_conn = QObject::connect(m_hMenu, &QMenu::aboutToShow, m_hMenu, [this] { InitMenuPopup(m_hMenu, 0, false); });
}

bool CMenuEx::LoadMenu(int nResource) {
    const std::vector<MenuItemDef>* defs = FindMenuTemplate(nResource);
    if (!defs) return false;
    m_subMenus.clear();
    m_arrItems.clear();
    m_byAction.clear();
    QObject::disconnect(m_conn);
    if (m_hMenu && m_bOwnsMenu) delete m_hMenu;
    m_hMenu = new QMenu;
    m_bOwnsMenu = true;
    AttachStyle();
    std::size_t pos = 0;
    while (pos < defs->size()) Build(*defs, pos);
    return true;
}

void CMenuEx::Build(const std::vector<MenuItemDef>& defs, std::size_t& pos) {
    while (pos < defs.size()) {
        const MenuItemDef& d = defs[pos++];
        AppendItem(m_hMenu, d);
        if (d.flags & MF_POPUP) {
            CMenuEx* sub = m_arrItems.back()->sub;
            sub->Build(defs, pos);
        }
        if (d.flags & MF_END) return;
    }
}

CMenuEx::Record* CMenuEx::AppendItem(QMenu* into, const MenuItemDef& d) {
    auto rec = std::make_unique<Record>();
    rec->text = QString::fromUtf8(d.text);
    rec->image = d.image;
    QAction* a = nullptr;
    if (d.flags & MF_POPUP) {
        auto sub = NewSubMenu(new QMenu(rec->text));
        sub->m_bOwnsMenu = true;
        sub->m_nSeparatorHeight = m_nSeparatorHeight;
        sub->AttachStyle();
        a = into->addMenu(sub->m_hMenu);
        ShapeSubMenu(*rec, sub.get());
        m_subMenus.push_back(std::move(sub));
    } else if (d.flags & MF_SEPARATOR) {
        a = into->addSeparator();
        ShapeSeparator(*rec);
    } else {
        a = into->addAction(rec->text);
        a->setData(d.id);
        a->setObjectName(QString::number(d.id));
        a->setEnabled(!(d.flags & (MF_GRAYED | MF_DISABLED)));
        if (d.flags & MF_CHECKED) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        ShapeCommand(*rec, d.id);
    }
    Keep(a, std::move(rec));
    return m_arrItems.back().get();
}

void CMenuEx::InitMenuPopup(QMenu* popup, int, bool bSysMenu) {
    if (!bSysMenu && popup) ConvertToOwnerDraw(popup);
}

void CMenuEx::ConvertToOwnerDraw(QMenu* popup) {
    if (popup != m_hMenu) {
        for (const auto& s : m_subMenus)
            if (s->m_hMenu == popup) return s->ConvertToOwnerDraw(popup);
        return;
    }
    for (QAction* a : popup->actions()) {
        if (m_byAction.count(a)) continue;  // owner-drawn already: once per item
        auto rec = std::make_unique<Record>();
        rec->text = a->text();
        if (a->isSeparator()) {
            ShapeSeparator(*rec);
        } else if (QMenu* m = a->menu()) {
            auto sub = NewSubMenu(m);
            sub->m_imlNormal = m_imlNormal;
            sub->m_imlGrayed = m_imlGrayed;
            sub->m_imlSelected = m_imlSelected;
            sub->m_nIconWidth = m_nIconWidth;
            sub->m_nIconHeight = m_nIconHeight;
            sub->AttachStyle();
            ShapeSubMenu(*rec, sub.get());
            m_subMenus.push_back(std::move(sub));
        } else {
            ShapeCommand(*rec, a->data().toInt());
        }
        Keep(a, std::move(rec));
    }
}

const CMenuEx::Record* CMenuEx::RecordOf(const QAction* a) const {
    if (!a) return nullptr;
    const auto it = m_byAction.find(a);
    return it == m_byAction.end() ? nullptr : it->second;
}

std::size_t CMenuEx::RecordCount() const {
    std::size_t n = m_arrItems.size();
    for (const auto& s : m_subMenus) n += s->RecordCount();
    return n;
}

template <typename F> void CMenuEx::ForAll(F&& f) {
    f(*this);
    for (const auto& s : m_subMenus) s->ForAll(f);
}

void CMenuEx::SetImageList(const QList<QPixmap>& images) {
    ForAll([&](CMenuEx& m) {
        m.m_imlNormal = images;
        if (!images.isEmpty()) {
            m.m_nIconWidth = images.front().width();
            m.m_nIconHeight = images.front().height();
        }
    });
}
void CMenuEx::SetDisabledImageList(const QList<QPixmap>& images) {
    ForAll([&](CMenuEx& m) { m.m_imlGrayed = images; });
}
void CMenuEx::SetSelectedImageList(const QList<QPixmap>& images) {
    ForAll([&](CMenuEx& m) { m.m_imlSelected = images; });
}
void CMenuEx::SetTextColor(const QColor& c) {
    ForAll([&](CMenuEx& m) { m.m_clrText = c; });
}
void CMenuEx::SetBkColor(const QColor& c) {
    ForAll([&](CMenuEx& m) { m.m_clrBack = c; });
}
void CMenuEx::SetSelTextColor(const QColor& c) {
    ForAll([&](CMenuEx& m) { m.m_clrSelText = c; });
}
void CMenuEx::SetIconBarColor(const QColor& c) {
    ForAll([&](CMenuEx& m) { m.m_clrIconBar = c; });
}

void CMenuEx::SetItemImage(int id, int image) {
    ForAll([&](CMenuEx& m) {
        for (auto& r : m.m_arrItems)
            if (!r->subMenu && r->id == id && id != 0) r->image = image;
    });
}

void CMenuEx::SetItemGrayedLook(int id, bool grayed) {
    ForAll([&](CMenuEx& m) {
        for (auto& r : m.m_arrItems)
            if (!r->subMenu && r->id == id && id != 0) r->grayedLook = grayed;
        if (m.m_hMenu) m.m_hMenu->update();
    });
}

CMenuEx* CMenuEx::GetItemSubMenu(int nIndex) const {
    if (!m_hMenu || nIndex < 0 || nIndex >= m_hMenu->actions().size()) return nullptr;
    const Record* r = RecordOf(m_hMenu->actions()[nIndex]);
    return r ? r->sub : nullptr;
}

int CMenuEx::TrackPopupMenu(const QPoint& globalPos) {
    if (!m_hMenu) return 0;
    QAction* a = m_hMenu->exec(globalPos);
    return a ? a->data().toInt() : 0;
}

QSize CMenuEx::MeasureItem(const Record& rec) const {
    if (rec.id == 0 && !rec.subMenu) return QSize(rec.width, rec.height);
    QSize img(20, 20);
    if (!m_imlNormal.isEmpty()) img = m_imlNormal.front().size();
    else if (!m_imlGrayed.isEmpty()) img = m_imlGrayed.front().size();
    else if (!m_imlSelected.isEmpty()) img = m_imlSelected.front().size();
    return QSize(rec.width + img.width(), rec.height + img.height());
}

void CMenuEx::DrawItem(QPainter& p, const QRect& r, const Record& rec, const DrawState& st) const {
    const bool separator = rec.id == 0 && !rec.subMenu;
    p.fillRect(r, m_clrBack);
    p.fillRect(QRect(r.left(), r.top(), m_nIconWidth + 2, r.height()), m_clrIconBar);
    const bool selected = st.selected && !st.grayed && !separator;  // a grayed item is never drawn selected
    if (selected) {
        p.fillRect(r, m_clrSelFrame);
        p.fillRect(r.adjusted(1, 1, -1, -1), m_clrSelFill);
    }
    const int x = r.left() + m_nIconWidth + 10;
    if (separator) {
        p.fillRect(QRect(x, r.top() + r.height() / 2, std::max(0, r.right() + 1 - x), 1), QColor(200, 220, 253));
        return;
    }
    p.setFont(MenuFont());
    const QRect tr(x, r.top(), std::max(0, r.right() + 1 - x), r.height());
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic | Qt::TextExpandTabs;
    if (st.grayed) gdi::EmbossedText(p, tr, flags, rec.text);
    else {
        p.setPen(selected ? m_clrSelText : m_clrText);
        p.drawText(tr, flags, rec.text);
    }
    if (rec.subMenu) {
        // The sub-menu arrow.
        const int cx = r.right() - 8, cy = r.top() + r.height() / 2;
        QPolygon arrow;
        arrow << QPoint(cx, cy - 4) << QPoint(cx + 4, cy) << QPoint(cx, cy + 4);
        p.setPen(Qt::NoPen);
        p.setBrush(st.grayed ? GetSysColor(SysColor::GrayText) : m_clrText);
        p.drawPolygon(arrow);
    }
    if (st.checked) {
        const QRect box(r.left() + 1, r.top() + 1, m_nIconWidth, r.height() - 2);
        p.fillRect(box, m_clrSelFrame);
        p.fillRect(box.adjusted(1, 1, -1, -1), m_clrSelFill);
        const int f = Qt::AlignCenter | Qt::TextSingleLine;
        if (st.grayed) gdi::EmbossedText(p, box, f, QStringLiteral("√"));
        else {
            p.setPen(m_clrText);
            p.drawText(box, f, QStringLiteral("√"));
        }
    } else if (rec.image >= 0) {
        const QList<QPixmap>* list = &m_imlNormal;
        if (st.grayed && !m_imlGrayed.isEmpty()) list = &m_imlGrayed;
        else if (selected && !m_imlSelected.isEmpty()) list = &m_imlSelected;
        if (rec.image < list->size()) p.drawPixmap(r.left() + 1, r.top() + 1, (*list)[rec.image]);
    }
}

}  // namespace uikit
