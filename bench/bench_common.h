// What the benchmarks of every subject share: the scratch folder, the benchmark image, the timed
// region, the disk floors, the benchmark names the closing table looks up, and registration.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <string>

#include "image/module1.h"

namespace vorlane::bench {

using Clock = std::chrono::steady_clock;

inline constexpr double kMicro = 1e-6;
inline constexpr double kMilli = 1e-3;

// Benchmark names; the table finds the figures by them.
inline constexpr const char* kBareWindow = "BareWindow";
inline constexpr const char* kMainWindow = "MainWindowShown";
inline constexpr const char* kLoad = "Load";
inline constexpr const char* kWriteFsync = "WriteFsyncReference";
inline constexpr const char* kCrashSafeFloor = "CrashSafeFloor";
inline constexpr const char* kSave = "Save";
inline constexpr const char* kSaveSet = "SaveSet";
inline constexpr const char* kHistoryEntry = "HistoryEntry";
inline constexpr const char* kOpenStepList = "OpenStepList";
inline constexpr const char* kPageTurnBar = "PageTurnScrollBar";
inline constexpr const char* kPageTurnWheel = "PageTurnWheel";
inline constexpr const char* kOpenEditor = "OpenEditor";
inline constexpr const char* kImport = "VorlanectlImport";

// Counters of the benchmarks paired with floors: the benchmark's time minus that of each floor,
// measured next to it in the same iteration. A flush to a shared disk can take ten times longer
// from one moment to the next, so only a paired difference says what the benchmark adds.
inline constexpr const char* kBeyondWriteFsync = "beyond_write_fsync";
inline constexpr const char* kBeyondCrashSafeFloor = "beyond_crash_safe_floor";

// Makes the folder every benchmark writes in; false when it cannot.
bool MakeScratchFolder();
const std::string& ScratchFolder();
std::string FolderPath(const char* name);

double Seconds(Clock::duration d);

// An image of exactly the minimum size: the eight buttons hold functions, and every macro step
// has a modifier, a delay and keys from the lists, so the step texts are of the usual kind.
ImageBytes BenchImage();
void WriteFile(const std::string& path, const ImageBytes& bytes);

// Times `work`; the function whose instructions bench/callgrind.sh counts.
double Measure(const std::function<void()>& work);
// Times a reference taken next to a benchmark's own work; apart from Measure() so that the
// instruction counts of a benchmark leave its references out.
double MeasureReference(const std::function<void()>& work);

// What the writing benchmarks are measured against: bare system calls on files of the image's
// size in the folder the benchmarks write to.
class DiskFloors {
 public:
  DiskFloors();

  // One write and one flush over an existing file: the floor of any save that reaches the disk.
  bool WriteFsync() const;

  // The least a save that no crash can damage needs: write and flush a new file, rename it over
  // the old one, flush the folder so that the rename lasts.
  bool CrashSafeReplace() const;

 private:
  bool WriteAndSync(int fd) const;

  ImageBytes image_ = BenchImage();
  std::string inPlace_ = FolderPath("reference.bin");
  std::string replaced_ = FolderPath("floor.bin");
};

// Registers a benchmark timed by Measure() through manual time, in microseconds: for exactly
// `iterations` iterations when that is above 0 (for callgrind), else as long as timing needs, in
// kRepetitions repetitions of which the table takes the median.
inline constexpr int kRepetitions = 5;
void Register(const char* name, void (*function)(benchmark::State&), int iterations);

// Registers the benchmarks of each subject.
void RegisterWindowBenchmarks(int iterations);      // windows_bench.cpp
void RegisterCommandBenchmarks(int iterations);     // commands_bench.cpp
void RegisterVorlanectlBenchmarks(int iterations);  // vorlanectl_bench.cpp

}  // namespace vorlane::bench
