#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "image/button_rules.h"
#include "image/macro_slots.h"
#include "settings/names.h"
#include "settings/settings_file.h"
#include "settings/step_notation.h"
#include "settings/testing/sample_images.h"

namespace vorlane::settings {
namespace {

using testing::RandomSettingsImage;

Settings Parsed(const std::string& text) {
  const ParsedSettings parsed = ParseSettings(text, "test.toml");
  EXPECT_TRUE(parsed.ok()) << (parsed.ok() ? "" : parsed.errors.front().Text());
  return parsed.settings;
}

bool IsSettingsByte(std::size_t offset) {
  return std::find(ButtonOffsets.begin(), ButtonOffsets.end(), offset) != ButtonOffsets.end() ||
         (offset >= MacroAreaStart && offset < kMinImageSize);
}

// Export then import onto the same image changes no byte; onto another image it gives exactly the
// keys and macros of the first, and leaves every other byte of the second.
TEST(SettingsFile, RandomImagesRoundTrip) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    const ImageBytes source = RandomSettingsImage(seed);
    const std::string text = ExportSettings(source);
    const Settings settings = Parsed(text);
    ASSERT_EQ(ApplySettings(source, settings), source) << "seed " << seed << "\n" << text;

    const ImageBytes target = RandomSettingsImage(seed + 1000);
    const ImageBytes result = ApplySettings(target, settings);
    ASSERT_EQ(result.size(), target.size());
    const ButtonBytes sourceKeys = ReadButtonBytes(source);
    const ButtonBytes targetKeys = ReadButtonBytes(target);
    const ButtonBytes resultKeys = ReadButtonBytes(result);
    for (std::size_t n = 0; n < resultKeys.size(); ++n) {
      // A byte that names no function is not exported, so the target keeps its own.
      const bool named = FunctionName(sourceKeys[n]).has_value();
      EXPECT_EQ(resultKeys[n], named ? sourceKeys[n] : targetKeys[n]) << "seed " << seed;
    }
    for (std::size_t i = 0; i < result.size(); ++i) {
      const bool macro = i >= MacroAreaStart && i < kMinImageSize;
      if (macro) {
        ASSERT_EQ(result[i], source[i]) << "seed " << seed << " offset " << i;
      } else if (!IsSettingsByte(i)) {
        ASSERT_EQ(result[i], target[i]) << "seed " << seed << " offset " << i;
      }
    }
  }
}

// The documented example is what export writes for the sample image, and reads back to it.
TEST(SettingsFile, TheDocumentedExampleIsTheSampleImagesExport) {
  const std::string example =
      testing::DocumentedExample(testing::ReadTextFile(VORLANE_SETTINGS_FORMAT_DOC));
  ASSERT_FALSE(example.empty()) << "no ```toml block in " << VORLANE_SETTINGS_FORMAT_DOC;
  const ImageBytes sample = testing::SampleImage();
  EXPECT_EQ(ExportSettings(sample), example);
  ImageBytes zeroed = sample;
  for (int p = 0; p < kProgCount; ++p) PutStep(zeroed, p, 0, {1, 2, 3, 4, 5, 6, 7, 8});
  WriteButtonBytes(zeroed, {5, 6, 7, 8, 0, 10, 11, 12});
  EXPECT_EQ(ApplySettings(zeroed, Parsed(example)), sample);
}

// The names the documentation lists are the names the file takes.
TEST(SettingsFile, TheDocumentedFunctionNamesAreTheCatalogue) {
  const std::string doc = testing::ReadTextFile(VORLANE_SETTINGS_FORMAT_DOC);
  const std::size_t heading = doc.find("### Function names");
  ASSERT_NE(heading, std::string::npos);
  const std::size_t start = doc.find("```text\n", heading) + 8;
  std::string expected;
  for (std::string_view name : FunctionNames()) expected += std::string(name) + "\n";
  EXPECT_EQ(doc.substr(start, expected.size() + 3), expected + "```");
  const std::size_t caps = doc.rfind("```text\n", doc.find("Esc F1 F2"));
  std::istringstream words(doc.substr(caps + 8, doc.find("```", caps + 8) - caps - 8));
  std::vector<std::string> documented{std::istream_iterator<std::string>(words), {}};
  std::sort(documented.begin(), documented.end());
  std::vector<std::string> names(KeyCapNames().begin(), KeyCapNames().end());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(documented, names);
}

