#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "image/button_rules.h"
#include "image/testing/fake_button_lists.h"
#include "image/testing/test_images.h"
#include "vocabulary/function_catalogue.h"

namespace vorlane {
namespace {

using testing::FakeButtonLists;
using testing::PatternImage;
using testing::SetButtonCodes;

constexpr int kPosAa = 8;        // "a A", code 4
constexpr int kPosProg1 = 0;     // code 215
constexpr int kPosWwwFav = 129;  // code 250

TEST(ClashMessage, EveryOrderedPairNamesTheChangedButtonFirst) {
  std::set<std::string> texts;
  for (int n = 1; n <= 8; ++n) {
    for (int k = 1; k <= 8; ++k) {
      if (n == k) continue;
      const std::string text = ClashMessage(n, k);
      EXPECT_EQ(text,
                "M" + std::to_string(n) + " key can't set like M" + std::to_string(k) + " key.");
      texts.insert(text);
    }
  }
  EXPECT_EQ(texts.size(), 56u);
  EXPECT_EQ(ClashMessage(3, 1), "M3 key can't set like M1 key.");
}

TEST(ApplyConflictRule, ASecondListTakingAFunctionIsClearedWithOneMessage) {
  FakeButtonLists lists;
  lists.SetSelection(1, kPosAa);
  lists.SetSelection(3, kPosAa);
  EXPECT_EQ(lists.Selection(3), kNoSelection);
  EXPECT_EQ(lists.Selection(1), kPosAa) << "the list that held the function keeps it";
  EXPECT_EQ(lists.messages, std::vector<std::string>{"M3 key can't set like M1 key."});
}

TEST(ApplyConflictRule, ReportsOnlyTheLowestNumberedHolder) {
  FakeButtonLists lists;
  lists.SetSelection(7, kPosProg1);
  lists.SetSelection(2, kPosWwwFav);
  lists.SetSelection(5, kPosAa);
  lists.SetSelection(2, kPosAa);  // M2 moves to "a A", which M5 holds
  lists.SetSelection(4, kPosProg1);
  EXPECT_EQ(lists.messages, (std::vector<std::string>{"M2 key can't set like M5 key.",
                                                      "M4 key can't set like M7 key."}));
  EXPECT_EQ(lists.Selection(2), kNoSelection) << "a refused list is left empty, not restored";
}

TEST(ApplyConflictRule, EmptyListsNeverClash) {
  FakeButtonLists lists;
  for (int n = 1; n <= 8; ++n) lists.SetSelection(n, kNoSelection);
  EXPECT_TRUE(lists.messages.empty());
}

TEST(MapImageToButtons, SelectsTheCatalogueEntryOfEachButtonByte) {
  ImageBytes image = PatternImage();
  SetButtonCodes(image, {215, 4, 250, 224, 44, 233, 30, 222});
  FakeButtonLists lists;
  MapImageToButtons(lists, image);
  const int expected[] = {0, 8, 129, 104, 80, 112, 34, 7};
  for (int n = 1; n <= 8; ++n) EXPECT_EQ(lists.Selection(n), expected[n - 1]) << "M" << n;
  EXPECT_TRUE(lists.messages.empty());
}

TEST(MapImageToButtons, ADuplicateInsideTheFileIsReportedAndLeftEmpty) {
  ImageBytes image = PatternImage();
  SetButtonCodes(image, {4, 5, 6, 4, 7, 8, 9, 10});  // M1 and M4 both "a A"
  FakeButtonLists lists;
  MapImageToButtons(lists, image);
  EXPECT_EQ(lists.Selection(1), kPosAa);
  EXPECT_EQ(lists.Selection(4), kNoSelection);
  EXPECT_EQ(lists.messages, std::vector<std::string>{"M4 key can't set like M1 key."});
  EXPECT_FALSE(AllButtonsSet(lists));
}

TEST(MapImageToButtons, BytesThatNameNoFunctionKeepTheListsEarlierChoice) {
  for (std::uint8_t unknown : {0, 1, 2, 3, 50, 100, 214, 223, 232, 255}) {
    ImageBytes first = PatternImage();
    SetButtonCodes(first, {4, 5, 6, 7, 8, 9, 10, 11});
    ImageBytes second = first;
    SetButtonCodes(second, {unknown, 12, 13, 14, 15, 16, 17, 18});
    FakeButtonLists fresh;
    MapImageToButtons(fresh, second);
    EXPECT_EQ(fresh.Selection(1), kNoSelection) << int{unknown};

    FakeButtonLists lists;
    MapImageToButtons(lists, first);
    MapImageToButtons(lists, second);
    EXPECT_EQ(lists.Selection(1), kPosAa) << int{unknown};
    EXPECT_TRUE(lists.messages.empty()) << int{unknown};
  }
}

TEST(MapImageToButtons, ASecondFileIsNotComparedWithTheFirstFilesChoices) {
  ImageBytes first = PatternImage();
  SetButtonCodes(first, {4, 5, 6, 7, 8, 9, 10, 11});
  ImageBytes second = first;
  SetButtonCodes(second, {6, 4, 5, 8, 7, 10, 9, 11});  // every function moves to another button
  FakeButtonLists lists;
  MapImageToButtons(lists, first);
  MapImageToButtons(lists, second);
  EXPECT_TRUE(lists.messages.empty());
  for (int n = 1; n <= 8; ++n) {
    EXPECT_EQ(CatalogueCode(lists.Selection(n)), second[ButtonOffsets[n - 1]]) << "M" << n;
  }
}

TEST(MapImageToButtons, AnUnmatchedByteKeepsAnEarlierChoiceThatTheNewFileGivesAnotherButton) {
  ImageBytes first = PatternImage();
  SetButtonCodes(first, {4, 5, 6, 7, 8, 9, 10, 11});
  ImageBytes second = first;
  SetButtonCodes(second, {0, 4, 12, 13, 14, 15, 16, 17});  // M1 unknown, M2 takes M1's old "a A"
  FakeButtonLists lists;
  MapImageToButtons(lists, first);
  MapImageToButtons(lists, second);
  EXPECT_EQ(lists.Selection(1), kPosAa);
  EXPECT_EQ(lists.Selection(2), kNoSelection);
  EXPECT_EQ(lists.messages, std::vector<std::string>{"M2 key can't set like M1 key."});
}

TEST(StoreButtonsInImage, ChangesExactlyTheEightButtonBytesAndReturnsTheOldOnes) {
  const ImageBytes original = PatternImage();
  ImageBytes image = original;
  FakeButtonLists lists;
  const int positions[] = {0, 8, 129, 104, 80, 112, 34, 7};
  for (int n = 1; n <= 8; ++n) lists.SetSelection(n, positions[n - 1]);
  const ButtonBytes old = StoreButtonsInImage(lists, image);
  EXPECT_EQ(old, ReadButtonBytes(original));
  for (std::size_t i = 0; i < image.size(); ++i) {
    const auto button = std::find(ButtonOffsets.begin(), ButtonOffsets.end(), i);
    if (button == ButtonOffsets.end()) {
      ASSERT_EQ(image[i], original[i]) << "offset " << i;
    } else {
      const int n = static_cast<int>(button - ButtonOffsets.begin());
      EXPECT_EQ(image[i], CatalogueCode(positions[n])) << "M" << n + 1;
    }
  }
  WriteButtonBytes(image, old);
  EXPECT_EQ(image, original);
}

TEST(AllButtonsSet, OneEmptyListIsEnoughToRefuse) {
  FakeButtonLists lists;
  for (int n = 1; n <= 8; ++n) lists.SetSelection(n, 8 + n);
  EXPECT_TRUE(AllButtonsSet(lists));
  for (int empty = 1; empty <= 8; ++empty) {
    FakeButtonLists partial;
    for (int n = 1; n <= 8; ++n) partial.SetSelection(n, n == empty ? kNoSelection : 8 + n);
    EXPECT_FALSE(AllButtonsSet(partial)) << "M" << empty;
  }
}

// Codes of a A, b B, c C, ... h H: eight distinct functions.
constexpr ButtonBytes kDistinct{4, 5, 6, 7, 8, 9, 10, 11};

ImageBytes WithKeys(const ButtonBytes& keys) {
  ImageBytes image = PatternImage();
  WriteButtonBytes(image, keys);
  return image;
}

TEST(KeyRules, RefuseAsTheEditorDoes) {
  const struct {
    const char* what = nullptr;
    ButtonBytes before{}, after{};
    std::optional<std::string> refusal;
  } cases[] = {
      {"no key changes", kDistinct, kDistinct, std::nullopt},
      {"a new function", kDistinct, {4, 237, 6, 7, 8, 9, 10, 11}, std::nullopt},
      {"two keys swap", kDistinct, {5, 4, 6, 7, 8, 9, 10, 11}, std::nullopt},
      {"M3 takes M1's function",
       kDistinct,
       {4, 5, 4, 7, 8, 9, 10, 11},
       "M3 key can't set like M1 key."},
      {"the lowest other key is named",
       kDistinct,
       {4, 5, 6, 7, 8, 9, 10, 6},
       "M8 key can't set like M3 key."},
      {"the first changed key is checked first",
       kDistinct,
       {4, 8, 6, 7, 8, 9, 10, 4},
       "M2 key can't set like M5 key."},
      // A clash the image had already is not the change's doing.
      {"an old clash stays", {4, 4, 6, 7, 8, 9, 10, 11}, {4, 4, 6, 7, 8, 9, 10, 12}, std::nullopt},
      {"a key with no function",
       {4, 5, 6, 7, 0, 9, 10, 11},
       {4, 237, 6, 7, 0, 9, 10, 11},
       "M1~M8 can't set nothing! (M5 has no function)"},
      {"no change, no check", {4, 5, 6, 7, 0, 9, 10, 11}, {4, 5, 6, 7, 0, 9, 10, 11}, std::nullopt},
      {"filling the gap", {4, 5, 6, 7, 0, 9, 10, 11}, {4, 5, 6, 7, 12, 9, 10, 11}, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeyRuleViolation(WithKeys(c.before), WithKeys(c.after)), c.refusal) << c.what;
  }
}

}  // namespace
}  // namespace vorlane
