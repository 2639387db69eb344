// The caption hook library's exports and hook procedure against the
// window-manager model: the entry point, the install and uninstall state
// machine, the width limit, and how the hook reacts to the three messages it
// watches while passing every message on untouched.
#include <string>
#include <vector>

#include "quorlin_test_fixture.h"

namespace {

using fakewm::WindowSpec;

HINSTANCE FakeModule(uintptr_t value) { return reinterpret_cast<HINSTANCE>(value); }
HWND NotAWindow() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0xDEAD0)); }

using EntryPointTest = QuorlinTest;

TEST_F(EntryPointTest, StoresModuleHandleForEveryReasonAndNeverRefuses) {
  const DWORD reasons[] = {DLL_PROCESS_ATTACH, DLL_THREAD_ATTACH, DLL_THREAD_DETACH,
                           DLL_PROCESS_DETACH, 77u};
  uintptr_t module = 0x400000;
  for (DWORD reason : reasons) {
    SCOPED_TRACE(reason);
    module += 0x10000;
    EXPECT_EQ(QuorlinEntryPoint(FakeModule(module), reason, nullptr), TRUE);
    EXPECT_EQ(g_hInstance, FakeModule(module));
  }
  EXPECT_EQ(g_hHook, nullptr);
  EXPECT_TRUE(wm.Calls().empty());
}

TEST_F(EntryPointTest, WepAlwaysReturnsOne) {
  for (LONG argument : {0, 1, -1, 0x7FFFFFFF}) EXPECT_EQ(WEP(argument), 1);
  EXPECT_TRUE(wm.Calls().empty());
}

using InitTest = QuorlinTest;

TEST_F(InitTest, StoresHandleUnchecked) {
  HWND tracked = wm.Create(CaptionedWindow());
  g_captionHookShared = {nullptr, tracked, 321};

  EXPECT_EQ(InitCaptionHookDll(caption), 1);
  EXPECT_EQ(g_captionHookShared.hwndCaption, caption);
  EXPECT_EQ(InitCaptionHookDll(NotAWindow()), 1);
  EXPECT_EQ(g_captionHookShared.hwndCaption, NotAWindow());
  EXPECT_EQ(InitCaptionHookDll(nullptr), 0);
  EXPECT_EQ(g_captionHookShared.hwndCaption, nullptr);

  EXPECT_EQ(g_captionHookShared.hwndTracked, tracked);
  EXPECT_EQ(g_captionHookShared.nMaxCaptionWidth, 321);
  EXPECT_TRUE(wm.Calls().empty());
}

class InstallTest : public QuorlinTest {
 protected:
  void SetUp() override {
    QuorlinTest::SetUp();
    QuorlinEntryPoint(module, DLL_PROCESS_ATTACH, nullptr);
    foreground = wm.Create(CaptionedWindow());
    wm.SetForeground(foreground);
  }

  HINSTANCE module = FakeModule(0x10000000);
  HWND foreground = nullptr;
};

TEST_F(InstallTest, WithoutCaptionWindowDoesNothing) {
  EXPECT_EQ(InstallCaptionWndProcFilter(), 0);  // before any InitCaptionHookDll
  EXPECT_TRUE(wm.Calls().empty());

  InitCaptionHookDll(caption);
  InitCaptionHookDll(nullptr);
  EXPECT_EQ(InstallCaptionWndProcFilter(), 0);
  EXPECT_TRUE(wm.Calls().empty());
  EXPECT_EQ(g_hHook, nullptr);
  EXPECT_TRUE(wm.Hooks().empty());
  EXPECT_EQ(g_captionHookShared.hwndTracked, nullptr);
}

TEST_F(InstallTest, SetsSystemWideHookThenPlacesOverForeground) {
  InitCaptionHookDll(caption);

  EXPECT_EQ(InstallCaptionWndProcFilter(), 1);

  ASSERT_EQ(wm.HookInstallCalls().size(), 1u);
  const fakewm::HookInstallCall& install = wm.HookInstallCalls()[0];
  EXPECT_EQ(install.idHook, WH_CALLWNDPROC);
  EXPECT_EQ(install.proc, &CallWndProcFunc);
  EXPECT_EQ(install.module, module);
  EXPECT_EQ(install.threadId, 0u);
  EXPECT_EQ(g_hHook, install.result);
  ASSERT_GE(wm.Calls().size(), 2u);
  EXPECT_EQ(wm.Calls()[0].api, "SetWindowsHookExA");
  EXPECT_EQ(wm.Calls()[1].api, "GetForegroundWindow");
  ASSERT_FALSE(wm.SetWindowPosCalls().empty());
  EXPECT_EQ(wm.SetWindowPosCalls()[0].x, 123);
  EXPECT_EQ(g_captionHookShared.hwndTracked, foreground);
  EXPECT_TRUE(wm.IsVisible(caption));
}

