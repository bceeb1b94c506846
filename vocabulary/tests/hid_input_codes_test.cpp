#include <gtest/gtest.h>

#include "vocabulary/hid_input_codes.h"

namespace vorlane {
namespace {

TEST(HidInputCodesTest, KernelCodesAndTheLowestUsageBack) {
  // usage -> input code, as linux/input-event-codes.h names them; then the code back to a usage.
  const struct {
    int usage, code, back;
  } cases[] = {
      {0x04, 30, 0x04},   // A
      {0x1D, 44, 0x1D},   // Z
      {0x27, 11, 0x27},   // 0
      {0x31, 43, 0x31},   // backslash
      {0x32, 43, 0x31},   // the non-US hash key is KEY_BACKSLASH too
      {0x35, 41, 0x35},   // grave
      {0x44, 87, 0x44},   // F11
      {0x4C, 111, 0x4C},  // Delete
      {0x9C, 111, 0x4C},  // Clear, also KEY_DELETE
      {0x64, 86, 0x64},   // the ISO key beside left Shift, KEY_102ND
      {0x87, 89, 0x87},   // International1, KEY_RO
      {0xE0, 29, 0xE0},   // left Control
      {0xE1, 42, 0xE1},   // left Shift
      {0xE5, 54, 0xE5},   // right Shift
      {0xE6, 100, 0xE6},  // right Alt
      {0x00, 0, 0},      {0x82, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HidInputCodes()[static_cast<std::size_t>(c.usage)], c.code) << c.usage;
    EXPECT_EQ(HidUsageOfInputCode(c.code), c.back) << c.code;
  }
  EXPECT_EQ(HidUsageOfInputCode(240), 0);  // KEY_UNKNOWN
  EXPECT_EQ(HidUsageOfInputCode(-1), 0);
  EXPECT_EQ(HidUsageOfInputCode(300), 0);
}

}  // namespace
}  // namespace vorlane