TEST(SettingsFile, WhatTheFileLeavesOutStays) {
  const ImageBytes image = RandomSettingsImage(7);
  const ButtonBytes keys = ReadButtonBytes(image);
  const Settings settings = Parsed("[keys]\nM3 = \"Vol Up\"\n[macros]\nProg2 = ['LShi 1s A']\n");
  const ImageBytes result = ApplySettings(image, settings);
  ButtonBytes expectedKeys = keys;
  expectedKeys[2] = 238;
  EXPECT_EQ(ReadButtonBytes(result), expectedKeys);
  EXPECT_EQ(GetStep(result, 1, 0), (MacroStep{2, 10, 0, 0, 0, 0, 0, 4}));
  for (int s = 1; s < StepsPerProg; ++s) EXPECT_EQ(GetStep(result, 1, s), MacroStep{});
  for (int p : {0, 2, 3, 4, 5, 6, 7}) {
    for (int s = 0; s < StepsPerProg; ++s) ASSERT_EQ(GetStep(result, p, s), GetStep(image, p, s));
  }
  EXPECT_EQ(ApplySettings(image, Parsed("")), image);
  EXPECT_EQ(ApplySettings(image, Parsed("[keys]\n[macros]\n")), image);
}

TEST(SettingsFile, EachErrorSaysWhereAndWhat) {
  const std::string hundred = [] {
    std::string steps;
    for (int i = 0; i < StepsPerProg; ++i) steps += "'None 0s',";
    return steps;
  }();
  const struct {
    std::string text;
    const char* error;
  } cases[] = {
      {"[keys]\nM1 = \"a A\"\nM2 = \n",
       "f.toml:3:6: Error while parsing key-value pair: "
       "expected value, saw '\\n'"},
      {"a = \"\xff\"\n", "f.toml:1:5: Encountered invalid utf-8 sequence"},
      {"[keys]\nM1 = \"a A\"\nM1 = \"b B\"\n",
       "f.toml:3:6: Error while parsing key-value pair: cannot redefine existing string 'M1'"},
      {"[buttons]\n",
       "f.toml:1:2: unknown table \"buttons\": a settings file holds [keys] and [macros]"},
      {"[macro]\n",
       "f.toml:1:2: unknown table \"macro\": a settings file holds [keys] and [macros]; did you "
       "mean \"macros\"?"},
      {"keys = 1\n", "f.toml:1:8: \"keys\" must be a table, like [keys]"},
      {"[keys]\nm1 = \"a A\"\n",
       "f.toml:2:1: unknown key \"m1\" in [keys], which holds M1 to M8; did you mean \"M1\"?"},
      {"[keys]\nM1 = 4\n", "f.toml:2:6: M1 must be a function name in quotes, like M1 = \"a A\""},
      {"[keys]\n  M4 = \"Vol up\"\n",
       "f.toml:2:8: unknown function \"Vol up\" for M4; did you mean \"Vol Up\"?"},
      {"[macros]\nProg 1 = []\n",
       "f.toml:2:6: Error while parsing key-value pair: expected '=', saw '1'"},
      {"[macros]\nprog1 = []\n",
       "f.toml:2:1: unknown macro \"prog1\" in [macros], which holds Prog1 to Prog8; did you mean "
       "\"Prog1\"?"},
      {"[macros]\nProg1 = \"None 0s\"\n",
       "f.toml:2:9: Prog1 must be a list of steps, like Prog1 = [\"None 0.1s A\"]"},
      {"[macros]\nProg1 = [\"None 0s\", 5]\n",
       "f.toml:2:21: Prog1 step 2 must be a step in quotes, like \"None 0.1s A\""},
      {"[macros]\nProg8 = [" + hundred + "'None 0s']\n",
       "f.toml:2:1010: Prog8 has more than 100 steps"},
      // The column points into the string, past escapes and characters of several bytes.
      {"[macros]\nProg2 = [\n  \"LShi 0.1s \\\\ Entr\",\n]\n",
       "f.toml:3:17: Prog2 step 1: unknown key \"Entr\"; did you mean \"Ent\"?"},
      {"[macros]\nProg2 = [\"None \\u00e9s\"]\n",
       "f.toml:2:16: Prog2 step 1: \"és\" is no delay: seconds with at most one decimal and an "
       "\"s\", 0s to 25.5s, like \"0.1s\""},
      // Only comments may hold more than ASCII; the rest is all names and steps.
      {"[macros]  # é\nProg2 = ['None 0s', 'None 0s A é']\n",
       "f.toml:2:32: unexpected character \"é\" (U+00E9): outside comments a settings file "
       "holds only ASCII"},
      {"# \xc2\xa7\ns = \"\"\"\\\n\xc2\xa7\"\"\"\n",
       "f.toml:3:1: unexpected character \"\xc2\xa7\" (U+00A7): outside comments a settings "
       "file holds only ASCII"},
      {"[keys] # '\nb = \"#\" \xcc\xaa\n",
       "f.toml:2:9: unexpected character \"\xcc\xaa\" (U+032A): outside comments a settings "
       "file holds only ASCII"},
      // A byte-order mark is skipped; an error at the end of the file points at its last character.
      {"\xEF\xBB\xBF[keys]\nM1 = 'a a'\n",
       "f.toml:2:6: unknown function \"a a\" for M1; did you mean \"a A\"?"},
      {"[macros]\nProg1 = ['None 0s'",
       "f.toml:2:18: Error while parsing array: encountered end-of-file"},
      {"[macros]\nProg1 = [\n  'None 0s',\n",
       "f.toml:3:13: Error while parsing array: encountered end-of-file"},
      // The natural spellings, and a key above its table.
      {"[keys]\nM1 = '1'\n",
       "f.toml:2:6: unknown function \"1\" for M1; did you mean \"1 !\" or \"Numpad 1\"?"},
      {"[keys]\nM2 = 'PgUp'\n",
       "f.toml:2:6: unknown function \"PgUp\" for M2; did you mean \"Page Up\"?"},
      {"M1 = \"b B\"\n", "f.toml:1:1: M1 belongs in [keys]: write [keys] on a line before it"},
      // What a terminal would show as a valid name is escaped.
      {"[keys]\nM1 = \"b\\u00A0B\"\n", "f.toml:2:6: unknown function \"b\\u00A0B\" for M1"},
  };
  for (const auto& c : cases) {
    const ParsedSettings parsed = ParseSettings(c.text, "f.toml");
    ASSERT_EQ(parsed.errors.size(), 1u) << c.text;
    EXPECT_EQ(parsed.errors.front().Text(), c.error) << c.text;
  }
}