TEST_F(InstallTest, OwnedDialogInForegroundPlacesOverItsOwner) {
  WindowSpec dialog = CaptionedWindow({300, 200, 500, 300});
  dialog.owner = foreground;
  wm.SetForeground(wm.Create(dialog));
  InitCaptionHookDll(caption);

  EXPECT_EQ(InstallCaptionWndProcFilter(), 1);

  EXPECT_EQ(g_captionHookShared.hwndTracked, foreground);
  EXPECT_EQ(wm.SetWindowPosCalls()[0].x, 123);
}

TEST_F(InstallTest, NoForegroundWindowHidesCaptionAndStillReportsTheHook) {
  wm.SetForeground(nullptr);
  wm.SetStyle(caption, WS_VISIBLE);
  InitCaptionHookDll(caption);

  EXPECT_EQ(InstallCaptionWndProcFilter(), 1);

  EXPECT_NE(g_hHook, nullptr);
  EXPECT_EQ(wm.CountCalls("SetWindowPos"), 0u);
  ASSERT_EQ(wm.ShowWindowCalls().size(), 1u);
  EXPECT_EQ(wm.ShowWindowCalls()[0].hwnd, caption);
  EXPECT_FALSE(wm.IsVisible(caption));
  EXPECT_EQ(g_captionHookShared.hwndTracked, nullptr);
}

TEST_F(InstallTest, HookThatCannotBeSetStillPlacesOnce) {
  InitCaptionHookDll(caption);
  ASSERT_EQ(InstallCaptionWndProcFilter(), 1);
  wm.FailHookInstall(true);
  wm.ClearLogs();

  EXPECT_EQ(InstallCaptionWndProcFilter(), 0);

  EXPECT_EQ(g_hHook, nullptr);  // the earlier handle is overwritten
  EXPECT_EQ(wm.CountCalls("SetWindowsHookExA"), 1u);
  EXPECT_EQ(wm.SetWindowPosCalls().size(), 2u);
  EXPECT_EQ(g_captionHookShared.hwndTracked, foreground);
}

TEST_F(InstallTest, TwoInstallsOneUninstallLeaveTheFirstHook) {
  InitCaptionHookDll(caption);
  ASSERT_EQ(InstallCaptionWndProcFilter(), 1);
  HHOOK first = g_hHook;
  ASSERT_EQ(InstallCaptionWndProcFilter(), 1);
  HHOOK second = g_hHook;
  ASSERT_NE(first, second);
  ASSERT_EQ(wm.Hooks().size(), 2u);
  for (const fakewm::InstalledHook& hook : wm.Hooks()) EXPECT_EQ(hook.proc, &CallWndProcFunc);

  EXPECT_NE(UnInstallCaptionWndProcFilter(), 0);

  EXPECT_EQ(wm.UnhookCalls(), (std::vector<HHOOK>{second}));
  ASSERT_EQ(wm.Hooks().size(), 1u);
  EXPECT_EQ(wm.Hooks()[0].handle, first);
  EXPECT_EQ(g_hHook, second);  // names a removed hook now
}

TEST_F(InstallTest, SecondUninstallFailsOnTheRemovedHandle) {
  InitCaptionHookDll(caption);
  ASSERT_EQ(InstallCaptionWndProcFilter(), 1);
  HHOOK hook = g_hHook;
  const CaptionHookShared before = g_captionHookShared;
  wm.ClearLogs();

  EXPECT_NE(UnInstallCaptionWndProcFilter(), 0);
  EXPECT_EQ(UnInstallCaptionWndProcFilter(), 0);

  EXPECT_EQ(wm.UnhookCalls(), (std::vector<HHOOK>{hook, hook}));
  EXPECT_EQ(g_hHook, hook);
  // The caption window stays where it was, and the shared state with it.
  EXPECT_EQ(wm.CallNames(),
            (std::vector<std::string>{"UnhookWindowsHookEx", "UnhookWindowsHookEx"}));
  EXPECT_EQ(g_captionHookShared.hwndCaption, before.hwndCaption);
  EXPECT_EQ(g_captionHookShared.hwndTracked, before.hwndTracked);
  EXPECT_EQ(g_captionHookShared.nMaxCaptionWidth, before.nMaxCaptionWidth);
  EXPECT_TRUE(wm.IsVisible(caption));
}

