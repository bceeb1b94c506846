#include "bench/vorlanectl_bench.h"

#include <unistd.h>

#include <array>
#include <filesystem>
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

Measured<std::vector<ExitFigures>> MeasureVorlanectlProcesses(const std::string& folder, int runs) {
  const std::string image = FolderPath("vorlanectl-processes.bin");
  WriteFile(image, BenchImage());
  // In the order of kBarePrint, kVorlanectlShow and kVorlanectlExport.
  const std::vector<Program> programs{
      {folder + "/bare_print_image", {image}},
      {VORLANE_BENCH_VORLANECTL, {"show", image}},
      {VORLANE_BENCH_VORLANECTL, {"export", image}},
  };
  return MeasureExits(programs, runs);
}

Measured<std::vector<ExitFigures>> MeasureLayoutTyping(int runs) {
  // 100 characters of German: umlauts, "ß", capitals, AltGr for "@", "€" and the dash.
  constexpr std::string_view kText =
      "Grüße aus Köln! Die Straße ist 12,5 km lang; Preis: 30 € (inkl. MwSt.) – Fragen an "
      "info@beispiel.de?";
  const std::string other = std::string(kText.substr(0, kText.size() - 1)) + "!";
  std::error_code ec;
  const bool memory = std::filesystem::is_directory("/dev/shm", ec);
  const std::string inMemory =
      memory ? "/dev/shm/" + std::filesystem::path(ScratchFolder()).filename().string() + ".bin"
             : FolderPath("typed-in-memory.bin");
  const std::string onDisk = FolderPath("typed.bin");
  for (const std::string& image : {inMemory, onDisk}) WriteFile(image, BenchImage());
  auto type = [&](const std::string& image, std::string_view text) {
    return Program{VORLANE_BENCH_VORLANECTL,
                   {"type", image, "Prog1", std::string(text), "--layout", "de"}};
  };
  // In the order of kHowToType, kTypeLayoutInMemory and kTypeLayoutOnDisk, with the runs that
  // write the other text after each.
  const std::vector<Program> programs{
      {"/usr/bin/xkbcli", {"how-to-type", "--layout", "de", "97"}},
      type(inMemory, kText),
      type(inMemory, other),
      type(onDisk, kText),
      type(onDisk, other),
  };
  Measured<std::vector<ExitFigures>> figures = MeasureExits(programs, runs);
  std::filesystem::remove(inMemory, ec);
  return figures;
}

}  // namespace vorlane::bench
