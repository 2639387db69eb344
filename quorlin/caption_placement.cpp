// Geometry and z-order of the caption strip. Everything is read afresh on
// every call: styles, the window rectangle and the system metrics.
#include "caption_placement.h"

#include "caption_hook_shared.h"

namespace {

// Only the low 16 bits of a metric count, zero-extended.
LONG SystemMetric16(int index) { return (LONG)(WORD)GetSystemMetrics(index); }

BOOL CanCarryCaption(DWORD style, DWORD exStyle) {
  if (exStyle & WS_EX_TOOLWINDOW) return FALSE;
  if ((style & WS_CAPTION) == 0) return FALSE;
  return (style & WS_VISIBLE) != 0;
}

LONG HideCaptionWindow(void) { return ShowWindow(g_captionHookShared.hwndCaption, SW_HIDE); }

// The last window of the unbroken run of topmost windows that starts at the
// top of the z-order; the top window itself is taken as it is.
HWND LastWindowOfTopmostRun(HWND top) {
  HWND candidate = top;
  for (;;) {
    HWND next = GetWindow(candidate, GW_HWNDNEXT);
    if (next == NULL) return candidate;
    if (((DWORD)GetWindowLongA(next, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) return candidate;
    candidate = next;
  }
}

}  // namespace

LONG PlaceCaptionWindow(HWND hwnd) {
  HWND caption = g_captionHookShared.hwndCaption;
  if (hwnd == caption) return 0;

  DWORD style = (DWORD)GetWindowLongA(hwnd, GWL_STYLE);
  DWORD exStyle = (DWORD)GetWindowLongA(hwnd, GWL_EXSTYLE);
  if (!CanCarryCaption(style, exStyle)) return HideCaptionWindow();

  LONG frameWidth = SystemMetric16(SM_CXFRAME);
  LONG frameHeight = SystemMetric16(SM_CYFRAME);
  LONG buttonWidth = SystemMetric16(SM_CXSIZE);
  LONG smallIconHeight = SystemMetric16(SM_CYSMICON);
  RECT windowRect;
  // The window can vanish between the style reads and this one; there is
  // then no title bar to lie over.
  if (!GetWindowRect(hwnd, &windowRect)) return HideCaptionWindow();

  LONG sysMenuAllowance = 0;
  if ((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU) &&
      (exStyle & WS_EX_DLGMODALFRAME) == 0) {
    sysMenuAllowance = buttonWidth + 1;
  }

  // Inclusive edges.
  LONG left = windowRect.left + frameWidth + sysMenuAllowance;
  LONG right = windowRect.right - 4 * buttonWidth - frameWidth - 1;
  LONG top = windowRect.top + frameHeight;
  LONG bottom = top + smallIconHeight;

  LONG maxWidth = g_captionHookShared.nMaxCaptionWidth;
  if (maxWidth > 0) {
    if (right - left + 1 > maxWidth) left = right - maxWidth + 1;
  } else if (maxWidth == 0) {
    left = top = right = bottom = kParkedCaptionCoordinate;
  }

  HWND insertAfter = HWND_TOPMOST;
  if (!IsWindowEnabled(hwnd)) {
    HWND above = GetWindow(hwnd, GW_HWNDPREV);
    if (above != NULL) insertAfter = above;
  }

  LONG result = SetWindowPos(caption, insertAfter, left, top, right - left + 1, bottom - top + 1,
                             SWP_SHOWWINDOW | SWP_NOACTIVATE);

  if (insertAfter == HWND_TOPMOST) {
    // Topmost, but behind the topmost windows already at the top.
    HWND topWindow = GetTopWindow(NULL);
    if (topWindow == NULL) {
      result = 0;
    } else {
      result = SetWindowPos(caption, LastWindowOfTopmostRun(topWindow), 0, 0, 0, 0,
                            SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }
  }

  g_captionHookShared.hwndTracked = hwnd;
  return result;
}
