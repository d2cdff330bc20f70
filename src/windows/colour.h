// Stored colours and Qt colours. Records keep a colour as a 32-bit integer
// with red in the lowest byte (0x00BBGGRR: 255 is red, 16711680 blue); the
// windows convert here and nowhere else. Also the colour button's palette.
#pragma once

#include <array>
#include <cstdint>

#include <QColor>

QColor ColorFromStored(int32_t stored);
// The alpha channel is dropped: stored colours are opaque.
int32_t StoredFromColor(const QColor& color);

// The colour button's palette, 4 columns by 5 rows, row by row.
inline constexpr int kPaletteColumns = 4;
inline constexpr int kPaletteRows = 5;
inline constexpr std::array<int32_t, kPaletteColumns * kPaletteRows> kPalette = {
    16777215, 255,      65280,    16711680, 12572607, 0,       127,     32512,   8323072,  15712159,
    12566463, 65535,    16776960, 16711935, 15726591, 8355711, 32639,   8355584, 8323199,  10461087};
// Custom colour slots (8 by 2), all white until the user picks one.
inline constexpr int kCustomSlots = 16;
inline constexpr int32_t kCustomSlotDefault = 16777215;