TEST_F(InstallTest, UninstallInProcessWithoutHookHandleLeavesTheHook) {
  InitCaptionHookDll(caption);
  ASSERT_EQ(InstallCaptionWndProcFilter(), 1);
  g_hHook = nullptr;  // another process mapping the library: no handle of its own
  wm.ClearLogs();

  EXPECT_EQ(UnInstallCaptionWndProcFilter(), 0);

  EXPECT_TRUE(wm.Calls().empty());
  EXPECT_EQ(wm.Hooks().size(), 1u);
}

using MaxWidthTest = QuorlinTest;

TEST_F(MaxWidthTest, NothingTrackedOnlyStoresTheWidth) {
  UseCaption(caption);
  HWND gone = wm.Create(CaptionedWindow());
  wm.Destroy(gone);
  for (HWND tracked : {static_cast<HWND>(nullptr), gone}) {
    SCOPED_TRACE(tracked == nullptr ? "null" : "destroyed window");
    g_captionHookShared.hwndTracked = tracked;
    wm.ClearLogs();

    EXPECT_EQ(SetMaxCaptionWidth(200), 0);

    EXPECT_EQ(g_captionHookShared.nMaxCaptionWidth, 200);
    EXPECT_EQ(wm.CallNames(), (std::vector<std::string>{"IsWindow"}));
    EXPECT_EQ(wm.Calls()[0].hwnd, tracked);
  }
  EXPECT_EQ(SetMaxCaptionWidth(-7), 0);
  EXPECT_EQ(g_captionHookShared.nMaxCaptionWidth, -7);
}

TEST_F(MaxWidthTest, LaysCaptionAgainOverEarlierWindowAfterItWasHidden) {
  HWND earlier = wm.Create(CaptionedWindow());
  WindowSpec toolSpec = CaptionedWindow();
  toolSpec.exStyle = WS_EX_TOOLWINDOW;
  HWND tool = wm.Create(toolSpec);
  UseCaption(caption);
  wm.SetForeground(earlier);
  CWPSTRUCT focus{0, 0, WM_SETFOCUS, earlier};
  CallWndProcFunc(0, 0, reinterpret_cast<LPARAM>(&focus));
  // The foreground moves to a window without a title bar to cover.
  wm.SetForeground(tool);
  focus.hwnd = tool;
  CallWndProcFunc(0, 0, reinterpret_cast<LPARAM>(&focus));
  ASSERT_FALSE(wm.IsVisible(caption));
  ASSERT_EQ(g_captionHookShared.hwndTracked, earlier);
  wm.ClearLogs();

  EXPECT_NE(SetMaxCaptionWidth(200), 0);

  ASSERT_EQ(wm.SetWindowPosCalls().size(), 2u);
  const fakewm::SetWindowPosCall& move = wm.SetWindowPosCalls()[0];
  EXPECT_EQ((std::vector<int>{move.x, move.y, move.cx, move.cy}),
            (std::vector<int>{424, 54, 200, 17}));
  EXPECT_TRUE(wm.IsVisible(caption));
  EXPECT_EQ(g_captionHookShared.hwndTracked, earlier);
}

TEST_F(MaxWidthTest, ResultIsThePlacementResult) {
  HWND tracked = wm.Create(CaptionedWindow());
  UseCaption(caption);
  g_captionHookShared.hwndTracked = tracked;
  wm.ScriptSetWindowPosFailures({false, true});

  EXPECT_EQ(SetMaxCaptionWidth(-1), 0);
  EXPECT_EQ(wm.SetWindowPosCalls().size(), 2u);
}

// The hook procedure, called as the window manager would: before a sent
// message reaches its window procedure.
class HookTest : public QuorlinTest {
 protected:
  void SetUp() override {
    QuorlinTest::SetUp();
    UseCaption(caption);
    g_hHook = reinterpret_cast<HHOOK>(static_cast<uintptr_t>(0x5150));
    foreground = wm.Create(CaptionedWindow());
    wm.SetForeground(foreground);
    background = wm.Create(CaptionedWindow({20, 20, 300, 300}));
  }

