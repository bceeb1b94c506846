#include "fuzz/image_harness.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>

#include "image/button_rules.h"
#include "image/editor_saves.h"
#include "image/image_file.h"
#include "image/layout.h"
#include "image/macro_slots.h"
#include "image/module1.h"
#include "image/testing/fake_button_lists.h"
#include "image/testing/invariants.h"
#include "image/testing/test_images.h"
#include "vocabulary/function_catalogue.h"

namespace vorlane::fuzz {

namespace {

namespace fs = std::filesystem;
using testing::FakeButtonLists;

// Where the steering bytes sit in the input. All lie in the opaque start of an image, so steering
// never disturbs the bytes the editor interprets.
namespace steer {
constexpr std::size_t kEarlierSelections = 0;  // 8 bytes: what list n held before this load
constexpr std::size_t kProgIndex = 8;          // 2 bytes, little-endian
constexpr std::size_t kItemNum = 10;           // 2 bytes, little-endian
constexpr std::size_t kFlags = 12;
constexpr std::size_t kNewStep = 13;     // 8 bytes: the step stored by Save Set
constexpr std::size_t kNewChoices = 21;  // 8 bytes: what the user picks in list n after the load
constexpr std::size_t kEnd = 29;

constexpr std::uint8_t kFirstLoad = 0x01;     // nothing loaded before, else an earlier image
constexpr std::uint8_t kRawIndexes = 0x02;    // ProgIndex/ItemNum as stored, possibly out of range
constexpr std::uint8_t kButtonsFirst = 0x04;  // Save before Save Set
constexpr std::uint8_t kRepickAll = 0x08;     // pick in every list, not only the empty ones
}  // namespace steer

static_assert(steer::kEnd <= *std::min_element(ButtonOffsets.begin(), ButtonOffsets.end()));
static_assert(steer::kEnd <= MacroAreaStart);

constexpr const char* kImageName = "image.bin";
constexpr unsigned kEarlierImageSeed = 7;

class Steering {
 public:
  explicit Steering(std::span<const std::uint8_t> input) : input_(input) {}
  // Bytes past the end of a short input read as 0.
  std::uint8_t Byte(std::size_t offset) const {
    return offset < input_.size() ? input_[offset] : 0;
  }
  std::int16_t Word(std::size_t offset) const {
    return static_cast<std::int16_t>(Byte(offset) | (Byte(offset + 1) << 8));
  }
  bool Flag(std::uint8_t bit) const { return (Byte(steer::kFlags) & bit) != 0; }

 private:
  std::span<const std::uint8_t> input_;
};

std::array<int, kButtonCount> Selections(const FakeButtonLists& lists) {
  std::array<int, kButtonCount> s{};
  for (int n = 1; n <= kButtonCount; ++n) s[static_cast<std::size_t>(n - 1)] = lists.Selection(n);
  return s;
}

// The lowest-numbered list other than n that holds `position`, or 0.
int Holder(const FakeButtonLists& lists, int n, int position) {
  for (int k = 1; k <= kButtonCount; ++k) {
    if (k != n && lists.Selection(k) == position) return k;
  }
  return 0;
}

// Files other than the harness's own: a save must leave no temporary file behind.
std::string StrayFiles(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename() != kImageName)
      return "stray file " + entry.path().filename().string();
  }
  return {};
}

// A user's pick in list n, checked against the clash rule as a user would see it.
std::string Pick(FakeButtonLists& lists, int n, int position) {
  const int holder = position == kNoSelection ? 0 : Holder(lists, n, position);
  const std::size_t messagesBefore = lists.messages.size();
  lists.SetSelection(n, position);
  if (std::string shared = testing::SharedFunction(Selections(lists)); !shared.empty())
    return "after a pick: " + shared;
  if (holder == 0) {
    if (lists.Selection(n) != position)
      return "a pick without clash did not stand in list " + std::to_string(n);
    if (lists.messages.size() != messagesBefore) return "a pick without clash showed a message";
    return {};
  }
  if (lists.Selection(n) != kNoSelection)
    return "a clashing pick stayed in list " + std::to_string(n);
  if (lists.messages.size() != messagesBefore + 1 ||
      lists.messages.back() != ClashMessage(n, holder)) {
    return "a clash in list " + std::to_string(n) + " with list " + std::to_string(holder) +
           " was not reported once as such";
  }
  return {};
}

