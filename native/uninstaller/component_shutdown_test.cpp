// Closing the product's running programs: who is asked to close, in which
// order, how long each class is waited for on the virtual clock, and that no
// program can hold the uninstaller forever.
#include "component_shutdown.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform_test.h"

using fake::CloseBehaviour;
using fake::FakeWindow;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Strings = std::vector<std::string>;

namespace {

const char* const kClasses[] = {"PrefsmithClass", "KV_ZIVA_WINDOW_CLASS", "KV_PLOVEN_WINDOW_CLASS",
                                "VERNOX_WINDOW"};

class ComponentShutdownTest : public PlatformTest {
 protected:
  fake::WindowManager& windows() { return platform().windows; }

  FakeWindow& Window(const std::string& label, const std::string& className,
                     CloseBehaviour onClose = CloseBehaviour::kClosesAtOnce) {
    return windows().AddWindow(label, className, onClose);
  }

  void Run() { EXPECT_EQ(CloseRunningComponents(), 1); }

  // The labels of the windows sent WM_CLOSE, in order.
  Strings CloseRequests() {
    Strings labels;
    for (const fake::SentMessage& sent : windows().sent) {
      EXPECT_EQ(sent.message, WM_CLOSE);
      EXPECT_EQ(sent.wParam, 0u);
      EXPECT_EQ(sent.lParam, 0);
      labels.push_back(sent.label);
    }
    return labels;
  }

