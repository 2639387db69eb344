// State of the caption hook library. CaptionHookShared is the whole content
// of the "SHARDATA" section, which the module-definition file and the section
// attribute mark shared: one copy for every process that maps the library.
// Each field is a single aligned 32-bit value, read and written whole and
// without a lock.
#pragma once

#include <windows.h>

struct CaptionHookShared {
  HWND hwndCaption;       // the host's caption window; set only by InitCaptionHookDll
  HWND hwndTracked;       // outermost window the caption window was last laid over
  LONG nMaxCaptionWidth;  // < 0 no limit, 0 parked off-screen, > 0 the limit
};

extern CaptionHookShared g_captionHookShared;

// Per process: the module handle, and the hook handle (non-null only in the
// host process that installed the hook).
extern HINSTANCE g_hInstance;
extern HHOOK g_hHook;
