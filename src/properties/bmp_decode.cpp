#include "properties/bmp_decode.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <fmt/format.h>
#include <stb/stb_image.h>

#include "eventmanager/errors.h"

namespace {

// Icons are small; anything larger is not an icon and would only cost memory.
constexpr int32_t kMaxSide = 1024;

struct BmpHeader {
  uint32_t dataOffset = 0;
  uint32_t infoSize = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 0;
  uint16_t bitsPerPixel = 0;
  uint32_t compression = 0;
  uint32_t coloursUsed = 0;
};

uint32_t le32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

uint16_t le16(const std::vector<unsigned char>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

[[noreturn]] void fail(const std::string& path, const std::string& reason) {
  throw EEventManagerError(fmt::format("{}: {}", path, reason));
}

std::vector<unsigned char> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) fail(path, "cannot open the icon file");
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) fail(path, "cannot read the icon file");
  return bytes;
}

BmpHeader parseHeader(const std::string& path, const std::vector<unsigned char>& b) {
  if (b.size() < 14 + 40) fail(path, fmt::format("not a bitmap: {} bytes is shorter than a BMP header", b.size()));
  if (b[0] != 'B' || b[1] != 'M') fail(path, "not a bitmap: no BM signature");
  BmpHeader h;
  h.dataOffset = le32(b, 10);
  h.infoSize = le32(b, 14);
  if (h.infoSize != 40 && h.infoSize != 52 && h.infoSize != 56 && h.infoSize != 108 && h.infoSize != 124)
    fail(path, fmt::format("unsupported BMP header size {}", h.infoSize));
  if (14 + static_cast<size_t>(h.infoSize) > b.size()) fail(path, "truncated BMP header");
  h.width = static_cast<int32_t>(le32(b, 18));
  h.height = static_cast<int32_t>(le32(b, 22));
  h.planes = le16(b, 26);
  h.bitsPerPixel = le16(b, 28);
  h.compression = le32(b, 30);
  h.coloursUsed = le32(b, 46);
  return h;
}

void checkHeader(const std::string& path, const BmpHeader& h, size_t fileSize) {
  int64_t rows = h.height < 0 ? -static_cast<int64_t>(h.height) : h.height;
  if (h.width <= 0 || h.width > kMaxSide || rows == 0 || rows > kMaxSide)
    fail(path, fmt::format("bad BMP size {}x{}", h.width, h.height));
  if (h.planes != 1) fail(path, fmt::format("bad BMP plane count {}", h.planes));
  uint16_t bpp = h.bitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    fail(path, fmt::format("unsupported BMP depth of {} bits per pixel", bpp));
  bool bitFields = h.compression == 3 && (bpp == 16 || bpp == 32);
  if (h.compression != 0 && !bitFields) fail(path, fmt::format("unsupported BMP compression {}", h.compression));
  if (bpp <= 8) {
    uint32_t colours = h.coloursUsed ? h.coloursUsed : (1u << bpp);
    if (colours > (1u << bpp)) fail(path, fmt::format("bad BMP palette of {} colours", colours));
    uint64_t paletteEnd = 14 + static_cast<uint64_t>(h.infoSize) + 4ull * colours;
    if (paletteEnd > fileSize || paletteEnd > h.dataOffset) fail(path, "truncated BMP palette");
  }
  uint64_t stride = ((static_cast<uint64_t>(h.width) * bpp + 31) / 32) * 4;
  uint64_t dataEnd = static_cast<uint64_t>(h.dataOffset) + stride * static_cast<uint64_t>(rows);
  if (h.dataOffset < 14 + h.infoSize || dataEnd > fileSize)
    fail(path, fmt::format("truncated BMP: pixel data needs {} bytes, the file has {}", dataEnd, fileSize));
}

uint32_t argb(const unsigned char* rgba) {
  return (static_cast<uint32_t>(rgba[3]) << 24) | (rgba[0] << 16) | (rgba[1] << 8) | rgba[2];
}

}  // namespace

TBitmap DecodeBitmapFile(const std::string& path) {
  std::vector<unsigned char> bytes = readFile(path);
  checkHeader(path, parseHeader(path, bytes), bytes.size());
  int width = 0, height = 0, channels = 0;
  unsigned char* rgba =
      stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 4);
  if (!rgba) fail(path, fmt::format("cannot decode the bitmap: {}", stbi_failure_reason()));
  TBitmap bitmap;
  bitmap.Width = width;
  bitmap.Height = height;
  bitmap.Pixels.resize(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < bitmap.Pixels.size(); ++i) bitmap.Pixels[i] = argb(rgba + 4 * i);
  stbi_image_free(rgba);
  bitmap.TransparentColor = bitmap.Pixels[static_cast<size_t>(height - 1) * width];
  bitmap.FileName = std::filesystem::path(path).filename().string();
  return bitmap;
}
