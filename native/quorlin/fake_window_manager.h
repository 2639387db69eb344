// A small, recording model of the window manager calls that the caption hook
// library makes. It keeps top-level windows in a z-order (topmost flags,
// styles, rectangles, enabled state, parents and owners), the foreground
// window, the system metrics and the installed hooks, implements the USER32
// functions of the stand-in header on top of them, and logs every call so
// that a test can say which calls were made and with what.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace fakewm {

// One call into the model: the function's name, its window argument (null
// when it takes none) and its index or command argument (the GWL_ or SM_
// index, the GW_ command; 0 when it takes none).
struct Call {
  std::string api;
  HWND hwnd;
  int arg;
};

struct SetWindowPosCall {
  HWND hwnd;
  HWND insertAfter;
  int x, y, cx, cy;
  UINT flags;
  BOOL result;
};

struct ShowWindowCall {
  HWND hwnd;
  int cmd;
  BOOL result;
};

struct HookInstallCall {
  int idHook;
  HOOKPROC proc;
  HINSTANCE module;
  DWORD threadId;
  HHOOK result;
};

struct CallNextHookCall {
  HHOOK hook;
  int code;
  WPARAM wParam;
  LPARAM lParam;
};

struct InstalledHook {
  HHOOK handle;
  HOOKPROC proc;
};

// What a test says about a window when it creates one.
struct WindowSpec {
  DWORD style = WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
  DWORD exStyle = 0;  // WS_EX_TOPMOST here makes it a topmost window
  RECT rect = {100, 50, 700, 450};
  bool enabled = true;
  HWND parent = nullptr;  // a child window: not in the top-level z-order
  HWND owner = nullptr;   // an owned pop-up: a top-level window
};

class FakeWindowManager {
 public:
  // Forgets every window, hook, script and logged call; metrics go back to
  // 4, 4, 18, 16 (frame width, frame height, button width, small icon).
  void Reset();

  // Creates a window. Top-level windows go to the bottom of the z-order, so
  // creating them in order lays the z-order out from top to bottom.
  HWND Create(const WindowSpec& shape);
  // Like Create, with the window at the top of the z-order.
  HWND CreateAtTop(const WindowSpec& shape);
  // Marks the window gone: IsWindow false, styles 0, no rectangle, out of
  // the z-order. Its handle is never reused.
  void Destroy(HWND hwnd);
  // The window is destroyed right after its extended style has been read,
  // as if it vanished between the style reads and GetWindowRect.
  void VanishAfterExStyleRead(HWND hwnd);

  void SetForeground(HWND hwnd) { foreground_ = hwnd; }
  void SetEnabled(HWND hwnd, bool enabled);
  void SetStyle(HWND hwnd, DWORD style);
  void SetMetric(int index, int value) { metrics_[index] = value; }

  // Scripts.
  // The next SetWindowPos calls fail, changing nothing, where the entry is
  // true, one entry per call; later calls behave normally.
  void ScriptSetWindowPosFailures(std::vector<bool> failures) {
    setWindowPosFailures_ = std::move(failures);
  }
  void FailHookInstall(bool fail) { failHookInstall_ = fail; }
  void ReportNoTopWindow(bool none) { reportNoTopWindow_ = none; }
  void SetNextHookResult(LRESULT result) { nextHookResult_ = result; }

  // State.
  bool IsVisible(HWND hwnd) const;
  bool IsTopmost(HWND hwnd) const;
  RECT Rect(HWND hwnd) const;
  const std::vector<HWND>& ZOrder() const { return zOrder_; }  // top first
  const std::vector<InstalledHook>& Hooks() const { return hooks_; }

  // Logs.
  const std::vector<Call>& Calls() const { return calls_; }
  std::vector<std::string> CallNames() const;
  size_t CountCalls(const std::string& api) const;
  void ClearLogs();
  const std::vector<SetWindowPosCall>& SetWindowPosCalls() const { return setWindowPosCalls_; }
  const std::vector<ShowWindowCall>& ShowWindowCalls() const { return showWindowCalls_; }
  const std::vector<HookInstallCall>& HookInstallCalls() const { return hookInstallCalls_; }
  const std::vector<HHOOK>& UnhookCalls() const { return unhookCalls_; }
  const std::vector<CallNextHookCall>& CallNextHookCalls() const { return callNextHookCalls_; }

  // The USER32 functions, as the stand-in header declares them.
  HHOOK SetWindowsHookExA(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId);
  BOOL UnhookWindowsHookEx(HHOOK hook);
  LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);
  HWND GetForegroundWindow();
  HWND GetParent(HWND hwnd);
  LONG GetWindowLongA(HWND hwnd, int index);
  int GetSystemMetrics(int index);
  BOOL GetWindowRect(HWND hwnd, LPRECT rect);
  BOOL IsWindow(HWND hwnd);
  BOOL IsWindowEnabled(HWND hwnd);
  HWND GetWindow(HWND hwnd, UINT cmd);
  HWND GetTopWindow(HWND hwnd);
  BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
  BOOL ShowWindow(HWND hwnd, int cmd);

 private:
  struct Window {
    DWORD style;
    DWORD exStyle;
    RECT rect;
    bool enabled;
    HWND parent;
    HWND owner;
    bool alive;
    bool vanishAfterExStyleRead;
  };

  Window* Find(HWND hwnd);
  const Window* Find(HWND hwnd) const;
  HWND NewHandle(const WindowSpec& shape);
  ptrdiff_t ZIndex(HWND hwnd) const;
  void Log(const char* api, HWND hwnd, int arg = 0) { calls_.push_back({api, hwnd, arg}); }

  std::map<uintptr_t, Window> windows_;
  std::vector<HWND> zOrder_;
  HWND foreground_ = nullptr;
  std::map<int, int> metrics_;
  std::vector<InstalledHook> hooks_;
  uintptr_t nextWindow_ = 0;
  uintptr_t nextHook_ = 0;

  std::vector<bool> setWindowPosFailures_;
  bool failHookInstall_ = false;
  bool reportNoTopWindow_ = false;
  LRESULT nextHookResult_ = 0;

  std::vector<Call> calls_;
  std::vector<SetWindowPosCall> setWindowPosCalls_;
  std::vector<ShowWindowCall> showWindowCalls_;
  std::vector<HookInstallCall> hookInstallCalls_;
  std::vector<HHOOK> unhookCalls_;
  std::vector<CallNextHookCall> callNextHookCalls_;
};

// The one model that the USER32 functions of this test executable talk to.
FakeWindowManager& Wm();

}  // namespace fakewm
