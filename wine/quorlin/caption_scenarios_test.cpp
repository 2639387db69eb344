// End-to-end scenarios of the caption hook library: the real Quorlin.dll in
// this host process and, through its system-wide hook, in a target process
// that makes and activates its own windows. Expected strips come from the
// metrics and window rectangles that the platform reports. Each step waits
// for the target's answer, which comes only after the target's thread has
// handled every message of the step, and then polls the caption window with
// a deadline.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "caption_host.h"

namespace quorlin_wine {
namespace {

constexpr bool kWithAllowance = true;

class CaptionScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host_.Open()) << host_.error();
    std::string token = "quorlin-target-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(target_.Start(token.c_str())) << target_.error();
  }

  // An ordinary captioned window of the target, activated by the target.
  HWND OpenWindow(int x, int y, const char* title, WindowKind kind = WindowKind::Overlapped) {
    HWND window = target_.Create(kind, x, y, 600, 360, true, title);
    EXPECT_NE(nullptr, window) << "the target could not make and activate " << title;
    return window;
  }

  void InitAndInstall() {
    ASSERT_EQ(1, host_.Init(host_.caption()));
    ASSERT_EQ(1, host_.Install());
  }

  ::testing::AssertionResult CaptionOver(HWND window, bool allowance, LONG limit = -1) {
    Strip expected = ExpectedStrip(window, allowance, limit);
    CaptionState last;
    if (host_.WaitShownAt(expected, &last)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "caption window expected shown at "
                                         << Describe(expected) << ", is " << Describe(last);
  }

  ::testing::AssertionResult CaptionHidden() {
    CaptionState last;
    if (host_.WaitHidden(&last)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "caption window expected hidden, is " << Describe(last);
  }

  // The caption window has not moved from where it lay: checked once the
  // target has answered, that is after every hook call of the step.
  ::testing::AssertionResult CaptionStill(const CaptionState& before) {
    PumpMessages();
    CaptionState now = host_.State();
    if (now.visible == before.visible && now.rect == before.rect) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "caption window moved from " << Describe(before) << " to " << Describe(now);
  }

  CaptionHost host_;
  TargetProcess target_;  // ends before the host's caption window goes
};

TEST_F(CaptionScenario, InstallLaysCaptionOverForegroundTitleBar) {
  HWND window = OpenWindow(100, 120, "Foreground before the install");
  EXPECT_FALSE(IsWindowVisible(host_.caption()));
  InitAndInstall();
  EXPECT_TRUE(CaptionOver(window, kWithAllowance));
}

TEST_F(CaptionScenario, ActivationInAnotherProcessMovesCaption) {
  HWND first = OpenWindow(100, 120, "First");
  EXPECT_FALSE(target_.HookLibraryMapped()) << "the target loaded the library before any hook";
  InitAndInstall();
  ASSERT_TRUE(CaptionOver(first, kWithAllowance));

  // Only the target's own thread sees these activations: the placements
  // come from the hook running in the target process.
  HWND second = OpenWindow(420, 520, "Second");
  EXPECT_TRUE(CaptionOver(second, kWithAllowance));
  EXPECT_TRUE(target_.HookLibraryMapped());
  ASSERT_TRUE(target_.Activate(first));
  EXPECT_TRUE(CaptionOver(first, kWithAllowance));
}

// One table for every title bar that carries the caption window.
TEST_F(CaptionScenario, CaptionFitsEachTitleBarKind) {
  struct Case {
    WindowKind kind;
    const char* name;
    bool allowance;
  };
  const Case cases[] = {
      {WindowKind::Overlapped, "overlapped with system menu", true},
      {WindowKind::CaptionNoSysMenu, "caption without system menu", false},
      {WindowKind::ModalFrame, "modal frame", false},
      {WindowKind::DialogFrameOnly, "WS_DLGFRAME only", false},
      {WindowKind::BorderOnly, "WS_BORDER only", false},
  };
  OpenWindow(60, 60, "Before the install");
  InitAndInstall();
  int offset = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND window = OpenWindow(120 + offset, 160 + offset, c.name, c.kind);
    offset += 40;
    if (!window) continue;
    LONG style = (LONG)GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_NE(0, style & WS_CAPTION) << "the kind must have a caption bit";
    EXPECT_TRUE(CaptionOver(window, c.allowance));
  }
}