// Mapping sets each list whose byte names a function to that function unless another list holds
// it already, which is then reported; lists whose byte names nothing keep what they held.
std::string CheckMapping(const FakeButtonLists& lists, const ImageBytes& image,
                         const std::array<int, kButtonCount>& before, std::size_t messagesBefore) {
  if (std::string shared = testing::SharedFunction(Selections(lists)); !shared.empty())
    return "after mapping: " + shared;
  std::size_t refused = 0;
  for (int n = 1; n <= kButtonCount; ++n) {
    const std::size_t i = static_cast<std::size_t>(n - 1);
    const std::optional<int> p = CataloguePosition(image[ButtonOffsets[i]]);
    const int now = lists.Selection(n);
    if (!p) {
      if (now != before[i])
        return "mapping changed list " + std::to_string(n) + " whose byte names nothing";
      continue;
    }
    if (now == *p) continue;
    const int holder = Holder(lists, n, *p);
    if (now != kNoSelection || holder == 0) {
      return "mapping left list " + std::to_string(n) + " at " + std::to_string(now) +
             " instead of " + std::to_string(*p);
    }
    const auto first = lists.messages.begin() + static_cast<std::ptrdiff_t>(messagesBefore);
    if (std::find(first, lists.messages.end(), ClashMessage(n, holder)) == lists.messages.end()) {
      return "mapping cleared list " + std::to_string(n) + " without reporting the clash";
    }
    ++refused;
  }
  if (lists.messages.size() - messagesBefore != refused) return "mapping showed a message too many";
  return {};
}

std::string CheckFileIsImage(const Module1& state, const fs::path& file, const char* when) {
  if (std::string broken = testing::FileIsNot(file, state.ConfigImage); !broken.empty())
    return std::string("after ") + when + ": " + broken;
  return StrayFiles(file.parent_path());
}

// Runs `operation`, which must refuse with std::logic_error; returns what went wrong otherwise.
template <class Operation>
std::string MustRefuse(const char* what, Operation operation) {
  try {
    operation();
  } catch (const std::logic_error&) {
    return {};
  }
  return std::string(what) + " accepted an image that is too short";
}

// A short file is refused and leaves the earlier image, the lists and the file as they were; the
// core also refuses the short bytes when they are handed to it directly.
std::string CheckShortInput(std::span<const std::uint8_t> input, const FileResult& read,
                            const Module1& before, const Module1& state, FakeButtonLists& lists,
                            const fs::path& file) {
  const ImageBytes bytes(input.begin(), input.end());
  if (read.kind != FileResult::Kind::TooShort || read.length != bytes.size()) {
    return "a " + std::to_string(bytes.size()) + "-byte file was not refused as too short";
  }
  if (state.ConfigImage != before.ConfigImage) return "a refused load changed ConfigImage";

  const auto selections = Selections(lists);
  const std::size_t messages = lists.messages.size();
  Module1 shortState;
  shortState.ConfigImage = bytes;
  shortState.FileName = file.string();
  std::string refused = MustRefuse("MapImageToButtons", [&] { MapImageToButtons(lists, bytes); });
  if (refused.empty())
    refused = MustRefuse("RefreshProgSteps", [&] { RefreshProgSteps(shortState); });
  if (refused.empty()) refused = MustRefuse("SaveStep", [&] { SaveStep(shortState); });
  if (!refused.empty()) return refused;
  if (AllButtonsSet(lists)) {
    refused = MustRefuse("SaveButtons", [&] { SaveButtons(shortState, lists); });
    if (!refused.empty()) return refused;
  }
  if (WriteImageFile(file.string(), shortState.ConfigImage).ok())
    return "WriteImageFile wrote a short image";
  if (Selections(lists) != selections || lists.messages.size() != messages)
    return "a short image changed the lists";
  if (shortState.ConfigImage != bytes) return "a refused operation changed a short image";
  if (testing::ReadFileBytes(file) != bytes) return "a short file was changed";
  return StrayFiles(file.parent_path());
}

struct StepChoice {
  int prog;
  int step;
  bool valid;
};

StepChoice ChooseStep(const Steering& s) {
  const int rawProg = s.Word(steer::kProgIndex);
  const int rawStep = s.Word(steer::kItemNum);
  if (s.Flag(steer::kRawIndexes)) {
    return {rawProg, rawStep,
            rawProg >= 0 && rawProg < kProgCount && rawStep >= 0 && rawStep < StepsPerProg};
  }
  return {static_cast<int>(static_cast<std::uint16_t>(rawProg) % kProgCount),
          static_cast<int>(static_cast<std::uint16_t>(rawStep) % StepsPerProg), true};
}

