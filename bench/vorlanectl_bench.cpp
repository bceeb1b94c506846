#include "bench/vorlanectl_bench.h"

#include <unistd.h>

#include <array>
#include <fstream>
#include <sstream>
#include <vector>

#include "bench/bench_common.h"
#include "cli/commands.h"
#include "image/macro_slots.h"
#include "settings/settings_file.h"

namespace vorlane::bench {

namespace {

// `vorlanectl import` as the program runs it, on a settings file written by export, next to the
// crash-safe replace measured in the same iteration. Two files that differ in one step take
// turns, so that every import writes.
void BM_VorlanectlImport(benchmark::State& state) {
  const std::string image = FolderPath("vorlanectl.bin");
  const ImageBytes bench = BenchImage();
  WriteFile(image, bench);
  ImageBytes other = bench;
  PutStep(other, 0, 0, {});
  const std::array<std::string, 2> files{FolderPath("a.toml"), FolderPath("b.toml")};
  std::ofstream(files[0]) << settings::ExportSettings(bench);
  std::ofstream(files[1]) << settings::ExportSettings(other);

  const DiskFloors floors;
  std::vector<double> beyondFloor;
  int turn = 0;
  for (auto _ : state) {
    std::ostringstream out;
    std::ostringstream err;
    cli::Streams streams{STDIN_FILENO, out, err};
    const std::vector<std::string> arguments{"import", image,
                                             files[static_cast<std::size_t>(turn % 2)]};
    int status = -1;
    bool floorOk = false;
    double imported = 0;
    double floor = 0;
    for (int k = 0; k < 2; ++k) {
      if ((turn + k) % 2 == 0) {
        imported = Measure([&] { status = cli::RunVorlanectl(arguments, streams); });
      } else {
        floor = MeasureReference([&] { floorOk = floors.CrashSafeReplace(); });
      }
    }
    ++turn;
    if (status != cli::kExitOk || !floorOk)
      state.SkipWithError(("import failed: " + err.str()).c_str());
    state.SetIterationTime(imported);
    beyondFloor.push_back(imported - floor);
  }
  if (!beyondFloor.empty()) state.counters[kBeyondCrashSafeFloor] = Median(beyondFloor);
}

}  // namespace

void RegisterVorlanectlBenchmarks(int iterations) {
  Register(kImport, BM_VorlanectlImport, iterations);
}

std::optional<std::vector<ExitFigures>> MeasureVorlanectlProcesses(const std::string& folder,
                                                                   int runs, std::string& error) {
  const std::string image = FolderPath("vorlanectl-processes.bin");
  WriteFile(image, BenchImage());
  // In the order of kBarePrint, kVorlanectlShow and kVorlanectlExport.
  const std::vector<Program> programs{
      {folder + "/bare_print_image", {image}},
      {VORLANE_BENCH_VORLANECTL, {"show", image}},
      {VORLANE_BENCH_VORLANECTL, {"export", image}},
  };
  return MeasureExits(programs, runs, error);
}

}  // namespace vorlane::bench
