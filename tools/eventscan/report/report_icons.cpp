#include "report/report_icons.h"

#include <cstdint>
#include <vector>

#include <stb/stb_image_write.h>

namespace eventscan {

std::string Base64(std::string_view bytes) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t v = static_cast<uint8_t>(bytes[i]) << 16 | static_cast<uint8_t>(bytes[i + 1]) << 8 |
                 static_cast<uint8_t>(bytes[i + 2]);
    out += alphabet[v >> 18];
    out += alphabet[(v >> 12) & 63];
    out += alphabet[(v >> 6) & 63];
    out += alphabet[v & 63];
  }
  if (size_t rest = bytes.size() - i; rest > 0) {
    uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    out += alphabet[v >> 18];
    out += alphabet[(v >> 12) & 63];
    out += rest == 2 ? alphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string PngDataUri(const TBitmap& bitmap) {
  const size_t pixels = static_cast<size_t>(bitmap.Width) * static_cast<size_t>(bitmap.Height);
  if (bitmap.Width <= 0 || bitmap.Height <= 0 || bitmap.Pixels.size() < pixels) return {};
  std::vector<uint8_t> rgba(pixels * 4);
  const uint32_t transparent = bitmap.TransparentColor & 0xFFFFFF;
  for (size_t i = 0; i < pixels; ++i) {
    uint32_t p = bitmap.Pixels[i];
    rgba[i * 4] = static_cast<uint8_t>(p >> 16);
    rgba[i * 4 + 1] = static_cast<uint8_t>(p >> 8);
    rgba[i * 4 + 2] = static_cast<uint8_t>(p);
    rgba[i * 4 + 3] = (p & 0xFFFFFF) == transparent ? 0 : static_cast<uint8_t>(p >> 24);
  }
  std::string png;
  auto append = [](void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
  };
  if (!stbi_write_png_to_func(append, &png, bitmap.Width, bitmap.Height, 4, rgba.data(), bitmap.Width * 4))
    return {};
  return "data:image/png;base64," + Base64(png);
}

}  // namespace eventscan
