#include "properties/bmp_decode.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <fmt/format.h>
#include <stb/stb_image.h>

#include "support/file_io.h"

namespace {

constexpr uint32_t kRle8 = 1, kRle4 = 2, kBitFields = 3;
constexpr size_t kFileHeader = 14;
constexpr size_t kLargestInfo = 124;

struct BmpHeader {
  uint32_t dataOffset = 0;
  uint32_t infoSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // negative: rows stored from the top
  uint16_t planes = 0;
  uint16_t bitsPerPixel = 0;
  uint32_t compression = 0;
  uint32_t coloursUsed = 0;
  uint32_t paletteEntrySize = 4;  // 3 with the OS/2 header
};

uint32_t le32(const std::string& b, size_t at) {
  auto u = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(b[at + i])); };
  return u(0) | u(1) << 8 | u(2) << 16 | u(3) << 24;
}

uint16_t le16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

BmpHeader parseHeader(const std::string& path, const std::string& b) {
  if (b.size() < kFileHeader + 12)
    throw EBitmapError(path, fmt::format("not a bitmap: {} bytes is shorter than a BMP header", b.size()));
  if (b[0] != 'B' || b[1] != 'M') throw EBitmapError(path, "not a bitmap: no BM signature");
  BmpHeader h;
  h.dataOffset = le32(b, 10);
  h.infoSize = le32(b, 14);
  if (h.infoSize != 12 && h.infoSize != 40 && h.infoSize != 56 && h.infoSize != 108 && h.infoSize != 124)
    throw EBitmapError(path, fmt::format("unsupported BMP header size {}", h.infoSize));
  if (kFileHeader + h.infoSize > b.size()) throw EBitmapError(path, "truncated BMP header");
  if (h.infoSize == 12) {
    h.width = le16(b, 18);
    h.height = le16(b, 20);
    h.planes = le16(b, 22);
    h.bitsPerPixel = le16(b, 24);
    h.paletteEntrySize = 3;
    return h;
  }
  h.width = static_cast<int32_t>(le32(b, 18));
  h.height = static_cast<int32_t>(le32(b, 22));
  h.planes = le16(b, 26);
  h.bitsPerPixel = le16(b, 28);
  h.compression = le32(b, 30);
  h.coloursUsed = le32(b, 46);
  return h;
}

// Checks the header against the file size; returns how many bytes of the
// file the decoder needs.
uint64_t checkHeader(const std::string& path, const BmpHeader& h, uint64_t fileSize) {
  int64_t rows = h.height < 0 ? -h.height : h.height;
  if (h.width <= 0 || rows == 0 || h.width > 65535 || rows > 65535 || h.width * rows > kMaxIconPixels)
    throw EBitmapError(path, fmt::format("bad BMP size {}x{} (at most {} pixels)", h.width, h.height, kMaxIconPixels));
  if (h.planes != 1) throw EBitmapError(path, fmt::format("bad BMP plane count {}", h.planes));
  uint16_t bpp = h.bitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    throw EBitmapError(path, fmt::format("unsupported BMP depth of {} bits per pixel", bpp));
  bool bitFields = h.compression == kBitFields && (bpp == 16 || bpp == 32);
  bool rle = (h.compression == kRle8 && bpp == 8) || (h.compression == kRle4 && bpp == 4);
  if (h.compression != 0 && !bitFields && !rle)
    throw EBitmapError(path, fmt::format("unsupported BMP compression {} at {} bits per pixel", h.compression, bpp));
  if (rle && h.height < 0) throw EBitmapError(path, "a run-length encoded BMP cannot be stored from the top");
  if (bpp <= 8) {
    uint32_t colours = h.coloursUsed ? h.coloursUsed : (1u << bpp);
    if (colours > (1u << bpp)) throw EBitmapError(path, fmt::format("bad BMP palette of {} colours", colours));
    uint64_t paletteEnd = kFileHeader + static_cast<uint64_t>(h.infoSize) + uint64_t(h.paletteEntrySize) * colours;
    if (h.infoSize == 12) paletteEnd = kFileHeader + 12 + 3;  // OS/2 palettes fill the gap before the pixels
    if (paletteEnd > fileSize || paletteEnd > h.dataOffset) throw EBitmapError(path, "truncated BMP palette");
  }
  if (h.dataOffset < kFileHeader + h.infoSize || h.dataOffset >= fileSize)
    throw EBitmapError(path, fmt::format("bad BMP pixel data offset {} in a file of {} bytes", h.dataOffset, fileSize));
  if (rle) {
    // Runs of two bytes per pixel at worst, plus an end-of-line pair per row.
    uint64_t most = uint64_t(h.width) * uint64_t(rows) * 2 + uint64_t(rows) * 2 + 2;
    return std::min<uint64_t>(fileSize, h.dataOffset + most);
  }
  uint64_t stride = ((static_cast<uint64_t>(h.width) * bpp + 31) / 32) * 4;
  uint64_t dataEnd = static_cast<uint64_t>(h.dataOffset) + stride * static_cast<uint64_t>(rows);
  if (dataEnd > fileSize)
    throw EBitmapError(path, fmt::format("truncated BMP: pixel data needs {} bytes, the file has {}", dataEnd, fileSize));
  return dataEnd;
}

