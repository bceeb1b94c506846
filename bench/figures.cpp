#include "bench/figures.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vorlane::bench {

namespace {

std::string Printf(const char* format, double value, const char* suffix) {
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), format, value, suffix);
  return text.data();
}

// Three significant digits, enough to compare and no more than the noise allows.
std::string ThreeDigits(double value, const char* suffix) {
  const double magnitude = std::fabs(value);
  if (magnitude >= 100) return Printf("%.0f %s", value, suffix);
  if (magnitude >= 10) return Printf("%.1f %s", value, suffix);
  return Printf("%.2f %s", value, suffix);
}

std::optional<double> RatioOf(const Row& row) {
  if (row.pairedRatio) return row.pairedRatio;
  if (!row.value || !row.baseline || *row.baseline <= 0) return std::nullopt;
  return *row.value / *row.baseline;
}

std::string Ratio(const Row& row) {
  const std::optional<double> ratio = RatioOf(row);
  if (!ratio) return "";
  return Printf("%.2fx %s", *ratio, row.baselineName.c_str());
}

const char* VerdictText(Verdict v) {
  switch (v) {
    case Verdict::NoTarget:
      return "";
    case Verdict::NotMeasured:
      return "not run";
    case Verdict::Met:
      return "met";
    case Verdict::Missed:
      return "MISSED";
  }
  return "";
}

}  // namespace

Verdict Judge(const Row& row) {
  if (row.target.kind == Target::Kind::None) return Verdict::NoTarget;
  if (!row.value) return Verdict::NotMeasured;
  switch (row.target.kind) {
    case Target::Kind::None:
      return Verdict::NoTarget;
    case Target::Kind::RatioAtMost: {
      const std::optional<double> ratio = RatioOf(row);
      if (!ratio) return Verdict::NotMeasured;
      return *ratio <= row.target.limit ? Verdict::Met : Verdict::Missed;
    }
    case Target::Kind::Below:
      return *row.value < row.target.limit ? Verdict::Met : Verdict::Missed;
    case Target::Kind::ReferencePlus:
      if (row.pairedExcess)
        return *row.pairedExcess < row.target.limit ? Verdict::Met : Verdict::Missed;
      if (!row.reference) return Verdict::NotMeasured;
      return *row.value < *row.reference + row.target.limit ? Verdict::Met : Verdict::Missed;
  }
  return Verdict::NoTarget;
}

std::string FormatValue(double value, Unit unit) {
  if (unit == Unit::KiB) return ThreeDigits(value / 1024, "MiB");
  const double magnitude = std::fabs(value);
  if (magnitude >= 1) return ThreeDigits(value, "s");
  if (magnitude >= 1e-3) return ThreeDigits(value * 1e3, "ms");
  if (magnitude >= 1e-6) return ThreeDigits(value * 1e6, "us");
  return ThreeDigits(value * 1e9, "ns");
}

std::string TargetText(const Row& row) {
  switch (row.target.kind) {
    case Target::Kind::None:
      return "";
    case Target::Kind::RatioAtMost:
      return Printf("<= %gx %s", row.target.limit, row.baselineName.c_str());
    case Target::Kind::Below:
      return "< " + FormatValue(row.target.limit, Unit::Seconds);
    case Target::Kind::ReferencePlus: {
      std::string text =
          "< " + row.referenceName + " + " + FormatValue(row.target.limit, Unit::Seconds);
      if (row.pairedExcess) {
        text += " (paired: " + std::string(*row.pairedExcess >= 0 ? "+" : "") +
                FormatValue(*row.pairedExcess, Unit::Seconds) + ")";
      } else if (row.reference) {
        text += " = " + FormatValue(*row.reference + row.target.limit, Unit::Seconds);
      }
      return text;
    }
  }
  return "";
}

void PrintTable(std::FILE* out, const std::vector<Row>& rows) {
  const std::array<std::string, 5> header{"Measure", "Median", "Ratio", "Target", "Result"};
  std::vector<std::array<std::string, 5>> cells;
  cells.reserve(rows.size());
  for (const Row& row : rows) {
    cells.push_back({row.label, row.value ? FormatValue(*row.value, row.unit) : "-", Ratio(row),
                     TargetText(row), VerdictText(Judge(row))});
  }
  std::array<std::size_t, 5> width{};
  for (std::size_t c = 0; c < width.size(); ++c) {
    width[c] = header[c].size();
    for (const auto& line : cells) width[c] = std::max(width[c], line[c].size());
  }
  auto print = [&](const std::array<std::string, 5>& line) {
    std::fprintf(out, "| %-*s | %*s | %*s | %-*s | %-*s |\n", static_cast<int>(width[0]),
                 line[0].c_str(), static_cast<int>(width[1]), line[1].c_str(),
                 static_cast<int>(width[2]), line[2].c_str(), static_cast<int>(width[3]),
                 line[3].c_str(), static_cast<int>(width[4]), line[4].c_str());
  };
  print(header);
  std::fprintf(out, "|%s|%s:|%s:|%s|%s|\n", std::string(width[0] + 2, '-').c_str(),
               std::string(width[1] + 1, '-').c_str(), std::string(width[2] + 1, '-').c_str(),
               std::string(width[3] + 2, '-').c_str(), std::string(width[4] + 2, '-').c_str());
  for (const auto& line : cells) print(line);
}

}  // namespace vorlane::bench
