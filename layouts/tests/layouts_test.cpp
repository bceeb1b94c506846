#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <map>
#include <set>

#include "layouts/keyboard_layout.h"
#include "settings/step_notation.h"
#include "text/utf8.h"
#include "vocabulary/hid_input_codes.h"
#include "vocabulary/key_tables.h"

namespace vorlane::layouts {
namespace {

// Each layout's chart: characters a row, and under each the key that types it with the row's
// modifier, named by what that key types on a US keyboard without Shift; '<' is the ISO key
// beside left Shift. Where a character has several keys, the one chosen: keys every keyboard has
// first, then fewer modifiers, Shift before AltGr, then the lower usage.
const struct {
  const char* layout;
  const char* modifier;
  const char* typed;
  const char* keys;
} kCharts[] = {
    {"de", "None", "1234567890ßqwertzuiopü+asdfghjklöä#<yxcvbnm,.- ",
     "1234567890-qwertyuiop[]asdfghjkl;'\\<zxcvbnm,./ "},
    {"de", "LShi", "!\"§$%&/()=?QWERTZUIOPÜ*ASDFGHJKLÖÄ'>YXCVBNM;:_°",
     "1234567890-qwertyuiop[]asdfghjkl;'\\<zxcvbnm,./`"},
    {"de", "RAlt", "{[]}\\@€~|µ", "7890-qe]<m"},
    {"fr", "None", "²&é\"'(-è_çà)=azertyuiop$qsdfghjklmù*wxcvbn,;:! ",
     "`1234567890-=qwertyuiop]asdfghjkl;'\\zxcvbnm,./ "},
    {"fr", "LShi", "~1234567890°+AZERTYUIOP£QSDFGHJKLM%µWXCVBN?./§",
     "`1234567890-=qwertyuiop]asdfghjkl;'\\zxcvbnm,./"},
    {"fr", "RAlt", "#{[|`\\^]}@€", "3456789-=ae"},
    {"fr", "RAlt+RShi", "<>", "wx"},
    {"gb", "None", "`1234567890-=qwertyuiop[]asdfghjkl;'#zxcvbnm,./ ",
     "`1234567890-=qwertyuiop[]asdfghjkl;'\\zxcvbnm,./ "},
    {"gb", "LShi", "¬!\"£$%^&*()_+QWERTYUIOP{}ASDFGHJKL:@~ZXCVBNM<>?",
     "`1234567890-=qwertyuiop[]asdfghjkl;'\\zxcvbnm,./"},
    {"gb", "RAlt", "|\\€", "`-4"},
    {"ch", "None", "§1234567890'qwertzuiopüasdfghjklöä$yxcvbnm,.- ",
     "`1234567890-qwertyuiop[asdfghjkl;'\\zxcvbnm,./ "},
    {"ch", "LShi", "°+\"*ç%&/()=?QWERTZUIOPè!ASDFGHJKLéà£YXCVBNM;:_",
     "`1234567890-qwertyuiop[]asdfghjkl;'\\zxcvbnm,./"},
    {"ch", "RAlt", "|#]}[{@€\\", "1390['qe<"},
    {"ch", "RAlt+RShi", "<>", "zx"},
    {"es", "None", "º1234567890'¡qwertyuiop+asdfghjklñçzxcvbnm,.- ",
     "`1234567890-=qwertyuiop]asdfghjkl;\\zxcvbnm,./ "},
    {"es", "LShi", "ª!\"·$%&/()=?¿QWERTYUIOP*ASDFGHJKLÑÇZXCVBNM;:_",
     "`1234567890-=qwertyuiop]asdfghjkl;\\zxcvbnm,./"},
    {"es", "RAlt", "|#~{[]}\\@€", "1347890-qe"},
    {"es", "RAlt+RShi", "<>", "zx"},
    {"se", "None", "§1234567890+qwertyuiopåasdfghjklöä'zxcvbnm,.- ",
     "`1234567890-qwertyuiop[asdfghjkl;'\\zxcvbnm,./ "},
    {"se", "LShi", "½!\"#¤%&/()=?QWERTYUIOPÅASDFGHJKLÖÄ*ZXCVBNM;:_",
     "`1234567890-qwertyuiop[asdfghjkl;'\\zxcvbnm,./"},
    {"se", "RAlt", "@$\\{[]}€|", "q4-7890e<"},
    {"se", "RAlt+RShi", "<>", "zx"},
    {"pl", "None", "`1234567890-=qwertyuiop[]\\asdfghjkl;'zxcvbnm,./ ",
     "`1234567890-=qwertyuiop[]\\asdfghjkl;'zxcvbnm,./ "},
    {"pl", "LShi", "~!@#$%^&*()_+QWERTYUIOP{}|ASDFGHJKL:\"ZXCVBNM<>?",
     "`1234567890-=qwertyuiop[]\\asdfghjkl;'zxcvbnm,./"},
    {"pl", "RAlt", "ąćęłńóśźż€", "acelnosxz5"},
    {"pl", "RAlt+RShi", "ĄĆĘŁŃÓŚŹŻ", "acelnosxz"},
};

// Characters typed with a dead key and then the key it composes with, as steps.
const struct {
  const char* layout;
  const char* character;
  std::vector<std::string> steps;
} kDeadKeys[] = {
    {"de", "^", {"None 0s `", "None 0s SP"}}, {"de", "`", {"LShi 0s =", "None 0s SP"}},
    {"de", "ê", {"None 0s `", "None 0s E"}},  {"de", "é", {"None 0s =", "None 0s E"}},
    {"de", "è", {"LShi 0s =", "None 0s E"}},  {"de", "ç", {"RAlt 0s =", "None 0s C"}},
    {"fr", "ê", {"None 0s [", "None 0s E"}},  {"fr", "ë", {"LShi 0s [", "None 0s E"}},
    {"gb", "é", {"RAlt 0s ;", "None 0s E"}},  {"gb", "ê", {"RAlt 0s '", "None 0s E"}},
    {"ch", "^", {"None 0s =", "None 0s SP"}}, {"ch", "`", {"LShi 0s =", "None 0s SP"}},
    {"ch", "~", {"RAlt 0s =", "None 0s SP"}}, {"ch", "ê", {"None 0s =", "None 0s E"}},
    {"es", "^", {"LShi 0s [", "None 0s SP"}}, {"es", "`", {"None 0s [", "None 0s SP"}},
    {"es", "á", {"None 0s '", "None 0s A"}},  {"es", "ü", {"LShi 0s '", "None 0s U"}},
    {"se", "^", {"LShi 0s ]", "None 0s SP"}}, {"se", "`", {"LShi 0s =", "None 0s SP"}},
    {"se", "~", {"RAlt 0s ]", "None 0s SP"}}, {"se", "é", {"None 0s =", "None 0s E"}},
    {"pl", "é", {"RAlt 0s ;", "None 0s E"}},
};

std::uint8_t ModifierCodeOf(std::string_view label) {
  for (const ListItem& item : ModifierItems()) {
    if (item.text == label) return item.code;
  }
  ADD_FAILURE() << label;
  return 0;
}

std::vector<std::string> StepTexts(const std::vector<MacroStep>& steps) {
  std::vector<std::string> texts;
  for (const MacroStep& step : steps) texts.push_back(settings::FormatStep(step));
  return texts;
}

// The code points of `utf8`, each with its own bytes.
std::vector<std::string> Characters(std::string_view utf8) {
  std::vector<std::string> characters;
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t point = 0;
    const std::size_t length = text::DecodeUtf8(utf8.substr(at), point);
    characters.emplace_back(utf8.substr(at, length));
    at += length;
  }
  return characters;
}

std::uint8_t UsKeyUsage(char key) {
  if (key == '<') return 0x64;
  if (key == ' ') return static_cast<std::uint8_t>(KeyCapCode("SP"));
  const char cap = key >= 'a' && key <= 'z' ? static_cast<char>(key - 'a' + 'A') : key;
  return static_cast<std::uint8_t>(KeyCapCode(std::string(1, cap)));
}

// What a computer with the layout types for the steps, by libxkbcommon's own state: each step's
// modifier keys held while its key is pressed, and the keysyms through the compose table.
class Computer {
 public:
  explicit Computer(const char* layout) {
    const xkb_rule_names names{"evdev", "pc105", layout, "", ""};
    keymap_ = xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  }
  ~Computer() {
    xkb_compose_table_unref(compose_);
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
  }
  Computer(const Computer&) = delete;
  Computer& operator=(const Computer&) = delete;

