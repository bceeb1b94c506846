// Benchmarks of the editor's windows and commands, offscreen, next to a bare Qt window measured in
// the same run; then the whole program's start-up and peak memory next to a bare Qt program; then
// vorlanectl: import next to the crash-safe replace, show and export as processes next to a bare
// C++ program, type --layout next to xkbcli how-to-type. Ends with one table of every figure
// against its target. The benchmarks themselves
// live by subject in windows_bench.cpp, commands_bench.cpp and vorlanectl_bench.cpp.
//
//   QT_QPA_PLATFORM=offscreen vorlane_bench [--process_runs=N] [--iterations=N]
//                                           [--benchmark_filter=...]
//
// --iterations=N runs every benchmark for exactly N iterations and one repetition instead of as
// long as timing needs: for counting instructions under callgrind (bench/callgrind.sh), where two
// runs with different N give the cost of one iteration.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_common.h"
#include "bench/figures.h"
#include "bench/processes.h"
#include "bench/vorlanectl_bench.h"
#include "bench/window_fixture.h"

namespace vorlane::bench {
namespace {

constexpr int kDefaultProcessRuns = 11;

// Prints as the console reporter does and keeps the median of every benchmark for the table.
class CollectingReporter final : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const std::string& name = run.run_name.function_name;
      if (run.error_occurred) {
        failed_[name] = run.error_message;
        continue;
      }
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      if (median || single) {
        medians_[name] =
            run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        for (const auto& [counter, value] : run.counters) counters_[name][counter] = value.value;
      }
    }
  }

  std::optional<double> Median(const std::string& name) const {
    if (failed_.count(name) != 0) return std::nullopt;
    const auto it = medians_.find(name);
    if (it == medians_.end()) return std::nullopt;
    return it->second;
  }
  // The median of a counter the benchmark set.
  std::optional<double> Counter(const std::string& name, const std::string& counter) const {
    if (failed_.count(name) != 0) return std::nullopt;
    const auto it = counters_.find(name);
    if (it == counters_.end()) return std::nullopt;
    const auto c = it->second.find(counter);
    if (c == it->second.end()) return std::nullopt;
    return c->second;
  }
  const std::map<std::string, std::string>& Failed() const { return failed_; }

 private:
  std::map<std::string, double> medians_;
  std::map<std::string, std::map<std::string, double>> counters_;
  std::map<std::string, std::string> failed_;
};

std::string ProcLine(const char* file, const char* key) {
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key, 0) == 0) {
      const std::size_t colon = line.find(':');
      if (colon == std::string::npos) return {};
      const std::size_t first = line.find_first_not_of(" \t", colon + 1);
      return first == std::string::npos ? std::string() : line.substr(first);
    }
  }
  return {};
}

void PrintMachine() {
  std::printf("Machine: %ld cores online, %s, memory %s; Qt %s, QPA platform %s\n",
              ::sysconf(_SC_NPROCESSORS_ONLN), ProcLine("/proc/cpuinfo", "model name").c_str(),
              ProcLine("/proc/meminfo", "MemTotal").c_str(), qVersion(),
              qPrintable(QGuiApplication::platformName()));
  std::printf("Main window size: %dx%d px, the size of the bare window and program too\n",
              MainWindowSize().width(), MainWindowSize().height());
  for (const ShownFace& face : MainWindowFaces()) {
    std::printf("Main window face: %s\t%s\n", qPrintable(face.font), qPrintable(face.captions));
  }
  std::printf("Files written in: %s\n", ScratchFolder().c_str());
}

// Takes `--<name>=N` out of the arguments and gives N, or `fallback` when it is not there; the
// rest belong to Google Benchmark and Qt.
int TakeNumberFlag(int& argc, char** argv, std::string_view name, int fallback) {
  const std::string flag = "--" + std::string(name) + "=";
  int value = fallback;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.substr(0, flag.size()) == flag) {
      value = std::atoi(argv[i] + flag.size());
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  argv[argc] = nullptr;
  return value;
}

// The programs of the whole-process runs, by their place in the run.
constexpr std::size_t kBareProgram = 0;
constexpr std::size_t kBareProgramWithText = 1;
constexpr std::size_t kBareProgramWithFaces = 2;
constexpr std::size_t kVorlane = 3;

