#include <gtest/gtest.h>

#include "image/macro_slots.h"
#include "image/module1.h"
#include "image/testing/test_images.h"

namespace vorlane {
namespace {

using testing::PatternImage;

Module1 LoadedState(std::size_t size = kMinImageSize) {
  Module1 state;
  state.ConfigImage = PatternImage(size);
  RefreshProgSteps(state);
  return state;
}

TEST(RefreshProgSteps, MirrorsEveryByteOfTheMacroArea) {
  const Module1 state = LoadedState();
  for (int p = 0; p < kProgCount; ++p) {
    for (std::size_t k = 0; k < ProgAreaSize; ++k) {
      ASSERT_EQ(state.ProgSteps[p][k], state.ConfigImage[MacroAreaStart + ProgAreaSize * p + k])
          << "Prog" << p + 1 << " byte " << k;
    }
  }
  EXPECT_EQ(state.ProgSteps[0][0], state.ConfigImage[21404]);
  EXPECT_EQ(state.ProgSteps[7][799], state.ConfigImage[27803]);
}

TEST(StoreStep, ChangesExactlyTheEightBytesOfThatStep) {
  struct Case {
    int prog, step;
    std::size_t firstByte;
  } cases[] = {{0, 0, 21404}, {7, 99, 27796}, {2, 41, 23004 + 8 * 41}, {5, 50, 25404 + 400}};
  for (const auto& c : cases) {
    Module1 state = LoadedState(kMinImageSize + 100);
    const ImageBytes original = state.ConfigImage;
    state.ProgIndex = static_cast<std::int16_t>(c.prog);
    state.ItemNum = static_cast<std::int16_t>(c.step);
    state.StepBuffer = {1, 2, 3, 4, 5, 6, 7, 8};
    const MacroStep old = StoreStep(state);
    for (std::size_t i = 0; i < original.size(); ++i) {
      if (i >= c.firstByte && i < c.firstByte + MacroStepSize) {
        EXPECT_EQ(state.ConfigImage[i], i - c.firstByte + 1);
        EXPECT_EQ(old[i - c.firstByte], original[i]);
      } else {
        ASSERT_EQ(state.ConfigImage[i], original[i]) << "offset " << i;
      }
    }
    // The mirrors follow only when refreshed; then LoadStep gives back what was stored.
    state.StepBuffer = {};
    RefreshProgSteps(state);
    LoadStep(state);
    EXPECT_EQ(state.StepBuffer, (MacroStep{1, 2, 3, 4, 5, 6, 7, 8}));
    PutStep(state.ConfigImage, c.prog, c.step, old);
    EXPECT_EQ(state.ConfigImage, original);
  }
}

TEST(LoadStep, ReadsTheMirrorsNotTheImage) {
  Module1 state = LoadedState();
  state.ProgIndex = 3;
  state.ItemNum = 12;
  state.ConfigImage[StepOffset(3, 12)] ^= 0xFF;  // a change the mirrors have not seen yet
  LoadStep(state);
  EXPECT_EQ(state.StepBuffer[0], state.ProgSteps[3][96]);
  EXPECT_NE(state.StepBuffer[0], state.ConfigImage[StepOffset(3, 12)]);
}

TEST(StepAddressing, OutOfRangeIndexesAndMissingImagesAreRefused) {
  Module1 state = LoadedState();
  for (auto [prog, step] : {std::pair{-1, 0}, {8, 0}, {0, -1}, {0, 100}}) {
    state.ProgIndex = static_cast<std::int16_t>(prog);
    state.ItemNum = static_cast<std::int16_t>(step);
    EXPECT_THROW(StoreStep(state), std::out_of_range) << prog << "/" << step;
    EXPECT_THROW(LoadStep(state), std::out_of_range) << prog << "/" << step;
  }
  Module1 empty;
  EXPECT_THROW(RefreshProgSteps(empty), std::logic_error);
  EXPECT_THROW(StoreStep(empty), std::logic_error);
}

TEST(PushKey, KeepsTheLastSixKeysOldestFirstAndLeavesModifierAndDelay) {
  MacroStep step{9, 30, 0, 0, 0, 0, 0, 0};
  PushKey(step, 4);  // A
  PushKey(step, 5);  // B
  PushKey(step, 7);  // D
  EXPECT_EQ(step, (MacroStep{9, 30, 0, 0, 0, 4, 5, 7}));
  for (std::uint8_t code = 30; code <= 36; ++code) PushKey(step, code);  // "1" .. "7"
  EXPECT_EQ(step, (MacroStep{9, 30, 31, 32, 33, 34, 35, 36}));
  PushKey(step, 0);  // Null shifts like any key
  EXPECT_EQ(step, (MacroStep{9, 30, 32, 33, 34, 35, 36, 0}));
  ClearStep(step);
  EXPECT_EQ(step, MacroStep{});
}

}  // namespace
}  // namespace vorlane
