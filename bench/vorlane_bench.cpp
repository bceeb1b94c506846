// Benchmarks of the editor's windows and commands, offscreen, next to a bare Qt window measured in
// the same run; then the whole program's start-up and peak memory next to a bare Qt program. Ends
// with one table of every figure against its target.
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
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/figures.h"
#include "bench/processes.h"
#include "image/commands.h"
#include "ui/toolkit/texts.h"
#include "image/layout.h"
#include "ui/macro_editor/keycode.h"
#include "ui/main/form1.h"
#include "ui/step_list/form2.h"
#include "ui/step_list/wheel_pager.h"
#include "ui/toolkit/dialogs.h"
#include "vocabulary/function_catalogue.h"
#include "vocabulary/key_tables.h"

namespace vorlane::bench {
namespace {

using Clock = std::chrono::steady_clock;
using ui::Form1;
using ui::Form2;
using ui::keycode;

constexpr int kRepetitions = 5;
constexpr int kDefaultProcessRuns = 11;
constexpr int kMaxEventRounds = 10'000;
constexpr double kMicro = 1e-6;
constexpr double kMilli = 1e-3;

// Benchmark names; the table finds the figures by them.
constexpr const char* kBareWindow = "BareWindow";
constexpr const char* kMainWindow = "MainWindowShown";
constexpr const char* kLoad = "Load";
constexpr const char* kWriteFsync = "WriteFsyncReference";
constexpr const char* kCrashSafeFloor = "CrashSafeFloor";
constexpr const char* kSave = "Save";
constexpr const char* kSaveSet = "SaveSet";
constexpr const char* kOpenStepList = "OpenStepList";
constexpr const char* kPageTurnBar = "PageTurnScrollBar";
constexpr const char* kPageTurnWheel = "PageTurnWheel";
constexpr const char* kOpenEditor = "OpenEditor";

// Catalogue positions the benchmark image gives M1..M8; all different, so Load raises no clash.
constexpr std::array<int, kButtonCount> kButtonPositions{0, 5, 17, 42, 64, 99, 120, 129};

QSize g_mainWindowSize;                   // read from a real main window at start
std::unique_ptr<QTemporaryDir> g_folder;  // every file the benchmarks write

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string FolderPath(const char* name) {
  return QFile::encodeName(g_folder->filePath(QString::fromLatin1(name))).toStdString();
}

// An image of exactly the minimum size: the eight buttons hold functions, and every macro step
// has a modifier, a delay and keys from the lists, so the step texts are of the usual kind.
ImageBytes BenchImage() {
  ImageBytes image(kMinImageSize);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 3);
  for (std::size_t n = 0; n < kButtonPositions.size(); ++n) {
    image[ButtonOffsets[n]] = static_cast<std::uint8_t>(CatalogueCode(kButtonPositions[n]));
  }
  for (int p = 0; p < kProgCount; ++p) {
    for (int s = 0; s < StepsPerProg; ++s) {
      const std::size_t at = StepOffset(p, s);
      const auto& modifiers = ModifierItems();
      const auto& delays = DelayItems();
      image[at + kStepModifierByte] =
          static_cast<std::uint8_t>(modifiers[static_cast<std::size_t>(s) % modifiers.size()].code);
      image[at + kStepDelayByte] =
          static_cast<std::uint8_t>(delays[static_cast<std::size_t>(s + p) % delays.size()].code);
      for (std::size_t b = kStepFirstKeyByte; b <= kStepLastKeyByte; ++b) {
        const KeyCap& cap =
            KeyCapTable()[(static_cast<std::size_t>(s) * 7 + b * 13) % kKeyCapCount];
        image[at + b] = cap.code;
      }
    }
  }
  return image;
}

void WriteFile(const std::string& path, const ImageBytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Stands in for the modal boxes: the open dialog picks `answer` (or is cancelled), and every
// message is kept so that a benchmark can tell that its command succeeded.
class BenchDialogs final : public ui::Dialogs {
 public:
  void Message(QWidget* /*parent*/, const QString& text) override { messages.push_back(text); }
  std::optional<QString> OpenFile(QWidget* /*parent*/, std::string_view /*filter*/,
                                  const QString& /*startPath*/) override {
    return answer;
  }

  std::optional<QString> answer;
  QStringList messages;
};

// Watches the whole application for the first paint of a widget that `match` picks, so that it
// sees a window that the measured action itself creates.
class PaintWatch final : public QObject {
 public:
  explicit PaintWatch(std::function<bool(QObject*)> match) : match_(std::move(match)) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  ~PaintWatch() override { QCoreApplication::instance()->removeEventFilter(this); }
  PaintWatch(const PaintWatch&) = delete;
  PaintWatch& operator=(const PaintWatch&) = delete;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && match_(watched)) painted_ = true;
    return false;
  }

