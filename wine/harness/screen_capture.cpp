// GDI screen capture into a DIB section, and a BMP writer for it.
#include "screen_capture.h"

#include <fstream>

std::vector<BYTE> CaptureScreen(const RECT& area, BITMAPINFOHEADER* header) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  *header = {};
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = width;
  header->biHeight = -height;
  header->biPlanes = 1;
  header->biBitCount = 24;
  header->biCompression = BI_RGB;
  std::vector<BYTE> pixels;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY)) {
      GdiFlush();
      const size_t stride = ((width * 3 + 3) / 4) * 4;
      const BYTE* start = static_cast<const BYTE*>(bits);
      pixels.assign(start, start + stride * height);
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

bool SaveScreenshot(const std::string& path) {
  RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  BITMAPINFOHEADER header;
  std::vector<BYTE> pixels = CaptureScreen(screen, &header);
  if (pixels.empty()) return false;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&header), sizeof(header));
  out.write(reinterpret_cast<const char*>(pixels.data()),
            static_cast<std::streamsize>(pixels.size()));
  out.close();
  return !out.fail();
}
