// Host role of the caption hook scenarios and of the demo; see caption_host.h.
#include "caption_host.h"

#include <cstdio>
#include <cstring>

namespace quorlin_wine {

namespace {

constexpr char kCaptionClass[] = "QuorlinTestCaption";
// A colour that stands out against every title bar in a screenshot.
constexpr COLORREF kCaptionColour = RGB(255, 128, 0);

LONG Metric16(int index) { return (LONG)(WORD)GetSystemMetrics(index); }

LRESULT CALLBACK CaptionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH brush = CreateSolidBrush(kCaptionColour);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    char text[64] = {};
    GetWindowTextA(window, text, sizeof text);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextA(dc, text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProcA(window, message, wParam, lParam);
}

template <typename Proc>
Proc Export(HMODULE library, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

bool Poll(const CaptionHost& host, bool (*done)(const CaptionState&, const Strip&),
          const Strip& expected, CaptionState* last) {
  DWORD start = GetTickCount();
  for (;;) {
    PumpMessages();
    CaptionState state = host.State();
    if (last) *last = state;
    if (done(state, expected)) return true;
    if (GetTickCount() - start > kStepDeadlineMs) return false;
    MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
  }
}

}  // namespace

std::string Describe(const Strip& strip) {
  char text[96];
  snprintf(text, sizeof text, "(%ld,%ld %ldx%ld)", (long)strip.x, (long)strip.y, (long)strip.width,
           (long)strip.height);
  return text;
}

std::string Describe(const CaptionState& state) {
  char text[160];
  snprintf(text, sizeof text, "%s at %s%s, above it %p, below it %p",
           state.visible ? "shown" : "hidden", Describe(state.rect).c_str(),
           state.topmost ? " topmost" : "", (void*)state.above, (void*)state.below);
  return text;
}

Strip ExpectedStrip(HWND window, bool systemMenuAllowance, LONG limit) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  LONG frameWidth = Metric16(SM_CXFRAME);
  LONG frameHeight = Metric16(SM_CYFRAME);
  LONG buttonWidth = Metric16(SM_CXSIZE);
  LONG smallIconHeight = Metric16(SM_CYSMICON);
  LONG allowance = systemMenuAllowance ? buttonWidth + 1 : 0;
  LONG left = rect.left + frameWidth + allowance;
  LONG right = rect.right - 4 * buttonWidth - frameWidth - 1;
  LONG top = rect.top + frameHeight;
  if (limit == 0) return kParkedStrip;
  if (limit > 0 && right - left + 1 > limit) left = right - limit + 1;
  return {left, top, right - left + 1, smallIconHeight + 1};
}

bool IsTopmost(HWND window) {
  return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool WaitPumping(HANDLE handle, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    PumpMessages();
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) return true;
    if (result == WAIT_FAILED) return false;
  }
}

CaptionHost::~CaptionHost() {
  if (caption_ != NULL && IsWindow(caption_)) DestroyWindow(caption_);
  // The library stays loaded: a hook still installed would otherwise point
  // into an unmapped module for the rest of the process.
}

bool CaptionHost::Open(const char* label) {
  HINSTANCE instance = GetModuleHandleA(NULL);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CaptionProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
  windowClass.lpszClassName = kCaptionClass;
  if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    error_ = "cannot register the caption window class";
    return false;
  }
  // A pop-up without frame, so its window rectangle is exactly what the
  // library sets; a tool window that never activates, so it never takes the
  // foreground from the windows under test.
  caption_ = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kCaptionClass, label, WS_POPUP, 0,
                             0, 10, 10, NULL, NULL, instance, NULL);
  if (caption_ == NULL) {
    error_ = "cannot create the caption window";
    return false;
  }
  library_ = LoadLibraryA("Quorlin.dll");
  if (library_ == NULL) {
    error_ = "cannot load Quorlin.dll, error " + std::to_string(GetLastError());
    return false;
  }
  init_ = Export<HandleProc>(library_, "InitCaptionHookDll");
  install_ = Export<VoidProc>(library_, "InstallCaptionWndProcFilter");
  uninstall_ = Export<VoidProc>(library_, "UnInstallCaptionWndProcFilter");
  setMaxWidth_ = Export<WidthProc>(library_, "SetMaxCaptionWidth");
  if (!init_ || !install_ || !uninstall_ || !setMaxWidth_) {
    error_ = "Quorlin.dll lacks an export";
    return false;
  }
  return true;
}

LONG CaptionHost::Init(HWND window) { return init_(window); }
LONG CaptionHost::Install() { return install_(); }
LONG CaptionHost::Uninstall() { return uninstall_(); }
LONG CaptionHost::SetMaxWidth(LONG width) { return setMaxWidth_(width); }

void CaptionHost::DestroyCaption() {
  DestroyWindow(caption_);
  PumpMessages();
}