  LRESULT Send(HWND hwnd, UINT message) {
    sent = CWPSTRUCT{0x1234, 0x5678, message, hwnd};
    return CallWndProcFunc(0, 1, reinterpret_cast<LPARAM>(&sent));
  }

  bool Placed() const { return !wm.SetWindowPosCalls().empty(); }

  CWPSTRUCT sent{};
  HWND foreground = nullptr;
  HWND background = nullptr;
};

TEST_F(HookTest, ControlInForegroundGainingFocusPlacesOverForeground) {
  HWND group = wm.Create(ChildOf(foreground));
  HWND control = wm.Create(ChildOf(group));

  Send(control, WM_SETFOCUS);

  EXPECT_TRUE(Placed());
  EXPECT_EQ(wm.SetWindowPosCalls()[0].x, 123);
  EXPECT_EQ(g_captionHookShared.hwndTracked, foreground);
}

TEST_F(HookTest, ForegroundMovedPlacesOverIt) {
  Send(foreground, WM_WINDOWPOSCHANGED);
  EXPECT_TRUE(Placed());
  EXPECT_EQ(g_captionHookShared.hwndTracked, foreground);
}

TEST_F(HookTest, OwnedDialogControlPlacesOverTheOwner) {
  WindowSpec dialogSpec = CaptionedWindow({300, 200, 500, 300});
  dialogSpec.owner = foreground;
  HWND dialog = wm.Create(dialogSpec);
  HWND control = wm.Create(ChildOf(dialog));
  wm.SetForeground(dialog);

  Send(control, WM_SETFOCUS);

  EXPECT_EQ(g_captionHookShared.hwndTracked, foreground);
  ASSERT_TRUE(Placed());
  EXPECT_EQ(wm.SetWindowPosCalls()[0].x, 123);  // the owner's title bar, not the dialog's
  EXPECT_EQ(wm.SetWindowPosCalls()[0].y, 54);
}

TEST_F(HookTest, NoPlacementForWindowsOutsideTheForeground) {
  HWND backgroundControl = wm.Create(ChildOf(background));
  g_captionHookShared.hwndTracked = foreground;
  struct Case {
    const char* name;
    HWND foreground;
    HWND target;
  } cases[] = {
      {"window behind the foreground", foreground, background},
      {"control of a window behind the foreground", foreground, backgroundControl},
      {"caption window while foreground", caption, caption},
      {"caption window while another is foreground", foreground, caption},
  };
  for (const Case& c : cases) {
    for (UINT message : {WM_SETFOCUS, WM_WINDOWPOSCHANGED}) {
      SCOPED_TRACE(std::string(c.name) + (message == WM_SETFOCUS ? ", focus" : ", moved"));
      wm.SetForeground(c.foreground);
      wm.ClearLogs();

      Send(c.target, message);

      EXPECT_FALSE(Placed());
      EXPECT_EQ(wm.CountCalls("ShowWindow"), 0u);
      EXPECT_EQ(g_captionHookShared.hwndTracked, foreground);
    }
  }
}

TEST_F(HookTest, OtherMessagesOnlyCallTheNextHook) {
  for (UINT message : {0x0001u, WM_CLOSE, 0x0006u, 0x0046u, 0x0082u, 0xC123u}) {
    SCOPED_TRACE(message);
    wm.ClearLogs();
    Send(foreground, message);
    EXPECT_EQ(wm.CallNames(), (std::vector<std::string>{"CallNextHookEx"}));
  }
}

TEST_F(HookTest, DestroyOfTrackedWindowHidesAndForgetsIt) {
  HWND child = wm.Create(ChildOf(foreground));
  Send(foreground, WM_SETFOCUS);
  ASSERT_TRUE(wm.IsVisible(caption));
  wm.ClearLogs();

  Send(child, WM_DESTROY);
  Send(background, WM_DESTROY);
  EXPECT_EQ(wm.CountCalls("ShowWindow"), 0u);
  EXPECT_EQ(g_captionHookShared.hwndTracked, foreground);
  EXPECT_TRUE(wm.IsVisible(caption));

  Send(foreground, WM_DESTROY);
  ASSERT_EQ(wm.ShowWindowCalls().size(), 1u);
  EXPECT_EQ(wm.ShowWindowCalls()[0].hwnd, caption);
  EXPECT_EQ(wm.ShowWindowCalls()[0].cmd, SW_HIDE);
  EXPECT_FALSE(wm.IsVisible(caption));
  EXPECT_EQ(g_captionHookShared.hwndTracked, nullptr);
}

