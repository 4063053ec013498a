#include "util/shadow.h"

namespace cz {

std::optional<ShadowGeometry> shadowGeometry(const PixelRect& window) {
  if (window.width <= 0 || window.height <= 0) return std::nullopt;
  ShadowGeometry shadow;
  const int w = window.width + 2 * kShadowMargin;
  const int h = window.height + 2 * kShadowMargin;
  shadow.frame = {window.left - kShadowMargin, window.top - kShadowMargin, w, h};
  for (int i = 1; i <= kShadowRingCount; ++i) {
    shadow.rings[static_cast<size_t>(i - 1)] = {{i - 1, i - 1, w - 2 * i + 1, h - 2 * i + 1},
                                                5 + 15 * (i - 1)};
  }
  return shadow;
}

}  // namespace cz