// Up to the first error that stops the reading (TOML syntax, a character beyond ASCII), which
// comes last; every step of a macro, beyond the 100th too.
TEST(SettingsFile, EveryErrorIsReportedInFileOrder) {
  std::string steps;
  for (int i = 1; i <= StepsPerProg + 1; ++i)
    steps += i == 50 || i > StepsPerProg ? "'x'," : "'None 0s',";
  const struct {
    std::string text;
    std::vector<std::string> places;
  } cases[] = {
      {"[macros]\nProg2 = ['Nne 0s']\nProg1 = ['None 0s Q', 'None 0s Z9']\n[keys]\nM9 = 'Mute'\n",
       {"2:11", "3:32", "5:1"}},
      {"[keys]\nM1 = \"a a\"\n\n\n[macros]\nProg1 = [\"None 0s\" \"x\"]\n", {"2:6", "6:20"}},
      {"[macros]\nProg1 = [\n  'Nne 0s',\n  'None 0s' 'x',\n]\n", {"3:4", "4:13"}},
      {"[macros]\nProg1 = ['Nne 0s', 'None 0s A \xC3\xA9']\n[keys]\nM1 = 'x'\n", {"2:31"}},
      {"[keys]\nM1 = 'x'\n[macros]\nProg1 = ['None 0s A \xC3\xA9']\n", {"2:6", "4:21"}},
      {"[macros]\nProg3 = [" + steps + "]\n", {"2:501", "2:1004", "2:1005"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> places;
    for (const FileError& e : ParseSettings(c.text, "f.toml").errors) {
      places.push_back(std::to_string(e.line) + ":" + std::to_string(e.column));
    }
    EXPECT_EQ(places, c.places) << c.text;
  }
  const FileError named{"a\nb.toml", 2, 6, "x"};
  EXPECT_EQ(named.Text(), "\"a\\nb.toml\":2:6: x");  // a newline in a name splits no line
}

}  // namespace
}  // namespace vorlane::settings
