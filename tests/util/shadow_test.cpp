#include "util/shadow.h"

#include <gtest/gtest.h>

namespace cz {
namespace {

TEST(Shadow, FramesTheWindowWithFiveRingsFromFaintToDark) {
  const auto shadow = shadowGeometry({50, 50, 682, 431});
  ASSERT_TRUE(shadow);
  EXPECT_EQ(shadow->frame, (PixelRect{45, 45, 692, 441}));
  const ShadowRing expected[] = {
      {{0, 0, 691, 440}, 5},  {{1, 1, 689, 438}, 20}, {{2, 2, 687, 436}, 35},
      {{3, 3, 685, 434}, 50}, {{4, 4, 683, 432}, 65},
  };
  for (int i = 0; i < kShadowRingCount; ++i) EXPECT_EQ(shadow->rings[i], expected[i]) << i;
  // The outermost ring runs along the bitmap's last pixels; the innermost just outside the
  // window, which covers bitmap pixels 5 to 686.
  EXPECT_EQ(shadow->rings[0].outline.left + shadow->rings[0].outline.width, 692 - 1);
  EXPECT_EQ(shadow->rings[4].outline.left + shadow->rings[4].outline.width, 5 + 682);
}

TEST(Shadow, AWindowWithoutAreaHasNoShadow) {
  for (const PixelRect r : {PixelRect{50, 50, 0, 431}, PixelRect{50, 50, 682, 0},
                            PixelRect{0, 0, 0, 0}, PixelRect{10, 10, -5, 20}}) {
    EXPECT_FALSE(shadowGeometry(r)) << r.width << "x" << r.height;
  }
  EXPECT_EQ(shadowGeometry({-5000, 0, 1, 1})->frame, (PixelRect{-5005, -5, 11, 11}));
}

}  // namespace
}  // namespace cz
