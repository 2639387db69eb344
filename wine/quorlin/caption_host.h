// The host side of the caption hook scenarios and of the demo: the caption
// window and the library's exports called from this process, a client for
// target processes, and the strip expected over a window's title bar,
// computed from the metrics the platform reports.
//
// The host thread keeps pumping its messages whenever it waits: the hook
// moves the caption window from other processes, and the platform carries
// those calls to this thread, which must answer them.
#pragma once

#include <windows.h>

#include <string>

#include "target_protocol.h"

namespace quorlin_wine {

// A rectangle as x, y, width, height.
struct Strip {
  LONG x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Strip& other) const {
    return x == other.x && y == other.y && width == other.width && height == other.height;
  }
};
std::string Describe(const Strip& strip);

// Where a zero width limit parks the caption window.
constexpr Strip kParkedStrip = {-9999, -9999, 1, 1};

// Geometry of the title-bar strip of a window, from its current rectangle and
// the current metrics. systemMenuAllowance: the strip starts after the
// system-menu icon. A positive limit cuts it from the left, 0 parks it, a
// negative one changes nothing.
Strip ExpectedStrip(HWND window, bool systemMenuAllowance, LONG limit = -1);

struct CaptionState {
  bool visible = false;
  Strip rect;
  bool topmost = false;
  HWND above = NULL;  // GW_HWNDPREV
  HWND below = NULL;  // GW_HWNDNEXT
};
std::string Describe(const CaptionState& state);

bool IsTopmost(HWND window);

// Handles the messages waiting for this thread, sent ones included.
void PumpMessages();
// Pumps until the handle is signalled or the timeout expires.
bool WaitPumping(HANDLE handle, DWORD timeoutMs);

constexpr DWORD kStepDeadlineMs = 10000;

class CaptionHost {
 public:
  CaptionHost() = default;
  CaptionHost(const CaptionHost&) = delete;
  CaptionHost& operator=(const CaptionHost&) = delete;
  ~CaptionHost();

  // Creates the caption window (hidden, never activated) and loads the
  // library; false with a reason in error() on failure.
  bool Open(const char* label = "Quorlin");
  const std::string& error() const { return error_; }
  HWND caption() const { return caption_; }

  LONG Init(HWND window);
  LONG Install();
  LONG Uninstall();
  LONG SetMaxWidth(LONG width);
  void DestroyCaption();

  CaptionState State() const;
  // Polls, pumping, until the caption window is shown at the strip (or is
  // hidden) or the deadline expires; the last state seen goes to *last.
  bool WaitShownAt(const Strip& expected, CaptionState* last) const;
  bool WaitHidden(CaptionState* last) const;

 private:
  using HandleProc = LONG(WINAPI*)(HWND);
  using VoidProc = LONG(WINAPI*)(void);
  using WidthProc = LONG(WINAPI*)(LONG);

  HWND caption_ = NULL;
  HMODULE library_ = NULL;
  HandleProc init_ = nullptr;
  VoidProc install_ = nullptr;
  VoidProc uninstall_ = nullptr;
  WidthProc setMaxWidth_ = nullptr;
  std::string error_;
};

// A target process and its control window.
class TargetProcess {
 public:
  TargetProcess() = default;
  TargetProcess(const TargetProcess&) = delete;
  TargetProcess& operator=(const TargetProcess&) = delete;
  ~TargetProcess();

  // Starts quorlin_target.exe beside this program and waits for its control
  // window.
  bool Start(const char* token);
  const std::string& error() const { return error_; }

  // Every call waits for the target's answer; *answered (when given) tells a
  // target that answered 0 from one that did not answer at all.
  bool Ping();
  HWND Create(WindowKind kind, int x, int y, int width, int height, bool activate,
              const char* title);
  bool Activate(HWND window);
  HWND OpenDialog(HWND owner, bool disableOwner, int x, int y, const char* title);
  bool Destroy(HWND window);
  LONG UninstallFromHere(bool* answered);
  bool HookLibraryMapped();
  bool Repaint();
  // Asks the target to close its windows and end; returns its exit code, or
  // STILL_ACTIVE when it did not end in time.
  DWORD Quit();

 private:
  LRESULT Send(TargetOp op, const TargetCommand& command, bool* answered);
  LRESULT SendOnWindow(TargetOp op, HWND window);

  PROCESS_INFORMATION process_ = {};
  HWND control_ = NULL;
  std::string error_;
};

}  // namespace quorlin_wine