TEST_F(HookTest, DestroyOfNullWindowWithNothingTrackedDoesNothing) {
  Send(nullptr, WM_DESTROY);
  EXPECT_EQ(wm.CallNames(), (std::vector<std::string>{"CallNextHookEx"}));
}

TEST_F(HookTest, EveryMessageIsPassedOnUnchanged) {
  HWND child = wm.Create(ChildOf(foreground));
  g_captionHookShared.hwndTracked = foreground;
  const HHOOK hooks[] = {g_hHook, nullptr};  // the host's process, then any other
  for (HHOOK hook : hooks) {
    g_hHook = hook;
    for (UINT message : {WM_SETFOCUS, WM_WINDOWPOSCHANGED, WM_DESTROY, WM_CLOSE}) {
      for (HWND target : {child, foreground, background}) {
        SCOPED_TRACE(message);
        const LRESULT nextResult = static_cast<LRESULT>(0x0BAD0000 + message);
        wm.SetNextHookResult(nextResult);
        wm.ClearLogs();
        CWPSTRUCT message_struct{0x1111, 0x2222, message, target};
        const CWPSTRUCT original = message_struct;
        const LPARAM lParam = reinterpret_cast<LPARAM>(&message_struct);

        EXPECT_EQ(CallWndProcFunc(3, 1, lParam), nextResult);

        ASSERT_EQ(wm.CallNextHookCalls().size(), 1u);
        const fakewm::CallNextHookCall& next = wm.CallNextHookCalls()[0];
        EXPECT_EQ(next.hook, hook);
        EXPECT_EQ(next.code, 3);
        EXPECT_EQ(next.wParam, 1u);
        EXPECT_EQ(next.lParam, lParam);
        EXPECT_EQ(wm.CallNames().back(), "CallNextHookEx");
        EXPECT_EQ(message_struct.hwnd, original.hwnd);
        EXPECT_EQ(message_struct.message, original.message);
        EXPECT_EQ(message_struct.wParam, original.wParam);
        EXPECT_EQ(message_struct.lParam, original.lParam);
      }
    }
  }
}

// Whatever the caption handle and the message's window hold, the hook
// returns and hands the message on.
TEST_F(HookTest, OddHandlesNeverStopTheMessage) {
  HWND goneCaption = wm.Create(CaptionedWindow());
  wm.Destroy(goneCaption);
  HWND goneWindow = wm.Create(CaptionedWindow());
  wm.Destroy(goneWindow);
  for (HWND captionHandle : {static_cast<HWND>(nullptr), goneCaption, NotAWindow(), caption}) {
    for (HWND foregroundHandle : {static_cast<HWND>(nullptr), goneWindow, foreground}) {
      for (HWND target : {static_cast<HWND>(nullptr), goneWindow, NotAWindow(), foreground}) {
        for (UINT message : {WM_SETFOCUS, WM_WINDOWPOSCHANGED, WM_DESTROY}) {
          SCOPED_TRACE(testing::Message()
                       << "caption " << captionHandle << " foreground " << foregroundHandle
                       << " target " << target << " message " << message);
          g_captionHookShared = {captionHandle, target, -1};
          wm.SetForeground(foregroundHandle);
          wm.SetNextHookResult(42);
          wm.ClearLogs();

          EXPECT_EQ(Send(target, message), 42);
          EXPECT_EQ(wm.CallNextHookCalls().size(), 1u);
        }
      }
    }
  }
}

TEST_F(HookTest, NullForegroundAndNullTargetHideTheCaption) {
  // Both outermost windows are null, which is not the caption window: the
  // null window is handed to the placement, which hides.
  wm.SetForeground(nullptr);
  wm.SetStyle(caption, WS_VISIBLE);
  g_captionHookShared.hwndTracked = background;

  Send(nullptr, WM_SETFOCUS);

  EXPECT_FALSE(Placed());
  EXPECT_FALSE(wm.IsVisible(caption));
  EXPECT_EQ(g_captionHookShared.hwndTracked, background);
}

}  // namespace
