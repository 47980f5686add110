#include "uikit/ScrollBarHooks.h"

#include <QAbstractScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <memory>

namespace uikit {

using apipatch::Addr;

// ---- the system functions over the Qt bars ------------------------------------------------

namespace {

QScrollBar* QtBar(HWND hwnd, int nBar) {
    if (!hwnd) return nullptr;
    if (nBar == SB_HORZ) return hwnd->horizontalScrollBar();
    if (nBar == SB_VERT) return hwnd->verticalScrollBar();
    return nullptr;
}

// Keeps the kit's own changes of an engine bar from being handed over again.
class Quiet {
public:
    explicit Quiet(QScrollBar* b) : bar_(qobject_cast<CSkinScrollBar*>(b)) {
        if (bar_) {
            old_ = bar_->quiet;
            bar_->quiet = true;
        }
    }
    ~Quiet() {
        if (bar_) bar_->quiet = old_;
    }

private:
    CSkinScrollBar* bar_;
    bool old_ = false;
};

// Windows keeps the last position at max - page + 1; a Qt bar keeps it as its maximum.
int WinMax(const QScrollBar* b) { return b->maximum() + std::max(b->pageStep(), 1) - 1; }
int QtMax(int nMin, int nMax, int page) { return std::max(nMin, nMax - std::max(page, 1) + 1); }

}  // namespace

BOOL Real_EnableScrollBar(HWND hwnd, UINT wSBflags, UINT wArrows) {
    if (!hwnd || (wSBflags != SB_HORZ && wSBflags != SB_VERT && wSBflags != SB_BOTH)) return 0;
    ForBars(int(wSBflags), [&](int bar) {
        QScrollBar* b = QtBar(hwnd, bar);
        Quiet q(b);
        b->setEnabled((wArrows & ESB_DISABLE_BOTH) != ESB_DISABLE_BOTH);
    });
    return 1;
}

BOOL Real_GetScrollInfo(HWND hwnd, int fnBar, SCROLLINFO* psi) {
    QScrollBar* b = QtBar(hwnd, fnBar);
    if (!b || !psi || !(psi->fMask & SIF_ALL)) return 0;
    if (psi->fMask & SIF_RANGE) {
        psi->nMin = b->minimum();
        psi->nMax = WinMax(b);
    }
    if (psi->fMask & SIF_PAGE) psi->nPage = UINT(std::max(b->pageStep(), 0));
    if (psi->fMask & SIF_POS) psi->nPos = b->value();
    if (psi->fMask & SIF_TRACKPOS) psi->nTrackPos = b->sliderPosition();
    return 1;
}

int Real_GetScrollPos(HWND hwnd, int nBar) {
    QScrollBar* b = QtBar(hwnd, nBar);
    return b ? b->value() : 0;
}

BOOL Real_GetScrollRange(HWND hwnd, int nBar, int* lpMinPos, int* lpMaxPos) {
    QScrollBar* b = QtBar(hwnd, nBar);
    if (!b || !lpMinPos || !lpMaxPos) return 0;
    *lpMinPos = b->minimum();
    *lpMaxPos = WinMax(b);
    return 1;
}

int Real_SetScrollInfo(HWND hwnd, int fnBar, const SCROLLINFO* psi, BOOL) {
    QScrollBar* b = QtBar(hwnd, fnBar);
    if (!b || !psi) return 0;
    Quiet q(b);
    int nMin = b->minimum(), nMax = WinMax(b);
    int page = b->pageStep();
    if (psi->fMask & SIF_RANGE) {
        nMin = psi->nMin;
        nMax = psi->nMax;
    }
    if (psi->fMask & SIF_PAGE) page = int(std::min<UINT>(psi->nPage, 0x7FFFFFFF));
    b->setPageStep(page);
    b->setRange(nMin, QtMax(nMin, nMax, page));
    if (psi->fMask & SIF_POS) b->setValue(psi->nPos);
    return b->value();
}

int Real_SetScrollPos(HWND hwnd, int nBar, int nPos, BOOL) {
    QScrollBar* b = QtBar(hwnd, nBar);
    if (!b) return 0;
    Quiet q(b);
    const int old = b->value();
    b->setValue(nPos);
    return old;
}

BOOL Real_SetScrollRange(HWND hwnd, int nBar, int nMinPos, int nMaxPos, BOOL) {
    QScrollBar* b = QtBar(hwnd, nBar);
    if (!b) return 0;
    Quiet q(b);
    b->setRange(nMinPos, QtMax(nMinPos, nMaxPos, b->pageStep()));
    return 1;
}

BOOL Real_ShowScrollBar(HWND hwnd, int wBar, BOOL bShow) {
    if (!hwnd || (wBar != SB_HORZ && wBar != SB_VERT && wBar != SB_BOTH)) return 0;
    const Qt::ScrollBarPolicy p = bShow ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    ForBars(wBar, [&](int bar) {
        Quiet q(QtBar(hwnd, bar));
        if (bar == SB_HORZ) hwnd->setHorizontalScrollBarPolicy(p);
        else hwnd->setVerticalScrollBarPolicy(p);
    });
    return 1;
}

// ---- the replacements ---------------------------------------------------------------------

BOOL Hook_EnableScrollBar(HWND hwnd, UINT wSBflags, UINT wArrows) {
    return SkinSB_IsEnabled(hwnd) ? SkinSB_EnableScrollBar(hwnd, int(wSBflags), wArrows)
                                  : Real_EnableScrollBar(hwnd, wSBflags, wArrows);
}
BOOL Hook_GetScrollInfo(HWND hwnd, int fnBar, SCROLLINFO* psi) {
    return SkinSB_IsEnabled(hwnd) ? SkinSB_GetScrollInfo(hwnd, fnBar, psi) : Real_GetScrollInfo(hwnd, fnBar, psi);
}
int Hook_GetScrollPos(HWND hwnd, int nBar) {
    return SkinSB_IsEnabled(hwnd) ? SkinSB_GetScrollPos(hwnd, nBar) : Real_GetScrollPos(hwnd, nBar);
}
BOOL Hook_GetScrollRange(HWND hwnd, int nBar, int* lpMinPos, int* lpMaxPos) {
    return SkinSB_IsEnabled(hwnd) ? SkinSB_GetScrollRange(hwnd, nBar, lpMinPos, lpMaxPos)
                                  : Real_GetScrollRange(hwnd, nBar, lpMinPos, lpMaxPos);
}
int Hook_SetScrollInfo(HWND hwnd, int fnBar, const SCROLLINFO* psi, BOOL fRedraw) {
    return SkinSB_IsEnabled(hwnd) ? SkinSB_SetScrollInfo(hwnd, fnBar, psi, fRedraw)
                                  : Real_SetScrollInfo(hwnd, fnBar, psi, fRedraw);
}
int Hook_SetScrollPos(HWND hwnd, int nBar, int nPos, BOOL fRedraw) {
    return SkinSB_IsEnabled(hwnd) ? SkinSB_SetScrollPos(hwnd, nBar, nPos, fRedraw)
                                  : Real_SetScrollPos(hwnd, nBar, nPos, fRedraw);
}
BOOL Hook_SetScrollRange(HWND hwnd, int nBar, int nMinPos, int nMaxPos, BOOL fRedraw) {
    return SkinSB_IsEnabled(hwnd) ? SkinSB_SetScrollRange(hwnd, nBar, nMinPos, nMaxPos, fRedraw)
                                  : Real_SetScrollRange(hwnd, nBar, nMinPos, nMaxPos, fRedraw);
}
BOOL Hook_ShowScrollBar(HWND hwnd, int wBar, BOOL bShow) {
    return SkinSB_IsEnabled(hwnd) ? SkinSB_ShowScrollBar(hwnd, wBar, bShow) : Real_ShowScrollBar(hwnd, wBar, bShow);
}

// ---- the process image --------------------------------------------------------------------

namespace {

// Program code at 0x401000, its data (import table, thunk pointers) at 0x402000, the window
// library's code at 0x408000.
constexpr Addr kBase = 0x00400000;
constexpr Addr kEntries = 0x00401000;       // 8 x 32 bytes
constexpr Addr kHookBodies = 0x00401200;    // 8 x 16
constexpr Addr kHookThunks = 0x00401300;    // 8 x 8: FF 25 ptr
constexpr Addr kGetters = 0x00401400;       // 8 x 8: A1 slot C3
constexpr Addr kImports = 0x00402000;       // 8 x 4
constexpr Addr kThunkPtrs = 0x00402100;     // 8 x 4
constexpr Addr kLibCode = 0x00408000;       // 8 x 64

void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(std::uint8_t(x >> (8 * i)));
}

std::unique_ptr<apipatch::CodeImage> MakeImage() {
    auto img = std::make_unique<apipatch::CodeImage>(kBase, 0x10000, apipatch::PAGE_READONLY);
    std::uint32_t old = 0;
    img->VirtualProtect(kEntries, 0x1000, apipatch::PAGE_EXECUTE_READ, &old);
    img->VirtualProtect(kImports, 0x1000, apipatch::PAGE_READWRITE, &old);
    img->VirtualProtect(kLibCode, 0x2000, apipatch::PAGE_EXECUTE_READ, &old);
    for (int i = 0; i < kScrollBarFunctions; ++i) {
        const ScrollBarFunctionAddrs a = ScrollBarFunction(i);
        img->Load(a.entry, apipatch::PassThroughEntryBytes(a.entry, a.getter));
        // Replacement body: push ebp; mov ebp, esp; pop ebp; ret.
        const Addr body = kHookBodies + Addr(16 * i);
        img->Load(body, {0x55, 0x8B, 0xEC, 0x5D, 0xC3});
        std::vector<std::uint8_t> thunk = {0xFF, 0x25};
        Put32(thunk, kThunkPtrs + Addr(4 * i));
        img->Load(a.replacement, thunk);
        std::vector<std::uint8_t> ptr;
        Put32(ptr, body);
        img->Load(kThunkPtrs + Addr(4 * i), ptr);
        std::vector<std::uint8_t> getter = {0xA1};
        Put32(getter, a.importSlot);
        getter.push_back(0xC3);
        img->Load(a.getter, getter);
        // The library function: mov edi, edi; push ebp; mov ebp, esp; sub esp, 10h; ...; leave; ret n.
        const Addr fn = kLibCode + Addr(64 * i);
        img->Load(fn, {0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0x83, 0xEC, 0x10, 0x8B, 0x45, 0x08, 0xC9, 0xC2, 0x10, 0x00});
        std::vector<std::uint8_t> imp;
        Put32(imp, fn);
        img->Load(a.importSlot, imp);
    }
    return img;
}

std::unique_ptr<apipatch::CodeImage>& ImageSlot() {
    static std::unique_ptr<apipatch::CodeImage> img;
    return img;
}

std::uint32_t g_version = 0x0A280105;  // 5.1 build 2600: Windows XP

}  // namespace

