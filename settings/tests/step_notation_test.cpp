#include <gtest/gtest.h>

#include <random>

#include "settings/step_notation.h"

namespace vorlane::settings {
namespace {

TEST(StepNotation, WritesEachKindOfByteAsTheStepListNamesIt) {
  const struct {
    MacroStep step;
    const char* text;
  } cases[] = {
      {{0, 0, 0, 0, 0, 0, 0, 0}, "None 0s"},
      {{2, 1, 0, 0, 0, 0, 0, 11}, "LShi 0.1s H"},
      {{253, 0, 0, 0, 0, 0, 0, 0}, "FD-Stop 0s"},
      {{16, 10, 0, 0, 0, 0, 4, 5}, "RAlt+RCtr+RShi 1s A B"},
      // Unknown codes, delays beyond the list, the "-" key, empty slots after the first key.
      {{0x11, 255, 0, 0, 0xD7, 0, 45, 4}, "0x11 25.5s 0xD7 Null - A"},
      {{0xFF, 31, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "0xFF 3.1s 0xFF 0xFF 0xFF 0xFF 0xFF 0xFF"},
      {{17, 25, 1, 0, 0, 0, 0, 0}, "0x11 2.5s 0x01 Null Null Null Null Null"},
      {{0, 0, 45, 45, 45, 45, 45, 45}, "None 0s - - - - - -"},
      {{0, 0, 0, 0, 0, 0, 0, 49}, "None 0s \\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatStep(c.step), c.text);
    const ParsedStep parsed = ParseStep(c.text);
    EXPECT_FALSE(parsed.error.has_value()) << c.text;
    EXPECT_EQ(parsed.step, c.step) << c.text;
  }
}

TEST(StepNotation, ReadsTheFormsPeopleWriteToo) {
  const struct {
    const char* text;
    MacroStep step;
  } cases[] = {
      {"  None\t1.0s   A  ", {0, 10, 0, 0, 0, 0, 0, 4}},
      {"0x0 0s", {0, 0, 0, 0, 0, 0, 0, 0}},
      {"0xfd 00.5s 0xd7", {253, 5, 0, 0, 0, 0, 0, 0xD7}},
      {"None 0s Null Null A", {0, 0, 0, 0, 0, 0, 0, 4}},  // leading empty slots are implied
      {"LCtr 3s Null", {1, 30, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    const ParsedStep parsed = ParseStep(c.text);
    EXPECT_FALSE(parsed.error.has_value()) << c.text;
    EXPECT_EQ(parsed.step, c.step) << c.text;
  }
}

// Every byte in every position, then random steps: one text each, read back to the same bytes.
TEST(StepNotation, EveryStepRoundTrips) {
  for (std::size_t position = 0; position < MacroStepSize; ++position) {
    for (int value = 0; value < 256; ++value) {
      MacroStep step{};
      step[position] = static_cast<std::uint8_t>(value);
      const std::string text = FormatStep(step);
      ASSERT_EQ(ParseStep(text).step, step) << text;
    }
  }
  std::mt19937 random(20240607);
  for (int i = 0; i < 20000; ++i) {
    MacroStep step{};
    for (auto& b : step) b = static_cast<std::uint8_t>(random() % 4 == 0 ? 0 : random());
    const std::string text = FormatStep(step);
    ASSERT_EQ(ParseStep(text).step, step) << text;
  }
}

TEST(StepNotation, NamesWhatIsWrongAndWhere) {
  const struct {
    const char* text;
    std::size_t offset;
    const char* message;
  } cases[] = {
      {"", 0, "empty step: write at least a modifier and a delay, like \"None 0s\""},
      {"Lshi 0s", 0, "unknown modifier \"Lshi\"; did you mean \"LShi\"?"},
      {"Shi 0s", 0, "unknown modifier \"Shi\"; did you mean \"LShi\" or \"RShi\"?"},
      {"None", 4,
       "the delay is missing: seconds with at most one decimal and an \"s\", 0s to 25.5s, like "
       "\"0.1s\""},
      {"None 0.15s A", 5,
       "\"0.15s\" is no delay: seconds with at most one decimal and an \"s\", 0s to 25.5s, like "
       "\"0.1s\""},
      {"None 25.6s", 5,
       "\"25.6s\" is no delay: seconds with at most one decimal and an \"s\", 0s to 25.5s, like "
       "\"0.1s\""},
      {"None 1 A", 5,
       "\"1\" is no delay: seconds with at most one decimal and an \"s\", 0s to 25.5s, like "
       "\"0.1s\""},
      {"None 0s A B C D E F G", 20, "more than six keys: a step holds the last six"},
      {"None 0s A Entr", 10, "unknown key \"Entr\"; did you mean \"Ent\"?"},
      {"None 0s a", 8, "unknown key \"a\"; did you mean \"A\"?"},
      {"0x100 0s", 0, "\"0x100\" is no byte: write 0x and one or two hex digits"},
      {"None 0s 0xG", 8, "\"0xG\" is no byte: write 0x and one or two hex digits"},
  };
  for (const auto& c : cases) {
    const ParsedStep parsed = ParseStep(c.text);
    ASSERT_TRUE(parsed.error.has_value()) << c.text;
    EXPECT_EQ(parsed.error->offset, c.offset) << c.text;
    EXPECT_EQ(parsed.error->message, c.message) << c.text;
  }
}

// Pasted lines: as in a settings file's array or bare; the error's line and column in characters.
TEST(StepNotation, ReadsLinesAsASettingsFileHoldsThem) {
  const struct {
    const char* text;
    std::size_t steps;  // read before the error, or in all
    int line, column;   // 0: no error
  } cases[] = {
      {"\xEF\xBB\xBF\"LShi 0.1s H\",\r\n  None 0s , # a comment\n\n# only a comment\nLCtr 1s", 3, 0,
       0},
      {"  \"None 0s\"  # kept\n\"None 0s", 1, 2, 9},
      {"None 0s\n\"None 0s\" x", 1, 2, 11},
      {"\"\u00e9 None 0s\"", 0, 1, 2},
      {"# \u00e9\u00e9\nNone 0s \u00e9", 0, 2, 9},
      {"None 0s\n,", 1, 2, 1},
  };
  for (const auto& c : cases) {
    const ParsedStepLines parsed = ParseStepLines(c.text);
    EXPECT_EQ(parsed.steps.size(), c.steps) << c.text;
    EXPECT_EQ(parsed.error.has_value(), c.line > 0) << c.text;
    EXPECT_EQ(std::pair(parsed.line, parsed.column), std::pair(c.line, c.column)) << c.text;
  }
  EXPECT_EQ(FormatStepLines(ParseStepLines("LShi 0.1s H\nNone 0s").steps),
            "LShi 0.1s H\nNone 0s\n");
}

}  // namespace
}  // namespace vorlane::settings
