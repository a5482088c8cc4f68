#pragma once
// The desk's shared 256-colour palette and the colour matching that turns
// rendered true-colour pictures into palette indexes.
#include <array>
#include <cstdint>

namespace art {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// Index of the colour key: magenta (255, 0, 255), used only for transparency.
constexpr int kKeyIndex = 255;
// Index of pure green (0, 255, 0), the hit colour of the volume mask.
constexpr int kMaskGreenIndex = 254;
// Index of black.
constexpr int kBlackIndex = 0;

// The palette every desk bitmap carries. Built deterministically.
const std::array<Rgb, 256>& DeskPalette();

// The nearest palette entry to a colour, never the colour key (and never the
// mask green unless asked for exactly). Results are cached.
uint8_t NearestIndex(uint8_t r, uint8_t g, uint8_t b);

}  // namespace art
