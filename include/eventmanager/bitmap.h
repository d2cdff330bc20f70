// An event icon as the library hands it to hosts: 32-bit pixels, rows from the
// top, each pixel 0xAARRGGBB. TransparentColor is the colour of the icon's
// bottom-left pixel, which a host leaves undrawn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TBitmap {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;  // Width * Height, row-major from the top
  uint32_t TransparentColor = 0;
  std::string FileName;          // file name only, as found below EventBitmap/
};
