// The z-order and hook rules of the window-manager model. The placement tests
// read their verdicts off this model's z-order, so the reordering it does has
// to be the window manager's.
#include <gtest/gtest.h>

#include "fake_window_manager.h"

namespace {

using fakewm::WindowSpec;

class FakeWindowManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wm.Reset();
    WindowSpec topmost;
    topmost.exStyle = WS_EX_TOPMOST;
    a = wm.Create(topmost);
    b = wm.Create(topmost);
    c = wm.Create(WindowSpec());
    d = wm.Create(WindowSpec());
  }

  fakewm::FakeWindowManager& wm = fakewm::Wm();
  HWND a, b, c, d;
};

TEST_F(FakeWindowManagerTest, TopmostGoesToTheTopOfTheTopmostBand) {
  EXPECT_TRUE(SetWindowPos(d, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_EQ(wm.ZOrder(), (std::vector<HWND>{d, a, b, c}));
  EXPECT_TRUE(wm.IsTopmost(d));
}

TEST_F(FakeWindowManagerTest, InsertAfterTakesThePlaceAndTopmostFlagOfThatWindow) {
  EXPECT_TRUE(SetWindowPos(d, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_EQ(wm.ZOrder(), (std::vector<HWND>{a, d, b, c}));
  EXPECT_TRUE(wm.IsTopmost(d));

  EXPECT_TRUE(SetWindowPos(a, c, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_EQ(wm.ZOrder(), (std::vector<HWND>{d, b, c, a}));
  EXPECT_FALSE(wm.IsTopmost(a));
}

TEST_F(FakeWindowManagerTest, InsertAfterItselfKeepsPlaceAndFlag) {
  EXPECT_TRUE(SetWindowPos(b, b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_EQ(wm.ZOrder(), (std::vector<HWND>{a, b, c, d}));
  EXPECT_TRUE(wm.IsTopmost(b));
}

TEST_F(FakeWindowManagerTest, MovesSizesAndShows) {
  wm.SetStyle(c, 0);
  EXPECT_TRUE(SetWindowPos(c, c, -5, 7, 30, 0, SWP_SHOWWINDOW));
  RECT rect = wm.Rect(c);
  EXPECT_EQ((std::vector<LONG>{rect.left, rect.top, rect.right, rect.bottom}),
            (std::vector<LONG>{-5, 7, 25, 7}));
  EXPECT_TRUE(wm.IsVisible(c));
  EXPECT_TRUE(ShowWindow(c, SW_HIDE));  // was visible
  EXPECT_FALSE(ShowWindow(c, SW_HIDE));
}

TEST_F(FakeWindowManagerTest, DestroyedWindowsAnswerLikeNoWindow) {
  wm.Destroy(c);
  RECT rect{};
  EXPECT_FALSE(IsWindow(c));
  EXPECT_EQ(GetWindowLongA(c, GWL_STYLE), 0);
  EXPECT_FALSE(GetWindowRect(c, &rect));
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), d);
  EXPECT_FALSE(SetWindowPos(d, c, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_FALSE(ShowWindow(c, SW_HIDE));
}

TEST_F(FakeWindowManagerTest, HooksAreRemovedOnceEach) {
  HHOOK first = SetWindowsHookExA(WH_CALLWNDPROC, nullptr, nullptr, 0);
  HHOOK second = SetWindowsHookExA(WH_CALLWNDPROC, nullptr, nullptr, 0);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(first, second);
  EXPECT_TRUE(UnhookWindowsHookEx(second));
  EXPECT_FALSE(UnhookWindowsHookEx(second));
  EXPECT_FALSE(UnhookWindowsHookEx(nullptr));
  ASSERT_EQ(wm.Hooks().size(), 1u);
  EXPECT_EQ(wm.Hooks()[0].handle, first);
}

}  // namespace