std::string Pass(std::span<const std::uint8_t> input, const fs::path& folder) {
  const Steering s(input);
  const fs::path file = folder / kImageName;
  const ImageBytes loaded(input.begin(), input.end());
  testing::WriteFileBytes(file, loaded);

  Module1 state;
  FakeButtonLists lists;
  if (!s.Flag(steer::kFirstLoad)) {
    static const ImageBytes earlier = testing::PatternImage(kMinImageSize, kEarlierImageSeed);
    state.ConfigImage = earlier;
    state.FileName = (folder / "earlier.bin").string();
    RefreshProgSteps(state);
    for (int n = 1; n <= kButtonCount; ++n) {
      const int position = s.Byte(steer::kEarlierSelections + static_cast<std::size_t>(n - 1)) %
                               (kCatalogueSize + 1) -
                           1;
      if (std::string broken = Pick(lists, n, position); !broken.empty()) return broken;
    }
  }
  const Module1 before = state;
  const auto selectionsBefore = Selections(lists);
  const std::size_t messagesBefore = lists.messages.size();

  // "Load".
  const FileResult read = LoadImageFile(state, file.string());
  if (loaded.size() < kMinImageSize)
    return CheckShortInput(input, read, before, state, lists, file);
  if (!read.ok())
    return "a " + std::to_string(loaded.size()) + "-byte file was refused: " + read.reason;
  if (state.ConfigImage != loaded)
    return "ConfigImage is not the file: " + testing::Describe(state.ConfigImage, loaded);
  state.FileName = file.string();
  MapImageToButtons(lists, state.ConfigImage);
  if (std::string broken = CheckMapping(lists, state.ConfigImage, selectionsBefore, messagesBefore);
      !broken.empty()) {
    return broken;
  }
  RefreshProgSteps(state);
  if (std::string broken = testing::MirrorsDiffer(state.ConfigImage, state.ProgSteps);
      !broken.empty())
    return "after load: " + broken;

  // A double-click on a row of the step list, then the editor's changes.
  const StepChoice step = ChooseStep(s);
  state.ProgIndex = static_cast<std::int16_t>(step.prog);
  state.ItemNum = static_cast<std::int16_t>(step.step);
  if (step.valid) {
    LoadStep(state);
    if (state.StepBuffer != GetStep(loaded, step.prog, step.step))
      return "LoadStep did not give the file's step";
    for (std::size_t i = 0; i < MacroStepSize; ++i)
      state.StepBuffer[i] = s.Byte(steer::kNewStep + i);
  } else {
    const MacroStep buffer = state.StepBuffer;
    bool refused = false;
    try {
      LoadStep(state);
    } catch (const std::out_of_range&) {
      refused = true;
    }
    if (!refused || state.StepBuffer != buffer) return "LoadStep took a step that does not exist";
  }

  // The user fills the lists the load left empty, or re-picks them all.
  for (int n = 1; n <= kButtonCount; ++n) {
    if (lists.Selection(n) != kNoSelection && !s.Flag(steer::kRepickAll)) continue;
    const int position =
        s.Byte(steer::kNewChoices + static_cast<std::size_t>(n - 1)) % kCatalogueSize;
    if (std::string broken = Pick(lists, n, position); !broken.empty()) return broken;
  }

  bool buttonsSaved = false;
  bool stepSaved = false;
  const auto saveSet = [&]() -> std::string {
    const ImageBytes image = state.ConfigImage;
    if (!step.valid) {
      bool refused = false;
      try {
        SaveStep(state);
      } catch (const std::out_of_range&) {
        refused = true;
      }
      if (!refused) return "Save Set stored a step that does not exist";
      if (state.ConfigImage != image) return "a refused Save Set changed ConfigImage";
      return CheckFileIsImage(state, file, "a refused Save Set");
    }
    const SaveOutcome outcome = SaveStep(state);
    if (!outcome.saved()) return "Save Set failed: " + outcome.file.reason;
    stepSaved = true;
    if (GetStep(state.ConfigImage, step.prog, step.step) != state.StepBuffer)
      return "Save Set did not store StepBuffer";
    if (std::string broken = CheckFileIsImage(state, file, "Save Set"); !broken.empty())
      return broken;
    RefreshProgSteps(state);
    const MacroStep stored = state.StepBuffer;
    state.StepBuffer = {};
    LoadStep(state);
    if (state.StepBuffer != stored) return "after Save Set LoadStep did not give the stored step";
    return testing::MirrorsDiffer(state.ConfigImage, state.ProgSteps);
  };
  const auto save = [&]() -> std::string {
    const ImageBytes image = state.ConfigImage;
    const SaveOutcome outcome = SaveButtons(state, lists);
    if (!AllButtonsSet(lists)) {
      if (outcome.status != SaveOutcome::Status::Incomplete)
        return "Save with an empty list was not refused";
      if (state.ConfigImage != image) return "a refused Save changed ConfigImage";
      return CheckFileIsImage(state, file, "a refused Save");
    }
    if (!outcome.saved()) return "Save failed: " + outcome.file.reason;
    buttonsSaved = true;
    for (int n = 1; n <= kButtonCount; ++n) {
      if (state.ConfigImage[ButtonOffsets[static_cast<std::size_t>(n - 1)]] !=
          CatalogueCode(lists.Selection(n))) {
        return "Save did not store the code of list " + std::to_string(n);
      }
    }
    return CheckFileIsImage(state, file, "Save");
  };
  const bool buttonsFirst = s.Flag(steer::kButtonsFirst);
  std::string broken = buttonsFirst ? save() : saveSet();
  if (broken.empty()) broken = buttonsFirst ? saveSet() : save();
  if (!broken.empty()) return broken;

  // Nothing outside the saved button bytes and the stored step may differ from the loaded file.
  testing::OwnedBytes owned(loaded.size());
  if (buttonsSaved) owned.Buttons();
  if (stepSaved) owned.Step(step.prog, step.step);
  if (std::string broken = testing::ForeignByteChanged(loaded, state.ConfigImage, owned);
      !broken.empty()) {
    return broken;
  }

  // What was saved loads again as it stands.
  Module1 again;
  const FileResult reread = ReadImageFile(file.string(), again.ConfigImage);
  if (!reread.ok() || again.ConfigImage != state.ConfigImage)
    return "the saved file does not load back as ConfigImage";
  return {};
}

}  // namespace

