#include <gtest/gtest.h>

#include <chrono>

#include "text/hex.h"
#include "text/numbers.h"
#include "text/quote.h"
#include "text/suggest.h"
#include "text/utf8.h"

namespace vorlane::text {
namespace {

TEST(ParseSeconds, TakesTenthsUpToWhatAByteHolds) {
  EXPECT_EQ(ParseSeconds("0"), 0);
  EXPECT_EQ(ParseSeconds("0.1"), 1);
  EXPECT_EQ(ParseSeconds("2.5s"), 25);
  EXPECT_EQ(ParseSeconds("25.5"), 255);
  for (const char* bad : {"", "s", ".5", "1.", "1.25", "25.6", "-1", "1e1", "0x1", "1,5", "1000"}) {
    EXPECT_FALSE(ParseSeconds(bad).has_value()) << bad;
  }
  EXPECT_EQ(TenthsText(255, ","), "25,5");
  EXPECT_EQ(ParseCount("100", 100), 100);
  for (const char* bad : {"", "0", "101", "0100", "+1", "1.0"}) EXPECT_FALSE(ParseCount(bad, 100));
}

TEST(Hex, OneFormForEveryByte) {
  EXPECT_EQ(HexByte(0), "0x00");
  EXPECT_EQ(HexByte(3), "0x03");
  EXPECT_EQ(HexByte(0xD7), "0xD7");
  EXPECT_EQ(ParseHexByte("0x3"), 3);
  EXPECT_EQ(ParseHexByte("0xd7"), 0xD7);
  EXPECT_EQ(CodePointName(0x1F600), "U+1F600");
}

TEST(DidYouMean, PrefersACaseSlipThenTheFewestEdits) {
  const std::vector<std::string_view> names{"LShi", "RShi", "Ent", "NEnt", "a A", "A"};
  EXPECT_EQ(DidYouMean("lshi", names), "; did you mean \"LShi\"?");
  EXPECT_EQ(DidYouMean("Shi", names), "; did you mean \"LShi\" or \"RShi\"?");
  EXPECT_EQ(DidYouMean("Entr", names), "; did you mean \"Ent\"?");
  EXPECT_EQ(DidYouMean("Volume", names), "");
}

// The words people type for a key find its name: one half of a two-part name, an abbreviation.
TEST(DidYouMean, FindsNaturalSpellings) {
  const std::vector<std::string_view> names{"F1",       "a A",        "1 !",     ", <",
                                            "Escape",   "Delete",     "Page Up", "Page Down",
                                            "Numpad 1", "Play/Pause", "Enter",   "Left Win"};
  const Alias aliases[] = {{"Return", "Enter"}};
  const struct {
    const char* word;
    const char* names;
  } cases[] = {
      {"1", "; did you mean \"1 !\" or \"Numpad 1\"?"},
      {"!", "; did you mean \"1 !\"?"},
      {"a", "; did you mean \"a A\"?"},
      {"A", "; did you mean \"a A\"?"},
      {"<", "; did you mean \", <\"?"},
      {"Esc", "; did you mean \"Escape\"?"},
      {"Del", "; did you mean \"Delete\"?"},
      {"Dleet", "; did you mean \"Delete\"?"},  // two slips in five letters
      {"PgDn", "; did you mean \"Page Down\"?"},
      {"Num 1", "; did you mean \"Numpad 1\"?"},
      {"Play", "; did you mean \"Play/Pause\"?"},
      {"return", "; did you mean \"Enter\"?"},
      {"win", "; did you mean \"Left Win\"?"},
  };
  for (const auto& c : cases) EXPECT_EQ(DidYouMean(c.word, names, aliases), c.names) << c.word;

  // A word far longer than any name costs nothing and finds none.
  const std::string huge(1 << 20, 'x');
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(DidYouMean(huge, names), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST(Quoted, EscapesWhatATerminalWouldMisread) {
  const struct {
    std::string text;
    const char* quoted;
  } cases[] = {
      {"\\ |\"\n\x01", R"("\\ |\"\n\u0001")"},
      {"b\xC2\xA0"
       "B",
       R"("b\u00A0B")"},  // no-break space
      {"\xC2\x9B"
       "2J",
       R"("\u009B2J")"},  // C1 control sequence introducer
      {"\xE2\x80\xAE"
       "B b",
       R"("\u202EB b")"},                                // right-to-left override
      {"caf\xC3\xA9 \xEF\xBB\xBF", R"("café \uFEFF")"},  // é stays, the invisible mark not
      {"a\xFF", R"("a\xFF")"},                           // no UTF-8
      {"\xE0\x80\xAF", R"("\xE0\x80\xAF")"},             // "/" in an overlong form is no UTF-8
  };
  for (const auto& c : cases) EXPECT_EQ(Quoted(c.text), c.quoted) << c.quoted;
  EXPECT_EQ(Shown("my dir/a\\b.toml"), "my dir/a\\b.toml");
  EXPECT_EQ(Shown("a\nb.toml"), R"("a\nb.toml")");
}

}  // namespace
}  // namespace vorlane::text
