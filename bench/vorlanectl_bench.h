// vorlanectl's figures: import in process next to the crash-safe replace, show and export as
// whole processes next to a bare C++ program that reads the same image and prints 1 KB, and
// `type --layout` as a whole process next to libxkbcommon's own `xkbcli how-to-type`.
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
Measured<std::vector<ExitFigures>> MeasureVorlanectlProcesses(const std::string& folder, int runs);

// The programs of the layout runs, by their place in the run: how-to-type first, the base of the
// ratios; then `type --layout de` of 100 characters with the image in memory (/dev/shm, where
// the crash-safe write waits for no disk; the scratch folder where there is none) and in the
// scratch folder on disk.
inline constexpr std::size_t kHowToType = 0;
inline constexpr std::size_t kTypeLayoutInMemory = 1;
inline constexpr std::size_t kTypeLayoutOnDisk = 3;

// Runs the programs `runs` times each, taking turns. Every `type` run changes its image, so that
// it writes: two texts differing in their last character take turns on each image.
Measured<std::vector<ExitFigures>> MeasureLayoutTyping(int runs);

}  // namespace vorlane::bench
