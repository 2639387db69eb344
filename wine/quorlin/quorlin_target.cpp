// Target process of the caption hook scenarios: a second process on the
// host's desktop that makes, activates and destroys its own windows when told
// to, so that the hook runs here and not in the host. It never loads the
// library itself, except to call the uninstall from a process that did not
// install the hook.
//
//   quorlin_target.exe TOKEN    (TOKEN names the control window)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "target_protocol.h"

namespace {

using quorlin_wine::TargetCommand;
using quorlin_wine::TargetOp;
using quorlin_wine::WindowKind;

constexpr char kTargetWindowClass[] = "QuorlinTargetWindow";
std::vector<HWND> g_windows;

struct KindStyles {
  DWORD style;
  DWORD exStyle;
};

KindStyles StylesOf(WindowKind kind) {
  switch (kind) {
    case WindowKind::Overlapped:
      return {WS_OVERLAPPEDWINDOW, 0};
    case WindowKind::CaptionNoSysMenu:
      return {WS_POPUP | WS_CAPTION, 0};
    case WindowKind::ModalFrame:
      return {WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME};
    case WindowKind::DialogFrameOnly:
      return {WS_POPUP | WS_DLGFRAME | WS_SYSMENU, 0};
    case WindowKind::BorderOnly:
      return {WS_POPUP | WS_BORDER | WS_SYSMENU, 0};
    case WindowKind::ToolWindow:
      return {WS_OVERLAPPEDWINDOW, WS_EX_TOOLWINDOW};
    case WindowKind::NoCaption:
      return {WS_POPUP | WS_THICKFRAME, 0};
    case WindowKind::TopmostTool:
      return {WS_POPUP | WS_CAPTION, WS_EX_TOPMOST | WS_EX_TOOLWINDOW};
  }
  return {WS_OVERLAPPEDWINDOW, 0};
}

bool HoldsFocus(HWND window) {
  HWND focus = GetFocus();
  return focus != NULL && (focus == window || IsChild(window, focus));
}

LRESULT Activate(HWND window) {
  if (!IsWindow(window)) return 0;
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  if (!HoldsFocus(window)) SetFocus(window);
  return GetForegroundWindow() == window && HoldsFocus(window) ? 1 : 0;
}

LRESULT Create(const TargetCommand& command) {
  KindStyles styles = StylesOf(command.kind);
  HWND window = CreateWindowExA(styles.exStyle, kTargetWindowClass, command.title, styles.style,
                                command.x, command.y, command.width, command.height, NULL, NULL,
                                GetModuleHandleA(NULL), NULL);
  if (window == NULL) return 0;
  g_windows.push_back(window);
  if (command.activate) {
    if (!Activate(window)) return 0;
  } else {
    SetWindowPos(window, NULL, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  }
  return (LRESULT)window;
}

// An owned pop-up dialog whose edit control takes the focus, as a program's
// dialog does; with disableOwner the owner is disabled first, as for a modal one.
LRESULT OpenDialog(const TargetCommand& command) {
  HWND owner = (HWND)(INT_PTR)command.window;
  if (!IsWindow(owner)) return 0;
  HWND dialog =
      CreateWindowExA(WS_EX_DLGMODALFRAME, kTargetWindowClass, command.title,
                      WS_POPUP | WS_CAPTION | WS_SYSMENU, command.x, command.y, command.width,
                      command.height, owner, NULL, GetModuleHandleA(NULL), NULL);
  if (dialog == NULL) return 0;
  g_windows.push_back(dialog);
  HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10,
                              10, 160, 24, dialog, NULL, GetModuleHandleA(NULL), NULL);
  if (edit == NULL) return 0;
  if (command.disableOwner) EnableWindow(owner, FALSE);
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  SetFocus(edit);
  return GetForegroundWindow() == dialog && GetFocus() == edit ? (LRESULT)dialog : 0;
}

LRESULT Destroy(HWND window) {
  if (!IsWindow(window)) return 0;
  DestroyWindow(window);
  return IsWindow(window) ? 0 : 1;
}

LRESULT UninstallFromHere() {
  HMODULE library = LoadLibraryA("Quorlin.dll");
  if (library == NULL) return -1;
  FARPROC proc = GetProcAddress(library, "UnInstallCaptionWndProcFilter");
  if (proc == NULL) return -1;
  auto uninstall = reinterpret_cast<LONG(WINAPI*)(void)>(reinterpret_cast<void*>(proc));
  LONG result = uninstall();
  FreeLibrary(library);
  return result;
}

LRESULT Repaint() {
  for (HWND window : g_windows) {
    if (IsWindow(window))
      RedrawWindow(window, NULL, NULL,
                   RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  return 1;
}

LRESULT Quit() {
  for (auto it = g_windows.rbegin(); it != g_windows.rend(); ++it) {
    if (IsWindow(*it)) DestroyWindow(*it);
  }
  g_windows.clear();
  PostQuitMessage(0);
  return 1;
}

LRESULT Dispatch(TargetOp op, const TargetCommand& command) {
  HWND window = (HWND)(INT_PTR)command.window;
  switch (op) {
    case TargetOp::Ping:
      return quorlin_wine::kTargetAlive;
    case TargetOp::Create:
      return Create(command);
    case TargetOp::Activate:
      return Activate(window);
    case TargetOp::OpenDialog:
      return OpenDialog(command);
    case TargetOp::Destroy:
      return Destroy(window);
    case TargetOp::Uninstall:
      return UninstallFromHere();
    case TargetOp::HookLibraryMapped:
      return GetModuleHandleA("Quorlin.dll") != NULL ? 1 : 0;
    case TargetOp::Repaint:
      return Repaint();
    case TargetOp::Quit:
      return Quit();
  }
  return 0;
}

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data->cbData != sizeof(TargetCommand)) return 0;
    TargetCommand command;
    memcpy(&command, data->lpData, sizeof command);
    command.title[sizeof command.title - 1] = '\0';
    return Dispatch(static_cast<TargetOp>(data->dwData), command);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: quorlin_target TOKEN\n");
    return 2;
  }
  HINSTANCE instance = GetModuleHandleA(NULL);
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
  windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kTargetWindowClass;
  WNDCLASSA controlClass = {};
  controlClass.lpfnWndProc = ControlProc;
  controlClass.hInstance = instance;
  controlClass.lpszClassName = quorlin_wine::kTargetControlClass;
  if (!RegisterClassA(&windowClass) || !RegisterClassA(&controlClass)) return 3;
  HWND control = CreateWindowExA(0, quorlin_wine::kTargetControlClass, argv[1], 0, 0, 0, 0, 0,
                                 HWND_MESSAGE, NULL, instance, NULL);
  if (control == NULL) return 4;

  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  DestroyWindow(control);
  return 0;
}
