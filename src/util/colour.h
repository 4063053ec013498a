#pragma once

#include <cstdint>

namespace cz {

// A colour as red + 256 × green + 65536 × blue, the form the settings file stores.
using Rgb = std::uint32_t;

// "No colour set": the control's own default is used.
inline constexpr Rgb kNoColour = 0xFFFFFFFFu;

constexpr Rgb rgb(int red, int green, int blue) {
  return static_cast<Rgb>(red & 0xFF) | (static_cast<Rgb>(green & 0xFF) << 8) |
         (static_cast<Rgb>(blue & 0xFF) << 16);
}
constexpr int redOf(Rgb c) {
  return static_cast<int>(c & 0xFF);
}
constexpr int greenOf(Rgb c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int blueOf(Rgb c) {
  return static_cast<int>((c >> 16) & 0xFF);
}

}  // namespace cz
