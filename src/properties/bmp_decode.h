// Decoding of event icon files (Windows BMP at 1, 4, 8, 16, 24 or 32 bits per
// pixel, uncompressed or with bit fields). The header is checked against the
// file size before any pixel is read, so a corrupt or truncated file is an
// error naming the file, never a read past the data.
#pragma once

#include <string>

#include "eventmanager/bitmap.h"

// Reads and decodes `path`; the bottom-left pixel's colour becomes the
// transparent colour. Throws EEventManagerError "<path>: <reason>".
TBitmap DecodeBitmapFile(const std::string& path);
