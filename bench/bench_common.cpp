#include "bench/bench_common.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "image/layout.h"
#include "vocabulary/function_catalogue.h"
#include "vocabulary/key_tables.h"

namespace vorlane::bench {

namespace {

// Catalogue positions the benchmark image gives M1..M8; all different, so Load raises no clash.
constexpr std::array<int, kButtonCount> kButtonPositions{0, 5, 17, 42, 64, 99, 120, 129};

std::string g_folder;

}  // namespace

bool MakeScratchFolder() {
  std::string templ = (std::filesystem::temp_directory_path() / "vorlane-bench-XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) return false;
  g_folder = templ;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(g_folder, ec);
  });
  return true;
}

const std::string& ScratchFolder() { return g_folder; }

std::string FolderPath(const char* name) { return g_folder + "/" + name; }

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

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

[[gnu::noipa]] double Measure(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return Seconds(Clock::now() - start);
}

[[gnu::noipa]] double MeasureReference(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return Seconds(Clock::now() - start);
}

DiskFloors::DiskFloors() {
  WriteFile(inPlace_, image_);
  WriteFile(replaced_, image_);
}

bool DiskFloors::WriteFsync() const {
  const int fd = ::open(inPlace_.c_str(), O_WRONLY | O_CLOEXEC);
  const bool ok = fd >= 0 && WriteAndSync(fd);
  if (fd >= 0) ::close(fd);
  return ok;
}

bool DiskFloors::CrashSafeReplace() const {
  std::string name = FolderPath(".floor-XXXXXX");
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  bool ok = WriteAndSync(fd);
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(name.c_str(), replaced_.c_str()) == 0;
  const int dir = ::open(g_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ok = ok && dir >= 0 && ::fsync(dir) == 0;
  if (dir >= 0) ::close(dir);
  if (!ok) ::unlink(name.c_str());
  return ok;
}

bool DiskFloors::WriteAndSync(int fd) const {
  return ::write(fd, image_.data(), image_.size()) == static_cast<ssize_t>(image_.size()) &&
         ::fsync(fd) == 0;
}

void Register(const char* name, void (*function)(benchmark::State&), int iterations) {
  benchmark::internal::Benchmark* b =
      benchmark::RegisterBenchmark(name, function)->UseManualTime()->Unit(benchmark::kMicrosecond);
  if (iterations > 0) {
    b->Iterations(iterations)->Repetitions(1);
  } else {
    b->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
  }
}

}  // namespace vorlane::bench