ScrollBarFunctionAddrs ScrollBarFunction(int i) {
    return {kEntries + Addr(32 * i), kHookThunks + Addr(8 * i), kImports + Addr(4 * i), kGetters + Addr(8 * i)};
}

apipatch::CodeImage& ScrollBarCodeImage() {
    if (!ImageSlot()) ImageSlot() = MakeImage();
    return *ImageSlot();
}

void ResetScrollBarCodeImage() { ImageSlot() = MakeImage(); }

bool ScrollBarRouted(int i) {
    const apipatch::CodeImage& img = ScrollBarCodeImage();
    const ScrollBarFunctionAddrs a = ScrollBarFunction(i);
    return apipatch::IsPatchedTo(img, img.Read32(a.importSlot), a.replacement);
}

std::uint32_t GetVersion() { return g_version; }
void SetVersionForTest(std::uint32_t v) { g_version = v; }

// ---- the dispatch slots -------------------------------------------------------------------

BOOL EnableScrollBar(HWND hwnd, UINT wSBflags, UINT wArrows) {
    return (ScrollBarRouted(0) ? Hook_EnableScrollBar : Real_EnableScrollBar)(hwnd, wSBflags, wArrows);
}
BOOL GetScrollInfo(HWND hwnd, int fnBar, SCROLLINFO* psi) {
    return (ScrollBarRouted(1) ? Hook_GetScrollInfo : Real_GetScrollInfo)(hwnd, fnBar, psi);
}
int GetScrollPos(HWND hwnd, int nBar) {
    return (ScrollBarRouted(2) ? Hook_GetScrollPos : Real_GetScrollPos)(hwnd, nBar);
}
BOOL GetScrollRange(HWND hwnd, int nBar, int* lpMinPos, int* lpMaxPos) {
    return (ScrollBarRouted(3) ? Hook_GetScrollRange : Real_GetScrollRange)(hwnd, nBar, lpMinPos, lpMaxPos);
}
int SetScrollInfo(HWND hwnd, int fnBar, const SCROLLINFO* psi, BOOL fRedraw) {
    return (ScrollBarRouted(4) ? Hook_SetScrollInfo : Real_SetScrollInfo)(hwnd, fnBar, psi, fRedraw);
}
int SetScrollPos(HWND hwnd, int nBar, int nPos, BOOL fRedraw) {
    return (ScrollBarRouted(5) ? Hook_SetScrollPos : Real_SetScrollPos)(hwnd, nBar, nPos, fRedraw);
}
BOOL SetScrollRange(HWND hwnd, int nBar, int nMinPos, int nMaxPos, BOOL fRedraw) {
    return (ScrollBarRouted(6) ? Hook_SetScrollRange : Real_SetScrollRange)(hwnd, nBar, nMinPos, nMaxPos, fRedraw);
}
BOOL ShowScrollBar(HWND hwnd, int wBar, BOOL bShow) {
    return (ScrollBarRouted(7) ? Hook_ShowScrollBar : Real_ShowScrollBar)(hwnd, wBar, bShow);
}

// ---- install and remove -------------------------------------------------------------------

int InstallScrollBarHooks() {
    if (GetVersion() & 0x80000000u) return 0;
    apipatch::CodeImage& img = ScrollBarCodeImage();
    for (int i = 0; i < kScrollBarFunctions; ++i) {
        const ScrollBarFunctionAddrs a = ScrollBarFunction(i);
        apipatch::PatchApiEntry(img, a.entry, a.replacement);
    }
    SkinSB_SetRealEnableScrollBar(Real_EnableScrollBar);
    return 1;
}

int RemoveScrollBarHooks() {
    if (GetVersion() & 0x80000000u) return 0;
    apipatch::CodeImage& img = ScrollBarCodeImage();
    for (int i = 0; i < kScrollBarFunctions; ++i) {
        const ScrollBarFunctionAddrs a = ScrollBarFunction(i);
        apipatch::UnpatchApiEntry(img, a.entry, a.replacement);
    }
    SkinSB_SetRealEnableScrollBar(EnableScrollBar);
    return 1;
}

}  // namespace uikit
