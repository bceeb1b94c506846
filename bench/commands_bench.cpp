// The commands that write the image: Save and Save Set, each next to the disk floors measured in
// the same iteration, and the floors on their own.
#include <QLatin1String>

#include <cerrno>
#include <cstring>
#include <vector>

#include "bench/bench_common.h"
#include "bench/processes.h"
#include "bench/window_fixture.h"
#include "history/store.h"
#include "image/editor_saves.h"
#include "ui/macro_editor/keycode.h"
#include "ui/toolkit/texts.h"

namespace vorlane::bench {

namespace {

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
  return dialogs.messages.size() == 1 &&
         dialogs.messages.front() == QLatin1String(ui::kSavedMessage);
}

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
  ui::keycode* editor = f.window.Editor();
  PairedSaves(state, f.dialogs, [&] { editor->SaveSet(); });
}

// What a write spends on its history entry before it replaces the file: the entry written
// crash-safely, and the folder trimmed to the newest 100 (the loop passes 100 in its first run);
// next to the crash-safe replace's own system calls, in turns.
void BM_HistoryEntry(benchmark::State& state) {
  const DiskFloors floors;
  history::Store store(ScratchFolder() + "/history");
  const std::string image = ScratchFolder() + "/history-bench.bin";
  ImageBytes before(kMinImageSize, 0);
  std::vector<double> beyondFloor;
  bool first = true;
  for (auto _ : state) {
    ++before[0];
    std::string warning;
    double floor = 0;
    if (first) floor = MeasureReference([&] { floors.CrashSafeReplace(); });
    const double kept = Measure([&] { warning = store.Keep(image, before, {"vorlane", "Save"}); });
    if (!first) floor = MeasureReference([&] { floors.CrashSafeReplace(); });
    first = !first;
    if (!warning.empty()) state.SkipWithError(warning.c_str());
    state.SetIterationTime(kept);
    beyondFloor.push_back(kept - floor);
  }
  if (!beyondFloor.empty()) state.counters[kBeyondCrashSafeFloor] = Median(beyondFloor);
}

}  // namespace

void RegisterCommandBenchmarks(int iterations) {
  Register(kWriteFsync, BM_WriteFsyncReference, iterations);
  Register(kCrashSafeFloor, BM_CrashSafeFloor, iterations);
  Register(kSave, BM_Save, iterations);
  Register(kSaveSet, BM_SaveSet, iterations);
  Register(kHistoryEntry, BM_HistoryEntry, iterations);
}

}  // namespace vorlane::bench
