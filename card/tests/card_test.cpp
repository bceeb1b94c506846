// The card's content as tables of the texts it holds, its pages, and the tools that read it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>

#include "card/card_svg.h"
#include "image/macro_slots.h"
#include "image/testing/test_images.h"
#include "settings/step_notation.h"
#include "settings/typing.h"

namespace vorlane::card {
namespace {

struct Text {
  double y;
  std::string text;
};

// The <text> elements in document order, their entities read back.
std::vector<Text> Texts(const std::string& svg) {
  static const std::regex element(R"re(<text x="[^"]*" y="([^"]*)"[^>]*>([^<]*)</text>)re");
  std::vector<Text> texts;
  for (auto at = std::sregex_iterator(svg.begin(), svg.end(), element);
       at != std::sregex_iterator(); ++at) {
    std::string text = (*at)[2];
    for (const auto& [entity, c] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
      for (std::size_t p = 0; (p = text.find(entity, p)) != std::string::npos; ++p) {
        text.replace(p, std::string_view(entity).size(), c);
      }
    }
    texts.push_back({std::stod((*at)[1]), text});
  }
  return texts;
}

// The text after `first` in the card, `count` of them.
std::vector<std::string> After(const std::vector<Text>& texts, const std::string& first,
                               std::size_t count) {
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (texts[i].text != first) continue;
    std::vector<std::string> next;
    for (std::size_t j = i + 1; j < texts.size() && next.size() < count; ++j) {
      next.push_back(texts[j].text);
    }
    return next;
  }
  return {};
}

ImageBytes EmptyMacros() {
  ImageBytes image = testing::PatternImage();
  for (int p = 0; p < kProgCount; ++p) {
    for (int s = 0; s < StepsPerProg; ++s) PutStep(image, p, s, {});
  }
  return image;
}

void PutSteps(ImageBytes& image, int prog, const std::vector<std::string>& steps) {
  for (std::size_t s = 0; s < steps.size(); ++s) {
    PutStep(image, prog, static_cast<int>(s), settings::ParseStep(steps[s]).step);
  }
}

std::string Card(const ImageBytes& image, Paper paper = Paper::kA4,
                 std::string_view name = "d.bin") {
  return CardSvg(ReadKeyMap(image, UsTextReader()), {name, "2026-12-07"}, paper);
}

TEST(Card, EachKeyShowsItsFunctionAndWhatItsMacroDoes) {
  ImageBytes image = EmptyMacros();
  testing::SetButtonCodes(image, {4, 217, 0, 219, 215, 216, 218, 62});
  for (const auto& [prog, text] : {std::pair{2, "Hi, \"you\"!\n\tok"}, {4, "x"}}) {
    PutSteps(image, prog, {});
    const settings::TypedText typed = settings::TypeText(text, 1);
    for (std::size_t s = 0; s < typed.steps.size(); ++s) {
      PutStep(image, prog, static_cast<int>(s), typed.steps[s]);
    }
  }
  PutSteps(image, 0, {"LCtr 0.5s C", "None 1.2s"});           // a shortcut: no text
  PutSteps(image, 1, {"LShi 0.1s A", "None 0.2s Null A B"});  // two keys in a step: no text
  const struct {
    std::string key;
    std::vector<std::string> shows;
  } keys[] = {
      {"M1", {"a A", "M2"}},
      {"M2", {"Prog3", "types \"Hi, \"you\"!\u23CE", "\u21E5ok\"", "M3"}},
      {"M3", {"no function", "M4"}},
      {"M4", {"Prog5", "types \"x\"", "M5"}},
      {"M5", {"Prog1", "2 steps, 1.7 s", "M6"}},
      {"M6", {"Prog2", "2 steps, 0.3 s", "M7"}},
      {"M7", {"Prog4", "no steps", "M8"}},
      {"M8", {"F5", "Macros"}},
  };
  const std::vector<Text> texts = Texts(Card(image));
  for (const auto& k : keys) EXPECT_EQ(After(texts, k.key, k.shows.size()), k.shows) << k.key;
}

