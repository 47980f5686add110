#include "uikit/SkinScrollBar.h"

#include "uikit/ScrollBarHooks.h"
#include "uikit/SysColors.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstdint>

namespace uikit {

QEvent::Type CSkinSBNotifyEvent::EventType() {
    static const auto t = QEvent::Type(QEvent::registerEventType());
    return t;
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t p = std::int64_t(a) * b;
    const std::int64_t ap = p < 0 ? -p : p, ac = c < 0 ? -std::int64_t(c) : c;
    const std::int64_t q = (ap + ac / 2) / ac;  // rounded half away from zero
    return int(((p < 0) != (c < 0)) ? -q : q);
}

namespace {

constexpr long E_FAIL = long(0x80004005L);
constexpr int kDefaultMinThumb = 6;  // NT 5 and later
const char* const kProp = "SkinSBSubclassPtr";

struct BarRec {
    UINT flags = 0;
    SCROLLINFO si;
    int cx = -1, cy = -1;
    int style = CSBS_NORMAL;
    int minThumb = kDefaultMinThumb;
};

int Resolve(int v) { return v < 0 ? -v * kScrollBarSize : v; }

class CSkinSBSizeBox;

// The per-window block; a child of the window, so it goes with it.
class SkinSBWnd : public QObject {
public:
    explicit SkinSBWnd(HWND w) : QObject(w), wnd(w) {}
    ~SkinSBWnd() override;
    bool eventFilter(QObject* o, QEvent* e) override;

