// Close requests to the product's programs, then a bounded wait for each
// program's window class to disappear. The step never fails: a program that
// stays is left running and the uninstall goes on.
#include "component_shutdown.h"

namespace {

struct ComponentWindow {
  LPCSTR className;
  BOOL closeLastActivePopup;
};

// Order matters: both phases walk the table top to bottom.
const ComponentWindow kComponentWindows[] = {
    {"PrefsmithClass", TRUE},
    {"KV_ZIVA_WINDOW_CLASS", TRUE},
    {"KV_PLOVEN_WINDOW_CLASS", TRUE},
    {"VERNOX_WINDOW", FALSE},
};
const int kComponentWindowCount = sizeof(kComponentWindows) / sizeof(kComponentWindows[0]);

// SendMessageA would wait forever on a window whose thread is stuck; this
// returns once the window has handled the request, or gives up on a hung one.
void RequestClose(HWND hwnd) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(hwnd, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCloseRequestTimeoutMs, &result);
}

}  // namespace

int CloseRunningComponents(void) {
  for (int i = 0; i < kComponentWindowCount; ++i) {
    HWND hwnd = FindWindowA(kComponentWindows[i].className, NULL);
    if (hwnd == NULL) continue;
    if (kComponentWindows[i].closeLastActivePopup) {
      HWND popup = GetLastActivePopup(hwnd);
      if (popup != NULL && popup != hwnd) RequestClose(popup);
    }
    RequestClose(hwnd);
  }

  for (int i = 0; i < kComponentWindowCount; ++i) {
    int pollsLeft = kComponentPollLimit;
    while (FindWindowA(kComponentWindows[i].className, NULL) != NULL) {
      if (pollsLeft == 0) break;
      --pollsLeft;
      Sleep(kComponentPollIntervalMs);
    }
  }
  return 1;
}
