// The parts of the benchmark whose faults would go unseen in its output: how a figure is judged
// against its target, and the hand-shake with the programs whose start-up it times.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "bench/figures.h"
#include "bench/processes.h"

namespace vorlane::bench {
namespace {

Row Figure(double value, Target target) {
  Row row;
  row.value = value;
  row.target = target;
  return row;
}

TEST(Judge, ComparesEachKindOfTargetAtItsBound) {
  const struct {
    const char* what;
    Row row;
    std::optional<double> baseline;
    std::optional<double> reference;
    std::optional<double> paired;
    Verdict expected;
    std::optional<double> pairedRatio = {};
  } cases[] = {
      {"ratio at the bound",
       Figure(3.0, {Target::Kind::RatioAtMost, 3}),
       1.0,
       {},
       {},
       Verdict::Met},
      {"ratio over", Figure(3.01, {Target::Kind::RatioAtMost, 3}), 1.0, {}, {}, Verdict::Missed},
      {"ratio, no baseline",
       Figure(1, {Target::Kind::RatioAtMost, 3}),
       {},
       {},
       {},
       Verdict::NotMeasured},
      {"below", Figure(199e-6, {Target::Kind::Below, 200e-6}), {}, {}, {}, Verdict::Met},
      {"below is strict",
       Figure(200e-6, {Target::Kind::Below, 200e-6}),
       {},
       {},
       {},
       Verdict::Missed},
      {"reference plus",
       Figure(250e-6, {Target::Kind::ReferencePlus, 100e-6}),
       {},
       200e-6,
       {},
       Verdict::Met},
      {"reference plus, over",
       Figure(350e-6, {Target::Kind::ReferencePlus, 100e-6}),
       {},
       200e-6,
       {},
       Verdict::Missed},
      // Medians taken at different times say "met"; the paired difference decides.
      {"paired excess wins",
       Figure(250e-6, {Target::Kind::ReferencePlus, 100e-6}),
       {},
       200e-6,
       150e-6,
       Verdict::Missed},
      {"paired excess, met",
       Figure(900e-6, {Target::Kind::ReferencePlus, 100e-6}),
       {},
       200e-6,
       40e-6,
       Verdict::Met},
      {"reference plus, nothing to compare",
       Figure(1e-3, {Target::Kind::ReferencePlus, 100e-6}),
       {},
       {},
       {},
       Verdict::NotMeasured},
      {"no target", Figure(1, {}), 1.0, {}, {}, Verdict::NoTarget},
      // The ratio of two medians says "missed"; the ratio taken run by run decides.
      {"paired ratio wins",
       Figure(2.0, {Target::Kind::RatioAtMost, 1.5}),
       1.0,
       {},
       {},
       Verdict::Met,
       1.4},
      {"paired ratio, missed",
       Figure(1.0, {Target::Kind::RatioAtMost, 1.5}),
       1.0,
       {},
       {},
       Verdict::Missed,
       1.6},
  };
  for (const auto& c : cases) {
    Row row = c.row;
    row.baseline = c.baseline;
    row.reference = c.reference;
    row.pairedExcess = c.paired;
    row.pairedRatio = c.pairedRatio;
    EXPECT_EQ(Judge(row), c.expected) << c.what;
  }

  Row notRun;
  notRun.target = {Target::Kind::Below, 1};
  EXPECT_EQ(Judge(notRun), Verdict::NotMeasured);
}

TEST(FormatValue, PicksTheUnitAndThreeDigits) {
  const struct {
    double value;
    Unit unit;
    const char* expected;
  } cases[] = {
      {850e-9, Unit::Seconds, "850 ns"}, {12.34e-6, Unit::Seconds, "12.3 us"},
      {999e-6, Unit::Seconds, "999 us"}, {4.567e-3, Unit::Seconds, "4.57 ms"},
      {1.234, Unit::Seconds, "1.23 s"},  {-432e-6, Unit::Seconds, "-432 us"},
      {28384, Unit::KiB, "27.7 MiB"},    {512, Unit::KiB, "0.50 MiB"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatValue(c.value, c.unit), c.expected) << c.value;
}

TEST(Median, TakesTheMiddleOrTheMeanOfTheMiddleTwo) {
  EXPECT_DOUBLE_EQ(Median({5, 1, 3}), 3);
  EXPECT_DOUBLE_EQ(Median({4, 1, 3, 2}), 2.5);
  EXPECT_DOUBLE_EQ(Median({7}), 7);
}

// The timed programs must report their first paint and their peak memory, then end by themselves;
// an observer the linker dropped, or one that never fires, shows here and not as a hung benchmark.
TEST(RunUntilShown, TheTimedProgramsReportShownAndPeakMemory) {
  for (const std::string& program :
       {std::string(VORLANE_BENCH_BARE_PROGRAM), std::string(VORLANE_BENCH_VORLANE_PROGRAM)}) {
    const Measured<ProcessRun> measured = RunUntilShown(program, {"300", "200", "Load"});
    const std::optional<ProcessRun>& run = measured.figures;
    ASSERT_TRUE(run.has_value()) << program << ": " << *measured.error;
    EXPECT_GT(run->shownSeconds, 0) << program;
    EXPECT_LT(run->shownSeconds, 60) << program;
    EXPECT_GT(run->peakRssKiB, 1024) << program;  // a Qt program takes several MiB
  }
}

TEST(RunUntilShown, AProgramThatNeverReportsIsAnError) {
  const Refusal error = RunUntilShown("/bin/true", {}).error;
  EXPECT_NE(error.value_or("").find("did not report"), std::string::npos) << error.value_or("");
  EXPECT_TRUE(RunUntilShown("/nonexistent/program", {}).error.has_value());
}

// The floor of vorlanectl's figures must end cleanly on the image it is given; a program that
// fails or cannot start is an error, not a figure.
TEST(RunToExit, TimesAProgramToItsEndAndRefusesAFailure) {
  const Measured<double> run = RunToExit({VORLANE_BENCH_BARE_PRINT, {"/proc/self/exe"}});
  ASSERT_TRUE(run.figures.has_value()) << *run.error;
  EXPECT_GT(*run.figures, 0);
  const Refusal error = RunToExit({VORLANE_BENCH_BARE_PRINT, {"/nonexistent"}}).error;
  EXPECT_NE(error.value_or("").find("did not end with status 0"), std::string::npos)
      << error.value_or("");
  EXPECT_TRUE(RunToExit({"/nonexistent/program", {}}).error.has_value());
}

}  // namespace
}  // namespace vorlane::bench
