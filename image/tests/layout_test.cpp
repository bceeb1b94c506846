#include <gtest/gtest.h>

#include <set>

#include "image/layout.h"

namespace vorlane {
namespace {

TEST(Layout, ButtonBytesComeInPairsOneApartAndLieBeforeTheMacroArea) {
  // The device's offsets for M1..M8, literally.
  const std::size_t device[kButtonCount] = {20873, 20865, 20857, 20809, 20874, 20866, 20858, 20810};
  for (int n = 0; n < kButtonCount; ++n) EXPECT_EQ(ButtonOffsets[n], device[n]) << "M" << n + 1;
  // M1/M5, M2/M6, M3/M7, M4/M8 share a pair of neighbouring bytes.
  for (int n = 0; n < 4; ++n) EXPECT_EQ(ButtonOffsets[n] + 1, ButtonOffsets[n + 4]) << "M" << n + 1;
  std::set<std::size_t> distinct(ButtonOffsets.begin(), ButtonOffsets.end());
  EXPECT_EQ(distinct.size(), ButtonOffsets.size());
  for (auto offset : ButtonOffsets) EXPECT_LT(offset, MacroAreaStart);
}

TEST(Layout, MacroBlocksStartWhereTheDeviceExpectsThem) {
  const std::size_t bases[] = {21404, 22204, 23004, 23804, 24604, 25404, 26204, 27004};
  for (int p = 0; p < kProgCount; ++p) EXPECT_EQ(StepOffset(p, 0), bases[p]) << "Prog" << p + 1;
  EXPECT_EQ(StepOffset(7, 99) + 7, 27803u);
}

}  // namespace
}  // namespace vorlane
