// Link-time stand-ins for the uninstaller's USER32 calls: top-level windows
// found by class, last active pop-ups, WM_CLOSE requests on the model's
// virtual clock, message boxes with scripted answers, and wsprintfA.
#include "fake_platform.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

using fake::CloseBehaviour;
using fake::FakeWindow;
using fake::Platform;

namespace {

std::string MessageName(UINT message, const FakeWindow* window) {
  std::string target = window != nullptr ? window->label : "unknown window";
  if (message == WM_CLOSE) return "WM_CLOSE " + target;
  char text[64];
  std::snprintf(text, sizeof text, "message 0x%x ", message);
  return text + target;
}

bool StopsAnswering(const FakeWindow& window) {
  return window.onClose == CloseBehaviour::kHung ||
         window.onClose == CloseBehaviour::kStuckRecently;
}

void Deliver(FakeWindow& window, UINT message, uint64_t handledAt) {
  if (message == WM_CLOSE) Platform().windows.HandleClose(window, handledAt);
}

// wsprintfA knows far fewer conversions than printf; the model takes only
// those that both agree on.
bool FormatIsPlain(LPCSTR format) {
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p != 's' && *p != 'd' && *p != 'u' && *p != 'x' && *p != 'c' && *p != '%') return false;
  }
  return true;
}

}  // namespace

extern "C" {

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  auto& platform = Platform();
  fake::MessageBoxShown shown{hWnd, lpText != nullptr ? lpText : "", std::nullopt, uType};
  if (lpCaption != nullptr) shown.caption = lpCaption;
  platform.messageBoxes.push_back(shown);
  platform.Record("MessageBoxA " + shown.text);
  if (!platform.messageBoxAnswers.empty()) {
    int answer = platform.messageBoxAnswers.front();
    platform.messageBoxAnswers.erase(platform.messageBoxAnswers.begin());
    return answer;
  }
  if ((uType & 0xF) == MB_OK) return IDOK;
  ADD_FAILURE() << "a question nobody scripted an answer for: " << shown.text;
  return IDNO;
}

HWND WINAPI GetDesktopWindow(void) { return Platform().desktopWindow; }

HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
  auto& platform = Platform();
  std::string entry = "FindWindowA " + std::string(lpClassName != nullptr ? lpClassName : "*");
  if (lpWindowName != nullptr) entry += " titled " + std::string(lpWindowName);
  platform.Record(entry);
  for (auto& window : platform.windows.windows) {
    if (!platform.windows.IsAlive(*window)) continue;
    if (lpClassName != nullptr && fake::Lower(lpClassName) != fake::Lower(window->className)) {
      continue;
    }
    if (lpWindowName != nullptr && window->title != lpWindowName) continue;
    return window->hwnd;
  }
  return nullptr;
}

HWND WINAPI GetLastActivePopup(HWND hWnd) {
  auto& platform = Platform();
  FakeWindow* window = platform.windows.Find(hWnd);
  platform.Record("GetLastActivePopup " + (window != nullptr ? window->label : "unknown window"));
  if (window == nullptr || !platform.windows.IsAlive(*window)) return nullptr;
  if (window->lastActivePopupIsNull) return nullptr;
  FakeWindow* popup = platform.windows.Find(window->lastActivePopup);
  if (popup != nullptr && platform.windows.IsAlive(*popup)) return popup->hwnd;
  return hWnd;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  auto& platform = Platform();
  auto& windows = platform.windows;
  FakeWindow* window = windows.Find(hWnd);
  windows.sent.push_back(
      {hWnd, window != nullptr ? window->label : "", Msg, wParam, lParam, false, 0, 0});
  platform.Record(MessageName(Msg, window));
  if (window == nullptr || !windows.IsAlive(*window)) return 0;
  if (StopsAnswering(*window)) {
    ADD_FAILURE() << "SendMessageA to " << window->label
                  << ", whose thread no longer reads messages: it never returns";
    return 0;
  }
  windows.nowMs += window->handlingMs;
  Deliver(*window, Msg, windows.nowMs);
  return 0;
}

LRESULT WINAPI SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                                   UINT uTimeout, PDWORD_PTR lpdwResult) {
  auto& platform = Platform();
  auto& windows = platform.windows;
  FakeWindow* window = windows.Find(hWnd);
  windows.sent.push_back(
      {hWnd, window != nullptr ? window->label : "", Msg, wParam, lParam, true, fuFlags, uTimeout});
  platform.Record(MessageName(Msg, window));
  if (window == nullptr || !windows.IsAlive(*window)) return 0;

  bool abortsAtOnce = window->onClose == CloseBehaviour::kHung && (fuFlags & SMTO_ABORTIFHUNG) != 0;
  if (abortsAtOnce) return 0;
  if (StopsAnswering(*window)) {
    // Not yet seen as hung (or no SMTO_ABORTIFHUNG): only the bound ends it.
    if (uTimeout == INFINITE) {
      ADD_FAILURE() << "SendMessageTimeoutA without a bound to " << window->label
                    << ", which never answers: it never returns";
      return 0;
    }
    windows.nowMs += uTimeout;
    return 0;
  }
  uint64_t sentAt = windows.nowMs;
  if (window->handlingMs > uTimeout) {
    // Given up on; the window still handles the message later.
    windows.nowMs += uTimeout;
    Deliver(*window, Msg, sentAt + window->handlingMs);
    return 0;
  }
  windows.nowMs += window->handlingMs;
  Deliver(*window, Msg, windows.nowMs);
  if (lpdwResult != nullptr) *lpdwResult = 0;
  return 1;
}

int WINAPIV wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
  if (!FormatIsPlain(lpFmt)) {
    ADD_FAILURE() << "wsprintfA format the model does not take: " << lpFmt;
    lpOut[0] = '\0';
    return 0;
  }
  va_list args;
  va_start(args, lpFmt);
  va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, lpFmt, measure);
  va_end(measure);
  std::string text(static_cast<size_t>(length), '\0');
  std::vsnprintf(text.data(), text.size() + 1, lpFmt, args);
  va_end(args);
  if (text.size() > 1024) text.resize(1024);  // wsprintfA's own limit
  // Exactly the bytes wsprintfA writes: no bound but its 1024 characters.
  std::memcpy(lpOut, text.c_str(), text.size() + 1);
  return static_cast<int>(text.size());
}

}  // extern "C"