  std::string Typed(const std::vector<MacroStep>& steps) const {
    xkb_state* state = xkb_state_new(keymap_);
    xkb_compose_state* compose = xkb_compose_state_new(compose_, XKB_COMPOSE_STATE_NO_FLAGS);
    std::string typed;
    for (const MacroStep& step : steps) {
      std::vector<xkb_keycode_t> held;
      const std::string modifiers = step[0] == 0 ? "" : ModifierName(step[0]) + "+";
      for (std::size_t at = 0, plus = 0; (plus = modifiers.find('+', at)) != std::string::npos;
           at = plus + 1) {
        held.push_back(Keycode(KeyCapCode(modifiers.substr(at, plus - at))));
      }
      held.push_back(Keycode(step[7]));
      for (const xkb_keycode_t key : held) xkb_state_update_key(state, key, XKB_KEY_DOWN);
      const xkb_keysym_t sym = xkb_state_key_get_one_sym(state, held.back());
      for (const xkb_keycode_t key : held) xkb_state_update_key(state, key, XKB_KEY_UP);
      std::array<char, 64> utf8{};
      xkb_compose_state_feed(compose, sym);
      if (xkb_compose_state_get_status(compose) == XKB_COMPOSE_COMPOSED) {
        xkb_compose_state_get_utf8(compose, utf8.data(), utf8.size());
        xkb_compose_state_reset(compose);
      } else if (xkb_compose_state_get_status(compose) == XKB_COMPOSE_NOTHING) {
        xkb_keysym_to_utf8(sym, utf8.data(), utf8.size());
      }
      typed += utf8.data();
    }
    xkb_compose_state_unref(compose);
    xkb_state_unref(state);
    return typed;
  }

