// The window-manager model behind the caption hook library's native tests,
// and the USER32 entry points of the stand-in header that forward to it.
// SetWindowPos reorders the way the real window manager does: HWND_TOPMOST
// takes a window to the top of the topmost band, an insert-after window puts
// it right below that window with that window's topmost flag, and naming the
// window itself leaves its place alone.
#include "fake_window_manager.h"

#include <algorithm>
#include <cstdlib>

namespace fakewm {

namespace {

uintptr_t Key(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }

}  // namespace

FakeWindowManager& Wm() {
  static FakeWindowManager model;
  return model;
}

void FakeWindowManager::Reset() {
  windows_.clear();
  zOrder_.clear();
  foreground_ = nullptr;
  metrics_ = {{SM_CXFRAME, 4}, {SM_CYFRAME, 4}, {SM_CXSIZE, 18}, {SM_CYSMICON, 16}};
  hooks_.clear();
  setWindowPosFailures_.clear();
  failHookInstall_ = false;
  reportNoTopWindow_ = false;
  nextHookResult_ = 0;
  ClearLogs();
  // The handle counters keep counting: a handle from an earlier test never
  // names a window of a later one.
}

void FakeWindowManager::ClearLogs() {
  calls_.clear();
  setWindowPosCalls_.clear();
  showWindowCalls_.clear();
  hookInstallCalls_.clear();
  unhookCalls_.clear();
  callNextHookCalls_.clear();
}

HWND FakeWindowManager::NewHandle(const WindowSpec& shape) {
  // Window handles are 0x10010, 0x10020, ...: clear of 0, 1, -1 and -2,
  // which SetWindowPos reads as HWND_TOP, HWND_BOTTOM, HWND_TOPMOST and
  // HWND_NOTOPMOST.
  nextWindow_ += 0x10;
  HWND hwnd = reinterpret_cast<HWND>(0x10000 + nextWindow_);
  windows_[Key(hwnd)] = Window{shape.style,  shape.exStyle, shape.rect, shape.enabled,
                               shape.parent, shape.owner,   true,       false};
  return hwnd;
}

HWND FakeWindowManager::Create(const WindowSpec& shape) {
  HWND hwnd = NewHandle(shape);
  if (shape.parent == nullptr) zOrder_.push_back(hwnd);
  return hwnd;
}

HWND FakeWindowManager::CreateAtTop(const WindowSpec& shape) {
  HWND hwnd = NewHandle(shape);
  if (shape.parent == nullptr) zOrder_.insert(zOrder_.begin(), hwnd);
  return hwnd;
}

void FakeWindowManager::Destroy(HWND hwnd) {
  Window* window = Find(hwnd);
  if (window == nullptr) return;
  window->alive = false;
  zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), hwnd), zOrder_.end());
  if (foreground_ == hwnd) foreground_ = nullptr;
}

void FakeWindowManager::VanishAfterExStyleRead(HWND hwnd) {
  if (Window* window = Find(hwnd)) window->vanishAfterExStyleRead = true;
}

void FakeWindowManager::SetEnabled(HWND hwnd, bool enabled) {
  if (Window* window = Find(hwnd)) window->enabled = enabled;
}

void FakeWindowManager::SetStyle(HWND hwnd, DWORD style) {
  if (Window* window = Find(hwnd)) window->style = style;
}

FakeWindowManager::Window* FakeWindowManager::Find(HWND hwnd) {
  auto it = windows_.find(Key(hwnd));
  return it == windows_.end() || !it->second.alive ? nullptr : &it->second;
}

const FakeWindowManager::Window* FakeWindowManager::Find(HWND hwnd) const {
  auto it = windows_.find(Key(hwnd));
  return it == windows_.end() || !it->second.alive ? nullptr : &it->second;
}

ptrdiff_t FakeWindowManager::ZIndex(HWND hwnd) const {
  auto it = std::find(zOrder_.begin(), zOrder_.end(), hwnd);
  return it == zOrder_.end() ? -1 : it - zOrder_.begin();
}

bool FakeWindowManager::IsVisible(HWND hwnd) const {
  const Window* window = Find(hwnd);
  return window != nullptr && (window->style & WS_VISIBLE) != 0;
}

bool FakeWindowManager::IsTopmost(HWND hwnd) const {
  const Window* window = Find(hwnd);
  return window != nullptr && (window->exStyle & WS_EX_TOPMOST) != 0;
}

RECT FakeWindowManager::Rect(HWND hwnd) const {
  const Window* window = Find(hwnd);
  if (window == nullptr) std::abort();  // a test asked for a window it did not keep
  return window->rect;
}