std::vector<Row> TableRows(const CollectingReporter& reporter,
                           const std::optional<std::vector<ProcessFigures>>& processes,
                           const std::optional<std::vector<ExitFigures>>& vorlanectl,
                           const std::optional<std::vector<ExitFigures>>& layouts) {
  const std::optional<double> bareWindow = reporter.Median(kBareWindow);
  const std::optional<double> writeFsync = reporter.Median(kWriteFsync);
  auto inProcess = [&](const char* label, const char* name, Target target) {
    Row row;
    row.label = label;
    row.value = reporter.Median(name);
    row.baselineName = "bare window";
    row.baseline = bareWindow;
    row.target = target;
    return row;
  };
  auto save = [&](const char* label, const char* name) {
    Row row = inProcess(label, name, {Target::Kind::ReferencePlus, 100 * kMicro});
    row.referenceName = "write+fsync";
    row.reference = writeFsync;
    row.pairedExcess = reporter.Counter(name, kBeyondWriteFsync);
    return row;
  };
  auto beyondFloor = [&](const char* label, const char* name) {
    Row row;
    row.label = label;
    row.value = reporter.Counter(name, kBeyondCrashSafeFloor);
    return row;
  };
  const Target none{};
  std::vector<Row> rows{
      inProcess("Bare Qt window of the main window's size, created and shown", kBareWindow, none),
      inProcess("Main window created and shown (8 x 130 list items)", kMainWindow,
                {Target::Kind::RatioAtMost, 3}),
      inProcess("Load of a 27,804-byte image (read, map, refresh)", kLoad,
                {Target::Kind::Below, 200 * kMicro}),
      inProcess("Reference: write + fsync of 27,804 bytes", kWriteFsync, none),
      inProcess("Reference: crash-safe replace (new file, fsync, rename, fsync folder)",
                kCrashSafeFloor, none),
      save("Save (crash-safe write)", kSave),
      beyondFloor("  Save minus the crash-safe replace (paired)", kSave),
      save("Save Set (crash-safe write, row, mirrors)", kSaveSet),
      beyondFloor("  Save Set minus the crash-safe replace (paired)", kSaveSet),
      inProcess("Open the step list (100 rows) until painted", kOpenStepList,
                {Target::Kind::Below, 10 * kMilli}),
      inProcess("One page turn by the scroll bar, painted", kPageTurnBar,
                {Target::Kind::Below, 1 * kMilli}),
      inProcess("One page turn by the wheel, painted", kPageTurnWheel,
                {Target::Kind::Below, 1 * kMilli}),
      inProcess("Open the macro editor (105 key-caps) until painted", kOpenEditor,
                {Target::Kind::Below, 10 * kMilli}),
  };

  auto process = [&](const char* label, std::size_t program, Unit unit, Target target) {
    Row row;
    row.label = label;
    row.unit = unit;
    row.baselineName = "bare program";
    if (processes) {
      const ProcessFigures& f = processes->at(program);
      const bool memory = unit == Unit::KiB;
      row.value = memory ? f.medianPeakRssKiB : f.medianShownSeconds;
      row.pairedRatio = memory ? f.medianPeakRssRatio : f.medianShownRatio;
    }
    row.target = target;
    return row;
  };
  rows.push_back(
      process("Bare Qt program: process start to window shown", kBareProgram, Unit::Seconds, none));
  rows.push_back(process("  the same with one line of text (the font set-up)", kBareProgramWithText,
                         Unit::Seconds, none));
  rows.push_back(process("  the same with the main window's faces and captions",
                         kBareProgramWithFaces, Unit::Seconds, none));
  rows.push_back(process("vorlane: process start to main window shown", kVorlane, Unit::Seconds,
                         {Target::Kind::RatioAtMost, 1.5}));
  rows.push_back(process("Bare Qt program: peak memory (VmHWM)", kBareProgram, Unit::KiB, none));
  rows.push_back(
      process("  the same with one line of text", kBareProgramWithText, Unit::KiB, none));
  rows.push_back(process("  the same with the main window's faces and captions",
                         kBareProgramWithFaces, Unit::KiB, none));
  rows.push_back(process("vorlane: peak memory (VmHWM)", kVorlane, Unit::KiB,
                         {Target::Kind::RatioAtMost, 1.2}));

  Row import = inProcess("vorlanectl import in process (read, parse, check, crash-safe write)",
                         kImport, {Target::Kind::ReferencePlus, 1 * kMilli});
  import.baselineName = "crash-safe replace";
  import.baseline = reporter.Median(kCrashSafeFloor);
  import.referenceName = "crash-safe replace";
  import.reference = import.baseline;
  import.pairedExcess = reporter.Counter(kImport, kBeyondCrashSafeFloor);
  rows.push_back(import);
  rows.push_back(beyondFloor("  import minus the crash-safe replace (paired)", kImport));
  Row entry = inProcess("History entry a write keeps first (crash-safe, newest 100 kept)",
                        kHistoryEntry, {Target::Kind::Below, 1 * kMilli});
  entry.baselineName = "crash-safe replace";
  entry.baseline = reporter.Median(kCrashSafeFloor);
  rows.push_back(entry);
  rows.push_back(
      beyondFloor("  history entry minus the crash-safe replace (paired)", kHistoryEntry));
  // A whole-process row of `runs`, against that set's own baseline program.
  auto processRow = [](const std::optional<std::vector<ExitFigures>>& runs, const char* baseline) {
    return [&runs, baseline](const char* label, std::size_t program, Target target) {
      Row row;
      row.label = label;
      row.baselineName = baseline;
      if (runs) {
        row.value = runs->at(program).medianSeconds;
        row.pairedRatio = runs->at(program).medianRatio;
      }
      row.target = target;
      return row;
    };
  };
  const auto command = processRow(vorlanectl, "bare C++ program");
  const auto layout = processRow(layouts, "how-to-type");
  rows.push_back(command("Bare C++ program: read the image, print 1 KB (process start to end)",
                         kBarePrint, none));
  rows.push_back(command("vorlanectl show (process start to end)", kVorlanectlShow,
                         {Target::Kind::RatioAtMost, 1.5}));
  rows.push_back(command("vorlanectl export (process start to end)", kVorlanectlExport,
                         {Target::Kind::RatioAtMost, 1.5}));
  rows.push_back(
      layout("xkbcli how-to-type --layout de 97 (process start to end)", kHowToType, none));
  rows.push_back(layout("vorlanectl type --layout de, 100 characters, image in memory",
                        kTypeLayoutInMemory, {Target::Kind::RatioAtMost, 1.3}));
  rows.push_back(layout("  the same with the image on disk (the crash-safe write's fsyncs)",
                        kTypeLayoutOnDisk, none));
  return rows;
}

