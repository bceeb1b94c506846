#include "vocabulary/function_catalogue.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <set>
#include <string>

#include "vocabulary/tests/table_digest.h"

namespace vorlane {
namespace {

// The device's table of 130 functions, one "position|name|code" line per entry in list order,
// hashed once from that table by hand. Any changed name, code or order fails here, even one the
// other tests would also accept (two names swapped, say).
TEST(FunctionCatalogueTest, RowsAreThoseOfTheDevicesTable) {
  std::string rows;
  for (int position = 0; position < kCatalogueSize; ++position) {
    const CatalogueEntry& entry = FunctionCatalogue()[static_cast<std::size_t>(position)];
    rows += std::to_string(position) + '|' + std::string(entry.name) + '|' +
            std::to_string(entry.code) + '\n';
  }
  EXPECT_EQ(testing::Fnv1a64(rows), 0x111816ef26fc5ee1u);
}

const CatalogueEntry& EntryAt(int position) {
  return FunctionCatalogue()[static_cast<std::size_t>(position)];
}

// A run of consecutive entries whose names and codes follow a formula.
struct CatalogueRun {
  const char* what;
  int first_position;
  int count;
  int first_code;
  std::function<std::string(int)> name;  // name of the run's n-th entry (n from 0)
};

TEST(FunctionCatalogueTest, RunsFollowTheirFormulas) {
  const CatalogueRun runs[] = {
      {"macro slots", 0, 8, 215, [](int n) { return "Prog" + std::to_string(n + 1); }},
      {"letters", 8, 26, 4,
       [](int n) {
         return std::string{char('a' + n), ' ', char('A' + n)};
       }},
      {"F-keys", 55, 12, 58, [](int n) { return "F" + std::to_string(n + 1); }},
      {"numpad digits", 92, 9, 89, [](int n) { return "Numpad " + std::to_string(n + 1); }},
      {"media, launch, browser", 112, 18, 233, nullptr},
  };
  for (const CatalogueRun& run : runs) {
    for (int n = 0; n < run.count; ++n) {
      const int position = run.first_position + n;
      SCOPED_TRACE(std::string(run.what) + " position " + std::to_string(position));
      EXPECT_EQ(EntryAt(position).code, run.first_code + n);
      if (run.name) {
        EXPECT_EQ(EntryAt(position).name, run.name(n));
      }
    }
  }
}

TEST(FunctionCatalogueTest, NamesAndCodesAreUniqueAndCodesInByteRange) {
  std::set<std::string_view> names;
  std::set<int> codes;
  for (const CatalogueEntry& entry : FunctionCatalogue()) {
    EXPECT_FALSE(entry.name.empty());
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
    EXPECT_TRUE(codes.insert(entry.code).second) << entry.code;
    EXPECT_GE(entry.code, 4);
    EXPECT_LE(entry.code, 250);
  }
}

bool IsUnusedCode(int code) {
  return code <= 3 || code == 50 || code == 100 || (code >= 102 && code <= 214) || code == 223 ||
         code == 232 || code >= 251;
}

TEST(FunctionCatalogueTest, ExactlyTheUnusedBytesHaveNoPosition) {
  for (int code = 0; code <= 255; ++code) {
    EXPECT_EQ(CataloguePosition(code).has_value(), !IsUnusedCode(code)) << "code " << code;
  }
}

TEST(FunctionCatalogueTest, EveryCodeRoundTripsThroughItsPosition) {
  for (int position = 0; position < kCatalogueSize; ++position) {
    const std::int16_t code = CatalogueCode(position);
    EXPECT_EQ(code, EntryAt(position).code);
    EXPECT_EQ(CataloguePosition(code), position) << "code " << code;
  }
}

TEST(FunctionCatalogueTest, LookupExamples) {
  struct Case {
    int code;
    int position;
    std::string_view name;
  };
  for (const Case& c : {Case{4, 8, "a A"}, Case{215, 0, "Prog1"}, Case{250, 129, "WWW Favorites"},
                        Case{49, 48, "\\ |"}, Case{52, 50, "' \""}, Case{101, 103, "App (Menu)"}}) {
    ASSERT_EQ(CataloguePosition(c.code), c.position) << "code " << c.code;
    EXPECT_EQ(EntryAt(c.position).name, c.name);
  }
  for (int code : {0, 3, 50, 100, 214, 223, 232, 255, -1, 256, 4 + 256}) {
    EXPECT_FALSE(CataloguePosition(code).has_value()) << "code " << code;
  }
}

}  // namespace
}  // namespace vorlane