std::vector<std::string> FakeWindowManager::CallNames() const {
  std::vector<std::string> names;
  for (const Call& call : calls_) names.push_back(call.api);
  return names;
}

size_t FakeWindowManager::CountCalls(const std::string& api) const {
  return std::count_if(calls_.begin(), calls_.end(),
                       [&](const Call& call) { return call.api == api; });
}

HHOOK FakeWindowManager::SetWindowsHookExA(int idHook, HOOKPROC proc, HINSTANCE module,
                                           DWORD threadId) {
  Log("SetWindowsHookExA", nullptr);
  HHOOK hook = nullptr;
  if (!failHookInstall_) {
    nextHook_ += 4;
    hook = reinterpret_cast<HHOOK>(0x7700000 + nextHook_);
    hooks_.push_back({hook, proc});
  }
  hookInstallCalls_.push_back({idHook, proc, module, threadId, hook});
  return hook;
}

BOOL FakeWindowManager::UnhookWindowsHookEx(HHOOK hook) {
  Log("UnhookWindowsHookEx", nullptr);
  unhookCalls_.push_back(hook);
  auto it = std::find_if(hooks_.begin(), hooks_.end(),
                         [&](const InstalledHook& installed) { return installed.handle == hook; });
  if (it == hooks_.end()) return FALSE;
  hooks_.erase(it);
  return TRUE;
}

LRESULT FakeWindowManager::CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  Log("CallNextHookEx", nullptr);
  callNextHookCalls_.push_back({hook, code, wParam, lParam});
  return nextHookResult_;
}

HWND FakeWindowManager::GetForegroundWindow() {
  Log("GetForegroundWindow", nullptr);
  return foreground_;
}

HWND FakeWindowManager::GetParent(HWND hwnd) {
  Log("GetParent", hwnd);
  const Window* window = Find(hwnd);
  if (window == nullptr) return nullptr;
  return window->parent != nullptr ? window->parent : window->owner;
}

LONG FakeWindowManager::GetWindowLongA(HWND hwnd, int index) {
  Log("GetWindowLongA", hwnd, index);
  Window* window = Find(hwnd);
  if (window == nullptr) return 0;
  if (index == GWL_STYLE) {
    return static_cast<LONG>(window->style | (window->enabled ? 0u : WS_DISABLED));
  }
  if (index == GWL_EXSTYLE) {
    LONG exStyle = static_cast<LONG>(window->exStyle);
    if (window->vanishAfterExStyleRead) Destroy(hwnd);
    return exStyle;
  }
  return 0;
}

int FakeWindowManager::GetSystemMetrics(int index) {
  Log("GetSystemMetrics", nullptr, index);
  auto it = metrics_.find(index);
  return it == metrics_.end() ? 0 : it->second;
}

BOOL FakeWindowManager::GetWindowRect(HWND hwnd, LPRECT rect) {
  Log("GetWindowRect", hwnd);
  const Window* window = Find(hwnd);
  if (window == nullptr) return FALSE;
  *rect = window->rect;
  return TRUE;
}

BOOL FakeWindowManager::IsWindow(HWND hwnd) {
  Log("IsWindow", hwnd);
  return Find(hwnd) != nullptr;
}

BOOL FakeWindowManager::IsWindowEnabled(HWND hwnd) {
  Log("IsWindowEnabled", hwnd);
  const Window* window = Find(hwnd);
  return window != nullptr && window->enabled;
}

HWND FakeWindowManager::GetWindow(HWND hwnd, UINT cmd) {
  Log("GetWindow", hwnd, static_cast<int>(cmd));
  ptrdiff_t index = ZIndex(hwnd);
  if (index < 0) return nullptr;
  if (cmd == GW_HWNDNEXT) {
    return static_cast<size_t>(index + 1) < zOrder_.size() ? zOrder_[index + 1] : nullptr;
  }
  if (cmd == GW_HWNDPREV) return index > 0 ? zOrder_[index - 1] : nullptr;
  return nullptr;
}

HWND FakeWindowManager::GetTopWindow(HWND hwnd) {
  Log("GetTopWindow", hwnd);
  if (hwnd != nullptr || reportNoTopWindow_ || zOrder_.empty()) return nullptr;
  return zOrder_.front();
}