uint32_t argb(const unsigned char* rgba) {
  return (static_cast<uint32_t>(rgba[3]) << 24) | (rgba[0] << 16) | (rgba[1] << 8) | rgba[2];
}

// Run-length encoded pixels (BI_RLE8, BI_RLE4): pairs of a count and a
// palette index, or an escape (0: end of line, 1: end of bitmap, 2: a move
// right and up, else that many literal indexes padded to 16 bits). Rows go
// from the bottom; pixels outside the image are dropped, pixels never written
// take palette entry 0. Data that ends early ends the bitmap.
std::vector<uint32_t> decodeRle(const std::string& b, const BmpHeader& h) {
  const bool four = h.compression == kRle4;
  const uint32_t colours = h.coloursUsed ? h.coloursUsed : (1u << h.bitsPerPixel);
  std::vector<uint32_t> palette(256, 0xFF000000u);
  size_t at = kFileHeader + h.infoSize;
  for (uint32_t i = 0; i < colours; ++i, at += h.paletteEntrySize)
    palette[i] = 0xFF000000u | static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
                 static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
                 static_cast<unsigned char>(b[at]);
  const int64_t width = h.width, height = h.height;
  std::vector<uint32_t> pixels(static_cast<size_t>(width * height), palette[0]);
  auto put = [&](int64_t x, int64_t y, unsigned index) {
    if (x >= 0 && x < width && y >= 0 && y < height)
      pixels[static_cast<size_t>((height - 1 - y) * width + x)] = palette[index & 0xFF];
  };
  size_t p = h.dataOffset;
  int64_t x = 0, y = 0;
  auto byte = [&]() { return static_cast<unsigned>(static_cast<unsigned char>(b[p++])); };
  while (p + 1 < b.size() && y < height) {
    unsigned count = byte(), value = byte();
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i, ++x)
        put(x, y, four ? (i % 2 ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (p + 1 >= b.size()) break;
      x += byte();
      y += byte();
    } else {
      size_t bytes = four ? (value + 1) / 2 : value;
      if (p + bytes > b.size()) break;
      for (unsigned i = 0; i < value; ++i, ++x) {
        unsigned packed = static_cast<unsigned char>(b[p + (four ? i / 2 : i)]);
        put(x, y, four ? (i % 2 ? packed & 0x0F : packed >> 4) : packed);
      }
      p += bytes + (bytes & 1);
    }
  }
  return pixels;
}

