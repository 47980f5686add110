#pragma once
// The kit's scroll-bar functions over a window's Qt bars, each called through one dispatch slot,
// and their redirection to the custom-drawn scroll bars. The redirection patches the entry
// points of the eight functions in a simulated 32-bit code image of the process (ApiPatch.h);
// a slot routes to its replacement exactly while the image's function starts with a jump to it.
#include "uikit/ApiPatch.h"
#include "uikit/SkinScrollBar.h"

#include <cstdint>

namespace uikit {

// The dispatch slots: what every caller uses.
BOOL EnableScrollBar(HWND hwnd, UINT wSBflags, UINT wArrows);
BOOL GetScrollInfo(HWND hwnd, int fnBar, SCROLLINFO* psi);
int GetScrollPos(HWND hwnd, int nBar);
BOOL GetScrollRange(HWND hwnd, int nBar, int* lpMinPos, int* lpMaxPos);
int SetScrollInfo(HWND hwnd, int fnBar, const SCROLLINFO* psi, BOOL fRedraw);
int SetScrollPos(HWND hwnd, int nBar, int nPos, BOOL fRedraw);
BOOL SetScrollRange(HWND hwnd, int nBar, int nMinPos, int nMaxPos, BOOL fRedraw);
BOOL ShowScrollBar(HWND hwnd, int wBar, BOOL bShow);

// The system functions: the Qt bars themselves.
BOOL Real_EnableScrollBar(HWND hwnd, UINT wSBflags, UINT wArrows);
BOOL Real_GetScrollInfo(HWND hwnd, int fnBar, SCROLLINFO* psi);
int Real_GetScrollPos(HWND hwnd, int nBar);
BOOL Real_GetScrollRange(HWND hwnd, int nBar, int* lpMinPos, int* lpMaxPos);
int Real_SetScrollInfo(HWND hwnd, int fnBar, const SCROLLINFO* psi, BOOL fRedraw);
int Real_SetScrollPos(HWND hwnd, int nBar, int nPos, BOOL fRedraw);
BOOL Real_SetScrollRange(HWND hwnd, int nBar, int nMinPos, int nMaxPos, BOOL fRedraw);
BOOL Real_ShowScrollBar(HWND hwnd, int wBar, BOOL bShow);

// The replacements: the custom engine for a window with custom bars, else the system function.
BOOL Hook_EnableScrollBar(HWND hwnd, UINT wSBflags, UINT wArrows);
BOOL Hook_GetScrollInfo(HWND hwnd, int fnBar, SCROLLINFO* psi);
int Hook_GetScrollPos(HWND hwnd, int nBar);
BOOL Hook_GetScrollRange(HWND hwnd, int nBar, int* lpMinPos, int* lpMaxPos);
int Hook_SetScrollInfo(HWND hwnd, int fnBar, const SCROLLINFO* psi, BOOL fRedraw);
int Hook_SetScrollPos(HWND hwnd, int nBar, int nPos, BOOL fRedraw);
BOOL Hook_SetScrollRange(HWND hwnd, int nBar, int nMinPos, int nMaxPos, BOOL fRedraw);
BOOL Hook_ShowScrollBar(HWND hwnd, int wBar, BOOL bShow);

// Patches the eight functions (NT family only): 0 on another system, else 1.
int InstallScrollBarHooks();
// Undoes the patches (NT family only): 0 on another system, else 1.
int RemoveScrollBarHooks();

// The functions in patching order: EnableScrollBar, GetScrollInfo, GetScrollPos, GetScrollRange,
// SetScrollInfo, SetScrollPos, SetScrollRange, ShowScrollBar.
constexpr int kScrollBarFunctions = 8;
struct ScrollBarFunctionAddrs {
    apipatch::Addr entry;        // the pass-through entry Real_<name>
    apipatch::Addr replacement;  // Hook_<name> (reached through an import-style thunk)
    apipatch::Addr importSlot;   // the import table's pointer to the system function
    apipatch::Addr getter;       // returns the pointer at importSlot
};
ScrollBarFunctionAddrs ScrollBarFunction(int i);
// The process image (program code, import table, the window library's code).
apipatch::CodeImage& ScrollBarCodeImage();
// A fresh unpatched image, as at process start (tests).
void ResetScrollBarCodeImage();
// True while slot i routes to its replacement.
bool ScrollBarRouted(int i);

// The version value the kit asks (GetVersion): Windows XP; a set top bit is a non-NT system.
std::uint32_t GetVersion();
void SetVersionForTest(std::uint32_t v);

}  // namespace uikit
