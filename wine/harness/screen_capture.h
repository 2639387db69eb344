// Screen capture for the demo programs: the virtual desktop, as a program
// inside the prefix sees it, copied through GDI and written as a BMP that the
// Wine wrapper turns into a PNG on the way out.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A screen rectangle as a top-down 24-bit DIB; empty on failure.
std::vector<BYTE> CaptureScreen(const RECT& area, BITMAPINFOHEADER* header);

// The whole screen written to path as a BMP file.
bool SaveScreenshot(const std::string& path);