TEST_F(CaptionScenario, OwnedDialogPutsCaptionOverItsOwner) {
  HWND owner = OpenWindow(100, 120, "Owner");
  InitAndInstall();
  HWND other = OpenWindow(500, 500, "Other");
  ASSERT_TRUE(CaptionOver(other, kWithAllowance));
  ASSERT_TRUE(target_.Activate(owner));
  HWND dialog = target_.OpenDialog(owner, false, 300, 300, "Owned dialog");
  ASSERT_NE(nullptr, dialog) << "the dialog did not get the foreground and its edit the focus";
  EXPECT_TRUE(CaptionOver(owner, kWithAllowance)) << "over the owner, not the dialog";
  EXPECT_TRUE(host_.State().topmost);
}

// Foreground windows that cannot carry the caption window hide it; the width
// call then lays it again over the window it last lay on.
TEST_F(CaptionScenario, WindowWithoutTitleBarHidesCaptionUntilWidthIsSet) {
  struct Case {
    WindowKind kind;
    const char* name;
  };
  const Case cases[] = {{WindowKind::ToolWindow, "tool window"},
                        {WindowKind::NoCaption, "window without caption"}};
  HWND tracked = OpenWindow(100, 120, "Tracked");
  InitAndInstall();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(target_.Activate(tracked));
    ASSERT_TRUE(CaptionOver(tracked, kWithAllowance));
    HWND window = OpenWindow(500, 450, c.name, c.kind);
    EXPECT_TRUE(CaptionHidden());
    EXPECT_NE(0, host_.SetMaxWidth(-1));
    EXPECT_TRUE(CaptionOver(tracked, kWithAllowance)) << "laid again over the earlier window";
    EXPECT_TRUE(target_.Destroy(window));
  }
}

TEST_F(CaptionScenario, WidthLimitCutsStripFromTheLeft) {
  HWND window = OpenWindow(100, 120, "Width limits");
  InitAndInstall();
  ASSERT_TRUE(CaptionOver(window, kWithAllowance));
  const Strip unlimited = ExpectedStrip(window, kWithAllowance);
  const LONG full = unlimited.width;
  ASSERT_GT(full, 150);
  const LONG rightEdge = unlimited.x + unlimited.width;
  struct Case {
    LONG limit;
    LONG expectedWidth;  // 0: parked
  };
  const Case cases[] = {
      {150, 150}, {1, 1},     {full - 1, full - 1}, {full, full}, {full + 1, full}, {5000, full},
      {0, 0},     {-1, full}, {-300, full},         {0, 0},       {150, 150},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("limit " + std::to_string(c.limit));
    EXPECT_NE(0, host_.SetMaxWidth(c.limit));
    if (c.expectedWidth == 0) {
      EXPECT_TRUE(CaptionOver(window, kWithAllowance, c.limit));
      EXPECT_EQ(kParkedStrip, host_.State().rect) << "parked 1 x 1, still shown";
      continue;
    }
    EXPECT_TRUE(CaptionOver(window, kWithAllowance, c.limit));
    Strip now = host_.State().rect;
    EXPECT_EQ(c.expectedWidth, now.width);
    EXPECT_EQ(rightEdge, now.x + now.width) << "the right edge stays";
    EXPECT_EQ(unlimited.y, now.y);
  }
}

