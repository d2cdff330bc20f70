// Icon files through the BMP decoder: a file it refuses must raise the
// library's error, never read outside the data; an icon it accepts has one
// pixel for every place of its size.
#include "eventmanager/errors.h"
#include "fuzz_support.h"
#include "properties/bmp_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzInputFile("EventBitmap/Icon.bmp", data, size);
  TBitmap bitmap;
  try {
    bitmap = DecodeBitmapFile(path);
  } catch (const EEventManagerError&) {
    return 0;
  }
  if (bitmap.Width <= 0 || bitmap.Height <= 0 ||
      bitmap.Pixels.size() != static_cast<size_t>(bitmap.Width) * static_cast<size_t>(bitmap.Height))
    FuzzFail("%dx%d icon with %zu pixels", bitmap.Width, bitmap.Height, bitmap.Pixels.size());
  return 0;
}
