// Event icons for a self-contained page: the library's bitmap (32-bit pixels
// with its transparent colour) encoded as a PNG data URI, with the transparent
// colour made fully transparent as a host draws it.
#pragma once

#include <string>
#include <string_view>

#include "eventmanager/bitmap.h"

namespace eventscan {

std::string Base64(std::string_view bytes);
// "data:image/png;base64,..."; empty for a bitmap without pixels.
std::string PngDataUri(const TBitmap& bitmap);

}  // namespace eventscan
