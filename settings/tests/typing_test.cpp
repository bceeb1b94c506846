#include <gtest/gtest.h>

#include "image/macro_slots.h"
#include "settings/assignments.h"
#include "settings/step_notation.h"
#include "settings/testing/sample_images.h"
#include "settings/typing.h"

namespace vorlane::settings {
namespace {

std::vector<std::string> StepTexts(const TypedText& typed) {
  std::vector<std::string> texts;
  for (const MacroStep& step : typed.steps) texts.push_back(FormatStep(step));
  return texts;
}

TEST(TypeText, TypesAsAUsKeyboardDoes) {
  const struct {
    const char* text;
    std::vector<std::string> steps;
  } cases[] = {
      {"Hi!", {"LShi 0.2s H", "None 0.2s I", "LShi 0.2s 1"}},
      {"a Z", {"None 0.2s A", "None 0.2s SP", "LShi 0.2s Z"}},
      {"\t\n\r\n", {"None 0.2s Tab", "None 0.2s Ent", "None 0.2s Ent"}},
      {"-_=+", {"None 0.2s -", "LShi 0.2s -", "None 0.2s =", "LShi 0.2s ="}},
      {"[{]}\\|",
       {"None 0.2s [", "LShi 0.2s [", "None 0.2s ]", "LShi 0.2s ]", "None 0.2s \\",
        "LShi 0.2s \\"}},
      {";:'\"", {"None 0.2s ;", "LShi 0.2s ;", "None 0.2s '", "LShi 0.2s '"}},
      {",<.>/?",
       {"None 0.2s ,", "LShi 0.2s ,", "None 0.2s .", "LShi 0.2s .", "None 0.2s /", "LShi 0.2s /"}},
      {"`~09@#$%^&*()",
       {"None 0.2s `", "LShi 0.2s `", "None 0.2s 0", "None 0.2s 9", "LShi 0.2s 2", "LShi 0.2s 3",
        "LShi 0.2s 4", "LShi 0.2s 5", "LShi 0.2s 6", "LShi 0.2s 7", "LShi 0.2s 8", "LShi 0.2s 9",
        "LShi 0.2s 0"}},
      {"", {}},
  };
  for (const auto& c : cases) {
    const TypedText typed = TypeText(c.text, 2);
    EXPECT_FALSE(typed.error.has_value()) << c.text;
    EXPECT_EQ(StepTexts(typed), c.steps) << c.text;
  }
}

TEST(TypeText, NamesACharacterWithNoKey) {
  const struct {
    std::string text;
    const char* error;
  } cases[] = {
      {"ab\xC3\xA9", "character 3 of the text, \"\xC3\xA9\" (U+00E9), has no key on a US keyboard"},
      {"\x07x\r",  // every such character, as with a layout; a lone carriage return is one
       "2 characters of the text have no key on a US keyboard:\n  character 1, U+0007\n"
       "  character 3, U+000D"},
      {"\xF0\x9F\x98\x80",
       "character 1 of the text, \"\xF0\x9F\x98\x80\" (U+1F600), has no key "
       "on a US keyboard"},
      {"a\xC3", "byte 2 of the text (0xC3) is not UTF-8"},
  };
  for (const auto& c : cases) {
    const TypedText typed = TypeText(c.text, 1);
    EXPECT_EQ(typed.error, c.error) << c.text;
  }
}

TEST(TypeIntoImage, WritesFromTheStartStepAndNothingElse) {
  const ImageBytes image = testing::RandomSettingsImage(3);
  const TypeResult typed = TypeIntoImage(image, {"Prog2", "ok", 99, 15});
  ASSERT_FALSE(typed.error.has_value()) << *typed.error;
  ImageBytes expected = image;
  PutStep(expected, 1, 98, {0, 15, 0, 0, 0, 0, 0, 18});
  PutStep(expected, 1, 99, {0, 15, 0, 0, 0, 0, 0, 14});
  EXPECT_EQ(typed.image, expected);

  const struct {
    TypeRequest request;
    const char* error = nullptr;
  } refusals[] = {
      {{"Prog9", "a"},
       "unknown macro \"Prog9\": write Prog1 to Prog8; did you mean \"Prog1\", "
       "\"Prog2\" or \"Prog3\"?"},
      {{"Prog1", "abc", 99}, "the text takes 3 steps, and Prog1 has 2 from step 99 on"},
  };
  for (const auto& r : refusals) {
    EXPECT_EQ(TypeIntoImage(image, r.request).error, r.error) << r.error;
  }
}

TEST(ParseAssignments, ReadsKeyEqualsFunction) {
  const ParsedAssignments ok = ParseAssignments({"M1=a A", "M8=' \"", "M5=Prog2"});
  ASSERT_FALSE(ok.error.has_value()) << *ok.error;
  EXPECT_EQ(ok.settings.keys[0], 4);
  EXPECT_EQ(ok.settings.keys[7], 52);
  EXPECT_EQ(ok.settings.keys[4], 216);
  EXPECT_FALSE(ok.settings.keys[1].has_value());

  const struct {
    std::vector<std::string> arguments;
    const char* error;
    bool malformed;
  } refusals[] = {
      {{"M1"}, "\"M1\" is not KEY=FUNCTION, like M1=\"a A\"", true},
      {{"=Mute"}, "\"=Mute\" is not KEY=FUNCTION, like M1=\"a A\"", true},
      {{"M9=Mute"},
       "unknown key \"M9\": write M1 to M8; did you mean \"M1\", \"M2\" or \"M3\"?",
       false},
      {{"M1=a a"}, "unknown function \"a a\" for M1; did you mean \"a A\"?", false},
      {{"M1="}, "unknown function \"\" for M1", false},
      {{"M1=Mute", "M1=Stop"}, "M1 is given twice", false},
  };
  for (const auto& r : refusals) {
    const ParsedAssignments parsed = ParseAssignments(r.arguments);
    EXPECT_EQ(parsed.error, r.error);
    EXPECT_EQ(parsed.malformed, r.malformed) << r.error;
  }
}

}  // namespace
}  // namespace vorlane::settings