TEST(Card, ListsEveryNonZeroStepOfEachMacroNumbered) {
  ImageBytes image = EmptyMacros();
  testing::SetButtonCodes(image, {4, 5, 6, 7, 8, 9, 10, 218});
  PutSteps(
      image, 3,
      {"0x11 25.5s Null 0xD7 - A", "None 0s", "RAlt+RCtr+RShi 3s F1 F2 F3 F4 F5 F6", "FD-Stop 0s"});
  PutStep(image, 6, 99, settings::ParseStep("LShi 0.1s B").step);  // "B", on no key
  const std::vector<Text> texts = Texts(Card(image));
  EXPECT_EQ(
      After(texts, "Macros", 6),
      (std::vector<std::string>{"Prog4 on M8: 3 steps, 28.5 s in all", "1. 0x11 25.5s 0xD7 - A",
                                "3. RAlt+RCtr+RShi 3s F1 F2 F3 F4 F5 F6", "4. FD-Stop 0s",
                                "Prog7 on no key: 1 step, 0.1 s in all", "types \"B\""}));
  EXPECT_EQ(After(texts, "types \"B\"", 2), (std::vector<std::string>{"100. LShi 0.1s B"}));
}

TEST(Card, IsAsWideAsThePaperAndAWholeNumberOfPagesTall) {
  ImageBytes full = EmptyMacros();
  for (int p = 0; p < kProgCount; ++p) {
    for (int s = 0; s < StepsPerProg; ++s) {
      PutStep(full, p, s, settings::ParseStep(p % 2 ? "LCtr 0.1s C" : "None 0s 1").step);
    }
  }
  ImageBytes enters = EmptyMacros();  // a hundred lines of typed text
  for (int s = 0; s < StepsPerProg; ++s) {
    PutStep(enters, 0, s, settings::ParseStep("None 0s Ent").step);
  }
  const struct {
    Paper paper;
    const ImageBytes& image;
    std::string width, height;
  } cases[] = {
      {Paper::kA4, EmptyMacros(), "210", "297"}, {Paper::kLetter, EmptyMacros(), "215.9", "279.4"},
      {Paper::kA4, full, "210", "2376"},          // eight pages
      {Paper::kLetter, full, "215.9", "2514.6"},  // nine
      {Paper::kA4, enters, "210", "1188"},        // four, not a page a line
  };
  for (const auto& c : cases) {
    const std::string svg = Card(c.image, c.paper);
    EXPECT_NE(svg.find("width=\"" + c.width + "mm\" height=\"" + c.height + "mm\" viewBox=\"0 0 " +
                       c.width + " " + c.height + "\""),
              std::string::npos)
        << c.height;
    // Every step once, and no line across a page's margins.
    std::map<std::string, int> seen;
    const double page = SizeOf(c.paper).height;
    for (const Text& t : Texts(svg)) {
      ++seen[t.text];
      const double onPage = std::fmod(t.y, page);
      EXPECT_GT(onPage, 15) << t.text;
      EXPECT_LT(onPage, page - 9) << t.text;
    }
    if (&c.image != &full) continue;
    EXPECT_EQ(seen["Prog1, continued"], 1);
    for (int s = 1; s <= StepsPerProg; ++s) {
      EXPECT_EQ(seen[std::to_string(s) + ". None 0s 1"], 4) << s;
      EXPECT_EQ(seen[std::to_string(s) + ". LCtr 0.1s C"], 4) << s;
    }
  }
}

// xmllint reads the document as XML, and librsvg draws it, whatever the file name holds.
TEST(Card, IsWellFormedAndDrawsAsAPicture) {
  const testing::ScratchDir dir;
  ImageBytes image = EmptyMacros();
  PutSteps(image, 0, {"LShi 0.1s A", "None 0.1s Ent"});
  for (const std::string name : {"sample.bin", "a&b<c>\"d'\x01\xFF.bin"}) {
    for (const Paper paper : {Paper::kA4, Paper::kLetter}) {
      const std::string svg = (dir.path() / "card.svg").string();
      std::ofstream(svg) << Card(image, paper, name);
      const std::string png = (dir.path() / "card.png").string();
      EXPECT_EQ(std::system(("xmllint --noout " + svg).c_str()), 0) << name;
      EXPECT_EQ(std::system(("rsvg-convert -o " + png + " " + svg).c_str()), 0) << name;
      EXPECT_GT(std::filesystem::file_size(png), 1000U);
    }
  }
}

}  // namespace
}  // namespace vorlane::card
