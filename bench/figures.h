// The closing table: each figure in absolute terms, as a ratio to its bare-Qt baseline from the
// same run, and against its target.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vorlane::bench {

struct Target {
  enum class Kind {
    None,           // shown for reference only
    RatioAtMost,    // value <= limit x the row's baseline; see Row::pairedRatio
    Below,          // value < limit (seconds)
    ReferencePlus,  // value < the row's reference + limit (seconds); see Row::pairedExcess
  };
  Kind kind = Kind::None;
  double limit = 0;
};

enum class Unit { Seconds, KiB };

struct Row {
  std::string label;
  std::optional<double> value;  // in `unit`; none when the measurement was not run
  Unit unit = Unit::Seconds;
  std::string baselineName;        // what the ratio column divides by
  std::optional<double> baseline;  // in `unit`
  // The ratio to the baseline taken run by run; when known it is shown and judged rather than
  // the ratio of two medians.
  std::optional<double> pairedRatio;
  Target target;
  std::string referenceName;        // for ReferencePlus
  std::optional<double> reference;  // in seconds, for ReferencePlus
  // The value minus the reference, each measured next to the other; when known, ReferencePlus is
  // judged on it rather than on the difference of two medians taken at different times.
  std::optional<double> pairedExcess;
};

enum class Verdict { NoTarget, NotMeasured, Met, Missed };

Verdict Judge(const Row& row);

// "850 ns", "12.3 us", "4.56 ms", "1.23 s"; "37.4 MiB" for memory.
std::string FormatValue(double value, Unit unit);
std::string TargetText(const Row& row);

void PrintTable(std::FILE* out, const std::vector<Row>& rows);

}  // namespace vorlane::bench