BOOL FakeWindowManager::SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy,
                                     UINT flags) {
  Log("SetWindowPos", hwnd);
  SetWindowPosCall call{hwnd, insertAfter, x, y, cx, cy, flags, FALSE};
  Window* window = Find(hwnd);
  const bool namedWindow =
      insertAfter != HWND_TOP && insertAfter != HWND_TOPMOST && insertAfter != HWND_NOTOPMOST;
  const bool validInsertAfter = !namedWindow || insertAfter == hwnd || ZIndex(insertAfter) >= 0;
  bool scriptedFailure = false;
  if (!setWindowPosFailures_.empty()) {
    scriptedFailure = setWindowPosFailures_.front();
    setWindowPosFailures_.erase(setWindowPosFailures_.begin());
  }
  if (scriptedFailure || window == nullptr || !validInsertAfter) {
    setWindowPosCalls_.push_back(call);
    return FALSE;
  }

  if (!(flags & SWP_NOMOVE)) {
    window->rect.right += x - window->rect.left;
    window->rect.bottom += y - window->rect.top;
    window->rect.left = x;
    window->rect.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    window->rect.right = window->rect.left + cx;
    window->rect.bottom = window->rect.top + cy;
  }
  if (flags & SWP_SHOWWINDOW) window->style |= WS_VISIBLE;

  if (ZIndex(hwnd) >= 0 && insertAfter != hwnd) {
    zOrder_.erase(zOrder_.begin() + ZIndex(hwnd));
    if (insertAfter == HWND_TOPMOST) {
      window->exStyle |= WS_EX_TOPMOST;
      zOrder_.insert(zOrder_.begin(), hwnd);
    } else if (insertAfter == HWND_TOP || insertAfter == HWND_NOTOPMOST) {
      if (insertAfter == HWND_NOTOPMOST) window->exStyle &= ~WS_EX_TOPMOST;
      // The top of the window's own band.
      const bool topmost = (window->exStyle & WS_EX_TOPMOST) != 0;
      auto at = topmost ? zOrder_.begin()
                        : std::find_if(zOrder_.begin(), zOrder_.end(),
                                       [&](HWND other) { return !IsTopmost(other); });
      zOrder_.insert(at, hwnd);
    } else {
      window->exStyle =
          (window->exStyle & ~WS_EX_TOPMOST) | (IsTopmost(insertAfter) ? WS_EX_TOPMOST : 0u);
      zOrder_.insert(zOrder_.begin() + ZIndex(insertAfter) + 1, hwnd);
    }
  }
  call.result = TRUE;
  setWindowPosCalls_.push_back(call);
  return TRUE;
}

BOOL FakeWindowManager::ShowWindow(HWND hwnd, int cmd) {
  Log("ShowWindow", hwnd, cmd);
  ShowWindowCall call{hwnd, cmd, FALSE};
  if (Window* window = Find(hwnd)) {
    call.result = (window->style & WS_VISIBLE) != 0;
    if (cmd == SW_HIDE) {
      window->style &= ~WS_VISIBLE;
    } else {
      window->style |= WS_VISIBLE;
    }
  }
  showWindowCalls_.push_back(call);
  return call.result;
}

}  // namespace fakewm

extern "C" {

HHOOK WINAPI SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId) {
  return fakewm::Wm().SetWindowsHookExA(idHook, lpfn, hmod, dwThreadId);
}
BOOL WINAPI UnhookWindowsHookEx(HHOOK hhk) { return fakewm::Wm().UnhookWindowsHookEx(hhk); }
LRESULT WINAPI CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam) {
  return fakewm::Wm().CallNextHookEx(hhk, nCode, wParam, lParam);
}
HWND WINAPI GetForegroundWindow(void) { return fakewm::Wm().GetForegroundWindow(); }
HWND WINAPI GetParent(HWND hWnd) { return fakewm::Wm().GetParent(hWnd); }
LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
  return fakewm::Wm().GetWindowLongA(hWnd, nIndex);
}
int WINAPI GetSystemMetrics(int nIndex) { return fakewm::Wm().GetSystemMetrics(nIndex); }
BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
  return fakewm::Wm().GetWindowRect(hWnd, lpRect);
}
BOOL WINAPI IsWindow(HWND hWnd) { return fakewm::Wm().IsWindow(hWnd); }
BOOL WINAPI IsWindowEnabled(HWND hWnd) { return fakewm::Wm().IsWindowEnabled(hWnd); }
HWND WINAPI GetWindow(HWND hWnd, UINT uCmd) { return fakewm::Wm().GetWindow(hWnd, uCmd); }
HWND WINAPI GetTopWindow(HWND hWnd) { return fakewm::Wm().GetTopWindow(hWnd); }
BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         UINT uFlags) {
  return fakewm::Wm().SetWindowPos(hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags);
}
BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) { return fakewm::Wm().ShowWindow(hWnd, nCmdShow); }

}  // extern "C"
