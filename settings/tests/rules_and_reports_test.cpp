#include <gtest/gtest.h>

#include "image/button_rules.h"
#include "image/macro_slots.h"
#include "settings/report.h"
#include "settings/testing/sample_images.h"

namespace vorlane::settings {
namespace {

TEST(Diff, OneLinePerKeyAndStepThenTheOtherBytes) {
  const ImageBytes a = testing::SampleImage();
  ImageBytes b = a;
  b[ButtonOffsets[1]] = 5;  // M2: Prog3 -> b B
  b[ButtonOffsets[4]] = 217;
  PutStep(b, 2, 4, {2, 1, 0, 0, 0, 0, 0, 11});
  PutStep(b, 7, 99, {0, 0, 0, 0, 0, 0, 0, 45});
  b[0] ^= 1;
  b[MacroAreaStart - 1] ^= 1;
  EXPECT_EQ(DiffText(DiffImages(a, b)),
            "M2: \"Prog3\" -> \"b B\"\n"
            "M5: 0x00 -> \"Prog3\"\n"
            "Prog3 step 5: \"FD-Stop 0s\" -> \"LShi 0.1s H\"\n"
            "Prog8 step 100: \"None 0s\" -> \"None 0s -\"\n"
            "2 other bytes differ\n");
  EXPECT_EQ(DiffText(DiffImages(a, a)), "");

  ImageBytes longer = a;
  longer.push_back(0);
  EXPECT_EQ(DiffText(DiffImages(a, longer)),
            "1 other byte differs (the images are 27804 and 27805 bytes long)\n");
}

TEST(Show, KeysThenTheStepsThatAreNotZero) {
  const std::string text = ShowText(testing::SampleImage());
  EXPECT_EQ(text.substr(0, text.find("Prog1")),
            "M1: a A\nM2: Prog3\nM3: Mute\nM4: F5\nM5: no function (byte 0x00)\nM6: Enter\n"
            "M7: ' \"\nM8: \\ |\n\n");
  EXPECT_NE(text.find("Prog2: every step zero\n"
                      "Prog3:\n"
                      "    1  LShi 0.1s H\n"
                      "    2  None 0.1s I\n"
                      "    4  None 0.1s Ent\n"
                      "    5  FD-Stop 0s\n"
                      "Prog4:\n"),
            std::string::npos)
      << text;
}

// The JSON the documentation shows is what show --json prints for the sample image.
TEST(Show, TheDocumentedJsonIsTheSampleImages) {
  const std::string doc = testing::ReadTextFile(VORLANE_SETTINGS_FORMAT_DOC);
  const std::size_t start = doc.find("```json\n");
  ASSERT_NE(start, std::string::npos);
  const std::string json = ShowJson(testing::SampleImage());
  EXPECT_EQ(doc.substr(start + 8, json.size() + 3), json + "```");
}

}  // namespace
}  // namespace vorlane::settings
