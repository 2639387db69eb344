// Demo of the caption hook library under Wine: this program is the host, two
// target processes own the windows, and the foreground moves between them.
// Each step prints where the caption window lies next to where it should lie
// and saves a screenshot as C:\tavrin\out\caption-<n>.bmp. Exits 1 when a
// position differs.
#include <windows.h>

#include <cstdio>
#include <string>

#include "caption_host.h"
#include "screen_capture.h"

using namespace quorlin_wine;

namespace {

constexpr char kOutFolder[] = "C:\\tavrin\\out";

class Demo {
 public:
  int Run() {
    CreateDirectoryA(kOutFolder, NULL);
    if (!host_.Open("Quorlin caption")) return Fail(host_.error());
    if (!first_.Start("caption-demo-process-1")) return Fail(first_.error());
    if (!second_.Start("caption-demo-process-2")) return Fail(second_.error());

    HWND editor =
        first_.Create(WindowKind::Overlapped, 80, 90, 620, 400, true, "Editor - target process 1");
    if (editor == NULL) return Fail("process 1 could not open its window");
    host_.Init(host_.caption());
    if (host_.Install() != 1) return Fail("the hook could not be installed");
    Step("installed while process 1's editor is in the foreground", editor);

    HWND viewer = second_.Create(WindowKind::Overlapped, 560, 430, 640, 420, true,
                                 "Viewer - target process 2");
    if (viewer == NULL) return Fail("process 2 could not open its window");
    Step("process 2 activates its viewer", viewer);

    HWND palette =
        first_.Create(WindowKind::ToolWindow, 760, 90, 300, 240, true, "Palette (tool window)");
    if (palette == NULL) return Fail("process 1 could not open its tool window");
    Step("process 1 activates a tool window: no title bar to cover", NULL);

    first_.Activate(editor);
    Step("process 1 activates its editor again", editor);

    host_.SetMaxWidth(160);
    Step("the host limits the strip to 160 pixels", editor, 160);

    second_.Activate(viewer);
    Step("process 2 activates its viewer under that limit", viewer, 160);

    host_.Uninstall();
    first_.Quit();
    second_.Quit();
    printf("%s\n", failures_ == 0 ? "every position as expected" : "some positions differ");
    return failures_ == 0 ? 0 : 1;
  }

 private:
  int Fail(const std::string& reason) {
    fprintf(stderr, "caption_demo: %s\n", reason.c_str());
    return 2;
  }

  // window NULL: the caption window should be hidden.
  void Step(const char* what, HWND window, LONG limit = -1) {
    ++steps_;
    CaptionState state;
    bool ok;
    std::string expected;
    if (window == NULL) {
      ok = host_.WaitHidden(&state);
      expected = "hidden";
    } else {
      Strip strip = ExpectedStrip(window, true, limit);
      ok = host_.WaitShownAt(strip, &state);
      expected = "shown at " + Describe(strip);
    }
    std::string actual = state.visible ? "shown at " + Describe(state.rect) : "hidden";
    printf("%d. %s\n   caption window %s, expected %s: %s\n", steps_, what, actual.c_str(),
           expected.c_str(), ok ? "ok" : "DIFFERS");
    if (!ok) ++failures_;
    Screenshot();
  }

  void Screenshot() {
    // Paint everything now, so the picture shows the current state.
    first_.Repaint();
    second_.Repaint();
    // Wine stacks its X windows only when a window is shown or changes its
    // place in the window order; one already at the top that is laid again
    // keeps its X stacking, so a window that another process raised covers it
    // on the screen though not in the window order. Showing it anew restacks
    // it; the hook ignores the caption window's own messages.
    if (IsWindowVisible(host_.caption())) {
      ShowWindow(host_.caption(), SW_HIDE);
      ShowWindow(host_.caption(), SW_SHOWNA);
    }
    RedrawWindow(host_.caption(), NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpMessages();
    std::string path = std::string(kOutFolder) + "\\caption-" + std::to_string(steps_) + ".bmp";
    if (SaveScreenshot(path)) {
      printf("   screenshot %s\n", path.c_str());
    } else {
      printf("   screenshot %s FAILED\n", path.c_str());
      ++failures_;
    }
    fflush(stdout);
  }

  CaptionHost host_;
  TargetProcess first_;
  TargetProcess second_;
  int steps_ = 0;
  int failures_ = 0;
};

}  // namespace

int main() {
  Demo demo;
  return demo.Run();
}
