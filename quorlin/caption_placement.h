// Lays the caption window over a window's title bar, or hides it when the
// window has no title bar that it may cover.
#pragma once

#include <windows.h>

// The caption window is laid this far off-screen as a 1 x 1 window when the
// width limit is 0.
const LONG kParkedCaptionCoordinate = -9999;

LONG PlaceCaptionWindow(HWND hwnd);
