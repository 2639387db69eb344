// Entry point, exports and hook procedure of the caption hook library. The
// hook runs inside every process on the host's desktop, so it never blocks,
// never alters a message and always hands it on.
#include <windows.h>

#include "caption_hook_shared.h"
#include "caption_placement.h"

// The MinGW section attribute and the module-definition file's SECTIONS line
// together give "SHARDATA" its shared flag. The native build keeps it plain.
#if defined(_WIN32)
#define QUORLIN_SHARED_SECTION __attribute__((section("SHARDATA"), shared))
#define QUORLIN_PROCESS_DATA __attribute__((section(".data")))
#else
#define QUORLIN_SHARED_SECTION
#define QUORLIN_PROCESS_DATA
#endif

CaptionHookShared g_captionHookShared QUORLIN_SHARED_SECTION = {NULL, NULL, -1};
// Kept in the ordinary initialised data section rather than .bss: one copy per
// process, starting null in each.
HINSTANCE g_hInstance QUORLIN_PROCESS_DATA = NULL;
HHOOK g_hHook QUORLIN_PROCESS_DATA = NULL;

namespace {

// Climbs parents and owners; no bound of its own.
HWND FindOutermostWindow(HWND hwnd) {
  for (;;) {
    HWND parent = GetParent(hwnd);
    if (parent == NULL) return hwnd;
    hwnd = parent;
  }
}

}  // namespace

extern "C" {

BOOL WINAPI QuorlinEntryPoint(HINSTANCE hinstDll, DWORD, LPVOID) {
  g_hInstance = hinstDll;
  return TRUE;
}

LONG WINAPI WEP(LONG) { return 1; }

LONG WINAPI InitCaptionHookDll(HWND hwndCaption) {
  g_captionHookShared.hwndCaption = hwndCaption;
  return hwndCaption != NULL ? 1 : 0;
}

LRESULT CALLBACK CallWndProcFunc(int nCode, WPARAM wParam, LPARAM lParam);

LONG WINAPI InstallCaptionWndProcFilter(void) {
  if (g_captionHookShared.hwndCaption == NULL) return 0;
  g_hHook = SetWindowsHookExA(WH_CALLWNDPROC, CallWndProcFunc, g_hInstance, 0);
  PlaceCaptionWindow(FindOutermostWindow(GetForegroundWindow()));
  return g_hHook != NULL ? 1 : 0;
}

LONG WINAPI UnInstallCaptionWndProcFilter(void) {
  if (g_hHook == NULL) return 0;
  return UnhookWindowsHookEx(g_hHook);
}

LONG WINAPI SetMaxCaptionWidth(LONG nWidth) {
  g_captionHookShared.nMaxCaptionWidth = nWidth;
  HWND tracked = g_captionHookShared.hwndTracked;
  if (!IsWindow(tracked)) return 0;
  return PlaceCaptionWindow(tracked);
}

LRESULT CALLBACK CallWndProcFunc(int nCode, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* message = (const CWPSTRUCT*)lParam;
  UINT id = message->message;
  if (id == WM_DESTROY) {
    HWND tracked = g_captionHookShared.hwndTracked;
    if (tracked != NULL && tracked == message->hwnd) {
      ShowWindow(g_captionHookShared.hwndCaption, SW_HIDE);
      g_captionHookShared.hwndTracked = NULL;
    }
  } else if (id == WM_SETFOCUS || id == WM_WINDOWPOSCHANGED) {
    HWND foreground = FindOutermostWindow(GetForegroundWindow());
    HWND target = FindOutermostWindow(message->hwnd);
    if (foreground == target && target != g_captionHookShared.hwndCaption) {
      PlaceCaptionWindow(target);
    }
  }
  return CallNextHookEx(g_hHook, nCode, wParam, lParam);
}

}  // extern "C"
