// Decoding of event icon files: Windows BMP at 1, 4, 8, 16, 24 or 32 bits per
// pixel, uncompressed or with bit fields (through stb_image), run-length
// encoded at 4 and 8 bits, and with the 12-byte OS/2 header. The header is
// read and checked against the file size before the body is read, and the
// pixel count is bounded, so a corrupt, truncated or huge file is a quick
// error naming the file, never a read past the data.
#pragma once

#include <cstdint>
#include <string>

#include "eventmanager/bitmap.h"
#include "eventmanager/errors.h"

// At most this many pixels (64 MiB of decoded image); icons are far smaller.
inline constexpr int64_t kMaxIconPixels = int64_t(4096) * 4096;

class EBitmapError : public EEventManagerError {
 public:
  EBitmapError(std::string file, std::string reason);
  std::string File;
  std::string Reason;
};

// Reads and decodes `path`; the bottom-left pixel's colour becomes the
// transparent colour. Raises EBitmapError "<path>: <reason>".
TBitmap DecodeBitmapFile(const std::string& path);
