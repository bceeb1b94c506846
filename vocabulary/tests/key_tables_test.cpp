#include "vocabulary/key_tables.h"

#include "vocabulary/function_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "vocabulary/tests/table_digest.h"

namespace vorlane {
namespace {

constexpr int kKey = 495;
constexpr int kDouble = 1095;
constexpr int kGap = 105;  // pitch 600 minus an ordinary key
constexpr int kClientWidth = 13605;
constexpr int kClientHeight = 4440;

const KeyCap& Cap(std::string_view caption) {
  const auto& table = KeyCapTable();
  const auto* found = std::find_if(table.begin(), table.end(),
                                   [&](const KeyCap& cap) { return cap.caption == caption; });
  if (found == table.end()) throw std::out_of_range(std::string(caption));
  return *found;
}

std::string Hex(int code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(code));
  return text;
}

TEST(KeyCapTableTest, CaptionsUniqueAndNonZeroCodesAreTheCatalogueKeyCodes) {
  std::set<std::string_view> captions;
  std::vector<int> key_codes;
  for (const KeyCap& cap : KeyCapTable()) {
    EXPECT_TRUE(captions.insert(cap.caption).second) << cap.caption;
    if (cap.code != 0) key_codes.push_back(cap.code);
  }
  EXPECT_EQ(captions.size(), 105u);
  std::vector<int> catalogue_key_codes;
  for (int position = 8; position <= 111; ++position) {
    catalogue_key_codes.push_back(CatalogueCode(position));
  }
  std::sort(key_codes.begin(), key_codes.end());
  std::sort(catalogue_key_codes.begin(), catalogue_key_codes.end());
  EXPECT_EQ(key_codes, catalogue_key_codes);  // also proves the 104 codes unique
  EXPECT_EQ(KeyCapTable()[104].caption, "Null");
  EXPECT_EQ(KeyCapTable()[104].code, 0);
}

TEST(KeyCapTableTest, CodesFollowHidOrderForLettersDigitsAndFunctionKeys) {
  for (int n = 0; n < 26; ++n) EXPECT_EQ(Cap(std::string(1, char('A' + n))).code, 4 + n);
  for (int n = 1; n <= 9; ++n) {
    EXPECT_EQ(Cap(std::to_string(n)).code, 29 + n);
    EXPECT_EQ(Cap("N" + std::to_string(n)).code, 88 + n);
  }
  EXPECT_EQ(Cap("0").code, 39);
  EXPECT_EQ(Cap("N0").code, 98);
  for (int n = 1; n <= 12; ++n) EXPECT_EQ(Cap("F" + std::to_string(n)).code, 57 + n);
}

// The catalogue names a digit or punctuation key by its key-cap label, a blank and the
// shifted character ("1 !", "; :").
TEST(KeyCapTableTest, CatalogueDigitAndPunctuationNamesStartWithTheLabel) {
  for (int position = 34; position <= 54; ++position) {
    const CatalogueEntry& entry = FunctionCatalogue()[static_cast<std::size_t>(position)];
    ASSERT_EQ(entry.name.size(), 3u) << entry.name;
    EXPECT_EQ(entry.name.substr(0, 1), KeyCodeName(entry.code)) << entry.name;
    EXPECT_EQ(entry.name[1], ' ') << entry.name;
  }
}

// The two tables share codes, so a long catalogue name and its short label must meet on one code.
TEST(KeyCapTableTest, CatalogueNamesAndLabelsMeetOnTheSameCode) {
  const std::pair<std::string_view, std::string_view> same_key[] = {
      {"Backspace", "BS"},      {"Caps Lock", "CL"},      {"Delete", "Del"},
      {"End", "End"},           {"Enter", "Ent"},         {"Escape", "Esc"},
      {"Home", "Home"},         {"Insert", "Ins"},        {"Page Down", "PD"},
      {"Page Up", "PU"},        {"Pause/Break", "P/B"},   {"Print Screen", "PS"},
      {"Scroll Lock", "SL"},    {"Space", "SP"},          {"Tab", "Tab"},
      {"Right Arrow", "RA"},    {"Left Arrow", "LA"},     {"Down Arrow", "DA"},
      {"Up Arrow", "UA"},       {"Num Lock", "NL"},       {"Numpad /", "N/"},
      {"Numpad *", "N*"},       {"Numpad -", "N-"},       {"Numpad +", "N+"},
      {"Numpad Enter", "NEnt"}, {"Numpad 0", "N0"},       {"Numpad .", "N."},
      {"App (Menu)", "App"},    {"Left Control", "LCtr"}, {"Left Shift", "LShi"},
      {"Left Alt", "LAlt"},     {"Left Win", "LWin"},     {"Right Control", "RCtr"},
      {"Right Shift", "RShi"},  {"Right Alt", "RAlt"},    {"Right Win", "RWin"},
  };
  for (const auto& [name, label] : same_key) {
    const auto& catalogue = FunctionCatalogue();
    const auto* entry = std::find_if(catalogue.begin(), catalogue.end(),
                                     [&](const CatalogueEntry& e) { return e.name == name; });
    ASSERT_NE(entry, catalogue.end()) << name;
    EXPECT_EQ(KeyCodeName(entry->code), label) << name;
  }
}

// The on-screen keyboard's table, one "index|caption|code|left|top|width|height" line per key-cap,
// hashed once from the device's published table by hand.
TEST(KeyCapTableTest, RowsAreThoseOfThePublishedKeyboard) {
  std::string rows;
  for (std::size_t i = 0; i < KeyCapTable().size(); ++i) {
    const KeyCap& cap = KeyCapTable()[i];
    rows += std::to_string(i) + '|' + std::string(cap.caption) + '|' + std::to_string(cap.code);
    for (const int value : {cap.left, cap.top, cap.width, cap.height}) {
      rows += '|' + std::to_string(value);
    }
    rows += '\n';
  }
  EXPECT_EQ(testing::Fnv1a64(rows), 0xf02b55620e3ca83du);
}

TEST(KeyCapTableTest, SpotRows) {
  struct Row {
    int index;
    std::string_view caption;
    int code, left, top, width, height;
  };
  for (const Row& row :
       {Row{0, "Esc", 41, 120, 720, kKey, kKey}, Row{26, "BS", 42, 7920, 1440, kDouble, kKey},
        Row{40, "\\", 49, 8280, 2040, 735, kKey}, Row{52, "'", 52, 7200, 2640, kKey, kKey},
        Row{69, "SP", 44, 2400, 3840, 3615, kKey}, Row{72, "App", 101, 7560, 3840, 615, kKey},
        Row{86, "RA", 79, 10440, 3840, kKey, kKey}, Row{94, "N+", 87, 12960, 2040, kKey, kDouble},
        Row{101, "NEnt", 88, 12960, 3240, kKey, kDouble},
        Row{102, "N0", 98, 11160, 3840, kDouble, kKey},
        Row{104, "Null", 0, 11160, 720, kDouble, kKey}}) {
    const KeyCap& cap = KeyCapTable()[static_cast<std::size_t>(row.index)];
    SCOPED_TRACE(row.index);
    EXPECT_EQ(cap.caption, row.caption);
    EXPECT_EQ(cap.code, row.code);
    EXPECT_EQ(cap.left, row.left);
    EXPECT_EQ(cap.top, row.top);
    EXPECT_EQ(cap.width, row.width);
    EXPECT_EQ(cap.height, row.height);
  }
}

TEST(KeyCapTableTest, SizesRowsAndColours) {
  std::set<int> tops;
  for (const KeyCap& cap : KeyCapTable()) {
    SCOPED_TRACE(cap.caption);
    tops.insert(cap.top);
    const bool two_rows_high = cap.caption == "N+" || cap.caption == "NEnt";
    EXPECT_EQ(cap.height, two_rows_high ? kDouble : kKey);
    EXPECT_GE(cap.width, kKey);
    const bool is_null = cap.caption == "Null";
    EXPECT_EQ(cap.background, (is_null ? Rgb{192, 192, 192} : Rgb{255, 255, 255}));
  }
  EXPECT_EQ(tops, (std::set<int>{720, 1440, 2040, 2640, 3240, 3840}));
}

TEST(KeyCapTableTest, NoOverlapAndInsideClientArea) {
  const auto& table = KeyCapTable();
  for (const KeyCap& cap : table) {
    EXPECT_GE(cap.left, 0) << cap.caption;
    EXPECT_LE(cap.left + cap.width, kClientWidth) << cap.caption;
    EXPECT_LE(cap.top + cap.height, kClientHeight) << cap.caption;
  }
  for (std::size_t i = 0; i < table.size(); ++i) {
    for (std::size_t j = i + 1; j < table.size(); ++j) {
      const KeyCap& a = table[i];
      const KeyCap& b = table[j];
      const bool apart = a.left + a.width <= b.left || b.left + b.width <= a.left ||
                         a.top + a.height <= b.top || b.top + b.height <= a.top;
      EXPECT_TRUE(apart) << a.caption << " overlaps " << b.caption;
    }
  }
}

// Within a block neighbours are one gap apart, so ordinary keys sit at a pitch of 600.
TEST(KeyCapTableTest, BlocksKeepPitch) {
  const std::vector<std::vector<std::string_view>> blocks = {
      {"F1", "F2", "F3", "F4"},
      {"F5", "F6", "F7", "F8"},
      {"F9", "F10", "F11", "F12"},
      {"`", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "=", "BS"},
      {"Tab", "Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "[", "]", "\\"},
      {"CL", "A", "S", "D", "F", "G", "H", "J", "K", "L", ";", "'", "Ent"},
      {"LShi", "Z", "X", "C", "V", "B", "N", "M", ",", ".", "/", "RShi"},
      {"LCtr", "LWin", "LAlt", "SP", "RAlt", "RWin", "App", "RCtr"},
      {"PS", "SL", "P/B"},
      {"Ins", "Home", "PU"},
      {"Del", "End", "PD"},
      {"LA", "DA", "RA"},
      {"NL", "N/", "N*", "N-"},
      {"N7", "N8", "N9", "N+"},
      {"N4", "N5", "N6"},
      {"N1", "N2", "N3", "NEnt"},
      {"N0", "N."},
  };
  for (const auto& block : blocks) {
    for (std::size_t i = 1; i < block.size(); ++i) {
      const KeyCap& before = Cap(block[i - 1]);
      const KeyCap& cap = Cap(block[i]);
      EXPECT_EQ(cap.top, before.top) << cap.caption;
      EXPECT_EQ(cap.left, before.left + before.width + kGap) << cap.caption;
    }
  }
  // The main rows share both edges; the keypad and arrow columns line up.
  for (std::string_view first : {"Esc", "`", "Tab", "CL", "LShi", "LCtr"}) {
    EXPECT_EQ(Cap(first).left, 120) << first;
  }
  for (std::string_view last : {"F12", "BS", "\\", "Ent", "RShi", "RCtr"}) {
    EXPECT_EQ(Cap(last).left + Cap(last).width, 9015) << last;
  }
  EXPECT_EQ(Cap("UA").left, Cap("DA").left);
  EXPECT_EQ(Cap("Null").left, Cap("NL").left);
  EXPECT_EQ(Cap("N0").width, 2 * kKey + kGap);
}

TEST(KeyCapCodeTest, LabelsRoundTripAndNonLabelsGiveZero) {
  for (const KeyCap& cap : KeyCapTable()) {
    EXPECT_EQ(KeyCapCode(cap.caption), cap.code) << cap.caption;
    const std::string back = KeyCodeName(KeyCapCode(cap.caption));
    EXPECT_EQ(back, cap.code == 0 ? "0x0" : std::string(cap.caption));
  }
  EXPECT_EQ(KeyCapCode("SP"), 44);
  EXPECT_EQ(KeyCapCode("RWin"), 231);
  EXPECT_EQ(KeyCapCode("Null"), 0);
  // Catalogue names and near misses of labels are no labels.
  for (std::string_view text : {"", "a", "Space", "A ", " A", "null", "sp", "Backspace", "a A"}) {
    EXPECT_EQ(KeyCapCode(text), 0) << '"' << text << '"';
  }
}

TEST(KeyCodeNameTest, LabelOrHexForEveryByte) {
  std::map<int, std::string_view> labels;
  for (const KeyCap& cap : KeyCapTable()) {
    if (cap.code != 0) labels[cap.code] = cap.caption;
  }
  for (int code = 0; code <= 255; ++code) {
    const auto found = labels.find(code);
    EXPECT_EQ(KeyCodeName(code), found != labels.end() ? std::string(found->second) : Hex(code));
  }
  for (int slot = 215; slot <= 222; ++slot) EXPECT_EQ(KeyCodeName(slot), Hex(slot));
  for (int media = 233; media <= 250; ++media) EXPECT_EQ(KeyCodeName(media), Hex(media));
  const std::pair<int, std::string_view> examples[] = {{44, "SP"},   {0, "0x0"},    {215, "0xD7"},
                                                       {50, "0x32"}, {255, "0xFF"}, {100, "0x64"},
                                                       {3, "0x3"}};
  for (const auto& [code, text] : examples) EXPECT_EQ(KeyCodeName(code), text) << code;
}

// The modifier list, one "text|code" line per item, hashed once from the device's list by hand;
// then the rows that break a pattern: codes are the device's, not list positions.
TEST(ModifierTest, ItemsAndNames) {
  std::string rows;
  for (const ListItem& item : ModifierItems()) {
    rows += std::string(item.text) + '|' + std::to_string(item.code) + '\n';
    EXPECT_EQ(ModifierCode(item.text), item.code) << item.text;
    const bool named = item.code >= 1 && item.code <= 16;  // "None" and "FD-Stop" read as hex
    EXPECT_EQ(ModifierName(item.code), named ? std::string(item.text) : Hex(item.code));
  }
  EXPECT_EQ(testing::Fnv1a64(rows), 0x8568f4cadf4f5760u);
  const std::pair<std::size_t, ListItem> irregular[] = {
      {0, {"None", 0}},
      {2, {"LShi", kShiftModifier}},
      {7, {"RAlt", kAltGrModifier}},
      {15, {"RAlt+RShi", kShiftAltGrModifier}},
      {17, {"FD-Stop", 253}},
  };
  for (const auto& [index, item] : irregular) {
    EXPECT_EQ(ModifierItems()[index].text, item.text) << index;
    EXPECT_EQ(ModifierItems()[index].code, item.code) << index;
  }
  for (std::string_view text : {"", "Shift", "lshi", "0x2", "RShi+RAlt"}) {
    EXPECT_FALSE(ModifierCode(text).has_value()) << text;
  }
  const std::pair<int, std::string_view> examples[] = {{3, "LAlt"},      {16, "RAlt+RCtr+RShi"},
                                                       {9, "RWin+RShi"}, {0, "0x0"},
                                                       {17, "0x11"},     {255, "0xFF"}};
  for (const auto& [code, text] : examples) EXPECT_EQ(ModifierName(code), text) << code;
}

TEST(DelayItemsTest, TenthsWithOneDecimalDigit) {
  for (int tenths = 0; tenths < kDelayItemCount; ++tenths) {
    const ListItem& item = DelayItems()[static_cast<std::size_t>(tenths)];
    char expected[32];
    std::snprintf(expected, sizeof expected, "%d.%ds", tenths / 10, tenths % 10);
    EXPECT_EQ(item.text, expected);
    EXPECT_EQ(item.code, tenths);
  }
  EXPECT_EQ(DelayItems().front().text, "0.0s");
  EXPECT_EQ(DelayItems().back().text, "3.0s");
  EXPECT_EQ(DelayItems().back().code, 30);
}

}  // namespace
}  // namespace vorlane