// The same image with a 40-byte header and 4-byte palette entries in place
// of the 12-byte OS/2 header and its 3-byte entries, for stb_image.
std::string widenOs2Header(const std::string& b, const BmpHeader& h) {
  uint32_t colours = 0;
  if (h.bitsPerPixel <= 8)
    colours = std::min<uint32_t>((h.dataOffset - kFileHeader - 12) / 3, 1u << h.bitsPerPixel);
  std::string out = b.substr(0, kFileHeader);
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
  };
  auto put16 = [&](uint16_t v) { out += static_cast<char>(v & 0xFF), out += static_cast<char>(v >> 8); };
  put32(40);
  put32(static_cast<uint32_t>(h.width));
  put32(static_cast<uint32_t>(h.height));
  put16(1);
  put16(h.bitsPerPixel);
  for (uint32_t v : {0u, 0u, 0u, 0u, colours, 0u}) put32(v);
  for (uint32_t i = 0; i < colours; ++i) {
    out.append(b, kFileHeader + 12 + 3 * i, 3);
    out += '\0';
  }
  const auto offset = static_cast<uint32_t>(out.size());
  out.append(b, h.dataOffset, std::string::npos);
  for (int i = 0; i < 4; ++i) out[10 + i] = static_cast<char>(offset >> (8 * i) & 0xFF);
  for (int i = 0; i < 4; ++i) out[2 + i] = static_cast<char>(out.size() >> (8 * i) & 0xFF);
  return out;
}

}  // namespace

EBitmapError::EBitmapError(std::string file, std::string reason)
    : EEventManagerError(fmt::format("{}: {}", file, reason)), File(std::move(file)), Reason(std::move(reason)) {}

TBitmap DecodeBitmapFile(const std::string& path) {
  TRegularFile file;
  switch (file.Open(path)) {
    case TFileRead::Missing: throw EBitmapError(path, "no such icon file");
    case TFileRead::Failed: throw EBitmapError(path, "cannot read the icon file: " + file.Reason());
    case TFileRead::Ok: break;
  }
  // The header first: a broken file is refused without reading its body.
  std::string bytes;
  if (!file.ReadAt(0, static_cast<size_t>(std::min<uint64_t>(file.Size(), kFileHeader + kLargestInfo)), bytes))
    throw EBitmapError(path, "cannot read the icon file: " + file.Reason());
  BmpHeader h = parseHeader(path, bytes);
  uint64_t needed = checkHeader(path, h, file.Size());
  if (!file.ReadAt(0, static_cast<size_t>(needed), bytes) || bytes.size() < needed)
    throw EBitmapError(path, "cannot read the icon file: " + (file.Reason().empty() ? "it shrank" : file.Reason()));

  TBitmap bitmap;
  bitmap.Width = static_cast<int>(h.width);
  bitmap.Height = static_cast<int>(h.height < 0 ? -h.height : h.height);
  if (h.compression == kRle8 || h.compression == kRle4) {
    bitmap.Pixels = decodeRle(bytes, h);
  } else {
    if (h.infoSize == 12) bytes = widenOs2Header(bytes, h);
    int width = 0, height = 0, channels = 0;
    unsigned char* rgba = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                static_cast<int>(bytes.size()), &width, &height, &channels, 4);
    if (!rgba) throw EBitmapError(path, fmt::format("cannot decode the bitmap: {}", stbi_failure_reason()));
    if (width != bitmap.Width || height != bitmap.Height) {
      stbi_image_free(rgba);
      throw EBitmapError(path, fmt::format("cannot decode the bitmap: {}x{} decoded as {}x{}", bitmap.Width,
                                           bitmap.Height, width, height));
    }
    bitmap.Pixels.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < bitmap.Pixels.size(); ++i) bitmap.Pixels[i] = argb(rgba + 4 * i);
    stbi_image_free(rgba);
  }
  bitmap.TransparentColor = bitmap.Pixels[static_cast<size_t>(bitmap.Height - 1) * bitmap.Width];
  bitmap.FileName = std::filesystem::path(path).filename().string();
  return bitmap;
}
