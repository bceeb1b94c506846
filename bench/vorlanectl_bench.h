// vorlanectl's figures: import in process next to the crash-safe replace, and show and export as
// whole processes next to a bare C++ program that reads the same image and prints 1 KB.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bench/processes.h"

namespace vorlane::bench {

// The programs of the whole-process runs, by their place in the run.
inline constexpr std::size_t kBarePrint = 0;
inline constexpr std::size_t kVorlanectlShow = 1;
inline constexpr std::size_t kVorlanectlExport = 2;

// Runs the three programs `runs` times each, taking turns, on the benchmark image.
std::optional<std::vector<ExitFigures>> MeasureVorlanectlProcesses(const std::string& folder,
                                                                   int runs, std::string& error);

}  // namespace vorlane::bench