 private:
  static xkb_keycode_t Keycode(int usage) {
    return HidInputCodes()[static_cast<std::size_t>(usage)] + xkb_keycode_t{8};
  }
  xkb_context* context_ = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
  xkb_keymap* keymap_ = nullptr;
  xkb_compose_table* compose_ =
      xkb_compose_table_new_from_locale(context_, "en_US.UTF-8", XKB_COMPOSE_COMPILE_NO_FLAGS);
};

std::vector<KeyPress> Presses(const std::vector<MacroStep>& steps) {
  std::vector<KeyPress> presses;
  for (const MacroStep& step : steps) presses.push_back({step[0], step[7]});
  return presses;
}

std::unique_ptr<KeyboardLayout> Opened(const char* name) {
  KeyboardLayout::Opened opened = KeyboardLayout::Open(name, "");
  EXPECT_TRUE(opened.layout) << *opened.error;
  return std::move(opened.layout);
}

TEST(TypeOnLayout, TypesAsTheChartsShowAndTheComputerReadsItBack) {
  std::map<std::string, std::set<std::string>> covered;
  for (const auto& row : kCharts) {
    const auto layout = Opened(row.layout);
    ASSERT_TRUE(layout);
    const Computer computer(row.layout);
    const std::vector<std::string> typed = Characters(row.typed);
    ASSERT_EQ(typed.size(), std::string_view(row.keys).size()) << row.layout << row.modifier;
    for (std::size_t i = 0; i < typed.size(); ++i) {
      const settings::TypedText steps = TypeOnLayout(*layout, typed[i], 3);
      MacroStep expected{ModifierCodeOf(row.modifier), 3, 0, 0, 0, 0, 0, UsKeyUsage(row.keys[i])};
      EXPECT_EQ(StepTexts(steps.steps), StepTexts({expected})) << row.layout << " " << typed[i];
      EXPECT_EQ(computer.Typed(steps.steps), typed[i]) << row.layout;
      EXPECT_EQ(layout->TextOf(Presses(steps.steps)), typed[i]) << row.layout;
      covered[row.layout].insert(typed[i]);
    }
  }
  for (const auto& dead : kDeadKeys) {
    const auto layout = Opened(dead.layout);
    ASSERT_TRUE(layout);
    const settings::TypedText steps = TypeOnLayout(*layout, dead.character, 0);
    EXPECT_EQ(StepTexts(steps.steps), dead.steps) << dead.layout << " " << dead.character;
    EXPECT_EQ(Computer(dead.layout).Typed(steps.steps), dead.character) << dead.layout;
    EXPECT_EQ(layout->TextOf(Presses(steps.steps)), dead.character) << dead.layout;
    covered[dead.layout].insert(dead.character);
  }
  // The tables cover every printable ASCII character on every layout.
  for (const auto& [layout, characters] : covered) {
    for (char c = ' '; c < 0x7F; ++c) {
      EXPECT_TRUE(characters.contains(std::string(1, c))) << layout << " " << c;
    }
  }
}

TEST(TypeOnLayout, UsTypesExactlyAsTheUsTable) {
  std::string text = "\n\t\r\n";
  for (char c = ' '; c < 0x7F; ++c) text += c;
  const auto us = Opened("us");
  ASSERT_TRUE(us);
  const settings::TypedText layout = TypeOnLayout(*us, text, 7);
  const settings::TypedText table = settings::TypeText(text, 7);
  ASSERT_FALSE(layout.error.has_value()) << *layout.error;
  EXPECT_EQ(layout.steps, table.steps);
  std::string read;  // and the table reads its steps back
  for (const MacroStep& step : table.steps)
    read += settings::UsCharacter(step[0], step[7]).value_or(0);
  EXPECT_EQ(read, "\n\t\n" + text.substr(4));
  EXPECT_EQ(us->TextOf(Presses(table.steps)), read);
  EXPECT_EQ(Computer("us").Typed(layout.steps), "\r\t\r" + text.substr(4));
}

TEST(TextOf, ReadsNoTextWhereAPressTypesNoCharacter) {
  const struct {
    const char* layout;
    std::vector<std::string> steps;
    std::optional<std::string> text;
  } cases[] = {
      {"us", {"LShi 0s H", "RShi 0s I", "None 0s Ent", "None 0s Tab"}, "HI\n\t"},
      {"us", {"LCtr 0s C"}, std::nullopt},                // a shortcut
      {"us", {"RAlt 0s A"}, std::nullopt},                // no AltGr on us
      {"us", {"None 0s Esc"}, std::nullopt},              // a control character
      {"us", {"None 0s F1"}, std::nullopt},               // no character at all
      {"de", {"None 0s `"}, std::nullopt},                // a dead key left alone
      {"de", {"None 0s `", "None 0s F1"}, std::nullopt},  // ... or with what it does not compose
  };
  for (const auto& c : cases) {
    std::vector<MacroStep> steps;
    for (const std::string& text : c.steps) steps.push_back(settings::ParseStep(text).step);
    EXPECT_EQ(Opened(c.layout)->TextOf(Presses(steps)), c.text) << c.steps.front();
  }
}

TEST(TypeOnLayout, ListsEveryCharacterWithNoKeyAndWhy) {
  const struct {
    const char* layout;
    const char* variant;
    const char* text;
    const char* error;
  } cases[] = {
      {"us", "", "caf\xC3\xA9",
       "character 4 of the text, \"\xC3\xA9\" (U+00E9), has no key on the layout \"us\""},
      {"fr", "", "a\xC3\xB1\x07\xE2\x82\xAC\xF0\x9F\x98\x80",
       "3 characters of the text have no key on the layout \"fr\":\n"
       "  character 2, \"\xC3\xB1\" (U+00F1)\n  character 3, U+0007\n"
       "  character 5, \"\xF0\x9F\x98\x80\" (U+1F600)"},
      {"de", "nodeadkeys", "\xC3\xAA",  // the same keymap without dead keys
       "character 1 of the text, \"\xC3\xAA\" (U+00EA), has no key on the layout "
       "\"de(nodeadkeys)\""},
      {"de", "neo", "a@",  // neo's AltGr is Caps Lock
       "character 2 of the text, \"@\" (U+0040), has no key on the layout "
       "\"de(neo)\": it needs AltGr, which the layout \"de(neo)\" does not have on the right "
       "Alt key"},
      {"de", "neo", "\xC2\xAA",  // on neo's fifth level
       "character 1 of the text, \"\xC2\xAA\" (U+00AA), has no key on the layout \"de(neo)\": "
       "it needs modifiers other than Shift and AltGr"},
      {"de", "", "a\xC3", "byte 2 of the text (0xC3) is not UTF-8"},
  };
  for (const auto& c : cases) {
    const KeyboardLayout::Opened opened = KeyboardLayout::Open(c.layout, c.variant);
    ASSERT_TRUE(opened.layout) << *opened.error;
    EXPECT_EQ(TypeOnLayout(*opened.layout, c.text, 1).error, c.error) << c.text;
  }
}

}  // namespace
}  // namespace vorlane::layouts