int Main(int argc, char** argv) {
  const int processRuns = TakeNumberFlag(argc, argv, "process_runs", kDefaultProcessRuns);
  const int iterations = TakeNumberFlag(argc, argv, "iterations", 0);
  // Off screen on a desktop-wide screen, where every window keeps its size: on the offscreen
  // plugin's own 800x800 the editor would shrink to fit.
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform == nullptr || std::string_view(platform).empty() ||
      std::string_view(platform) == "offscreen") {
    ::setenv("QT_QPA_PLATFORM", "offscreen:configfile=" VORLANE_BENCH_SCREENS, 1);
  }
  benchmark::Initialize(&argc, argv);
  QApplication app(argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  if (!MakeScratchFolder()) {
    std::fprintf(stderr, "cannot make a scratch folder\n");
    return 1;
  }
  // The history of every image the benchmark writes stays in its scratch folder.
  ::setenv("XDG_STATE_HOME", (ScratchFolder() + "/state").c_str(), 1);
  MainWindowSize();

  RegisterWindowBenchmarks(iterations);
  RegisterCommandBenchmarks(iterations);
  RegisterVorlanectlBenchmarks(iterations);
  CollectingReporter reporter(::isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Defaults
                                                      : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::optional<std::vector<ProcessFigures>> processes;
  std::optional<std::vector<ExitFigures>> vorlanectl;
  std::optional<std::vector<ExitFigures>> layouts;
  if (processRuns > 0) {
    const QString dir = QCoreApplication::applicationDirPath();
    const std::string bareProgram =
        QFile::encodeName(dir + QStringLiteral("/bare_qt_window")).toStdString();
    const std::string width = std::to_string(MainWindowSize().width());
    const std::string height = std::to_string(MainWindowSize().height());
    // The bare program draws each face's captions in it, or a space where it shows none.
    std::vector<std::string> withFaces{width, height};
    for (const ShownFace& face : MainWindowFaces()) {
      withFaces.push_back(face.captions.isEmpty() ? " " : face.captions.toStdString());
      withFaces.push_back(face.font.toStdString());
    }
    // In the order of kBareProgram, kBareProgramWithText, kBareProgramWithFaces and kVorlane.
    const std::vector<Program> programs{
        {bareProgram, {width, height}},
        {bareProgram, {width, height, "Load"}},
        {bareProgram, withFaces},
        {QFile::encodeName(dir + QStringLiteral("/vorlane_shown")).toStdString(), {}},
    };
    std::printf("\nWhole processes: %d runs each, taking turns...\n", processRuns);
    std::fflush(stdout);
    auto figures = [](auto measured, const char* what) {
      if (measured.error)
        std::fprintf(stderr, "%s runs failed: %s\n", what, measured.error->c_str());
      return measured.figures;
    };
    processes = figures(MeasureProcesses(programs, processRuns), "whole-process");
    vorlanectl =
        figures(MeasureVorlanectlProcesses(QFile::encodeName(dir).toStdString(), processRuns),
                "vorlanectl process");
    layouts = figures(MeasureLayoutTyping(processRuns), "layout process");
  }

  const std::vector<Row> rows = TableRows(reporter, processes, vorlanectl, layouts);
  std::printf("\n");
  PrintMachine();
  if (iterations > 0) {
    std::printf(
        "Fixed at %d iterations for counting instructions: the in-process times below mix\n"
        "in the first, cold iteration and are no benchmark figures.\n",
        iterations);
  }
  std::printf(
      "Medians: %d repetitions in process; %d rounds of one run per program, the ratios taken "
      "round by round.\n\n",
      iterations > 0 ? 1 : kRepetitions, processRuns);
  PrintTable(stdout, rows);
  for (const auto& [name, message] : reporter.Failed()) {
    std::fprintf(stderr, "%s failed: %s\n", name.c_str(), message.c_str());
  }
  const bool failed =
      !reporter.Failed().empty() || (processRuns > 0 && (!processes || !vorlanectl || !layouts));
  return failed ? 1 : 0;
}

}  // namespace
}  // namespace vorlane::bench

int main(int argc, char** argv) { return vorlane::bench::Main(argc, argv); }
