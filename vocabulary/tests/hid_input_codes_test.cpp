#include <gtest/gtest.h>

#include <string>

#include "vocabulary/hid_input_codes.h"
#include "vocabulary/tests/table_digest.h"

namespace vorlane {
namespace {

TEST(HidInputCodesTest, KernelCodesAndTheLowestUsageBack) {
  // The whole table, one "usage|code" line per usage, hashed once from the kernel's by hand.
  std::string rows;
  for (int usage = 0; usage < kHidUsageCount; ++usage) {
    rows += std::to_string(usage) + '|' +
            std::to_string(HidInputCodes()[static_cast<std::size_t>(usage)]) + '\n';
  }
  EXPECT_EQ(testing::Fnv1a64(rows), 0x3dc26a6aa12f0f7du);
  // usage -> input code, as linux/input-event-codes.h names them; then the code back to a usage.
  const struct {
    int usage, code, back;
  } cases[] = {
      {0x04, 30, 0x04},   // A
      {0x32, 43, 0x31},   // the non-US hash key is KEY_BACKSLASH too
      {0x9C, 111, 0x4C},  // Clear, also KEY_DELETE
      {0x64, 86, 0x64},   // the ISO key beside left Shift, KEY_102ND
      {0x65, 127, 0x65},  // App, KEY_COMPOSE
      {0xE6, 100, 0xE6},  // right Alt
      {0xE7, 126, 0xE7},  // right Win, KEY_RIGHTMETA
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