  // Delivers events until the widget has been painted, its children with it; false if it never is.
  bool Wait() const {
    for (int i = 0; i < kMaxEventRounds && !painted_; ++i) QCoreApplication::processEvents();
    return painted_;
  }

 private:
  std::function<bool(QObject*)> match_;
  bool painted_ = false;
};

template <class Window>
bool IsA(QObject* o) {
  return qobject_cast<Window*>(o) != nullptr;
}

// Everything left over from one iteration (closed windows, pending repaints) is done with outside
// the measured time.
void Drain() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

// A shown main window with the benchmark image loaded from the scratch folder.
struct LoadedWindow {
  Module1 model;
  BenchDialogs dialogs;
  Form1 window{model, dialogs};
  std::string path = FolderPath("device.bin");

  explicit LoadedWindow(benchmark::State& state) {
    WriteFile(path, BenchImage());
    PaintWatch shown([this](QObject* o) { return o == &window; });
    window.show();
    shown.Wait();
    dialogs.answer = QFile::decodeName(QByteArray::fromStdString(path));
    window.Load();
    Drain();
    if (model.ConfigImage.size() != kMinImageSize || !dialogs.messages.isEmpty()) {
      state.SkipWithError("the benchmark image did not load cleanly");
    }
  }

  Form2* OpenStepList(int prog) {
    PaintWatch shown(IsA<Form2>);
    window.OpenStepList(prog);
    shown.Wait();
    return window.StepList();
  }
};

// Times `work`; the function whose instructions bench/callgrind.sh counts.
[[gnu::noipa]] double Measure(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return Seconds(Clock::now() - start);
}

// Times a reference taken next to a benchmark's own work; apart from Measure() so that the
// instruction counts of a save leave its references out.
[[gnu::noipa]] double MeasureReference(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return Seconds(Clock::now() - start);
}

void BM_BareWindow(benchmark::State& state) {
  for (auto _ : state) {
    std::unique_ptr<QWidget> window;
    bool painted = false;
    state.SetIterationTime(Measure([&] {
      window = std::make_unique<QWidget>();
      window->setFixedSize(g_mainWindowSize);
      PaintWatch shown([w = window.get()](QObject* o) { return o == w; });
      window->show();
      painted = shown.Wait();
    }));
    window.reset();
    Drain();
    if (!painted) state.SkipWithError("the bare window was never painted");
  }
}

void BM_MainWindowShown(benchmark::State& state) {
  Module1 model;
  BenchDialogs dialogs;
  for (auto _ : state) {
    std::unique_ptr<Form1> window;
    bool painted = false;
    state.SetIterationTime(Measure([&] {
      window = std::make_unique<Form1>(model, dialogs);
      PaintWatch shown([w = window.get()](QObject* o) { return o == w; });
      window->show();
      painted = shown.Wait();
    }));
    window.reset();
    Drain();
    if (!painted) state.SkipWithError("the main window was never painted");
  }
}

// "Load" as the button runs it: the open dialog's answer, the read, the eight lists set through
// the clash rule, the mirrors refreshed. The repaint of the lists follows outside the figure.
void BM_Load(benchmark::State& state) {
  LoadedWindow f(state);
  for (auto _ : state) {
    state.SetIterationTime(Measure([&] { f.window.Load(); }));
    Drain();
  }
  if (!f.dialogs.messages.isEmpty()) state.SkipWithError("Load showed a message");
}

