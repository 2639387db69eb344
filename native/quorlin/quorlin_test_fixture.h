// Shared set-up of the caption hook library's native tests: the library's
// exports as its callers see them, and a fixture that starts every test from
// a freshly loaded library (shared state {NULL, NULL, -1}, no module or hook
// handle) and an empty window-manager model holding one caption window.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "caption_hook_shared.h"
#include "caption_placement.h"
#include "fake_window_manager.h"

extern "C" {
BOOL WINAPI QuorlinEntryPoint(HINSTANCE hinstDll, DWORD reason, LPVOID reserved);
LONG WINAPI WEP(LONG unused);
LONG WINAPI InitCaptionHookDll(HWND hwndCaption);
LONG WINAPI InstallCaptionWndProcFilter(void);
LONG WINAPI UnInstallCaptionWndProcFilter(void);
LRESULT CALLBACK CallWndProcFunc(int nCode, WPARAM wParam, LPARAM lParam);
LONG WINAPI SetMaxCaptionWidth(LONG nWidth);
}

// The worked example's window: 600 x 400 at (100, 50), both caption bits,
// a system menu, visible, enabled.
inline fakewm::WindowSpec CaptionedWindow(RECT rect = {100, 50, 700, 450}) {
  fakewm::WindowSpec shape;
  shape.rect = rect;
  return shape;
}

inline fakewm::WindowSpec TopmostWindow() {
  fakewm::WindowSpec shape;
  shape.exStyle = WS_EX_TOPMOST;
  return shape;
}

inline fakewm::WindowSpec ChildOf(HWND parent) {
  fakewm::WindowSpec shape;
  shape.style = WS_VISIBLE;
  shape.parent = parent;
  shape.rect = {110, 80, 200, 100};
  return shape;
}

class QuorlinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wm.Reset();
    g_captionHookShared = {NULL, NULL, -1};
    g_hInstance = NULL;
    g_hHook = NULL;
    // The host's caption window: a hidden ordinary top-level window at the
    // bottom of the z-order until something places it.
    fakewm::WindowSpec shape;
    shape.style = 0;
    shape.rect = {0, 0, 10, 10};
    caption = wm.Create(shape);
  }

  void TearDown() override {
    g_captionHookShared = {NULL, NULL, -1};
    g_hInstance = NULL;
    g_hHook = NULL;
  }

  // Puts the caption window's handle into the shared state without a call
  // logged, as the host's InitCaptionHookDll would have.
  void UseCaption(HWND hwnd) { g_captionHookShared.hwndCaption = hwnd; }

  fakewm::FakeWindowManager& wm = fakewm::Wm();
  HWND caption = nullptr;
};
