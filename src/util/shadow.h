#pragma once

#include <array>
#include <optional>

namespace cz {

// A rectangle in screen or bitmap pixels.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  bool operator==(const PixelRect&) const = default;
};

// One ring of a drop shadow: a one-pixel outline drawn in the shadow colour with `alpha`. The
// outline runs along the pixels from (left, top) to (left + width, top + height) inclusive, so
// it covers width + 1 by height + 1 pixels.
struct ShadowRing {
  PixelRect outline;
  int alpha = 0;

  bool operator==(const ShadowRing&) const = default;
};

inline constexpr int kShadowMargin = 5;
inline constexpr int kShadowRingCount = 5;

// Where a window's shadow goes and what it draws.
struct ShadowGeometry {
  // The shadow window on the screen: the window grown by 5 pixels on every side.
  PixelRect frame;
  // In the shadow bitmap's own coordinates, from the outside in: the faintest ring (alpha 5) on
  // the bitmap's edge, the darkest (alpha 65) just outside the window's edge.
  std::array<ShadowRing, kShadowRingCount> rings;
};

// The shadow of a window at `window` on the screen; nothing when the window has no area (zero or
// negative width or height), in which case the shadow is left as it was.
std::optional<ShadowGeometry> shadowGeometry(const PixelRect& window);

}  // namespace cz
