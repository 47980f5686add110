#pragma once
// Custom-drawn scroll bars: the engine takes over a scroll area's two bars. Its own bar widgets
// stand where the area's Qt bars stood, paint every part through a custom-draw notification to
// the area's parent, handle the mouse on them and keep the scroll values in per-window records.
// The Qt bars' values still drive the area's contents: every change the area makes to them is
// handed to the scroll-bar functions (ScrollBarHooks.h), which the redirection routes here.
#include <QEvent>
#include <QRect>
#include <QScrollBar>

class QAbstractScrollArea;
class QPainter;
class QPixmap;

namespace uikit {

using HWND = QAbstractScrollArea*;
using BOOL = int;
using UINT = unsigned;
using LRESULT = long;

enum : int { SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3 };
enum : UINT {
    SIF_RANGE = 0x1,
    SIF_PAGE = 0x2,
    SIF_POS = 0x4,
    SIF_DISABLENOSCROLL = 0x8,
    SIF_TRACKPOS = 0x10,
    SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS,
};
enum : UINT { ESB_ENABLE_BOTH = 0, ESB_DISABLE_LTUP = 1, ESB_DISABLE_RTDN = 2, ESB_DISABLE_BOTH = 3 };
// Scroll commands (WM_HSCROLL / WM_VSCROLL).
enum : int {
    SB_LINEUP = 0,
    SB_LINEDOWN = 1,
    SB_PAGEUP = 2,
    SB_PAGEDOWN = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_BOTTOM = 7,
    SB_ENDSCROLL = 8,
};
// Bar parts of hit tests and custom draw.
enum : int { HTSCROLL_NONE = -1, HTSCROLL_LEFT = 0, HTSCROLL_RIGHT = 1, HTSCROLL_PAGELEFT = 2,
             HTSCROLL_PAGERIGHT = 3, HTSCROLL_THUMB = 5 };
enum : UINT { CDDS_PREPAINT = 0x1, CDDS_ITEMPREPAINT = 0x10001 };
enum : UINT { CDIS_SELECTED = 0x1, CDIS_HOT = 0x40 };
enum : LRESULT { CDRF_DODEFAULT = 0, CDRF_SKIPDEFAULT = 4 };
constexpr int NM_COOLSB_CUSTOMDRAW = -4095;  // 0xFFFFF001
// Bar flags.
enum : UINT { CSBS_LTUPDISABLED = 1, CSBS_RTDNDISABLED = 2, CSBS_KEEPSHOWN = 4, CSBS_VISIBLE = 8 };
// Bar styles.
enum : int { CSBS_NORMAL = 0, CSBS_FLAT = 1, CSBS_HOTTRACKED = 2 };
// Engine timers.
constexpr unsigned kRepeatFirstTimer = 0xFFFD;  // 300 ms after a press
constexpr unsigned kRepeatTimer = 0xFFFE;       // then every 55 ms
constexpr unsigned kHoverTimer = 0xFFFFFFF2;    // 20 ms while the cursor is over a bar

struct SCROLLINFO {
    UINT cbSize = 28;
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

struct NMHDR {
    HWND hwndFrom = nullptr;
    int idFrom = 0;
    int code = 0;
};

// The custom-draw notification; a painter stands in for the device context.
struct NMCSBCUSTOMDRAW {
    NMHDR hdr;
    UINT dwDrawStage = 0;
    QPainter* hdc = nullptr;
    QRect rect;
    int uItem = 0;  // part
    UINT uState = 0;
    int nBar = 0;
};

// WM_NOTIFY to the parent: handle it in event() or an event filter and set `result`.
class CSkinSBNotifyEvent : public QEvent {
public:
    static QEvent::Type EventType();
    explicit CSkinSBNotifyEvent(const NMCSBCUSTOMDRAW& n) : QEvent(EventType()), nm(n) {}
    NMCSBCUSTOMDRAW nm;
    LRESULT result = 0;
};

// Calls f with SB_HORZ and / or SB_VERT as wBar names them.
template <typename F>
void ForBars(int wBar, F f) {
    if (wBar == SB_HORZ || wBar == SB_BOTH) f(SB_HORZ);
    if (wBar == SB_VERT || wBar == SB_BOTH) f(SB_VERT);
}

// MulDiv: a × b / c rounded, −1 when c is 0.
int MulDiv(int a, int b, int c);

// The pieces of a bar along its length (from the bar's start).
struct SkinSBGeometry {
    int arrow = 0;       // length of each arrow
    int track = 0;       // between the arrows
    int thumb = 0;       // thumb length (0: none)
    int thumbStart = 0;  // from the bar's start
};
SkinSBGeometry SkinSB_Geometry(int barLength, int thickness, const SCROLLINFO& si, int minThumb);
// Whether SetScrollInfo leaves the bar shown.
bool SkinSB_BarShown(const SCROLLINFO& si, UINT mask, bool keepShown);
// The part at `along` pixels from the bar's start.
int SkinSB_PartAt(const SkinSBGeometry& g, int barLength, int along);

// Engine functions; a window without custom bars gets 0 or the system function's answer.
BOOL SkinSB_Initialize(HWND hwnd);
long SkinSB_Uninitialize(HWND hwnd);  // 0, or E_FAIL without custom bars
BOOL SkinSB_IsEnabled(HWND hwnd);
BOOL SkinSB_SetSize(HWND hwnd, int wBar, int width, int height);
BOOL SkinSB_SetStyle(HWND hwnd, int wBar, int nStyle);
BOOL SkinSB_SetMinThumbSize(HWND hwnd, int wBar, int size);
BOOL SkinSB_IsThumbTracking(HWND hwnd);
BOOL SkinSB_GetScrollInfo(HWND hwnd, int fnBar, SCROLLINFO* psi);
int SkinSB_GetScrollPos(HWND hwnd, int nBar);
BOOL SkinSB_GetScrollRange(HWND hwnd, int nBar, int* lpMinPos, int* lpMaxPos);
int SkinSB_SetScrollInfo(HWND hwnd, int fnBar, const SCROLLINFO* psi, BOOL fRedraw);
int SkinSB_SetScrollPos(HWND hwnd, int nBar, int nPos, BOOL fRedraw);
BOOL SkinSB_SetScrollRange(HWND hwnd, int nBar, int nMinPos, int nMaxPos, BOOL fRedraw);
BOOL SkinSB_ShowScrollBar(HWND hwnd, int wBar, BOOL fShow);
BOOL SkinSB_EnableScrollBar(HWND hwnd, int wSBflags, UINT wArrows);
using EnableScrollBarFn = BOOL (*)(HWND, UINT, UINT);
void SkinSB_SetRealEnableScrollBar(EnableScrollBarFn fn);
// Recomputes the room of the bars (in place of SWP_FRAMECHANGED).
void SkinSB_RecalcFrame(HWND hwnd);
// The engine's bar flags of a window (0 without custom bars).
UINT SkinSB_BarFlags(HWND hwnd, int nBar);
// The engine's timer handler, and whether a timer runs (the timers call the handler).
void SkinSB_OnTimer(HWND hwnd, unsigned id);
bool SkinSB_TimerActive(unsigned id);
// The current pressed and hot part (HTSCROLL_NONE when none).
int SkinSB_PressedPart();
int SkinSB_HotPart();

// The settings of the kit's callers for a skinned child window: custom bars, flat style, 9 × 9,
// minimum thumb 18 on both bars, then the room recomputed. 0 when the window has bars already.
BOOL SkinSB_SetupChild(HWND hwnd);

// The parents' answer to the custom-draw notification: every part from the skin bitmap 334.
LRESULT ButtonCustomDraw(const NMCSBCUSTOMDRAW* nm, const QPixmap& skin);

// The engine's bar widget in place of one of the area's Qt bars. It holds the Qt values that
// the area scrolls by and hands every change to the scroll-bar functions.
class CSkinScrollBar : public QScrollBar {
    Q_OBJECT
public:
    CSkinScrollBar(Qt::Orientation o, HWND area);
    int Bar() const { return orientation() == Qt::Horizontal ? SB_HORZ : SB_VERT; }
    HWND Area() const { return area_; }
    // Set while the kit's own code changes the Qt values (no hand-over then).
    bool quiet = false;
    bool engineLayout = false;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    void setVisible(bool visible) override;

signals:
    // A scroll message (WM_HSCROLL / WM_VSCROLL) as the engine sends it to the window.
    void scrollMessage(int nBar, int code, int pos);

protected:
    void sliderChange(SliderChange change) override;
    void changeEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    HWND area_;
};

}  // namespace uikit
