// Stand-in for one of Tavrin's running programs: one top-level window of the
// class named on the command line, which reacts to WM_CLOSE the way the
// scenario asks, optionally with an open owned dialog. Every close request
// that arrives is appended to a log file, so the scenario can see who was
// asked to close and in which order.
//
//   stand_in_component.exe CLASS exit|delay|ignore|hang [--dialog] [--log PATH]
//
//   exit    closes at once
//   delay   closes 2.5 s after the request
//   ignore  handles the request and stays
//   hang    the window thread stops reading its queue right after start-up
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const UINT_PTR kCloseTimer = 1;
const UINT kCloseDelayMs = 2500;

enum class OnClose { kExit, kDelay, kIgnore, kHang };

OnClose g_onClose = OnClose::kExit;
std::string g_logPath;

void AppendToLog(const char* line) {
  if (g_logPath.empty()) return;
  HANDLE file = CreateFileA(g_logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string text = std::string(line) + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      AppendToLog("main");
      if (g_onClose == OnClose::kExit) DestroyWindow(hwnd);
      if (g_onClose == OnClose::kDelay) SetTimer(hwnd, kCloseTimer, kCloseDelayMs, nullptr);
      return 0;
    case WM_TIMER:
      if (wParam == kCloseTimer) DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_CLOSE:
      AppendToLog("dialog");
      DestroyWindow(dialog);
      return TRUE;
  }
  return FALSE;
}

// A modeless dialog built from an in-memory template: no menu, the default
// dialog class, a caption, no controls.
HWND CreateOwnedDialog(HWND owner) {
  struct alignas(4) {
    DLGTEMPLATE header;
    WORD menu;
    WORD windowClass;
    WCHAR title[20];
  } dialogTemplate = {};
  dialogTemplate.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME;
  dialogTemplate.header.x = 40;
  dialogTemplate.header.y = 40;
  dialogTemplate.header.cx = 160;
  dialogTemplate.header.cy = 60;
  const char* title = "Stand-in options";
  for (int i = 0; title[i] != '\0'; ++i) dialogTemplate.title[i] = static_cast<WCHAR>(title[i]);
  return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &dialogTemplate.header, owner,
                                    DialogProc, 0);
}

// Spreads the stand-ins over the screen so that a screenshot shows them all.
int WindowOffsetFor(const char* windowClass) {
  int sum = 0;
  for (const char* c = windowClass; *c != '\0'; ++c) sum += *c;
  return (sum % 8) * 60;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 3) return 2;
  const char* windowClass = __argv[1];
  const char* mode = __argv[2];
  if (std::strcmp(mode, "delay") == 0) g_onClose = OnClose::kDelay;
  if (std::strcmp(mode, "ignore") == 0) g_onClose = OnClose::kIgnore;
  if (std::strcmp(mode, "hang") == 0) g_onClose = OnClose::kHang;
  bool withDialog = false;
  for (int i = 3; i < __argc; ++i) {
    if (std::strcmp(__argv[i], "--dialog") == 0) withDialog = true;
    if (std::strcmp(__argv[i], "--log") == 0 && i + 1 < __argc) g_logPath = __argv[++i];
  }

  WNDCLASSA windowClassInfo = {};
  windowClassInfo.lpfnWndProc = MainWindowProc;
  windowClassInfo.hInstance = instance;
  windowClassInfo.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClassInfo.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClassInfo.lpszClassName = windowClass;
  if (!RegisterClassA(&windowClassInfo)) return 3;

  std::string title = std::string("Stand-in ") + windowClass;
  int offset = WindowOffsetFor(windowClass);
  HWND main =
      CreateWindowExA(0, windowClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80 + offset,
                      60 + offset, 420, 240, nullptr, nullptr, instance, nullptr);
  if (main == nullptr) return 4;
  HWND dialog = withDialog ? CreateOwnedDialog(main) : nullptr;
  if (withDialog && dialog == nullptr) return 5;

  if (g_onClose == OnClose::kHang) {
    // The thread never looks at its queue again; after 5 s the window
    // manager counts the window as hung.
    Sleep(INFINITE);
  }

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (dialog != nullptr && IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