CaptionState CaptionHost::State() const {
  CaptionState state;
  RECT rect = {};
  GetWindowRect(caption_, &rect);
  state.visible = IsWindowVisible(caption_) != FALSE;
  state.rect = {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  state.topmost = IsTopmost(caption_);
  state.above = GetWindow(caption_, GW_HWNDPREV);
  state.below = GetWindow(caption_, GW_HWNDNEXT);
  return state;
}

bool CaptionHost::WaitShownAt(const Strip& expected, CaptionState* last) const {
  return Poll(
      *this,
      [](const CaptionState& state, const Strip& strip) {
        return state.visible && state.rect == strip;
      },
      expected, last);
}

bool CaptionHost::WaitHidden(CaptionState* last) const {
  return Poll(
      *this, [](const CaptionState& state, const Strip&) { return !state.visible; }, Strip(), last);
}

TargetProcess::~TargetProcess() {
  if (process_.hProcess == NULL) return;
  if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
    if (Quit() == STILL_ACTIVE) TerminateProcess(process_.hProcess, 1);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

bool TargetProcess::Start(const char* token) {
  char program[MAX_PATH] = {};
  GetModuleFileNameA(NULL, program, MAX_PATH);
  char* slash = strrchr(program, '\\');
  if (slash == NULL) {
    error_ = "no folder in the module path";
    return false;
  }
  strcpy(slash + 1, "quorlin_target.exe");
  std::string commandLine = std::string("\"") + program + "\" " + token;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessA(program, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                      &process_)) {
    error_ = "cannot start " + std::string(program) + ", error " + std::to_string(GetLastError());
    return false;
  }
  DWORD start = GetTickCount();
  while ((control_ = FindWindowExA(HWND_MESSAGE, NULL, kTargetControlClass, token)) == NULL) {
    if (WaitPumping(process_.hProcess, 10)) {
      error_ = "the target ended before it was ready";
      return false;
    }
    if (GetTickCount() - start > kStepDeadlineMs) {
      error_ = "the target's control window did not appear";
      return false;
    }
  }
  return true;
}

LRESULT TargetProcess::Send(TargetOp op, const TargetCommand& command, bool* answered) {
  COPYDATASTRUCT data = {};
  data.dwData = static_cast<ULONG_PTR>(op);
  data.cbData = sizeof command;
  data.lpData = const_cast<TargetCommand*>(&command);
  DWORD_PTR result = 0;
  // While it waits, this thread still handles the messages sent to it, such
  // as the moves of the caption window that the hook makes in the target.
  LRESULT sent = SendMessageTimeoutA(control_, WM_COPYDATA, 0, (LPARAM)&data, SMTO_NORMAL,
                                     kStepDeadlineMs, &result);
  if (answered) *answered = sent != 0;
  return sent != 0 ? (LRESULT)result : 0;
}

bool TargetProcess::Ping() {
  return Send(TargetOp::Ping, TargetCommand(), nullptr) == kTargetAlive;
}

HWND TargetProcess::Create(WindowKind kind, int x, int y, int width, int height, bool activate,
                           const char* title) {
  TargetCommand command;
  command.kind = kind;
  command.x = x;
  command.y = y;
  command.width = width;
  command.height = height;
  command.activate = activate ? 1 : 0;
  snprintf(command.title, sizeof command.title, "%s", title);
  return (HWND)Send(TargetOp::Create, command, nullptr);
}

LRESULT TargetProcess::SendOnWindow(TargetOp op, HWND window) {
  TargetCommand command;
  command.window = (INT64)(INT_PTR)window;
  return Send(op, command, nullptr);
}

bool TargetProcess::Activate(HWND window) { return SendOnWindow(TargetOp::Activate, window) == 1; }

HWND TargetProcess::OpenDialog(HWND owner, bool disableOwner, int x, int y, const char* title) {
  TargetCommand command;
  command.window = (INT64)(INT_PTR)owner;
  command.disableOwner = disableOwner ? 1 : 0;
  command.x = x;
  command.y = y;
  command.width = 260;
  command.height = 140;
  snprintf(command.title, sizeof command.title, "%s", title);
  return (HWND)Send(TargetOp::OpenDialog, command, nullptr);
}

bool TargetProcess::Destroy(HWND window) { return SendOnWindow(TargetOp::Destroy, window) == 1; }

LONG TargetProcess::UninstallFromHere(bool* answered) {
  return (LONG)Send(TargetOp::Uninstall, TargetCommand(), answered);
}

bool TargetProcess::HookLibraryMapped() {
  return Send(TargetOp::HookLibraryMapped, TargetCommand(), nullptr) == 1;
}

bool TargetProcess::Repaint() { return Send(TargetOp::Repaint, TargetCommand(), nullptr) == 1; }

DWORD TargetProcess::Quit() {
  Send(TargetOp::Quit, TargetCommand(), nullptr);
  // The target's windows go away while this waits, and the hook in the target
  // hides the caption window through this thread.
  if (!WaitPumping(process_.hProcess, kStepDeadlineMs)) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

}  // namespace quorlin_wine
