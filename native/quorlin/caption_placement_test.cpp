// PlaceCaptionWindow against the window-manager model: the strip's geometry
// under the width limit and odd metrics, the paths that hide the caption
// window, and where the caption window ends up in the z-order.
#include <ostream>
#include <string>
#include <vector>

#include "quorlin_test_fixture.h"

namespace {

using fakewm::WindowSpec;

const DWORD kFullCaption = WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
const RECT kExampleRect = {100, 50, 700, 450};

struct GeometryCase {
  const char* name;
  RECT rect;
  DWORD style;
  DWORD exStyle;
  // Raw values GetSystemMetrics returns for SM_CXFRAME, SM_CYFRAME,
  // SM_CXSIZE and SM_CYSMICON.
  int metrics[4];
  LONG maxWidth;
  int x, y, cx, cy;
};

std::ostream& operator<<(std::ostream& out, const GeometryCase& c) { return out << c.name; }

const GeometryCase kGeometryCases[] = {
    // The worked example: allowance 19, edges 123..623 by 54..70.
    {"NoLimit", kExampleRect, kFullCaption, 0, {4, 4, 18, 16}, -1, 123, 54, 501, 17},
    {"AnyNegativeLimit", kExampleRect, kFullCaption, 0, {4, 4, 18, 16}, -100000, 123, 54, 501, 17},
    {"LimitOfExactWidth", kExampleRect, kFullCaption, 0, {4, 4, 18, 16}, 501, 123, 54, 501, 17},
    {"LimitAboveWidth", kExampleRect, kFullCaption, 0, {4, 4, 18, 16}, 502, 123, 54, 501, 17},
    {"ParkedOffScreen", kExampleRect, kFullCaption, 0, {4, 4, 18, 16}, 0, -9999, -9999, 1, 1},
    {"Limit200", kExampleRect, kFullCaption, 0, {4, 4, 18, 16}, 200, 424, 54, 200, 17},
    {"Limit500", kExampleRect, kFullCaption, 0, {4, 4, 18, 16}, 500, 124, 54, 500, 17},
    {"Limit1", kExampleRect, kFullCaption, 0, {4, 4, 18, 16}, 1, 623, 54, 1, 17},
    {"BottomTakesNoPart",
     {100, 50, 700, -3000},
     kFullCaption,
     0,
     {4, 4, 18, 16},
     -1,
     123,
     54,
     501,
     17},
    // No room for the system-menu icon.
    {"ModalFrame",
     kExampleRect,
     kFullCaption,
     WS_EX_DLGMODALFRAME,
     {4, 4, 18, 16},
     -1,
     104,
     54,
     520,
     17},
    {"NoSystemMenu",
     kExampleRect,
     WS_VISIBLE | WS_CAPTION,
     0,
     {4, 4, 18, 16},
     -1,
     104,
     54,
     520,
     17},
    {"BorderBitOnly",
     kExampleRect,
     WS_VISIBLE | WS_BORDER | WS_SYSMENU,
     0,
     {4, 4, 18, 16},
     -1,
     104,
     54,
     520,
     17},
    {"DialogFrameBitOnly",
     kExampleRect,
     WS_VISIBLE | WS_DLGFRAME | WS_SYSMENU,
     0,
     {4, 4, 18, 16},
     -1,
     104,
     54,
     520,
     17},
    // The width goes out as computed, even below zero.
    {"NarrowWindow", {100, 50, 150, 450}, kFullCaption, 0, {4, 4, 18, 16}, -1, 123, 54, -49, 17},
    {"NarrowWindowUnderLimit",
     {100, 50, 150, 450},
     kFullCaption,
     0,
     {4, 4, 18, 16},
     200,
     123,
     54,
     -49,
     17},
    {"NegativeCoordinates",
     {-4, -4, 1028, 772},
     kFullCaption,
     0,
     {4, 4, 18, 16},
     -1,
     19,
     0,
     933,
     17},
    // Only the low 16 bits of a metric count, zero-extended.
    {"FrameWidthHighBits",
     kExampleRect,
     kFullCaption,
     0,
     {4 + 65536, 4, 18, 16},
     -1,
     123,
     54,
     501,
     17},
    {"FrameHeightHighBits",
     kExampleRect,
     kFullCaption,
     0,
     {4, 4 + 65536, 18, 16},
     -1,
     123,
     54,
     501,
     17},
    {"ButtonWidthHighBits",
     kExampleRect,
     kFullCaption,
     0,
     {4, 4, 18 - 65536, 16},
     -1,
     123,
     54,
     501,
     17},
    {"SmallIconHighBits",
     kExampleRect,
     kFullCaption,
     0,
     {4, 4, 18, 0x7FFF0010},
     -1,
     123,
     54,
     501,
     17},
    {"FrameWidthMinusOne",
     kExampleRect,
     kFullCaption,
     0,
     {-1, 4, 18, 16},
     -1,
     100 + 65535 + 19,
     54,
     (700 - 72 - 65535 - 1) - (100 + 65535 + 19) + 1,
     17},
    {"FrameHeightMinusOne",
     kExampleRect,
     kFullCaption,
     0,
     {4, -1, 18, 16},
     -1,
     123,
     50 + 65535,
     501,
     17},
    {"ButtonWidthMinusOne",
     kExampleRect,
     kFullCaption,
     0,
     {4, 4, -1, 16},
     -1,
     100 + 4 + 65536,
     54,
     (700 - 4 * 65535 - 5) - (100 + 4 + 65536) + 1,
     17},
    {"SmallIconMinusOne", kExampleRect, kFullCaption, 0, {4, 4, 18, -1}, -1, 123, 54, 501, 65536},
};

class PlacementGeometryTest : public QuorlinTest,
                              public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(PlacementGeometryTest, LaysTheStripOverTheTitleBar) {
  const GeometryCase& c = GetParam();
  wm.SetMetric(SM_CXFRAME, c.metrics[0]);
  wm.SetMetric(SM_CYFRAME, c.metrics[1]);
  wm.SetMetric(SM_CXSIZE, c.metrics[2]);
  wm.SetMetric(SM_CYSMICON, c.metrics[3]);
  WindowSpec shape;
  shape.rect = c.rect;
  shape.style = c.style;
  shape.exStyle = c.exStyle;
  HWND window = wm.Create(shape);
  UseCaption(caption);
  g_captionHookShared.nMaxCaptionWidth = c.maxWidth;

  EXPECT_NE(PlaceCaptionWindow(window), 0);

  ASSERT_FALSE(wm.SetWindowPosCalls().empty());
  const fakewm::SetWindowPosCall& first = wm.SetWindowPosCalls().front();
  EXPECT_EQ(first.hwnd, caption);
  EXPECT_EQ(first.insertAfter, HWND_TOPMOST);
  EXPECT_EQ((std::vector<int>{first.x, first.y, first.cx, first.cy}),
            (std::vector<int>{c.x, c.y, c.cx, c.cy}));
  EXPECT_EQ(first.flags, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  EXPECT_TRUE(wm.IsVisible(caption));
  EXPECT_EQ(g_captionHookShared.hwndTracked, window);
  EXPECT_EQ(g_captionHookShared.nMaxCaptionWidth, c.maxWidth);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlacementGeometryTest, ::testing::ValuesIn(kGeometryCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The paths on which W cannot carry the caption: two style reads, one hide.
struct HideCase {
  const char* name;
  DWORD style;
  DWORD exStyle;
  enum { kLive, kNull, kDestroyed } handle;
};

std::ostream& operator<<(std::ostream& out, const HideCase& c) { return out << c.name; }

const HideCase kHideCases[] = {
    {"ToolWindow", kFullCaption, WS_EX_TOOLWINDOW, HideCase::kLive},
    {"NoCaptionBit", WS_VISIBLE | WS_SYSMENU, 0, HideCase::kLive},
    {"Invisible", WS_CAPTION | WS_SYSMENU, 0, HideCase::kLive},
    {"NullWindow", 0, 0, HideCase::kNull},
    {"DestroyedWindow", kFullCaption, 0, HideCase::kDestroyed},
};

class PlacementHideTest : public QuorlinTest, public ::testing::WithParamInterface<HideCase> {};

TEST_P(PlacementHideTest, HidesWithoutReadingMetricsAndKeepsTrackedWindow) {
  const HideCase& c = GetParam();
  WindowSpec shape;
  shape.style = c.style;
  shape.exStyle = c.exStyle;
  HWND window = wm.Create(shape);
  if (c.handle == HideCase::kDestroyed) wm.Destroy(window);
  if (c.handle == HideCase::kNull) window = nullptr;
  HWND earlier = wm.Create(CaptionedWindow());
  UseCaption(caption);
  g_captionHookShared.hwndTracked = earlier;

  for (bool visibleBefore : {true, false}) {
    SCOPED_TRACE(visibleBefore ? "caption visible before" : "caption hidden before");
    wm.SetStyle(caption, visibleBefore ? WS_VISIBLE : 0);
    wm.ClearLogs();

    LONG result = PlaceCaptionWindow(window);

    EXPECT_EQ(result != 0, visibleBefore);
    EXPECT_EQ(wm.CallNames(),
              (std::vector<std::string>{"GetWindowLongA", "GetWindowLongA", "ShowWindow"}));
    ASSERT_EQ(wm.Calls().size(), 3u);
    EXPECT_EQ(wm.Calls()[0].arg, GWL_STYLE);
    EXPECT_EQ(wm.Calls()[1].arg, GWL_EXSTYLE);
    EXPECT_EQ(wm.Calls()[2].hwnd, caption);
    EXPECT_EQ(wm.Calls()[2].arg, SW_HIDE);
    EXPECT_FALSE(wm.IsVisible(caption));
    EXPECT_EQ(g_captionHookShared.hwndTracked, earlier);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, PlacementHideTest, ::testing::ValuesIn(kHideCases),
                         [](const auto& info) { return std::string(info.param.name); });

using PlacementTest = QuorlinTest;

TEST_F(PlacementTest, CaptionWindowItselfIsLeftAlone) {
  HWND earlier = wm.Create(CaptionedWindow());
  UseCaption(caption);
  g_captionHookShared.hwndTracked = earlier;
  wm.SetStyle(caption, kFullCaption);

  EXPECT_EQ(PlaceCaptionWindow(caption), 0);

  EXPECT_TRUE(wm.Calls().empty());
  EXPECT_EQ(g_captionHookShared.hwndTracked, earlier);
}

TEST_F(PlacementTest, NullWindowWithoutCaptionWindowMakesNoCall) {
  EXPECT_EQ(PlaceCaptionWindow(nullptr), 0);
  EXPECT_TRUE(wm.Calls().empty());
  EXPECT_EQ(g_captionHookShared.hwndTracked, nullptr);
}

TEST_F(PlacementTest, WindowVanishingBeforeItsRectangleHidesTheCaption) {
  HWND earlier = wm.Create(CaptionedWindow());
  HWND window = wm.Create(CaptionedWindow());
  wm.VanishAfterExStyleRead(window);
  UseCaption(caption);
  wm.SetStyle(caption, WS_VISIBLE);
  g_captionHookShared.hwndTracked = earlier;

  EXPECT_NE(PlaceCaptionWindow(window), 0);  // ShowWindow's "was visible"

  EXPECT_EQ(wm.CountCalls("GetWindowRect"), 1u);
  EXPECT_EQ(wm.CountCalls("SetWindowPos"), 0u);
  ASSERT_EQ(wm.ShowWindowCalls().size(), 1u);
  EXPECT_EQ(wm.ShowWindowCalls()[0].hwnd, caption);
  EXPECT_EQ(wm.ShowWindowCalls()[0].cmd, SW_HIDE);
  EXPECT_EQ(wm.CallNames().back(), "ShowWindow");
  EXPECT_FALSE(wm.IsVisible(caption));
  EXPECT_EQ(g_captionHookShared.hwndTracked, earlier);
}

TEST_F(PlacementTest, ReadsMetricsAndStylesAfreshOnEveryCall) {
  HWND window = wm.Create(CaptionedWindow());
  UseCaption(caption);
  PlaceCaptionWindow(window);
  wm.SetMetric(SM_CXFRAME, 8);
  wm.SetStyle(window, WS_VISIBLE | WS_CAPTION);

  PlaceCaptionWindow(window);

  // No allowance now, and the frame on both sides is twice as wide.
  ASSERT_EQ(wm.SetWindowPosCalls().size(), 4u);
  EXPECT_EQ(wm.SetWindowPosCalls()[2].x, 108);
  EXPECT_EQ(wm.SetWindowPosCalls()[2].cx, 512);
  EXPECT_EQ(wm.CountCalls("GetSystemMetrics"), 8u);
}

// Where the caption window goes in the z-order over an enabled window: to
// the top, then behind the unbroken run of topmost windows at the top.
struct ZOrderCase {
  const char* name;
  // Top-level windows from top to bottom; 'T' topmost, 'o' ordinary, 'W' the
  // enabled window to place, 'C' the caption window.
  const char* layout;
  int secondInsertAfterIndex;      // into layout
  const char* finalLayoutIndexes;  // indexes into layout, top first
};

std::ostream& operator<<(std::ostream& out, const ZOrderCase& c) { return out << c.name; }

const ZOrderCase kZOrderCases[] = {
    // After the first move: caption, A, B, D, W. The run ends at B.
    {"BehindTopmostRun", "TToWC", 1, "01423"},
    // A topmost window further down is not part of the run.
    {"RunBrokenByOrdinaryWindow", "ToTWC", 0, "04123"},
    // Every window below the top is topmost: the bottom one ends the walk.
    {"EverythingTopmost", "TTTC", 2, "0123"},
    // Nothing topmost below the caption window: it names itself.
    {"NoOtherTopmostWindow", "oWC", 2, "201"},
};

class PlacementZOrderTest : public QuorlinTest, public ::testing::WithParamInterface<ZOrderCase> {};

TEST_P(PlacementZOrderTest, EndsBehindTheTopmostRun) {
  const ZOrderCase& c = GetParam();
  wm.Reset();
  std::vector<HWND> windows;
  HWND window = nullptr;
  for (const char* p = c.layout; *p; ++p) {
    WindowSpec shape = CaptionedWindow();
    if (*p == 'T') shape.exStyle = WS_EX_TOPMOST;
    if (*p == 'C') {
      shape.style = 0;
      caption = wm.Create(shape);
      windows.push_back(caption);
      continue;
    }
    windows.push_back(wm.Create(shape));
    if (*p == 'W') window = windows.back();
  }
  // "EverythingTopmost" places the last topmost window itself.
  if (window == nullptr) window = windows[2];
  UseCaption(caption);

  LONG result = PlaceCaptionWindow(window);

  ASSERT_EQ(wm.SetWindowPosCalls().size(), 2u);
  const fakewm::SetWindowPosCall& second = wm.SetWindowPosCalls()[1];
  EXPECT_EQ(second.hwnd, caption);
  EXPECT_EQ(second.insertAfter, windows[c.secondInsertAfterIndex]);
  EXPECT_EQ((std::vector<int>{second.x, second.y, second.cx, second.cy}),
            (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(second.flags, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  EXPECT_NE(result, 0);

  std::vector<HWND> expected;
  for (const char* p = c.finalLayoutIndexes; *p; ++p) expected.push_back(windows[*p - '0']);
  EXPECT_EQ(wm.ZOrder(), expected);
  EXPECT_TRUE(wm.IsTopmost(caption));
  EXPECT_TRUE(wm.IsVisible(caption));
  EXPECT_EQ(g_captionHookShared.hwndTracked, window);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlacementZOrderTest, ::testing::ValuesIn(kZOrderCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlacementTest, ParkedCaptionIsStillShownAndOrdered) {
  HWND topmost = wm.CreateAtTop(TopmostWindow());
  HWND window = wm.Create(CaptionedWindow());
  UseCaption(caption);
  g_captionHookShared.nMaxCaptionWidth = 0;

  PlaceCaptionWindow(window);

  ASSERT_EQ(wm.SetWindowPosCalls().size(), 2u);
  EXPECT_EQ(wm.SetWindowPosCalls()[1].insertAfter, topmost);
  EXPECT_TRUE(wm.IsVisible(caption));
  EXPECT_EQ(wm.ZOrder(), (std::vector<HWND>{topmost, caption, window}));
  RECT parked = wm.Rect(caption);
  EXPECT_EQ((std::vector<LONG>{parked.left, parked.top, parked.right, parked.bottom}),
            (std::vector<LONG>{-9999, -9999, -9998, -9998}));
  EXPECT_EQ(g_captionHookShared.hwndTracked, window);
}

TEST_F(PlacementTest, TopWindowIsNotTestedForTopmost) {
  // The first move fails, so an ordinary window stays at the top; the walk
  // starts from it without looking at its flag and goes on to the topmost
  // window below it.
  wm.CreateAtTop(TopmostWindow());
  wm.CreateAtTop(CaptionedWindow());
  HWND topmost = wm.ZOrder()[1];
  HWND window = wm.Create(CaptionedWindow());
  UseCaption(caption);
  wm.ScriptSetWindowPosFailures({true});

  EXPECT_NE(PlaceCaptionWindow(window), 0);

  ASSERT_EQ(wm.SetWindowPosCalls().size(), 2u);
  EXPECT_EQ(wm.SetWindowPosCalls()[1].insertAfter, topmost);
}

TEST_F(PlacementTest, ResultIsTheLastSetWindowPosAndTheWindowIsTrackedEitherWay) {
  HWND window = wm.Create(CaptionedWindow());
  UseCaption(caption);
  const struct {
    const char* name;
    std::vector<bool> failures;  // per SetWindowPos: the move, then the reorder
    bool result;
  } cases[] = {
      {"reorder fails", {false, true}, false},
      {"move fails", {true, false}, true},
      {"both fail", {true, true}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_captionHookShared.hwndTracked = nullptr;
    wm.ClearLogs();
    wm.ScriptSetWindowPosFailures(c.failures);

    EXPECT_EQ(PlaceCaptionWindow(window) != 0, c.result);

    EXPECT_EQ(wm.SetWindowPosCalls().size(), 2u);
    EXPECT_EQ(g_captionHookShared.hwndTracked, window);
  }
}

TEST_F(PlacementTest, NoTopWindowGivesZeroAndStillTracks) {
  HWND window = wm.Create(CaptionedWindow());
  UseCaption(caption);
  wm.ReportNoTopWindow(true);

  EXPECT_EQ(PlaceCaptionWindow(window), 0);

  ASSERT_EQ(wm.SetWindowPosCalls().size(), 1u);
  EXPECT_EQ(wm.SetWindowPosCalls()[0].insertAfter, HWND_TOPMOST);
  EXPECT_EQ(wm.CountCalls("GetTopWindow"), 1u);
  EXPECT_EQ(wm.CountCalls("GetWindow"), 0u);
  EXPECT_EQ(g_captionHookShared.hwndTracked, window);
}

// Over a disabled window the caption window goes right above it, in one move.
struct DisabledCase {
  const char* name;
  bool aboveIsTopmost;
};

std::ostream& operator<<(std::ostream& out, const DisabledCase& c) { return out << c.name; }

class PlacementDisabledTest : public QuorlinTest,
                              public ::testing::WithParamInterface<DisabledCase> {};

TEST_P(PlacementDisabledTest, GoesDirectlyAboveTheDisabledWindow) {
  HWND topmost = wm.CreateAtTop(TopmostWindow());
  WindowSpec aboveSpec = CaptionedWindow();
  if (GetParam().aboveIsTopmost) aboveSpec.exStyle = WS_EX_TOPMOST;
  HWND above = wm.Create(aboveSpec);
  HWND window = wm.Create(CaptionedWindow());
  HWND below = wm.Create(CaptionedWindow());
  wm.SetEnabled(window, false);
  UseCaption(caption);
  // The caption window starts out topmost, at the top.
  SetWindowPos(caption, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  wm.ClearLogs();

  EXPECT_NE(PlaceCaptionWindow(window), 0);

  ASSERT_EQ(wm.SetWindowPosCalls().size(), 1u);
  const fakewm::SetWindowPosCall& move = wm.SetWindowPosCalls()[0];
  EXPECT_EQ(move.insertAfter, above);
  EXPECT_EQ((std::vector<int>{move.x, move.y, move.cx, move.cy}),
            (std::vector<int>{123, 54, 501, 17}));
  EXPECT_EQ(move.flags, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  EXPECT_EQ(wm.CountCalls("GetTopWindow"), 0u);
  EXPECT_EQ(wm.ZOrder(), (std::vector<HWND>{topmost, above, caption, window, below}));
  EXPECT_EQ(wm.IsTopmost(caption), GetParam().aboveIsTopmost);
  EXPECT_EQ(g_captionHookShared.hwndTracked, window);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlacementDisabledTest,
                         ::testing::Values(DisabledCase{"BelowOrdinaryWindow", false},
                                           DisabledCase{"BelowTopmostWindow", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlacementTest, DisabledWindowAtTheTopIsHandledLikeAnEnabledOne) {
  HWND window = wm.CreateAtTop(CaptionedWindow());
  HWND topmostBelow = wm.Create(TopmostWindow());  // below an ordinary one: not in the run
  wm.SetEnabled(window, false);
  UseCaption(caption);

  EXPECT_NE(PlaceCaptionWindow(window), 0);

  ASSERT_EQ(wm.SetWindowPosCalls().size(), 2u);
  EXPECT_EQ(wm.SetWindowPosCalls()[0].insertAfter, HWND_TOPMOST);
  EXPECT_EQ(wm.SetWindowPosCalls()[1].insertAfter, caption);
  EXPECT_EQ(wm.ZOrder(), (std::vector<HWND>{caption, window, topmostBelow}));
  EXPECT_TRUE(wm.IsTopmost(caption));
  EXPECT_EQ(g_captionHookShared.hwndTracked, window);
}

}  // namespace
