#pragma once
// The proxy style the owner-drawn menus share: a one-pixel shadow frame, 2-pixel margins,
// disabled items that still take the selection, no flash on the chosen item, and items and
// empty area painted by the menu class.
#include "uikit/SysColors.h"

#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace uikit {

class OwnerDrawMenuStyle : public QProxyStyle {
public:
    OwnerDrawMenuStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    int pixelMetric(PixelMetric m, const QStyleOption* o, const QWidget* w) const override {
        switch (m) {
        case PM_MenuPanelWidth: return 1;
        case PM_MenuHMargin:
        case PM_MenuVMargin: return 2;
        case PM_MenuDesktopFrameWidth: return 0;
        default: return QProxyStyle::pixelMetric(m, o, w);
        }
    }
    int styleHint(StyleHint h, const QStyleOption* o, const QWidget* w, QStyleHintReturn* r) const override {
        if (h == SH_Menu_AllowActiveAndDisabled) return 1;
        if (h == SH_Menu_FlashTriggeredItem) return 0;
        return QProxyStyle::styleHint(h, o, w, r);
    }
    void drawControl(ControlElement e, const QStyleOption* o, QPainter* p, const QWidget* w) const override {
        if (e == CE_MenuItem) {
            if (const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(o)) {
                p->save();
                DrawMenuItem(*p, *mi, w);
                p->restore();
                return;
            }
        }
        if (e == CE_MenuEmptyArea) {
            p->fillRect(o->rect, MenuBackground());
            return;
        }
        QProxyStyle::drawControl(e, o, p, w);
    }
    void drawPrimitive(PrimitiveElement e, const QStyleOption* o, QPainter* p, const QWidget* w) const override {
        if (e == PE_PanelMenu || e == PE_FrameMenu) {
            if (e == PE_PanelMenu) p->fillRect(o->rect, MenuBackground());
            p->setPen(GetSysColor(SysColor::BtnShadow));
            p->setBrush(Qt::NoBrush);
            p->drawRect(o->rect.adjusted(0, 0, -1, -1));
            return;
        }
        QProxyStyle::drawPrimitive(e, o, p, w);
    }

protected:
    // The size the menu gives an owner-drawn item that measured itself as `measured`: like the
    // system, the width of a check mark less one is added, so the text ends before the border.
    static QSize OwnerDrawnItemSize(const QSize& measured) {
        return QSize(measured.width() + kMenuCheckWidth - 1, measured.height());
    }
    // The colour of the menu panel and of the area below the items.
    virtual QColor MenuBackground() const = 0;
    // Paints one item of menu w (the painter is saved and restored around it).
    virtual void DrawMenuItem(QPainter& p, const QStyleOptionMenuItem& mi, const QWidget* w) const = 0;
};

}  // namespace uikit