// What the saves are measured against: bare system calls on files of the image's size in the same
// folder the saves write to.
class DiskFloors {
 public:
  DiskFloors() {
    WriteFile(inPlace_, image_);
    WriteFile(replaced_, image_);
  }

  // One write and one flush over an existing file: the floor of any save that reaches the disk.
  bool WriteFsync() const {
    const int fd = ::open(inPlace_.c_str(), O_WRONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && WriteAndSync(fd);
    if (fd >= 0) ::close(fd);
    return ok;
  }

  // The least a save that no crash can damage needs: write and flush a new file, rename it over
  // the old one, flush the folder so that the rename lasts.
  bool CrashSafeReplace() const {
    std::string name = FolderPath(".floor-XXXXXX");
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    bool ok = WriteAndSync(fd);
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(name.c_str(), replaced_.c_str()) == 0;
    const int dir =
        ::open(QFile::encodeName(g_folder->path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ok = ok && dir >= 0 && ::fsync(dir) == 0;
    if (dir >= 0) ::close(dir);
    if (!ok) ::unlink(name.c_str());
    return ok;
  }

 private:
  bool WriteAndSync(int fd) const {
    return ::write(fd, image_.data(), image_.size()) == static_cast<ssize_t>(image_.size()) &&
           ::fsync(fd) == 0;
  }

  ImageBytes image_ = BenchImage();
  std::string inPlace_ = FolderPath("reference.bin");
  std::string replaced_ = FolderPath("floor.bin");
};

void BM_WriteFsyncReference(benchmark::State& state) {
  const DiskFloors floors;
  for (auto _ : state) {
    bool ok = false;
    state.SetIterationTime(Measure([&] { ok = floors.WriteFsync(); }));
    if (!ok) state.SkipWithError(std::strerror(errno));
  }
}

void BM_CrashSafeFloor(benchmark::State& state) {
  const DiskFloors floors;
  for (auto _ : state) {
    bool ok = false;
    state.SetIterationTime(Measure([&] { ok = floors.CrashSafeReplace(); }));
    if (!ok) state.SkipWithError(std::strerror(errno));
  }
}

bool SavedCleanly(const BenchDialogs& dialogs) {
  return dialogs.messages.size() == 1 && dialogs.messages.front() == QLatin1String(ui::kSavedMessage);
}

// Counters of the save benchmarks: the save's time minus that of each floor, measured next to it
// in the same iteration. A flush to a shared disk can take ten times longer from one moment to the
// next, so only a paired difference says what the save adds.
constexpr const char* kBeyondWriteFsync = "beyond_write_fsync";
constexpr const char* kBeyondCrashSafeFloor = "beyond_crash_safe_floor";

// Times `save` (which must succeed with the success message) next to both floors, taking turns
// in the order so that none always follows the same one.
void PairedSaves(benchmark::State& state, BenchDialogs& dialogs,
                 const std::function<void()>& save) {
  const DiskFloors floors;
  std::vector<double> beyondWriteFsync;
  std::vector<double> beyondFloor;
  int turn = 0;
  for (auto _ : state) {
    double saved = 0;
    double writeFsync = 0;
    double floor = 0;
    bool ok = true;
    for (int k = 0; k < 3; ++k) {
      switch ((turn + k) % 3) {
        case 0:
          saved = Measure(save);
          ok = SavedCleanly(dialogs) && ok;
          dialogs.messages.clear();
          break;
        case 1:
          writeFsync = MeasureReference([&] { ok = floors.WriteFsync() && ok; });
          break;
        default:
          floor = MeasureReference([&] { ok = floors.CrashSafeReplace() && ok; });
          break;
      }
    }
    ++turn;
    if (!ok) state.SkipWithError("a save or a floor failed");
    state.SetIterationTime(saved);
    beyondWriteFsync.push_back(saved - writeFsync);
    beyondFloor.push_back(saved - floor);
    Drain();
  }
  if (!beyondWriteFsync.empty()) {
    state.counters[kBeyondWriteFsync] = Median(beyondWriteFsync);
    state.counters[kBeyondCrashSafeFloor] = Median(beyondFloor);
  }
}

void BM_Save(benchmark::State& state) {
  LoadedWindow f(state);
  PairedSaves(state, f.dialogs, [&] { f.window.Save(); });
}

// "Save Set" with the step list open, so that its row is rewritten as well.
void BM_SaveSet(benchmark::State& state) {
  LoadedWindow f(state);
  f.OpenStepList(0);
  f.window.OpenEditor(5);
  Drain();
  keycode* editor = f.window.Editor();
  PairedSaves(state, f.dialogs, [&] { editor->SaveSet(); });
}

// A click on "Set ProgN" until the new list is painted. The list it replaces is closed beforehand,
// outside the figure.
void BM_OpenStepList(benchmark::State& state) {
  LoadedWindow f(state);
  int prog = 0;
  for (auto _ : state) {
    if (Form2* old = f.window.StepList()) old->close();
    Drain();
    bool painted = false;
    state.SetIterationTime(Measure([&] {
      PaintWatch shown(IsA<Form2>);
      f.window.OpenStepList(prog);
      painted = shown.Wait();
    }));
    if (!painted) state.SkipWithError("the step list was never painted");
    prog = (prog + 1) % kProgCount;
  }
}

// Turns pages back and forth across the whole list with `turn`, each until the first row of the
// new page has been painted.
void PageTurns(benchmark::State& state, const std::function<void(Form2*, int direction)>& turn) {
  LoadedWindow f(state);
  Form2* list = f.OpenStepList(0);
  QScrollBar* bar = list->VScroll1();
  int direction = 1;
  for (auto _ : state) {
    if (bar->value() == bar->maximum()) direction = -1;
    if (bar->value() == bar->minimum()) direction = 1;
    const int page = bar->value() + direction;
    QWidget* firstRow = list->Label2(page * ui::kRowsPerPage);
    bool painted = false;
    state.SetIterationTime(Measure([&] {
      PaintWatch shown([firstRow](QObject* o) { return o == firstRow; });
      turn(list, direction);
      painted = shown.Wait();
    }));
    if (!painted || bar->value() != page) state.SkipWithError("the page did not turn");
  }
}

void BM_PageTurnScrollBar(benchmark::State& state) {
  // What a click on an arrow of the bar does.
  PageTurns(state, [](Form2* list, int direction) {
    list->VScroll1()->triggerAction(direction > 0 ? QAbstractSlider::SliderSingleStepAdd
                                                  : QAbstractSlider::SliderSingleStepSub);
  });
}

void BM_PageTurnWheel(benchmark::State& state) {
  // One notch; toward the user turns forward.
  PageTurns(state, [](Form2* list, int direction) {
    const QPointF at(list->width() / 2.0, list->height() / 2.0);
    QWheelEvent notch(at, list->mapToGlobal(at), QPoint(),
                      QPoint(0, -direction * ui::WheelPager::kNotch), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list, &notch);
  });
}

// A double-click on a row until the editor is painted. The editor it replaces is closed
// beforehand, outside the figure.
void BM_OpenEditor(benchmark::State& state) {
  LoadedWindow f(state);
  f.OpenStepList(0);
  int step = 0;
  for (auto _ : state) {
    if (keycode* old = f.window.Editor()) old->close();
    Drain();
    bool painted = false;
    state.SetIterationTime(Measure([&] {
      PaintWatch shown(IsA<keycode>);
      f.window.OpenEditor(step);
      painted = shown.Wait();
    }));
    if (!painted) state.SkipWithError("the editor was never painted");
    step = (step + 1) % StepsPerProg;
  }
}

void RegisterBenchmarks(int iterations) {
  const std::vector<std::pair<const char*, void (*)(benchmark::State&)>> all{
      {kBareWindow, BM_BareWindow},
      {kMainWindow, BM_MainWindowShown},
      {kLoad, BM_Load},
      {kWriteFsync, BM_WriteFsyncReference},
      {kCrashSafeFloor, BM_CrashSafeFloor},
      {kSave, BM_Save},
      {kSaveSet, BM_SaveSet},
      {kOpenStepList, BM_OpenStepList},
      {kPageTurnBar, BM_PageTurnScrollBar},
      {kPageTurnWheel, BM_PageTurnWheel},
      {kOpenEditor, BM_OpenEditor},
  };
  for (const auto& [name, function] : all) {
    benchmark::internal::Benchmark* b = benchmark::RegisterBenchmark(name, function)
                                            ->UseManualTime()
                                            ->Unit(benchmark::kMicrosecond);
    if (iterations > 0) {
      b->Iterations(iterations)->Repetitions(1);
    } else {
      b->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
    }
  }
}

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
              g_mainWindowSize.width(), g_mainWindowSize.height());
  std::printf("Files written in: %s\n", qPrintable(g_folder->path()));
}

QSize MainWindowSize() {
  Module1 model;
  BenchDialogs dialogs;
  const Form1 window(model, dialogs);
  return window.size();
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
constexpr std::size_t kVorlane = 2;

std::vector<Row> TableRows(const CollectingReporter& reporter,
                           const std::optional<std::vector<ProcessFigures>>& processes) {
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
  rows.push_back(process("vorlane: process start to main window shown", kVorlane, Unit::Seconds,
                         {Target::Kind::RatioAtMost, 1.5}));
  rows.push_back(process("Bare Qt program: peak memory (VmHWM)", kBareProgram, Unit::KiB, none));
  rows.push_back(
      process("  the same with one line of text", kBareProgramWithText, Unit::KiB, none));
  rows.push_back(process("vorlane: peak memory (VmHWM)", kVorlane, Unit::KiB,
                         {Target::Kind::RatioAtMost, 1.3}));
  return rows;
}

int Main(int argc, char** argv) {
  const int processRuns = TakeNumberFlag(argc, argv, "process_runs", kDefaultProcessRuns);
  const int iterations = TakeNumberFlag(argc, argv, "iterations", 0);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  benchmark::Initialize(&argc, argv);
  QApplication app(argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  g_folder = std::make_unique<QTemporaryDir>();
  if (!g_folder->isValid()) {
    std::fprintf(stderr, "cannot make a scratch folder\n");
    return 1;
  }
  g_mainWindowSize = MainWindowSize();

  RegisterBenchmarks(iterations);
  CollectingReporter reporter(::isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Defaults
                                                      : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::optional<std::vector<ProcessFigures>> processes;
  if (processRuns > 0) {
    const QString dir = QCoreApplication::applicationDirPath();
    const std::string bareProgram =
        QFile::encodeName(dir + QStringLiteral("/bare_qt_window")).toStdString();
    const std::string width = std::to_string(g_mainWindowSize.width());
    const std::string height = std::to_string(g_mainWindowSize.height());
    // In the order of kBareProgram, kBareProgramWithText and kVorlane.
    const std::vector<Program> programs{
        {bareProgram, {width, height}},
        {bareProgram, {width, height, "Load"}},
        {QFile::encodeName(dir + QStringLiteral("/vorlane_shown")).toStdString(), {}},
    };
    std::printf("\nWhole processes: %d runs each, taking turns...\n", processRuns);
    std::fflush(stdout);
    std::string error;
    processes = MeasureProcesses(programs, processRuns, error);
    if (!processes) std::fprintf(stderr, "whole-process runs failed: %s\n", error.c_str());
  }

  const std::vector<Row> rows = TableRows(reporter, processes);
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
  const bool failed = !reporter.Failed().empty() || (processRuns > 0 && !processes);
  return failed ? 1 : 0;
}

}  // namespace
}  // namespace vorlane::bench

int main(int argc, char** argv) { return vorlane::bench::Main(argc, argv); }