    HWND wnd;
    UINT wndFlags = 0;
    BarRec bars[2];
    bool tracking = false;
    bool leftScroll = false;
    QMargins frame;
    bool ignoreStyleChanged = false;
    CSkinScrollBar* widgets[2] = {nullptr, nullptr};
    QWidget* sizeBox = nullptr;
    Qt::ScrollBarPolicy oldPolicy[2] = {Qt::ScrollBarAsNeeded, Qt::ScrollBarAsNeeded};
};

SkinSBWnd* Rec(HWND w) {
    if (!w) return nullptr;
    return static_cast<SkinSBWnd*>(w->property(kProp).value<void*>());
}

// The bar under the mouse: pressed part, repeated command, hot part, timers, drag offset.
struct Global {
    HWND pressWnd = nullptr;
    int pressBar = -1;
    int pressPart = HTSCROLL_NONE;
    bool pressOver = false;
    int scrollCmd = -1;
    HWND hotWnd = nullptr;
    int hotBar = -1;
    int hotPart = HTSCROLL_NONE;
    int dragOffset = 0;
    QPoint mousePos;        // last mouse position over the pressed or hot bar (bar coordinates)
    bool mouseInside = false;
    QPointer<QTimer> first, repeat, hover;
    EnableScrollBarFn realEnable = nullptr;
};
Global& G() {
    static Global g;
    return g;
}

QTimer* Timer(QPointer<QTimer>& t, int ms, unsigned id) {
    if (!t) {
        t = new QTimer(qApp);
        t->setInterval(ms);
        QObject::connect(t, &QTimer::timeout, [id] {
            Global& g = G();
            SkinSB_OnTimer(id == kHoverTimer ? g.hotWnd : g.pressWnd, id);
        });
    }
    return t;
}
void Kill(QPointer<QTimer>& t) {
    if (t) t->stop();
}

void ClearPress() {
    Global& g = G();
    Kill(g.first);
    Kill(g.repeat);
    g.pressWnd = nullptr;
    g.pressBar = -1;
    g.pressPart = HTSCROLL_NONE;
    g.pressOver = false;
    g.scrollCmd = -1;
}
void ClearHot() {
    Global& g = G();
    Kill(g.hover);
    g.hotWnd = nullptr;
    g.hotBar = -1;
    g.hotPart = HTSCROLL_NONE;
}

SkinSBWnd::~SkinSBWnd() {
    // Pressed and hot state never outlives its window.
    if (G().pressWnd == wnd) ClearPress();
    if (G().hotWnd == wnd) ClearHot();
}

int Thickness(const SkinSBWnd* r, int bar) {
    return bar == SB_VERT ? Resolve(r->bars[SB_VERT].cx) : Resolve(r->bars[SB_HORZ].cy);
}

SkinSBGeometry GeometryOf(const SkinSBWnd* r, const CSkinScrollBar* w) {
    const int bar = w->Bar();
    SCROLLINFO si = r->bars[bar].si;
    if (r->tracking && G().pressWnd == r->wnd && G().pressBar == bar) si.nPos = si.nTrackPos;
    const int len = bar == SB_VERT ? w->height() : w->width();
    return SkinSB_Geometry(len, Thickness(r, bar), si, r->bars[bar].minThumb);
}

int Along(const CSkinScrollBar* w, QPoint p) { return w->Bar() == SB_VERT ? p.y() : p.x(); }
int BarLength(const CSkinScrollBar* w) { return w->Bar() == SB_VERT ? w->height() : w->width(); }

void Repaint(HWND wnd, int bar) {
    if (SkinSBWnd* r = Rec(wnd))
        if (bar >= 0 && bar <= 1 && r->widgets[bar]) r->widgets[bar]->update();
}

LRESULT Notify(HWND wnd, NMCSBCUSTOMDRAW& nm) {
    QWidget* parent = wnd->parentWidget();
    if (!parent) return 0;
    CSkinSBNotifyEvent ev(nm);
    QCoreApplication::sendEvent(parent, &ev);
    return ev.result;
}

NMCSBCUSTOMDRAW Header(HWND wnd, QPainter* p, int nBar) {
    NMCSBCUSTOMDRAW nm;
    nm.hdr.hwndFrom = wnd;
    nm.hdr.idFrom = wnd->objectName().toInt();
    nm.hdr.code = NM_COOLSB_CUSTOMDRAW;
    nm.hdc = p;
    nm.nBar = nBar;
    return nm;
}

// Sends a scroll message to the window: the area's own scroll action on its Qt bar.
void SendScroll(CSkinScrollBar* w, int code, int pos) {
    emit w->scrollMessage(w->Bar(), code, pos);
    switch (code) {
    case SB_LINEUP: w->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case SB_LINEDOWN: w->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case SB_PAGEUP: w->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case SB_PAGEDOWN: w->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: w->setValue(pos); break;
    case SB_TOP: w->triggerAction(QAbstractSlider::SliderToMinimum); break;
    case SB_BOTTOM: w->triggerAction(QAbstractSlider::SliderToMaximum); break;
    default: break;
    }
}

UINT PartState(HWND wnd, int bar, int part) {
    const Global& g = G();
    const SkinSBWnd* r = Rec(wnd);
    if (g.pressWnd == wnd && g.pressBar == bar && g.pressPart == part &&
        (part == HTSCROLL_THUMB ? (r && r->tracking) : g.pressOver))
        return CDIS_SELECTED;
    if (g.hotWnd == wnd && g.hotBar == bar && g.hotPart == part) return CDIS_HOT;
    return 0;
}

// ---- default painting ---------------------------------------------------------------------

void DrawArrow(QPainter& p, const QRect& r, bool vertical, bool down, int style, UINT state, bool disabled) {
    const bool pressed = state & CDIS_SELECTED;
    p.fillRect(r, GetSysColor(SysColor::BtnFace));
    if (style == CSBS_NORMAL && !pressed) {
        p.setPen(GetSysColor(SysColor::BtnHighlight));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(GetSysColor(SysColor::DarkShadow));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    } else {
        p.setPen(GetSysColor(SysColor::BtnShadow));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    const int s = std::max(1, std::min(r.width(), r.height()) / 4);
    const QPoint c = r.center() + (pressed ? QPoint(1, 1) : QPoint());
    QPolygon tri;
    if (vertical)
        tri << QPoint(c.x() - s, c.y() + (down ? -s / 2 : s / 2)) << QPoint(c.x() + s, c.y() + (down ? -s / 2 : s / 2))
            << QPoint(c.x(), c.y() + (down ? s / 2 + 1 : -s / 2 - 1));
    else
        tri << QPoint(c.x() + (down ? -s / 2 : s / 2), c.y() - s) << QPoint(c.x() + (down ? -s / 2 : s / 2), c.y() + s)
            << QPoint(c.x() + (down ? s / 2 + 1 : -s / 2 - 1), c.y());
    const QColor glyph = GetSysColor(disabled ? SysColor::GrayText : SysColor::BtnText);
    p.setPen(glyph);
    p.setBrush(glyph);
    p.drawPolygon(tri);
    p.setBrush(Qt::NoBrush);
}

void DrawTrack(QPainter& p, const QRect& r, bool pressed) {
    QColor light = GetSysColor(SysColor::BtnHighlight);
    if (light != QColor(255, 255, 255) && light == GetSysColor(SysColor::Window)) light = GetSysColor(SysColor::BtnFace);
    QColor dark = GetSysColor(SysColor::ScrollBar);
    if (pressed) std::swap(light, dark);
    QImage pat(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pat.setPixelColor(x, y, ((x + y) & 1) ? dark : light);  // rows AA, 55
    p.fillRect(r, QBrush(pat));
}

void DrawThumb(QPainter& p, const QRect& r) {
    p.fillRect(r, GetSysColor(SysColor::BtnFace));
    p.setPen(GetSysColor(SysColor::BtnHighlight));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(GetSysColor(SysColor::DarkShadow));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

// The corner square when both bars show.
class CSkinSBSizeBox : public QWidget {
public:
    CSkinSBSizeBox(HWND w) : QWidget(w), wnd_(w) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        NMCSBCUSTOMDRAW nm = Header(wnd_, &p, SB_BOTH);
        nm.dwDrawStage = CDDS_PREPAINT;
        nm.rect = rect();
        if (Notify(wnd_, nm) == CDRF_SKIPDEFAULT) {
            nm.dwDrawStage = CDDS_ITEMPREPAINT;
            if (Notify(wnd_, nm) == CDRF_SKIPDEFAULT) return;
        }
        p.fillRect(rect(), GetSysColor(SysColor::BtnFace));
    }

private:
    HWND wnd_;
};

bool SkinSBWnd::eventFilter(QObject* o, QEvent* e) {
    if (o == wnd) {
        if (e->type() == QEvent::Resize) SkinSB_RecalcFrame(wnd);
        if (e->type() == QEvent::LayoutDirectionChange && !ignoreStyleChanged) leftScroll = wnd->isRightToLeft();
    }
    return false;
}

void ApplyVisibilityRule(SkinSBWnd* r, int bar, UINT mask) {
    BarRec& b = r->bars[bar];
    const bool keep = b.flags & CSBS_KEEPSHOWN;
    const bool shown = SkinSB_BarShown(b.si, mask, keep);
    if (keep || (mask & SIF_DISABLENOSCROLL)) {
        // Kept shown: disabled while it cannot scroll.
        const bool canScroll = SkinSB_BarShown(b.si, 0, false);
        b.flags = canScroll ? (b.flags & ~UINT(ESB_DISABLE_BOTH)) : (b.flags | ESB_DISABLE_BOTH);
    }
    const bool was = b.flags & CSBS_VISIBLE;
    if (shown != was) {
        b.flags = shown ? (b.flags | CSBS_VISIBLE) : (b.flags & ~UINT(CSBS_VISIBLE));
        SkinSB_RecalcFrame(r->wnd);
    }
}

void ClampValues(SCROLLINFO& s) {
    const std::int64_t range = std::int64_t(s.nMax) - s.nMin + 1;
    if (std::int64_t(s.nPage) > std::max<std::int64_t>(range, 0)) s.nPage = UINT(std::max<std::int64_t>(range, 0));
    // A page of 0 counts as 1, so the position never passes the maximum.
    const std::int64_t hi = std::max<std::int64_t>(s.nMin, std::int64_t(s.nMax) - std::max<UINT>(s.nPage, 1) + 1);
    s.nPos = int(std::clamp<std::int64_t>(s.nPos, s.nMin, hi));
}

bool ValidBar(int bar) { return bar == SB_HORZ || bar == SB_VERT; }

}  // namespace

// ---- geometry -----------------------------------------------------------------------------

SkinSBGeometry SkinSB_Geometry(int barLength, int thickness, const SCROLLINFO& si, int minThumb) {
    SkinSBGeometry g;
    barLength = std::max(barLength, 0);
    g.arrow = std::max(thickness, 0);
    if (barLength < 2 * g.arrow) g.arrow = barLength / 2;  // too short: the arrows share it
    g.track = barLength - 2 * g.arrow;
    g.thumbStart = g.arrow;
    if (g.track <= 0) return g;
    const std::int64_t range = std::int64_t(si.nMax) - si.nMin + 1;
    if (si.nPage == 0) g.thumb = g.arrow;
    else if (range <= 0 || std::int64_t(si.nPage) >= range) g.thumb = g.track;
    else g.thumb = MulDiv(int(si.nPage), g.track, int(range));
    g.thumb = std::min(std::max(g.thumb, minThumb), g.track);  // never longer than the track
    const std::int64_t denom = range - std::max<UINT>(si.nPage, 1);
    int offset = 0;
    if (denom > 0 && g.track > g.thumb) offset = MulDiv(si.nPos - si.nMin, g.track - g.thumb, int(denom));
    g.thumbStart = g.arrow + std::clamp(offset, 0, g.track - g.thumb);
    return g;
}

bool SkinSB_BarShown(const SCROLLINFO& si, UINT mask, bool keepShown) {
    if ((mask & SIF_DISABLENOSCROLL) || keepShown) return true;
    return std::int64_t(si.nPage) <= si.nMax && si.nMax > si.nMin && !(si.nPage == 0 && si.nMax == 0);
}

int SkinSB_PartAt(const SkinSBGeometry& g, int barLength, int along) {
    if (along < 0 || along >= barLength) return HTSCROLL_NONE;
    if (along < g.arrow) return HTSCROLL_LEFT;
    if (along >= barLength - g.arrow) return HTSCROLL_RIGHT;
    if (along < g.thumbStart) return HTSCROLL_PAGELEFT;
    if (along < g.thumbStart + g.thumb) return HTSCROLL_THUMB;
    return HTSCROLL_PAGERIGHT;
}

// ---- the engine functions -----------------------------------------------------------------

BOOL SkinSB_Initialize(HWND hwnd) {
    if (!hwnd || Rec(hwnd)) return 0;
    auto* r = new SkinSBWnd(hwnd);
    for (int bar = 0; bar < 2; ++bar) {
        QScrollBar* old = bar == SB_HORZ ? hwnd->horizontalScrollBar() : hwnd->verticalScrollBar();
        BarRec& b = r->bars[bar];
        b.si.fMask = SIF_ALL;
        Real_GetScrollInfo(hwnd, bar, &b.si);
        const Qt::ScrollBarPolicy pol = bar == SB_HORZ ? hwnd->horizontalScrollBarPolicy() : hwnd->verticalScrollBarPolicy();
        r->oldPolicy[bar] = pol;
        // The window "has" the bar (WS_HSCROLL / WS_VSCROLL) when Qt would show it.
        if (pol == Qt::ScrollBarAlwaysOn || (pol == Qt::ScrollBarAsNeeded && old->maximum() > old->minimum()))
            b.flags |= CSBS_VISIBLE;
        if (pol == Qt::ScrollBarAlwaysOn) b.flags |= CSBS_KEEPSHOWN;
    }
    r->leftScroll = hwnd->isRightToLeft();
    hwnd->setProperty(kProp, QVariant::fromValue<void*>(r));
    // In place of subclassing: the engine's bars take the Qt bars' places and values.
    for (int bar = 0; bar < 2; ++bar) {
        auto* w = new CSkinScrollBar(bar == SB_HORZ ? Qt::Horizontal : Qt::Vertical, hwnd);
        w->quiet = true;
        w->engineLayout = true;
        if (bar == SB_HORZ) hwnd->setHorizontalScrollBar(w);
        else hwnd->setVerticalScrollBar(w);
        w->quiet = false;
        w->engineLayout = false;
        r->widgets[bar] = w;
    }
    r->sizeBox = new CSkinSBSizeBox(hwnd);
    hwnd->setCornerWidget(r->sizeBox);
    hwnd->installEventFilter(r);
    return 1;
}

long SkinSB_Uninitialize(HWND hwnd) {
    SkinSBWnd* r = Rec(hwnd);
    if (!r) return E_FAIL;
    hwnd->removeEventFilter(r);
    hwnd->setProperty(kProp, QVariant());
    for (int bar = 0; bar < 2; ++bar) {
        r->widgets[bar]->quiet = true;
        r->widgets[bar]->engineLayout = true;
        if (bar == SB_HORZ) {
            hwnd->setHorizontalScrollBar(new QScrollBar(Qt::Horizontal, hwnd));
            hwnd->setHorizontalScrollBarPolicy(r->oldPolicy[bar]);
        } else {
            hwnd->setVerticalScrollBar(new QScrollBar(Qt::Vertical, hwnd));
            hwnd->setVerticalScrollBarPolicy(r->oldPolicy[bar]);
        }
    }
    hwnd->setCornerWidget(nullptr);
    delete r->sizeBox;
    delete r;
    return 0;
}

BOOL SkinSB_IsEnabled(HWND hwnd) { return Rec(hwnd) != nullptr; }

BOOL SkinSB_SetSize(HWND hwnd, int wBar, int width, int height) {
    SkinSBWnd* r = Rec(hwnd);
    const auto valid = [](int v) { return v != 0 && v >= -8 && v <= 256; };
    if (!r || !valid(width) || !valid(height) || (!ValidBar(wBar) && wBar != SB_BOTH)) return 0;
    ForBars(wBar, [&](int bar) {
        r->bars[bar].cx = width;
        r->bars[bar].cy = height;
        r->widgets[bar]->updateGeometry();
    });
    SkinSB_RecalcFrame(hwnd);
    return 1;
}

BOOL SkinSB_SetStyle(HWND hwnd, int wBar, int nStyle) {
    SkinSBWnd* r = Rec(hwnd);
    if (!r || (!ValidBar(wBar) && wBar != SB_BOTH)) return 0;
    ForBars(wBar, [&](int bar) { r->bars[bar].style = nStyle; Repaint(hwnd, bar); });
    return 1;
}

BOOL SkinSB_SetMinThumbSize(HWND hwnd, int wBar, int size) {
    SkinSBWnd* r = Rec(hwnd);
    if (!r || (!ValidBar(wBar) && wBar != SB_BOTH)) return 0;
    ForBars(wBar, [&](int bar) { r->bars[bar].minThumb = size == -1 ? kDefaultMinThumb : size; Repaint(hwnd, bar); });
    return 1;
}

BOOL SkinSB_SetupChild(HWND hwnd) {
    if (!SkinSB_Initialize(hwnd)) return 0;
    SkinSB_SetStyle(hwnd, SB_BOTH, CSBS_FLAT);
    SkinSB_SetSize(hwnd, SB_BOTH, 9, 9);
    SkinSB_SetMinThumbSize(hwnd, SB_BOTH, 18);  // the size above recomputed the room
    return 1;
}

BOOL SkinSB_IsThumbTracking(HWND hwnd) {
    const SkinSBWnd* r = Rec(hwnd);
    return r && r->tracking;
}

BOOL SkinSB_GetScrollInfo(HWND hwnd, int fnBar, SCROLLINFO* psi) {
    SkinSBWnd* r = Rec(hwnd);
    if (!r) return Real_GetScrollInfo(hwnd, fnBar, psi);
    if (!psi || !ValidBar(fnBar)) return 0;
    const SCROLLINFO& s = r->bars[fnBar].si;
    if (psi->fMask & SIF_RANGE) {
        psi->nMin = s.nMin;
        psi->nMax = s.nMax;
    }
    if (psi->fMask & SIF_PAGE) psi->nPage = s.nPage;
    if (psi->fMask & SIF_POS) psi->nPos = s.nPos;
    if (psi->fMask & SIF_TRACKPOS) psi->nTrackPos = s.nTrackPos;
    return (psi->fMask & SIF_ALL) ? 1 : 0;
}

int SkinSB_GetScrollPos(HWND hwnd, int nBar) {
    SkinSBWnd* r = Rec(hwnd);
    if (!r) return Real_GetScrollPos(hwnd, nBar);
    return ValidBar(nBar) ? r->bars[nBar].si.nPos : 0;
}

BOOL SkinSB_GetScrollRange(HWND hwnd, int nBar, int* lpMinPos, int* lpMaxPos) {
    SkinSBWnd* r = Rec(hwnd);
    if (!r) return Real_GetScrollRange(hwnd, nBar, lpMinPos, lpMaxPos);
    if (!ValidBar(nBar) || !lpMinPos || !lpMaxPos) return 0;
    *lpMinPos = r->bars[nBar].si.nMin;
    *lpMaxPos = r->bars[nBar].si.nMax;
    return 1;
}

int SkinSB_SetScrollInfo(HWND hwnd, int fnBar, const SCROLLINFO* psi, BOOL fRedraw) {
    SkinSBWnd* r = Rec(hwnd);
    if (!r) return Real_SetScrollInfo(hwnd, fnBar, psi, fRedraw);
    if (!psi || !ValidBar(fnBar)) return 0;
    SCROLLINFO& s = r->bars[fnBar].si;
    if (psi->fMask & SIF_RANGE) {
        s.nMin = psi->nMin;
        s.nMax = psi->nMax;
    }
    if (psi->fMask & SIF_PAGE) s.nPage = psi->nPage;
    if (psi->fMask & SIF_POS) s.nPos = psi->nPos;
    ClampValues(s);
    ApplyVisibilityRule(r, fnBar, psi->fMask);
    if (fRedraw && !r->tracking) Repaint(hwnd, fnBar);
    return s.nPos;
}

int SkinSB_SetScrollPos(HWND hwnd, int nBar, int nPos, BOOL fRedraw) {
    SkinSBWnd* r = Rec(hwnd);
    if (!r) return Real_SetScrollPos(hwnd, nBar, nPos, fRedraw);
    if (!ValidBar(nBar)) return 0;
    SCROLLINFO& s = r->bars[nBar].si;
    const int old = s.nPos;
    s.nPos = nPos;
    ClampValues(s);
    if (fRedraw && !r->tracking) Repaint(hwnd, nBar);
    return old;
}

BOOL SkinSB_SetScrollRange(HWND hwnd, int nBar, int nMinPos, int nMaxPos, BOOL fRedraw) {
    SkinSBWnd* r = Rec(hwnd);
    if (!r) return Real_SetScrollRange(hwnd, nBar, nMinPos, nMaxPos, fRedraw);
    if (!ValidBar(nBar)) return 0;
    if (r->tracking) return 1;  // ignored while the thumb is dragged
    SCROLLINFO& s = r->bars[nBar].si;
    s.nMin = nMinPos;
    s.nMax = nMaxPos;
    ClampValues(s);
    ApplyVisibilityRule(r, nBar, 0);
    if (fRedraw) Repaint(hwnd, nBar);
    return 1;
}

BOOL SkinSB_ShowScrollBar(HWND hwnd, int wBar, BOOL fShow) {
    SkinSBWnd* r = Rec(hwnd);
    if (!r) return Real_ShowScrollBar(hwnd, wBar, fShow);
    if (!ValidBar(wBar) && wBar != SB_BOTH) return 0;
    ForBars(wBar, [&](int bar) {
        UINT& f = r->bars[bar].flags;
        f = fShow ? (f | CSBS_VISIBLE) : (f & ~UINT(CSBS_VISIBLE));
    });
    SkinSB_RecalcFrame(hwnd);
    return 1;
}

BOOL SkinSB_EnableScrollBar(HWND hwnd, int wSBflags, UINT wArrows) {
    SkinSBWnd* r = Rec(hwnd);
    if (!r) return Real_EnableScrollBar(hwnd, UINT(wSBflags), wArrows);
    if (!ValidBar(wSBflags) && wSBflags != SB_BOTH) return 0;
    ForBars(wSBflags, [&](int bar) {
        UINT& f = r->bars[bar].flags;
        f = (f & ~UINT(ESB_DISABLE_BOTH)) | (wArrows & ESB_DISABLE_BOTH);
        Repaint(hwnd, bar);
    });
    const EnableScrollBarFn real = G().realEnable ? G().realEnable : EnableScrollBar;
    return real(hwnd, UINT(wSBflags), wArrows);
}

void SkinSB_SetRealEnableScrollBar(EnableScrollBarFn fn) { G().realEnable = fn; }

void SkinSB_RecalcFrame(HWND hwnd) {
    SkinSBWnd* r = Rec(hwnd);
    if (!r) return;
    const QRect all = hwnd->rect();
    QRect client = hwnd->contentsRect();
    r->frame = QMargins(client.left() - all.left(), client.top() - all.top(), all.right() - client.right(),
                        all.bottom() - client.bottom());
    const int hThick = Thickness(r, SB_HORZ), vThick = Thickness(r, SB_VERT);
    // A horizontal bar only when the client area is taller than it; a vertical one only when
    // the client area is at least as wide.
    const bool hShow = (r->bars[SB_HORZ].flags & CSBS_VISIBLE) && client.height() > hThick;
    if (hShow) client.setBottom(client.bottom() - hThick);
    const bool vShow = (r->bars[SB_VERT].flags & CSBS_VISIBLE) && client.width() >= vThick;
    r->ignoreStyleChanged = true;
    for (CSkinScrollBar* w : r->widgets) w->engineLayout = true;
    hwnd->setHorizontalScrollBarPolicy(hShow ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    hwnd->setVerticalScrollBarPolicy(vShow ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    for (CSkinScrollBar* w : r->widgets) {
        w->updateGeometry();
        w->engineLayout = false;
        w->update();
    }
    r->ignoreStyleChanged = false;
    if (r->sizeBox) r->sizeBox->update();
}

UINT SkinSB_BarFlags(HWND hwnd, int nBar) {
    const SkinSBWnd* r = Rec(hwnd);
    return r && ValidBar(nBar) ? r->bars[nBar].flags : 0;
}

int SkinSB_PressedPart() { return G().pressPart; }
int SkinSB_HotPart() { return G().hotPart; }

bool SkinSB_TimerActive(unsigned id) {
    Global& g = G();
    const QPointer<QTimer>& t = id == kRepeatFirstTimer ? g.first : id == kRepeatTimer ? g.repeat : g.hover;
    return t && t->isActive();
}

void SkinSB_OnTimer(HWND hwnd, unsigned id) {
    Global& g = G();
    SkinSBWnd* r = Rec(hwnd);
    if (!r) return;
    if (id == kRepeatFirstTimer) {
        Kill(g.first);
        Timer(g.repeat, 55, kRepeatTimer)->start();
    } else if (id == kRepeatTimer) {
        if (g.pressWnd != hwnd || g.pressBar < 0) return;
        CSkinScrollBar* w = r->widgets[g.pressBar];
        // As in a mouse move: the command repeats only while its part is under the mouse.
        const bool over = g.mouseInside &&
                          SkinSB_PartAt(GeometryOf(r, w), BarLength(w), Along(w, g.mousePos)) == g.pressPart;
        if (over != g.pressOver) {
            g.pressOver = over;
            w->update();
        }
        if (over && g.scrollCmd >= 0) SendScroll(w, g.scrollCmd, 0);
    } else if (id == kHoverTimer) {
        if (g.hotWnd != hwnd || g.hotBar < 0) return;
        CSkinScrollBar* w = r->widgets[g.hotBar];
        if (!g.mouseInside || !w->rect().contains(g.mousePos)) {
            const int bar = g.hotBar;
            ClearHot();
            Repaint(hwnd, bar);
            if (r->sizeBox) r->sizeBox->update();
        } else {
            const int part = SkinSB_PartAt(GeometryOf(r, w), BarLength(w), Along(w, g.mousePos));
            if (part != g.hotPart) {
                g.hotPart = part;
                w->update();
            }
        }
    }
}

// ---- the bar widget -----------------------------------------------------------------------

CSkinScrollBar::CSkinScrollBar(Qt::Orientation o, HWND area) : QScrollBar(o, area), area_(area) {
    setMouseTracking(true);
    setContextMenuPolicy(Qt::PreventContextMenu);
}

QSize CSkinScrollBar::sizeHint() const {
    const SkinSBWnd* r = Rec(area_);
    const int t = r ? Thickness(r, Bar()) : kScrollBarSize;
    return Bar() == SB_VERT ? QSize(t, 2 * t) : QSize(2 * t, t);
}

void CSkinScrollBar::setVisible(bool visible) {
    // A show or hide that the engine's own layout did not ask for is a ShowScrollBar call.
    if (!engineLayout && !quiet && area_ && SkinSB_IsEnabled(area_)) {
        const Qt::ScrollBarPolicy p = Bar() == SB_HORZ ? area_->horizontalScrollBarPolicy() : area_->verticalScrollBarPolicy();
        if (visible != (p == Qt::ScrollBarAlwaysOn)) {
            ShowScrollBar(area_, Bar(), visible);
            return;
        }
    }
    QScrollBar::setVisible(visible);
}

void CSkinScrollBar::sliderChange(SliderChange change) {
    QScrollBar::sliderChange(change);
    if (quiet || !area_) return;
    if (change == SliderValueChange) {
        SetScrollPos(area_, Bar(), value(), 1);
        return;
    }
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = minimum();
    si.nMax = maximum() + std::max(pageStep(), 1) - 1;
    si.nPage = UINT(std::max(pageStep(), 0));
    si.nPos = value();
    SetScrollInfo(area_, Bar(), &si, 1);
}

void CSkinScrollBar::changeEvent(QEvent* e) {
    QScrollBar::changeEvent(e);
    if (e->type() != QEvent::EnabledChange || quiet || !area_) return;
    if (isEnabled()) EnableScrollBar(area_, UINT(Bar()), ESB_ENABLE_BOTH);
    else if (testAttribute(Qt::WA_ForceDisabled)) EnableScrollBar(area_, UINT(Bar()), ESB_DISABLE_BOTH);
}

void CSkinScrollBar::paintEvent(QPaintEvent*) {
    SkinSBWnd* r = Rec(area_);
    if (!r) return;
    QPainter p(this);
    const int bar = Bar();
    const bool vert = bar == SB_VERT;
    const int len = BarLength(this), th = vert ? width() : height();
    const SkinSBGeometry g = GeometryOf(r, this);
    const auto span = [&](int from, int n) { return vert ? QRect(0, from, th, n) : QRect(from, 0, n, th); };
    struct Piece {
        int part;
        QRect rect;
    };
    const Piece pieces[] = {
        {HTSCROLL_LEFT, span(0, g.arrow)},
        {HTSCROLL_PAGELEFT, span(g.arrow, g.thumbStart - g.arrow)},
        {HTSCROLL_THUMB, span(g.thumbStart, g.thumb)},
        {HTSCROLL_PAGERIGHT, span(g.thumbStart + g.thumb, len - g.arrow - g.thumbStart - g.thumb)},
        {HTSCROLL_RIGHT, span(len - g.arrow, g.arrow)},
    };
    NMCSBCUSTOMDRAW nm = Header(area_, &p, bar);
    nm.dwDrawStage = CDDS_PREPAINT;
    nm.rect = rect();
    const bool parentDraws = Notify(area_, nm) == CDRF_SKIPDEFAULT;
    const BarRec& b = r->bars[bar];
    for (const Piece& piece : pieces) {
        if (piece.rect.isEmpty()) continue;
        const UINT state = PartState(area_, bar, piece.part);
        if (parentDraws) {
            nm.dwDrawStage = CDDS_ITEMPREPAINT;
            nm.rect = piece.rect;
            nm.uItem = piece.part;
            nm.uState = state;
            if (Notify(area_, nm) == CDRF_SKIPDEFAULT) continue;
        }
        if (piece.part == HTSCROLL_LEFT || piece.part == HTSCROLL_RIGHT) {
            const bool disabled = b.flags & (piece.part == HTSCROLL_LEFT ? CSBS_LTUPDISABLED : CSBS_RTDNDISABLED);
            DrawArrow(p, piece.rect, vert, piece.part == HTSCROLL_RIGHT, b.style, state, disabled);
        } else if (piece.part == HTSCROLL_THUMB) {
            DrawThumb(p, piece.rect);
        } else {
            DrawTrack(p, piece.rect, state & CDIS_SELECTED);
        }
    }
}

void CSkinScrollBar::mousePressEvent(QMouseEvent* e) {
    e->accept();
    if (e->button() != Qt::LeftButton) return;  // right and middle buttons are swallowed
    SkinSBWnd* r = Rec(area_);
    if (!r) return;
    Global& g = G();
    const int bar = Bar();
    const QPoint pos = e->position().toPoint();
    g.mousePos = pos;
    g.mouseInside = true;
    const SkinSBGeometry geo = GeometryOf(r, this);
    const int part = SkinSB_PartAt(geo, BarLength(this), Along(this, pos));
    const UINT flags = r->bars[bar].flags;
    if (part == HTSCROLL_NONE) return;
    if ((part == HTSCROLL_LEFT && (flags & CSBS_LTUPDISABLED)) || (part == HTSCROLL_RIGHT && (flags & CSBS_RTDNDISABLED)))
        return;  // a disabled arrow does nothing
    ClearPress();
    g.pressWnd = area_;
    g.pressBar = bar;
    g.pressPart = part;
    if (part == HTSCROLL_THUMB) {
        r->tracking = true;
        g.dragOffset = Along(this, pos) - geo.thumbStart;
        r->bars[bar].si.nTrackPos = r->bars[bar].si.nPos;
        update();
        return;
    }
    g.pressOver = true;
    g.scrollCmd = part == HTSCROLL_LEFT ? SB_LINEUP : part == HTSCROLL_RIGHT ? SB_LINEDOWN
                  : part == HTSCROLL_PAGELEFT ? SB_PAGEUP : SB_PAGEDOWN;
    update();
    SendScroll(this, g.scrollCmd, 0);
    Timer(g.first, 300, kRepeatFirstTimer)->start();
}

void CSkinScrollBar::mouseDoubleClickEvent(QMouseEvent* e) { mousePressEvent(e); }

void CSkinScrollBar::mouseMoveEvent(QMouseEvent* e) {
    e->accept();
    SkinSBWnd* r = Rec(area_);
    if (!r) return;
    Global& g = G();
    const QPoint pos = e->position().toPoint();
    g.mousePos = pos;
    g.mouseInside = rect().contains(pos);
    const int bar = Bar();
    if (g.pressWnd == area_ && g.pressBar == bar) {
        if (r->tracking) {
            SCROLLINFO& s = r->bars[bar].si;
            const SkinSBGeometry geo = GeometryOf(r, this);
            const int room = geo.track - geo.thumb;
            const int at = std::clamp(Along(this, pos) - g.dragOffset, geo.arrow, geo.arrow + std::max(room, 0));
            const int maxPos = int(std::max<std::int64_t>(s.nMin, std::int64_t(s.nMax) - std::max<UINT>(s.nPage, 1) + 1));
            int track = s.nMin;
            if (room > 0) track = s.nMin + MulDiv(at - geo.arrow, maxPos - s.nMin, room);
            s.nTrackPos = std::clamp(track, s.nMin, maxPos);
            SendScroll(this, SB_THUMBTRACK, s.nTrackPos);
            update();
        } else {
            const bool over = g.mouseInside && SkinSB_PartAt(GeometryOf(r, this), BarLength(this), Along(this, pos)) == g.pressPart;
            if (over != g.pressOver) {
                g.pressOver = over;
                update();
            }
        }
        return;
    }
    // Hover: the part under the cursor is hot; the hover timer notices when it leaves.
    const int part = SkinSB_PartAt(GeometryOf(r, this), BarLength(this), Along(this, pos));
    if (g.hotWnd != area_ || g.hotBar != bar || g.hotPart != part) {
        if (g.hotWnd && (g.hotWnd != area_ || g.hotBar != bar)) Repaint(g.hotWnd, g.hotBar);
        g.hotWnd = area_;
        g.hotBar = bar;
        g.hotPart = part;
        update();
    }
    QTimer* t = Timer(g.hover, 20, kHoverTimer);
    if (!t->isActive()) t->start();
}

void CSkinScrollBar::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
    if (e->button() != Qt::LeftButton) return;
    SkinSBWnd* r = Rec(area_);
    Global& g = G();
    if (!r || g.pressWnd != area_ || g.pressBar != Bar()) return;
    Kill(g.first);
    Kill(g.repeat);
    if (r->tracking) {
        r->tracking = false;
        SendScroll(this, SB_THUMBPOSITION, r->bars[Bar()].si.nTrackPos);
    }
    ClearPress();
    SendScroll(this, SB_ENDSCROLL, 0);
    update();
}

void CSkinScrollBar::leaveEvent(QEvent* e) {
    QScrollBar::leaveEvent(e);
    if (G().hotWnd == area_ && G().hotBar == Bar()) G().mouseInside = false;
}

void CSkinScrollBar::contextMenuEvent(QContextMenuEvent* e) { e->accept(); }

// ---- the skin painter ---------------------------------------------------------------------

namespace {

struct SkinCells {
    QRect arrow0, arrow1, page, thumbStart, thumbMiddle, thumbEnd;
};
// [bar][state: normal, hot, pressed]
const SkinCells kCells[2][3] = {
    {{{0, 0, 18, 18}, {0, 19, 18, 18}, {0, 83, 1, 18}, {54, 0, 9, 18}, {63, 0, 1, 18}, {63, 0, 9, 18}},
     {{18, 0, 18, 18}, {18, 19, 18, 18}, {4, 83, 1, 18}, {54, 19, 9, 18}, {63, 19, 1, 18}, {63, 19, 9, 18}},
     {{36, 0, 18, 18}, {36, 19, 18, 18}, {4, 83, 1, 18}, {54, 38, 9, 18}, {63, 38, 1, 18}, {63, 38, 9, 18}}},
    {{{72, 0, 18, 18}, {72, 19, 18, 18}, {0, 112, 18, 1}, {126, 0, 18, 9}, {126, 9, 18, 1}, {126, 9, 18, 9}},
     {{90, 0, 18, 18}, {90, 19, 18, 18}, {4, 83, 18, 1}, {126, 19, 18, 9}, {126, 28, 18, 1}, {126, 28, 18, 9}},
     {{108, 0, 18, 18}, {108, 19, 18, 18}, {4, 83, 18, 1}, {126, 38, 18, 9}, {126, 47, 18, 1}, {126, 47, 18, 9}}},
};

}  // namespace

LRESULT ButtonCustomDraw(const NMCSBCUSTOMDRAW* nm, const QPixmap& skin) {
    if (!nm) return 0;
    if (nm->dwDrawStage == CDDS_PREPAINT) return CDRF_SKIPDEFAULT;
    QPainter* p = nm->hdc;
    const QRect& r = nm->rect;
    if (nm->nBar == SB_BOTH) {
        if (p) p->drawPixmap(r, skin, QRect(100, 100, 18, 18));
        return CDRF_SKIPDEFAULT;
    }
    if (nm->nBar != SB_HORZ && nm->nBar != SB_VERT) return 0;
    if (!p) return CDRF_SKIPDEFAULT;
    const bool vert = nm->nBar == SB_VERT;
    const int state = (nm->uState & CDIS_HOT) ? 1 : (nm->uState & CDIS_SELECTED) ? 2 : 0;
    const SkinCells& c = kCells[vert ? 1 : 0][state];
    switch (nm->uItem) {
    case HTSCROLL_LEFT: p->drawPixmap(r, skin, c.arrow0); break;
    case HTSCROLL_RIGHT: p->drawPixmap(r, skin, c.arrow1); break;
    case HTSCROLL_PAGELEFT:
    case HTSCROLL_PAGERIGHT: p->drawPixmap(r, skin, c.page); break;
    case HTSCROLL_THUMB: {
        const int len = vert ? r.height() : r.width();
        const auto piece = [&](int from, int n) {
            return vert ? QRect(r.left(), r.top() + from, r.width(), n) : QRect(r.left() + from, r.top(), n, r.height());
        };
        if (len < 18) {
            // Shorter than its two caps: each cap takes half.
            const int half = len / 2;
            if (half > 0) p->drawPixmap(piece(0, half), skin, c.thumbStart);
            if (len - half > 0) p->drawPixmap(piece(half, len - half), skin, c.thumbEnd);
        } else {
            p->drawPixmap(piece(0, 9), skin, c.thumbStart);
            if (len > 18) p->drawPixmap(piece(9, len - 18), skin, c.thumbMiddle);
            p->drawPixmap(piece(len - 9, 9), skin, c.thumbEnd);
        }
        break;
    }
    default: break;
    }
    return CDRF_SKIPDEFAULT;
}

}  // namespace uikit
