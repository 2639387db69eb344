// The commands a scenario sends to the window-making target process, one
// WM_COPYDATA each: the copy's dwData is the operation, its data a
// TargetCommand. The target answers through the message's result once the
// step has finished on its own GUI thread, so the sender knows that every
// message the step caused (and every hook call on them) has been handled.
#pragma once

#include <windows.h>

namespace quorlin_wine {

// The target's message-only control window is found by this class and by the
// token given to the target on its command line.
constexpr char kTargetControlClass[] = "QuorlinTargetControl";

// Answer to a ping: tells a living, answering target from a failed send.
constexpr LRESULT kTargetAlive = 0x5154;

enum class TargetOp : ULONG_PTR {
  Ping = 1,
  Create,             // answers the new window's handle, 0 on failure
  Activate,           // answers 1 when the window is foreground and holds the focus
  OpenDialog,         // owned dialog with an edit control that gets the focus; answers it
  Destroy,            // answers 1 when the window is gone
  Uninstall,          // the library's uninstall called in this process; answers its result
  HookLibraryMapped,  // answers 1 when the hook brought the library into this process
  Repaint,            // paints every window of the target now; answers 1
  Quit,               // destroys every window and ends the message loop; answers 1
};

enum class WindowKind : int {
  Overlapped,        // WS_OVERLAPPEDWINDOW: title bar with a system menu
  CaptionNoSysMenu,  // both caption bits, no system menu
  ModalFrame,        // title bar and system menu, WS_EX_DLGMODALFRAME
  DialogFrameOnly,   // WS_DLGFRAME without WS_BORDER
  BorderOnly,        // WS_BORDER without WS_DLGFRAME
  ToolWindow,        // captioned, WS_EX_TOOLWINDOW
  NoCaption,         // pop-up with a sizing frame and neither caption bit
  TopmostTool,       // WS_EX_TOPMOST tool window, shown without activation
};

struct TargetCommand {
  WindowKind kind = WindowKind::Overlapped;
  int x = 0, y = 0, width = 0, height = 0;
  int activate = 0;      // Create: also activate the new window
  int disableOwner = 0;  // OpenDialog: disable the owner as a modal dialog does
  INT64 window = 0;      // the window a command works on
  char title[64] = {};
};

}  // namespace quorlin_wine