  // The lookups and sleeps of the wait, from its first lookup on.
  Strings WaitPhase() {
    const auto& log = platform().log;
    int lastRequest = -1;
    for (size_t i = 0; i < log.size(); ++i) {
      if (log[i].rfind("WM_CLOSE", 0) == 0 || log[i].rfind("GetLastActivePopup", 0) == 0) {
        lastRequest = static_cast<int>(i);
      }
    }
    // Phase one looks each class up once; the wait starts with the fifth.
    int lookups = 0;
    size_t start = log.size();
    for (size_t i = 0; i < log.size() && start == log.size(); ++i) {
      if (log[i].rfind("FindWindowA", 0) == 0 && ++lookups == 5) start = i;
    }
    EXPECT_LT(lastRequest, static_cast<int>(start)) << "a request was sent during the wait";
    return Strings(log.begin() + static_cast<long>(start), log.end());
  }
};

TEST_F(ComponentShutdownTest, NoProductWindowMeansNoRequestAndNoSleep) {
  Window("notepad", "Notepad");

  Run();

  EXPECT_THAT(windows().sent, IsEmpty());
  EXPECT_THAT(windows().sleeps, IsEmpty());
  Strings lookups;
  for (int phase = 0; phase < 2; ++phase) {
    for (const char* name : kClasses) lookups.push_back(std::string("FindWindowA ") + name);
  }
  // By class alone: no title is given.
  EXPECT_THAT(platform().log, ElementsAreArray(lookups));
}

TEST_F(ComponentShutdownTest, PopUpsOfTheFirstThreeClassesCloseBeforeTheirWindowsInTableOrder) {
  // Created in an order unlike the table's, so the order shown is the step's.
  FakeWindow& vernox = Window("vernox", "VERNOX_WINDOW");
  FakeWindow& ploven = Window("ploven", "KV_PLOVEN_WINDOW_CLASS");
  FakeWindow& ziva = Window("ziva", "KV_ZIVA_WINDOW_CLASS");
  FakeWindow& prefsmith = Window("prefsmith", "PrefsmithClass");
  windows().AddPopup("vernox dialog", vernox);
  windows().AddPopup("ploven dialog", ploven);
  windows().AddPopup("ziva dialog", ziva);
  windows().AddPopup("prefsmith dialog", prefsmith);

  Run();

  EXPECT_THAT(CloseRequests(),
              ElementsAreArray(Strings{"prefsmith dialog", "prefsmith", "ziva dialog", "ziva",
                                       "ploven dialog", "ploven", "vernox"}));
  EXPECT_THAT(platform().Calls("GetLastActivePopup vernox"), IsEmpty());
  EXPECT_THAT(windows().sleeps, IsEmpty());
}

enum class PopupState { kNone, kIsTheWindowItself, kNullResult, kOpenDialog };

struct PopupCase {
  const char* name;
  const char* className;
  PopupState popup;
  Strings expectedRequests;
};

void PrintTo(const PopupCase& c, std::ostream* out) { *out << c.name; }

class PopupTest : public ComponentShutdownTest, public ::testing::WithParamInterface<PopupCase> {};

TEST_P(PopupTest, OnlyAnOpenPopUpOtherThanTheWindowGetsARequestOfItsOwn) {
  const PopupCase& c = GetParam();
  FakeWindow& window = Window("window", c.className);
  if (c.popup == PopupState::kIsTheWindowItself) window.lastActivePopup = window.hwnd;
  if (c.popup == PopupState::kNullResult) window.lastActivePopupIsNull = true;
  if (c.popup == PopupState::kOpenDialog) windows().AddPopup("dialog", window);

  Run();

  EXPECT_THAT(CloseRequests(), ElementsAreArray(c.expectedRequests));
}

INSTANTIATE_TEST_SUITE_P(
    LastActivePopups, PopupTest,
    ::testing::Values(
        PopupCase{
            "prefsmith_dialog", "PrefsmithClass", PopupState::kOpenDialog, {"dialog", "window"}},
        PopupCase{
            "ziva_dialog", "KV_ZIVA_WINDOW_CLASS", PopupState::kOpenDialog, {"dialog", "window"}},
        PopupCase{"ploven_dialog",
                  "KV_PLOVEN_WINDOW_CLASS",
                  PopupState::kOpenDialog,
                  {"dialog", "window"}},
        PopupCase{"prefsmith_self", "PrefsmithClass", PopupState::kIsTheWindowItself, {"window"}},
        PopupCase{"prefsmith_none", "PrefsmithClass", PopupState::kNone, {"window"}},
        PopupCase{"ziva_null", "KV_ZIVA_WINDOW_CLASS", PopupState::kNullResult, {"window"}},
        PopupCase{"vernox_dialog", "VERNOX_WINDOW", PopupState::kOpenDialog, {"window"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComponentShutdownTest, OnlyTheFirstWindowOfAClassIsAskedAndTheOtherKeepsTheWaitGoing) {
  Window("first ziva", "KV_ZIVA_WINDOW_CLASS");
  Window("second ziva", "KV_ZIVA_WINDOW_CLASS");

  Run();

  EXPECT_THAT(CloseRequests(), ElementsAre("first ziva"));
  EXPECT_EQ(windows().sleeps.size(), 10u);
  EXPECT_TRUE(windows().IsAlive(*windows().FindByLabel("second ziva")));
}

struct IgnoringCase {
  const char* name;
  std::vector<int> ignoringClasses;  // indices into the table
  size_t sleeps;
};

void PrintTo(const IgnoringCase& c, std::ostream* out) { *out << c.name; }

class IgnoredRequestTest : public ComponentShutdownTest,
                           public ::testing::WithParamInterface<IgnoringCase> {};

TEST_P(IgnoredRequestTest, EachClassThatStaysCostsTenOneSecondSleeps) {
  const IgnoringCase& c = GetParam();
  for (int i = 0; i < 4; ++i) Window(kClasses[i], kClasses[i]);
  for (int i : c.ignoringClasses) {
    windows().FindByLabel(kClasses[i])->onClose = CloseBehaviour::kIgnoresClose;
  }

  Run();

  EXPECT_THAT(CloseRequests(), ElementsAreArray(kClasses));
  EXPECT_EQ(windows().sleeps.size(), c.sleeps);
  EXPECT_THAT(windows().sleeps, Each(1000u));
  EXPECT_EQ(windows().nowMs, 1000u * c.sleeps) << "virtual time only";
  for (int i : c.ignoringClasses) {
    // Ten sleeps, so eleven lookups in the wait plus the one of phase one.
    EXPECT_EQ(platform().Calls(std::string("FindWindowA ") + kClasses[i]).size(), 12u);
  }
}

INSTANTIATE_TEST_SUITE_P(Ignoring, IgnoredRequestTest,
                         ::testing::Values(IgnoringCase{"none", {}, 0},
                                           IgnoringCase{"ploven", {2}, 10},
                                           IgnoringCase{"vernox", {3}, 10},
                                           IgnoringCase{"all_four", {0, 1, 2, 3}, 40}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComponentShutdownTest, WindowGoneTwoAndAHalfSecondsIntoItsWaitCostsThreeSleeps) {
  FakeWindow& ziva = Window("ziva", "KV_ZIVA_WINDOW_CLASS", CloseBehaviour::kClosesAfterDelay);
  ziva.closeDelayMs = 2500;

  Run();

  const std::string lookup = "FindWindowA KV_ZIVA_WINDOW_CLASS";
  EXPECT_THAT(WaitPhase(), ElementsAreArray(Strings{
                               "FindWindowA PrefsmithClass", lookup, "Sleep 1000", lookup,
                               "Sleep 1000", lookup, "Sleep 1000", lookup,
                               "FindWindowA KV_PLOVEN_WINDOW_CLASS", "FindWindowA VERNOX_WINDOW"}));
}

TEST_F(ComponentShutdownTest, LastEntryGoneWhileEarlierClassesWereWaitedForCostsNoSleep) {
  Window("prefsmith", "PrefsmithClass", CloseBehaviour::kIgnoresClose);
  FakeWindow& vernox = Window("vernox", "VERNOX_WINDOW", CloseBehaviour::kClosesAfterDelay);
  vernox.closeDelayMs = 3000;

  Run();

  Strings expected;
  for (int i = 0; i < 10; ++i) {
    expected.push_back("FindWindowA PrefsmithClass");
    expected.push_back("Sleep 1000");
  }
  expected.insert(expected.end(),
                  {"FindWindowA PrefsmithClass", "FindWindowA KV_ZIVA_WINDOW_CLASS",
                   "FindWindowA KV_PLOVEN_WINDOW_CLASS", "FindWindowA VERNOX_WINDOW"});
  EXPECT_THAT(WaitPhase(), ElementsAreArray(expected));
}

TEST_F(ComponentShutdownTest, HungWindowIsGivenUpAndTheOtherProgramsAreStillAsked) {
  // The model fails the test if a request could block on the hung window.
  Window("prefsmith", "PrefsmithClass", CloseBehaviour::kHung);
  Window("ziva", "KV_ZIVA_WINDOW_CLASS");
  Window("vernox", "VERNOX_WINDOW");

  Run();

  EXPECT_THAT(CloseRequests(), ElementsAre("prefsmith", "ziva", "vernox"));
  for (const fake::SentMessage& sent : windows().sent) {
    EXPECT_TRUE(sent.withTimeout) << "a plain send waits forever on a hung window";
    EXPECT_TRUE(sent.flags & SMTO_ABORTIFHUNG);
    EXPECT_NE(sent.timeoutMs, INFINITE);
  }
  EXPECT_EQ(windows().sleeps.size(), 10u);
  EXPECT_EQ(windows().nowMs, 10000u) << "a window seen as hung is given up at once";
}

TEST_F(ComponentShutdownTest, WindowThatStoppedAnsweringJustNowHoldsTheRunOnlyForTheBound) {
  Window("ziva", "KV_ZIVA_WINDOW_CLASS", CloseBehaviour::kStuckRecently);
  Window("vernox", "VERNOX_WINDOW");

  Run();

  EXPECT_THAT(CloseRequests(), ElementsAre("ziva", "vernox"));
  // Phase one ended after one bounded request, then ziva's ten sleeps.
  EXPECT_EQ(windows().nowMs, kCloseRequestTimeoutMs + 10000u);
  EXPECT_LE(kCloseRequestTimeoutMs, 60000u) << "the run must not sit for minutes per window";
}

TEST_F(ComponentShutdownTest, ProgramStillAskingItsUserIsWaitedForAndThenGone) {
  // Twenty seconds spent in a "save changes?" prompt: within the bound, so
  // the request completes and the window is gone before the wait begins.
  FakeWindow& prefsmith = Window("prefsmith", "PrefsmithClass");
  prefsmith.handlingMs = 20000;
  Window("vernox", "VERNOX_WINDOW");

  Run();

  EXPECT_THAT(CloseRequests(), ElementsAre("prefsmith", "vernox"));
  EXPECT_THAT(windows().sleeps, IsEmpty());
  EXPECT_EQ(windows().nowMs, 20000u);
}

}  // namespace
