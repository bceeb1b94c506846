// Whole-process figures: start a program, wait until it reports its first window painted, and
// take its peak resident memory when it has ended; or time a command-line program to its end.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "text/refusal.h"

namespace vorlane::bench {

// What a run or a measurement gives: its figures, or why there are none.
template <typename T>
struct Measured {
  std::optional<T> figures;
  Refusal error;
};

struct ProcessRun {
  double shownSeconds = 0;  // from just before the spawn to the reported first paint
  long peakRssKiB = 0;      // the child's own VmHWM as it exits
};

// Runs `program` with `args` once, its output thrown away. An error when it cannot be started,
// does not report within the time limit, or fails.
Measured<ProcessRun> RunUntilShown(const std::string& program,
                                   const std::vector<std::string>& args);

struct ProcessFigures {
  double medianShownSeconds = 0;
  double medianPeakRssKiB = 0;
  // Median over the rounds of this program's figure divided by the first program's in the same
  // round: on a busy machine the load drifts, and a round's runs follow each other closely.
  double medianShownRatio = 0;
  double medianPeakRssRatio = 0;
  int runs = 0;
};

// Median of a sample; the mean of the middle two for an even count. The sample must not be empty.
double Median(std::vector<double> values);

// Runs each program `runs` times in rounds, one run of each program per round, after one
// unmeasured run each to warm the file cache. One figure set per program, in the order given,
// with ratios to the first program; nothing when any run fails.
struct Program {
  std::string path;
  std::vector<std::string> args;
};
Measured<std::vector<ProcessFigures>> MeasureProcesses(const std::vector<Program>& programs,
                                                       int runs);

// Runs `program` with `args` to its end, its output thrown away: the time from just before the
// spawn to its exit. An error when it cannot be started or does not end with status 0.
Measured<double> RunToExit(const Program& program);

struct ExitFigures {
  double medianSeconds = 0;
  double medianRatio = 0;  // to the first program, round by round
};

// As MeasureProcesses, for programs timed to their end.
Measured<std::vector<ExitFigures>> MeasureExits(const std::vector<Program>& programs, int runs);

}  // namespace vorlane::bench