// The hook hides the caption window when the window it lies on is destroyed,
// also when that window is not the foreground window (laid there again by
// the width call while a tool window is in front), so that no placement for
// the foreground can be what hides it.
TEST_F(CaptionScenario, DestroyingTrackedWindowHidesCaption) {
  struct Case {
    const char* name;
    bool behindToolWindow;
  };
  const Case cases[] = {{"tracked window behind a tool window", true},
                        {"tracked window in the foreground", false}};
  HWND bystander = target_.Create(WindowKind::Overlapped, 700, 40, 300, 200, false, "Bystander");
  ASSERT_NE(nullptr, bystander);
  // The tool window is what the platform activates once a tracked window in
  // the foreground is gone: it carries no caption, so nothing lays it again.
  HWND tool = OpenWindow(500, 450, "Tool", WindowKind::ToolWindow);
  InitAndInstall();
  ASSERT_TRUE(CaptionHidden());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND tracked = OpenWindow(100, 120, "Tracked");
    ASSERT_TRUE(CaptionOver(tracked, kWithAllowance));
    if (c.behindToolWindow) {
      ASSERT_TRUE(target_.Activate(tool));
      ASSERT_TRUE(CaptionHidden());
      ASSERT_NE(0, host_.SetMaxWidth(-1));
      ASSERT_TRUE(CaptionOver(tracked, kWithAllowance));
    }
    if (bystander != NULL) {
      // Another window going away changes nothing.
      CaptionState before = host_.State();
      ASSERT_TRUE(target_.Destroy(bystander));
      bystander = NULL;
      EXPECT_TRUE(CaptionStill(before));
    }
    ASSERT_TRUE(target_.Destroy(tracked));
    EXPECT_TRUE(CaptionHidden());
    EXPECT_EQ(0, host_.SetMaxWidth(-1)) << "nothing is tracked any more";
    EXPECT_TRUE(CaptionHidden());
  }
}

// Over an enabled window: topmost, but below the run of topmost windows at
// the top of the z-order.
TEST_F(CaptionScenario, ZOrderOverEnabledWindowIsBehindTopmostRun) {
  HWND topmost[] = {
      target_.Create(WindowKind::TopmostTool, 900, 700, 200, 100, false, "Topmost 1"),
      target_.Create(WindowKind::TopmostTool, 950, 760, 200, 100, false, "Topmost 2"),
  };
  for (HWND window : topmost) {
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(IsTopmost(window));
  }
  HWND first = OpenWindow(100, 120, "First");
  InitAndInstall();
  HWND second = OpenWindow(300, 400, "Second");
  for (HWND window : {second, first}) {
    ASSERT_TRUE(target_.Activate(window));
    ASSERT_TRUE(CaptionOver(window, kWithAllowance));
    CaptionState state = host_.State();
    EXPECT_TRUE(state.topmost) << Describe(state);
    ASSERT_NE(nullptr, state.below);
    EXPECT_FALSE(IsTopmost(state.below)) << "the caption window ends the topmost run";
    std::vector<HWND> above;
    for (HWND w = state.above; w != NULL; w = GetWindow(w, GW_HWNDPREV)) above.push_back(w);
    for (HWND w : above) EXPECT_TRUE(IsTopmost(w)) << "an ordinary window above the caption";
    for (HWND t : topmost) {
      EXPECT_NE(above.end(), std::find(above.begin(), above.end(), t))
          << "a topmost window below the caption window";
    }
    bool windowBelow = false;
    for (HWND w = state.below; w != NULL; w = GetWindow(w, GW_HWNDNEXT)) windowBelow |= w == window;
    EXPECT_TRUE(windowBelow);
  }
}

// Over a disabled window (the owner of a modal dialog) the caption window
// goes directly above it, behind the dialog, and is no longer topmost.
TEST_F(CaptionScenario, ZOrderOverDisabledWindowIsDirectlyAboveIt) {
  HWND owner = OpenWindow(100, 120, "Owner of a modal dialog");
  InitAndInstall();
  ASSERT_TRUE(CaptionOver(owner, kWithAllowance));
  ASSERT_TRUE(host_.State().topmost);
  HWND dialog = target_.OpenDialog(owner, true, 250, 250, "Modal dialog");
  ASSERT_NE(nullptr, dialog);
  ASSERT_FALSE(IsWindowEnabled(owner));
  EXPECT_TRUE(CaptionOver(owner, kWithAllowance));
  CaptionState state = host_.State();
  EXPECT_EQ(owner, state.below) << Describe(state);
  EXPECT_EQ(dialog, state.above) << Describe(state);
  EXPECT_FALSE(state.topmost);
}

TEST_F(CaptionScenario, AfterUninstallCaptionNoLongerFollows) {
  HWND first = OpenWindow(100, 120, "First");
  InitAndInstall();
  ASSERT_TRUE(CaptionOver(first, kWithAllowance));
  EXPECT_NE(0, host_.Uninstall());

  CaptionState before = host_.State();
  HWND second = OpenWindow(420, 520, "Second");
  ASSERT_NE(nullptr, second);
  EXPECT_TRUE(CaptionStill(before));
  // The tracked window is still the first one: no hook recorded the second.
  EXPECT_NE(0, host_.SetMaxWidth(200));
  EXPECT_TRUE(CaptionOver(first, kWithAllowance, 200));
  EXPECT_EQ(0, host_.Uninstall()) << "the handle names a removed hook";
}