std::string CheckImageInput(std::span<const std::uint8_t> input, const fs::path& folder) {
  try {
    return Pass(input, folder);
  } catch (const std::exception& e) {
    return std::string("unexpected exception: ") + e.what();
  }
}

std::vector<NamedInput> SeedInputs() {
  using testing::PatternImage;
  using testing::SetButtonCodes;
  std::vector<NamedInput> seeds;
  seeds.push_back({"zero", ImageBytes(kMinImageSize, 0)});
  seeds.push_back({"ones", ImageBytes(kMinImageSize, 0xFF)});

  ImageBytes distinct = PatternImage(kMinImageSize, 11);
  SetButtonCodes(distinct, {4, 5, 6, 7, 215, 216, 224, 250});
  distinct[steer::kFlags] = steer::kFirstLoad;
  seeds.push_back({"distinct-codes", distinct});

  ImageBytes clashing = PatternImage(kMinImageSize + 1000, 12);
  SetButtonCodes(clashing, {4, 5, 6, 4, 0, 1, 251, 5});
  clashing[steer::kFlags] = steer::kButtonsFirst | steer::kRepickAll;
  seeds.push_back({"clashing-and-unknown-codes", clashing});

  ImageBytes lastStep = PatternImage(kMinImageSize, 13);
  SetButtonCodes(lastStep, {30, 31, 32, 33, 34, 35, 36, 37});
  lastStep[steer::kFlags] = steer::kRawIndexes;
  lastStep[steer::kProgIndex] = kProgCount - 1;
  lastStep[steer::kProgIndex + 1] = 0;
  lastStep[steer::kItemNum] = StepsPerProg - 1;
  lastStep[steer::kItemNum + 1] = 0;
  seeds.push_back({"last-step-of-prog8", lastStep});

  for (std::size_t size :
       {std::size_t{0}, std::size_t{1}, steer::kEnd, std::size_t{20875}, kMinImageSize - 1}) {
    seeds.push_back({"short-" + std::to_string(size), PatternImage(size, 14)});
  }
  return seeds;
}

}  // namespace vorlane::fuzz
