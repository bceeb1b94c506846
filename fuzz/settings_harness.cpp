#include "fuzz/settings_harness.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "cli/commands.h"
#include "history/testing/private_state.h"
#include "image/button_rules.h"
#include "image/layout.h"
#include "image/macro_slots.h"
#include "image/testing/invariants.h"
#include "settings/names.h"
#include "settings/report.h"
#include "settings/settings_file.h"
#include "settings/step_notation.h"
#include "settings/testing/sample_images.h"
#include "text/quote.h"

namespace vorlane::fuzz {

namespace {

namespace fs = std::filesystem;

constexpr const char* kImageName = "image.bin";

struct Imported {
  int code = -1;
  std::string out;
  std::string err;
};

Imported Import(const std::string& image, const std::string& text, bool dryRun) {
  const int in = ::memfd_create("stdin", MFD_CLOEXEC);
  if (::write(in, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
  ::lseek(in, 0, SEEK_SET);
  std::ostringstream out;
  std::ostringstream err;
  cli::Streams streams{in, out, err};
  Imported imported;
  std::vector<std::string> arguments{"import", image, "-"};
  if (dryRun) arguments.emplace_back("--dry-run");
  imported.code = cli::RunVorlanectl(arguments, streams);
  ::close(in);
  imported.out = out.str();
  imported.err = err.str();
  return imported;
}

// A whole file in one read; a stream iterator would take most of a run's time.
ImageBytes ReadBytes(const fs::path& path) {
  std::error_code ec;
  ImageBytes bytes(static_cast<std::size_t>(fs::file_size(path, ec)));
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

ino_t Inode(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// The image the text describes, by the settings file's own meaning: what it names replaced,
// every macro it names zero after its last step, everything else as it was.
std::string CheckContent(const ImageBytes& fixed, const ImageBytes& after,
                         const std::string& text) {
  const settings::ParsedSettings parsed = settings::ParseSettings(text, "input");
  if (!parsed.ok()) return "an import succeeded on a text the parser refuses";
  if (after.size() != fixed.size()) return "the import changed the image's length";
  const ButtonBytes keys = ReadButtonBytes(after);
  const ButtonBytes fixedKeys = ReadButtonBytes(fixed);
  for (std::size_t n = 0; n < keys.size(); ++n) {
    const auto& named = parsed.settings.keys[n];
    if (keys[n] != (named ? *named : fixedKeys[n]))
      return "key " + std::to_string(n + 1) + " is wrong";
  }
  for (int p = 0; p < kProgCount; ++p) {
    const auto& steps = parsed.settings.macros[static_cast<std::size_t>(p)];
    for (int s = 0; s < StepsPerProg; ++s) {
      const auto listed = static_cast<std::size_t>(s);
      const MacroStep expected = !steps                   ? GetStep(fixed, p, s)
                                 : listed < steps->size() ? (*steps)[listed]
                                                          : MacroStep{};
      if (GetStep(after, p, s) != expected) {
        return "Prog" + std::to_string(p + 1) + " step " + std::to_string(s + 1) + " is wrong";
      }
    }
  }
  if (std::string broken = testing::ForeignByteChanged(
          fixed, after, testing::OwnedBytes(fixed.size()).Buttons().MacroArea());
      !broken.empty()) {
    return broken;
  }
  if (const auto refusal = KeyRuleViolation(fixed, after)) {
    return "the import broke a key rule: " + *refusal;
  }
  return {};
}

std::string CheckOnImage(const ImageBytes& fixed, const std::string& text, const fs::path& folder) {
  const fs::path file = folder / kImageName;
  testing::WriteFileBytes(file, fixed);
  const ino_t inode = Inode(file);

  const Imported dry = Import(file.string(), text, true);
  if (ReadBytes(file) != fixed || Inode(file) != inode) return "a dry run wrote";
  const Imported real = Import(file.string(), text, false);
  const ImageBytes after = ReadBytes(file);
  if (real.code != dry.code) return "a dry run and the import ended differently";
  if (real.code != cli::kExitOk) {
    if (real.code != cli::kExitRefused) return "a refusal with status " + std::to_string(real.code);
    if (real.err.empty()) return "a refusal without a message";
    if (after != fixed || Inode(file) != inode) return "a refused import wrote the image";
    return {};
  }
  if (!real.err.empty() || !real.out.empty()) return "a successful import printed";
  if (after == fixed && Inode(file) != inode) return "an import that changed nothing wrote";
  if (dry.out != settings::DiffText(settings::DiffImages(fixed, after))) {
    return "the dry run did not print what the import changed";
  }
  if (std::string wrong = CheckContent(fixed, after, text); !wrong.empty()) return wrong;

  // What was accepted exports to text that brings the fixed image to the same state.
  const std::string exported = settings::ExportSettings(after);
  testing::WriteFileBytes(file, fixed);
  const Imported again = Import(file.string(), exported, false);
  if (again.code != cli::kExitOk)
    return "the export of an accepted import was refused: " + again.err;
  if (ReadBytes(file) != after) return "the export of an accepted import gave another image";
  return {};
}

// Made once: building an image takes longer than an import.
const ImageBytes& FixedImage(bool everyKeySet) {
  static const ImageBytes incomplete = testing::SampleImage();
  static const ImageBytes complete = [] {
    ImageBytes image = testing::SampleImage();
    image[ButtonOffsets[4]] = static_cast<std::uint8_t>(*settings::FunctionCode("Vol Up"));
    return image;
  }();
  return everyKeySet ? complete : incomplete;
}

}  // namespace

std::string CheckSettingsInput(std::span<const std::uint8_t> text, const fs::path& folder) {
  const std::string input(text.begin(), text.end());
  for (const bool everyKeySet : {true, false}) {
    if (std::string broken = CheckOnImage(FixedImage(everyKeySet), input, folder);
        !broken.empty()) {
      return std::string(everyKeySet ? "" : "(a key without function) ") + broken;
    }
  }
  return {};
}

std::vector<NamedInput> SettingsSeedInputs() {
  std::vector<NamedInput> seeds;
  auto add = [&](std::string name, const std::string& text) {
    seeds.push_back({std::move(name), {text.begin(), text.end()}});
  };
  add("sample", settings::ExportSettings(FixedImage(false)));
  add("complete", settings::ExportSettings(FixedImage(true)));
  for (unsigned seed = 1; seed <= 4; ++seed) {
    add("random-" + std::to_string(seed),
        settings::ExportSettings(testing::RandomSettingsImage(seed)));
  }
  add("empty", "");
  add("swap", "[keys]\nM1 = \"Prog3\"\nM2 = \"a A\"\n");
  add("clash", "[keys]\nM4 = 'Mute'\n");
  add("gap", "[keys]\nM5 = 'Stop'\nM1 = 'Mute'\nM3 = 'a A'\n");
  add("macros",
      "[macros]\nProg1 = ['LShi 0.1s H', \"None 25.5s 0xFF Null - \\\\ SP\"]\nProg4 = []\n");
  add("errors", "[macros]\nProg2 = ['Nne 0s', 'None 0.15s', 'None 0s A B C D E F G']\n[keyz]\n");
  return seeds;
}

std::vector<std::string> SettingsDictionary() {
  std::vector<std::string> words{"[keys]", "[macros]", " = ", "[",    "]",  ",",    "\"",    "'",
                                 "\n",     "#",        "0x",  "0xFF", "0s", "0.1s", "25.5s", "3s"};
  for (std::string_view name : settings::KeyNames()) words.emplace_back(name);
  for (std::string_view name : settings::MacroNames()) words.emplace_back(name);
  for (std::string_view name : settings::FunctionNames()) words.push_back(text::Quoted(name));
  for (std::string_view name : settings::ModifierNames()) words.emplace_back(name);
  for (std::string_view name : settings::KeyCapNames()) words.emplace_back(name);
  return words;
}

}  // namespace vorlane::fuzz