TEST_F(CaptionScenario, UninstallFromAnotherProcessKeepsHook) {
  HWND first = OpenWindow(100, 120, "First");
  InitAndInstall();
  ASSERT_TRUE(CaptionOver(first, kWithAllowance));
  bool answered = false;
  EXPECT_EQ(0, target_.UninstallFromHere(&answered));
  EXPECT_TRUE(answered);
  HWND second = OpenWindow(420, 520, "Second");
  EXPECT_TRUE(CaptionOver(second, kWithAllowance)) << "the hook is still in place";
  EXPECT_NE(0, host_.Uninstall());
}

TEST_F(CaptionScenario, TwoInstallsAndOneUninstallLeaveOneHook) {
  HWND first = OpenWindow(100, 120, "First");
  ASSERT_EQ(1, host_.Init(host_.caption()));
  ASSERT_EQ(1, host_.Install());
  ASSERT_EQ(1, host_.Install());
  EXPECT_NE(0, host_.Uninstall());
  HWND second = OpenWindow(420, 520, "Second");
  EXPECT_TRUE(CaptionOver(second, kWithAllowance)) << "the first hook still runs";
  EXPECT_EQ(0, host_.Uninstall()) << "the library holds only the removed second hook";
  ASSERT_TRUE(target_.Activate(first));
  EXPECT_TRUE(CaptionOver(first, kWithAllowance));
}

// One copy of the shared state for both processes: the target's placement
// uses the host's width limit, and the host's width call finds the window
// that the target's placement recorded.
TEST_F(CaptionScenario, SharedStateIsOneCopyForAllProcesses) {
  HWND first = OpenWindow(100, 120, "First");
  InitAndInstall();
  EXPECT_NE(0, host_.SetMaxWidth(120));
  ASSERT_TRUE(CaptionOver(first, kWithAllowance, 120));
  HWND second = OpenWindow(420, 520, "Second");
  EXPECT_TRUE(CaptionOver(second, kWithAllowance, 120)) << "limit set by the host";
  EXPECT_NE(0, host_.SetMaxWidth(-1));
  EXPECT_TRUE(CaptionOver(second, kWithAllowance)) << "window recorded in the target";
}

// The hook runs inside the target whatever the host left in the shared
// state; the target must go on answering and end normally.
class CaptionRobustness : public CaptionScenario {
 protected:
  void SetUp() override {
    CaptionScenario::SetUp();
    if (HasFatalFailure()) return;
    first_ = OpenWindow(100, 120, "First");
    InitAndInstall();
    ASSERT_TRUE(CaptionOver(first_, kWithAllowance));
  }

  // Windows of every sort come and go in the target while the hook runs there.
  void ExpectTargetUnharmed() {
    HWND second = OpenWindow(420, 520, "Second");
    HWND tool = OpenWindow(500, 300, "Tool", WindowKind::ToolWindow);
    EXPECT_NE(nullptr, target_.OpenDialog(second, true, 450, 550, "Dialog"));
    EXPECT_TRUE(target_.Destroy(second));
    EXPECT_TRUE(target_.Destroy(tool));
    EXPECT_TRUE(target_.Activate(first_)) << "foreground or focus went wrong";
    EXPECT_TRUE(target_.Ping());
    EXPECT_EQ(0u, target_.Quit()) << "the target did not end normally";
    EXPECT_NE(0, host_.Uninstall());
  }

  HWND first_ = NULL;
};

TEST_F(CaptionRobustness, HookSurvivesNullCaptionHandle) {
  EXPECT_EQ(0, host_.Init(NULL));
  ExpectTargetUnharmed();
}

TEST_F(CaptionRobustness, HookSurvivesDestroyedCaptionWindow) {
  host_.DestroyCaption();
  ASSERT_FALSE(IsWindow(host_.caption()));
  ExpectTargetUnharmed();
}

}  // namespace
}  // namespace quorlin_wine
