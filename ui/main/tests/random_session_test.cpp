// A long random session on the real windows: random images (bytes no table knows included) and
// random user actions, each followed by a check of everything the user can see and everything the
// file holds against a model of what they should be.
//
// Reproducible: the seed is printed; VORLANE_SEED=<n> repeats a run. VORLANE_ACTIONS (default
// 3000) and VORLANE_SECONDS (default 20) bound it; whichever comes first ends it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "image/button_rules.h"
#include "image/editor_saves.h"
#include "image/testing/invariants.h"
#include "image/testing/test_images.h"
#include "ui/main/form1.h"
#include "ui/step_list/step_text.h"
#include "ui/toolkit/testing/scripted_dialogs.h"
#include "ui/toolkit/texts.h"
#include "vocabulary/function_catalogue.h"
#include "vocabulary/key_tables.h"

namespace vorlane::ui {
namespace {

namespace fs = std::filesystem;
using vorlane::testing::ReadFileBytes;
using vorlane::testing::ScratchDir;
using vorlane::testing::WriteFileBytes;

constexpr int kPoolSize = 4;  // image files the session loads and saves in turn
constexpr std::size_t kTraceLength = 25;

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  return std::strtoull(text, nullptr, 10);
}

// The test's own step access, by the layout alone, so that the model does not share the editor's
// code.
MacroStep StepAt(const ImageBytes& image, int prog, int step) {
  MacroStep bytes{};
  std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(StepOffset(prog, step)), MacroStepSize,
              bytes.begin());
  return bytes;
}

void SetStepAt(ImageBytes& image, int prog, int step, const MacroStep& bytes) {
  std::copy(bytes.begin(), bytes.end(),
            image.begin() + static_cast<std::ptrdiff_t>(StepOffset(prog, step)));
}

MacroStep StepInBlock(const ProgBlock& block, int step) {
  MacroStep bytes{};
  std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(MacroStepSize * step), MacroStepSize,
              bytes.begin());
  return bytes;
}

// The six-key queue: the oldest key drops out at byte 2, the new one comes in at byte 7.
void AppendKey(MacroStep& step, std::uint8_t code) {
  std::rotate(step.begin() + kStepFirstKeyByte, step.begin() + kStepFirstKeyByte + 1, step.end());
  step[kStepLastKeyByte] = code;
}

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : engine_(seed) {}
  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
  bool Percent(int p) { return Uniform(0, 99) < p; }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Uniform(0, 255)); }
  template <class C>
  const auto& Pick(const C& items) {
    return items.at(static_cast<std::size_t>(Uniform(0, static_cast<int>(items.size()) - 1)));
  }

 private:
  std::mt19937_64 engine_;
};

// What one message box must say: the whole text, or its start for the system's file errors.
struct ExpectedMessage {
  std::string text;
  bool prefix = false;
};

using Selections = std::array<int, kButtonCount>;

// What the windows and the file should show, kept apart from the windows themselves.
struct Model {
  bool enabled = false;  // editing controls, after the first successful load
  std::string fileName;  // the file in force
  std::string shownPath;
  ImageBytes loadedFile;                      // the file as last loaded
  ImageBytes image;                           // ConfigImage
  std::set<std::pair<int, int>> storedSteps;  // (macro, step) written by Save Set since the load
  Selections selections{kNoSelection, kNoSelection, kNoSelection, kNoSelection,
                        kNoSelection, kNoSelection, kNoSelection, kNoSelection};
  int progIndex = 0;
  int itemNum = 0;
  MacroStep stepBuffer{};

  bool listOpen = false;
  int page = 0;
  std::array<std::string, StepsPerProg> rows;

  bool editorOpen = false;
  bool statusShown = false;  // "Clear Set" empties the status line until the next key
};

class RandomSession : public ::testing::Test {
 protected:
  void SetUp() override {
    seed_ = EnvNumber("VORLANE_SEED", std::random_device{}());
    maxActions_ = EnvNumber("VORLANE_ACTIONS", 3000);
    maxSeconds_ = EnvNumber("VORLANE_SECONDS", 20);
    std::cout << "Random session seed " << seed_ << " (repeat with VORLANE_SEED=" << seed_ << ")\n";
    RecordProperty("seed", std::to_string(seed_));
    rng_ = std::make_unique<Rng>(seed_);

    // The step list writes delays with the user's decimal separator; try both kinds.
    QLocale::setDefault(rng_->Percent(50) ? QLocale::c()
                                          : QLocale(QLocale::German, QLocale::Germany));
    separator_ = QLocale().decimalPoint().toStdString();

    folder_ = scratch_ / "Geräte bilder";  // spaces and non-ASCII in every path
    fs::create_directories(folder_);
    fs::create_directories(scratch_ / "a folder.bin");
    for (int k = 0; k < kPoolSize; ++k) WritePoolFile(k, RandomImage());
    Restart();
  }

  void TearDown() override {
    window_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QLocale::setDefault(QLocale::system());
  }

  // ---- images and files ----------------------------------------------------------------

  std::string PoolPath(int k) const {
    return (folder_ / ("image " + std::to_string(k) + ".bin")).string();
  }

  ImageBytes RandomImage() {
    ImageBytes image(kMinImageSize + static_cast<std::size_t>(rng_->Uniform(0, 64)));
    for (auto& b : image) b = rng_->Byte();
    // Button bytes: mostly functions, some repeating another button's, some no function at all.
    for (std::size_t n = 0; n < ButtonOffsets.size(); ++n) {
      const int kind = rng_->Uniform(0, 9);
      if (kind < 6) {
        image[ButtonOffsets[n]] =
            static_cast<std::uint8_t>(CatalogueCode(rng_->Uniform(0, kCatalogueSize - 1)));
      } else if (kind < 8 && n > 0) {
        image[ButtonOffsets[n]] = image[ButtonOffsets[static_cast<std::size_t>(
            rng_->Uniform(0, static_cast<int>(n) - 1))]];
      }
    }
    // Some steps the lists know; the rest stay random.
    for (int p = 0; p < kProgCount; ++p) {
      for (int s = 0; s < StepsPerProg; ++s) {
        if (!rng_->Percent(30)) continue;
        MacroStep step{};
        step[kStepModifierByte] = rng_->Pick(ModifierItems()).code;
        step[kStepDelayByte] = rng_->Pick(DelayItems()).code;
        for (std::size_t b = kStepFirstKeyByte; b <= kStepLastKeyByte; ++b) {
          step[b] = rng_->Pick(KeyCapTable()).code;
        }
        SetStepAt(image, p, s, step);
      }
    }
    return image;
  }

  // The test's own writes first undo any protection a fault action left on the file.
  void WritePoolFile(int k, const ImageBytes& bytes) {
    const std::string path = PoolPath(k);
    ::chmod(folder_.c_str(), 0755);
    folderReadOnly_ = false;
    if (fs::is_directory(path)) fs::remove_all(path);
    if (fs::exists(path)) ::chmod(path.c_str(), 0644);
    WriteFileBytes(path, bytes);
    disk_[path] = bytes;
  }

  static bool Writable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  }

  // Whether the editor's next write of `path` can succeed: a file marked read-only is refused
  // even for root; a missing file needs a folder that takes new files.
  bool WriteWillSucceed(const std::string& path) const {
    if (fs::is_directory(path)) return false;
    if (fs::exists(path)) return Writable(path);
    return !folderReadOnly_ || ::geteuid() == 0;
  }

  // ---- the model's rules ---------------------------------------------------------------

  // A selection change of list n to p, by the user or by the program: the clash rule.
  void ModelSelect(Selections& sel, int n, int p) {
    sel[static_cast<std::size_t>(n - 1)] = p;
    if (p == kNoSelection) return;
    for (int k = 1; k <= kButtonCount; ++k) {
      if (k != n && sel[static_cast<std::size_t>(k - 1)] == p) {
        expected_.push_back({ClashMessage(n, k)});
        sel[static_cast<std::size_t>(n - 1)] = kNoSelection;
        return;
      }
    }
  }

  // Load: lists whose byte names a function are emptied first, then set M1..M8 in turn; a byte
  // that names no function leaves its list as it was.
  void ModelMap(const ImageBytes& image) {
    for (int n = 1; n <= kButtonCount; ++n) {
      if (CataloguePosition(image[ButtonOffsets[static_cast<std::size_t>(n - 1)]])) {
        model_.selections[static_cast<std::size_t>(n - 1)] = kNoSelection;
      }
    }
    for (int n = 1; n <= kButtonCount; ++n) {
      if (const auto p = CataloguePosition(image[ButtonOffsets[static_cast<std::size_t>(n - 1)]])) {
        ModelSelect(model_.selections, n, *p);
      }
    }
  }

  std::string RowText(const MacroStep& step) const { return StepText(step, separator_); }

  ProgBlock ModelBlock(int prog) const {
    ProgBlock block{};
    for (int s = 0; s < StepsPerProg; ++s) {
      const MacroStep step = StepAt(model_.image, prog, s);
      std::copy(step.begin(), step.end(), block.begin() + MacroStepSize * s);
    }
    return block;
  }

  std::string StatusLine(const MacroStep& step) const {
    std::string line;
    for (std::size_t b = kStepFirstKeyByte; b <= kStepLastKeyByte; ++b) {
      line += ' ' + KeyCodeName(step[b]);
    }
    return line;
  }

  // ---- actions ---------------------------------------------------------------------------

  void Restart() {
    if (window_) {
      Trace("restart");
      QTest::mouseClick(window_->ExitButton(), Qt::LeftButton);  // "Exit"
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      ASSERT_FALSE(window_->isVisible());
    }
    window_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state_ = std::make_unique<Module1>();
    dialogs_.answers.clear();
    // The faults change the file behind the editor; the question about that is the main window's
    // test. Here it is always answered Overwrite, so every save writes as it did without one.
    dialogs_.unqueuedDiskAnswer = DiskChangeAnswer::Overwrite;
    window_ = std::make_unique<Form1>(*state_, dialogs_);
    window_->show();
    model_ = Model{};
  }

  // Answers the open dialog with `answer` (nothing: cancelled) and clicks "Load".
  void Load(std::optional<std::string> answer) {
    dialogs_.answers.clear();
    if (answer) {
      dialogs_.Answer(QFile::decodeName(QByteArray::fromStdString(*answer)));
    } else {
      dialogs_.Answer(std::nullopt);
    }
    std::string path;
    if (answer) {
      if (answer->size() <= 1) {
        model_.fileName = *answer;
        QTest::mouseClick(window_->LoadButton(), Qt::LeftButton);
        return;
      }
      path = *answer;
    } else if (model_.fileName.size() > 1) {
      path = model_.fileName;
    } else {
      QTest::mouseClick(window_->LoadButton(), Qt::LeftButton);
      return;
    }

    std::error_code ec;
    const bool isFile = fs::is_regular_file(path, ec);
    if (!isFile) {
      expected_.push_back({"Could not open " + path + ": ", true});
    } else if (fs::file_size(path) < kMinImageSize) {
      expected_.push_back({path + " is not a device image", true});
    } else {
      const ImageBytes bytes = ReadFileBytes(path);
      model_.enabled = true;
      model_.fileName = path;
      model_.shownPath = path;
      model_.loadedFile = bytes;
      model_.image = bytes;
      model_.storedSteps.clear();
      ModelMap(bytes);
      ModelRows();  // an open list shows the new file's steps
      disk_[path] = bytes;
    }
    QTest::mouseClick(window_->LoadButton(), Qt::LeftButton);
  }

  void LoadAction() {
    const int kind = rng_->Uniform(0, 99);
    if (kind < 30) {
      const int k = rng_->Uniform(0, kPoolSize - 1);
      WritePoolFile(k, RandomImage());
      Trace("load", "new random " + PoolPath(k));
      Load(PoolPath(k));
    } else if (kind < 60) {
      const int k = rng_->Uniform(0, kPoolSize - 1);
      Trace("load", PoolPath(k));
      Load(PoolPath(k));
    } else if (kind < 80) {
      Trace("load", "cancelled");
      Load(std::nullopt);
    } else if (kind < 88) {
      const std::string path = (scratch_ / "short.bin").string();
      WriteFileBytes(path, ImageBytes(static_cast<std::size_t>(rng_->Uniform(0, kMinImageSize - 1)),
                                      rng_->Byte()));
      Trace("load bad", "a short file");
      Load(path);
    } else if (kind < 93) {
      Trace("load bad", "a missing file");
      Load((scratch_ / "missing.bin").string());
    } else if (kind < 98) {
      Trace("load bad", "a folder");
      Load((scratch_ / "a folder.bin").string());
    } else {
      Trace("load bad", "a one-character name");
      Load(std::string("a"));
    }
  }

  void SelectAction() {
    const int n = rng_->Uniform(1, kButtonCount);
    DropDownList* list = window_->Combo(n);
    const int current = model_.selections[static_cast<std::size_t>(n - 1)];
    if (rng_->Percent(60)) {
      // Often a function another button holds, to provoke the clash rule.
      int p = rng_->Uniform(0, kCatalogueSize - 1);
      if (rng_->Percent(40)) p = model_.selections[static_cast<std::size_t>(rng_->Uniform(0, 7))];
      if (rng_->Percent(5)) p = kNoSelection;
      Trace("list", "M" + std::to_string(n) + " set to " + std::to_string(p));
      if (p != current) ModelSelect(model_.selections, n, p);
      list->SetListIndex(p);
      return;
    }
    static const std::array<Qt::Key, 4> keys{Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End};
    const Qt::Key key = rng_->Pick(keys);
    int target = current;
    if (key == Qt::Key_Up) target = current - 1;
    if (key == Qt::Key_Down) target = current + 1;
    if (key == Qt::Key_Home) target = 0;
    if (key == Qt::Key_End) target = kCatalogueSize - 1;
    Trace("list key", "M" + std::to_string(n) + " " + QKeySequence(key).toString().toStdString());
    if (target >= 0 && target < kCatalogueSize && target != current) {
      ModelSelect(model_.selections, n, target);
    }
    list->setFocus();
    QTest::keyClick(list, key);
  }

  void SaveAction() {
    Trace("Save");
    if (model_.fileName.size() <= 1) {
      expected_.push_back({std::string(kNoFileMessage)});
    } else if (std::find(model_.selections.begin(), model_.selections.end(), kNoSelection) !=
               model_.selections.end()) {
      expected_.push_back({std::string(kIncompleteMessage)});
    } else if (!WriteWillSucceed(model_.fileName)) {
      expected_.push_back({"Could not save " + model_.fileName + ": ", true});
    } else {
      for (int n = 1; n <= kButtonCount; ++n) {
        model_.image[ButtonOffsets[static_cast<std::size_t>(n - 1)]] = static_cast<std::uint8_t>(
            CatalogueCode(model_.selections[static_cast<std::size_t>(n - 1)]));
      }
      disk_[model_.fileName] = model_.image;
      expected_.push_back({std::string(kSavedMessage)});
    }
    QTest::mouseClick(window_->SaveButton(), Qt::LeftButton);
  }

  void ModelRows() {
    const ProgBlock block = ModelBlock(model_.progIndex);
    for (int s = 0; s < StepsPerProg; ++s) model_.rows[s] = RowText(StepInBlock(block, s));
  }

  void OpenListAction() {
    const int prog = rng_->Uniform(0, kProgCount - 1);
    Trace("Set Prog", std::to_string(prog + 1));
    if (prog != model_.progIndex) model_.editorOpen = false;  // another macro's list closes it
    model_.progIndex = prog;
    model_.listOpen = true;
    model_.page = 0;
    ModelRows();
    if (rng_->Percent(50)) {
      QTest::mouseClick(window_->SetProg(prog), Qt::LeftButton);
    } else {
      window_->SetProg(prog)->setFocus();
      QTest::keyClick(window_->SetProg(prog), Qt::Key_Space);
    }
  }

  void TurnPage(int page) {
    Form2* list = window_->StepList();
    model_.page = page;
    list->PageScrollBar()->setValue(page);
  }

  void PageAction() {
    Form2* list = window_->StepList();
    const int kind = rng_->Uniform(0, 2);
    if (kind == 0) {
      const int page = rng_->Uniform(0, kPageCount - 1);
      Trace("page", "scroll bar to page " + std::to_string(page));
      TurnPage(page);
    } else if (kind == 1) {
      const bool forward = rng_->Percent(50);
      Trace("page", forward ? "scroll bar page down" : "scroll bar page up");
      model_.page = std::clamp(model_.page + (forward ? 1 : -1), 0, kPageCount - 1);
      list->PageScrollBar()->triggerAction(forward ? QAbstractSlider::SliderPageStepAdd
                                                   : QAbstractSlider::SliderPageStepSub);
    } else {
      // A wheel notch over a row of the current page: toward the user is the next page.
      const bool toward = rng_->Percent(50);
      const int row = model_.page * kRowsPerPage + rng_->Uniform(0, kRowsPerPage - 1);
      Trace("page", toward ? "wheel toward" : "wheel away");
      model_.page = std::clamp(model_.page + (toward ? 1 : -1), 0, kPageCount - 1);
      QWidget* target = rng_->Percent(50) ? static_cast<QWidget*>(list->Step(row)) : list;
      const QPointF at(2, 2);
      QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, toward ? -120 : 120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(target, &wheel);
    }
  }

  void DoubleClickAction() {
    Form2* list = window_->StepList();
    const int row = rng_->Uniform(0, StepsPerProg - 1);
    if (row / kRowsPerPage != model_.page) TurnPage(row / kRowsPerPage);  // only shown rows
    if (rng_->Percent(5)) {
      Trace("double-click", "row number " + std::to_string(row + 1));  // does nothing
      QTest::mouseDClick(list->RowNumber(row), Qt::LeftButton);
      return;
    }
    Trace("double-click", "step " + std::to_string(row));
    model_.itemNum = row;
    model_.stepBuffer = StepAt(model_.image, model_.progIndex, row);
    model_.editorOpen = true;
    model_.statusShown = true;
    QTest::mouseDClick(list->Step(row), Qt::LeftButton);
  }

  void EditorAction() {
    keycode* editor = window_->Editor();
    const int kind = rng_->Uniform(0, 99);
    if (kind < 50) {
      const int index = rng_->Uniform(0, kKeyCapCount - 1);
      Trace("key-cap", std::string(KeyCapTable()[static_cast<std::size_t>(index)].caption));
      AppendKey(model_.stepBuffer, KeyCapTable()[static_cast<std::size_t>(index)].code);
      model_.statusShown = true;
      QTest::mouseClick(editor->CapLabel(index), Qt::LeftButton);
    } else if (kind < 65) {
      const int j = rng_->Uniform(0, kModifierItemCount - 1);
      Trace("modifier", std::to_string(j));
      model_.stepBuffer[kStepModifierByte] = ModifierItems()[static_cast<std::size_t>(j)].code;
      editor->ModifierList()->SetListIndex(j);
    } else if (kind < 80) {
      const int j = rng_->Uniform(0, kDelayItemCount - 1);
      Trace("delay", std::to_string(j));
      model_.stepBuffer[kStepDelayByte] = DelayItems()[static_cast<std::size_t>(j)].code;
      editor->DelayList()->SetListIndex(j);
    } else if (kind < 87) {
      Trace("Clear Set");
      model_.stepBuffer.fill(0);
      model_.statusShown = false;
      QTest::mouseClick(editor->ClearSetLabel(), Qt::LeftButton);
    } else {
      SaveSetAction();
    }
  }

  void SaveSetAction() {
    Trace("Save Set");
    if (model_.fileName.size() <= 1) {
      expected_.push_back({std::string(kNoFileMessage)});
    } else if (!WriteWillSucceed(model_.fileName)) {
      expected_.push_back({"Could not save " + model_.fileName + ": ", true});
    } else {
      SetStepAt(model_.image, model_.progIndex, model_.itemNum, model_.stepBuffer);
      model_.storedSteps.insert({model_.progIndex, model_.itemNum});
      disk_[model_.fileName] = model_.image;
      if (model_.listOpen) {
        model_.rows[static_cast<std::size_t>(model_.itemNum)] = RowText(model_.stepBuffer);
      }
      expected_.push_back({std::string(kSavedMessage)});
    }
    QTest::mouseClick(window_->Editor()->SaveSetLabel(), Qt::LeftButton);
  }

  // Changes the folder, with the folder's protection lifted for the moment, as another program
  // might.
  template <class Change>
  void ChangeFolder(Change change) {
    ::chmod(folder_.c_str(), 0755);
    change();
    ::chmod(folder_.c_str(), folderReadOnly_ ? 0555 : 0755);
  }

  void FaultAction() {
    const std::string path = model_.fileName;
    const bool hasFile = path.size() > 1 && fs::is_regular_file(path);
    const int kind = rng_->Uniform(0, 99);
    if (kind < 40 && hasFile) {
      const bool protect = Writable(path);
      Trace("fault", (protect ? "make read-only " : "make writable ") + path);
      ::chmod(path.c_str(), protect ? 0444 : 0644);
    } else if (kind < 60) {
      folderReadOnly_ = !folderReadOnly_;
      Trace("fault", folderReadOnly_ ? "folder read-only" : "folder writable");
      ::chmod(folder_.c_str(), folderReadOnly_ ? 0555 : 0755);
    } else if (kind < 70 && hasFile) {
      Trace("fault", "delete " + path);
      ChangeFolder([&] { fs::remove(path); });
      disk_.erase(path);
    } else if (kind < 80 && hasFile) {
      // Another program writes a shorter or longer file under the same name.
      const ImageBytes other(static_cast<std::size_t>(rng_->Uniform(1, 2 * kMinImageSize)),
                             rng_->Byte());
      Trace("fault", "replace " + path + " by " + std::to_string(other.size()) + " bytes");
      ChangeFolder([&] {
        ::chmod(path.c_str(), 0644);
        WriteFileBytes(path, other);
      });
      disk_[path] = other;
    } else if (kind < 83 && hasFile) {
      Trace("fault", "replace " + path + " by a folder");
      ChangeFolder([&] {
        fs::remove(path);
        fs::create_directory(path);
      });
      disk_.erase(path);
    } else if (model_.listOpen && rng_->Percent(50)) {
      Trace("close", "the step list");
      model_.listOpen = false;
      window_->StepList()->close();
    } else if (model_.editorOpen) {
      Trace("close", "the editor");
      model_.editorOpen = false;
      window_->Editor()->close();
    }
  }

  // Gives every list without a function one that no other list holds, as a user does before
  // saving.
  void FillAction() {
    Trace("fill the empty lists");
    for (int n = 1; n <= kButtonCount; ++n) {
      if (model_.selections[static_cast<std::size_t>(n - 1)] != kNoSelection) continue;
      int p = rng_->Uniform(0, kCatalogueSize - 1);
      while (std::find(model_.selections.begin(), model_.selections.end(), p) !=
             model_.selections.end()) {
        p = (p + 1) % kCatalogueSize;
      }
      ModelSelect(model_.selections, n, p);
      window_->Combo(n)->SetListIndex(p);
    }
  }

  // One random action among those the windows offer at this moment.
  void RandomAction() {
    expected_.clear();
    dialogs_.messages.clear();
    struct Choice {
      int weight;
      bool available;
      void (RandomSession::*action)();
    };
    const bool enabled = model_.enabled;
    const Choice choices[] = {
        {8, true, &RandomSession::Restart},
        {80, true, &RandomSession::LoadAction},
        {250, enabled, &RandomSession::SelectAction},
        {50, enabled, &RandomSession::FillAction},
        {80, enabled, &RandomSession::SaveAction},
        {60, enabled, &RandomSession::OpenListAction},
        {100, model_.listOpen, &RandomSession::PageAction},
        {80, model_.listOpen, &RandomSession::DoubleClickAction},
        {250, model_.editorOpen, &RandomSession::EditorAction},
        {40, enabled, &RandomSession::FaultAction},
    };
    int total = 0;
    for (const Choice& c : choices) total += c.available ? c.weight : 0;
    int roll = rng_->Uniform(0, total - 1);
    for (const Choice& c : choices) {
      if (!c.available) continue;
      if (roll < c.weight) {
        (this->*c.action)();
        break;
      }
      roll -= c.weight;
    }
    // What the event loop would do between two user actions: without it, posted events pile up.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // ---- checks ----------------------------------------------------------------------------

  void CheckMessages() {
    const QStringList& shown = dialogs_.messages;
    for (const QString& m : shown) ++messages_[m.left(18).toStdString()];
    ASSERT_EQ(static_cast<std::size_t>(shown.size()), expected_.size())
        << "messages shown: " << shown.join(" | ").toStdString();
    for (std::size_t k = 0; k < expected_.size(); ++k) {
      const std::string text = shown[static_cast<qsizetype>(k)].toStdString();
      if (expected_[k].prefix) {
        EXPECT_EQ(text.substr(0, expected_[k].text.size()), expected_[k].text);
      } else {
        EXPECT_EQ(text, expected_[k].text);
      }
    }
  }

  void CheckMainWindow() {
    Selections shown{};
    for (int n = 1; n <= kButtonCount; ++n) {
      shown[static_cast<std::size_t>(n - 1)] = window_->Combo(n)->ListIndex();
      EXPECT_EQ(window_->Combo(n)->isEnabled(), model_.enabled);
    }
    EXPECT_EQ(shown, model_.selections);
    EXPECT_EQ(vorlane::testing::SharedFunction(shown), "");
    EXPECT_EQ(window_->SaveButton()->isEnabled(), model_.enabled);
    EXPECT_EQ(window_->SetProg(0)->isEnabled(), model_.enabled);
    EXPECT_EQ(window_->PathBox()->text().toStdString(), model_.shownPath);
    EXPECT_EQ(state_->FileName, model_.fileName);
  }

  void CheckImageAndFile() {
    if (!model_.enabled) {
      EXPECT_TRUE(state_->ConfigImage.empty());
      return;
    }
    const ImageBytes& image = state_->ConfigImage;
    ASSERT_EQ(image, model_.image);
    // Nothing but the button bytes and the steps stored since the load may differ from the file
    // as loaded; the mirrors always follow the image's macro area.
    vorlane::testing::OwnedBytes owned(model_.loadedFile.size());
    owned.Buttons();
    for (const auto& [prog, step] : model_.storedSteps) owned.Step(prog, step);
    ASSERT_EQ(vorlane::testing::ForeignByteChanged(model_.loadedFile, image, owned), "");
    ASSERT_EQ(vorlane::testing::MirrorsDiffer(image, state_->ProgSteps), "");
    // The file in force holds what the last successful write (or the load) put there.
    if (model_.fileName.size() <= 1) return;  // no file chosen
    const auto known = disk_.find(model_.fileName);
    if (known != disk_.end()) {
      ASSERT_EQ(vorlane::testing::FileIsNot(model_.fileName, known->second), "");
    } else {
      EXPECT_FALSE(fs::is_regular_file(model_.fileName)) << model_.fileName;
    }
  }

  void CheckStepList() {
    Form2* list = window_->StepList();
    ASSERT_EQ(list != nullptr, model_.listOpen);
    EXPECT_EQ(state_->ProgIndex, model_.progIndex);
    if (!list) return;
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Set Prog %1").arg(model_.progIndex + 1));
    EXPECT_EQ(list->PageScrollBar()->value(), model_.page);
    const ProgBlock& mirror = state_->ProgSteps[static_cast<std::size_t>(model_.progIndex)];
    for (int s = 0; s < StepsPerProg; ++s) {
      const std::string shown = list->Step(s)->text().toStdString();
      ASSERT_EQ(shown, model_.rows[static_cast<std::size_t>(s)]) << "row " << s;
      ASSERT_EQ(shown, RowText(StepInBlock(mirror, s))) << "row " << s;
      ASSERT_EQ(list->Step(s)->isHidden(), s / kRowsPerPage != model_.page) << "row " << s;
    }
  }

  void CheckEditor() {
    keycode* editor = window_->Editor();
    ASSERT_EQ(editor != nullptr, model_.editorOpen);
    if (!editor) return;
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Set itemNum %1").arg(model_.itemNum));
    EXPECT_EQ(state_->ItemNum, model_.itemNum);
    ASSERT_EQ(state_->StepBuffer, model_.stepBuffer);
    EXPECT_EQ(editor->ModifierList()->ListIndex(),
              editor->ModifierList()->IndexOfData(model_.stepBuffer[kStepModifierByte]));
    EXPECT_EQ(editor->DelayList()->ListIndex(),
              editor->DelayList()->IndexOfData(model_.stepBuffer[kStepDelayByte]));
    EXPECT_EQ(editor->StatusLabel()->text().toStdString(),
              model_.statusShown ? StatusLine(model_.stepBuffer) : std::string());
  }

  void CheckAll() {
    CheckMessages();
    CheckMainWindow();
    CheckImageAndFile();
    CheckStepList();
    CheckEditor();
  }

  void Trace(const std::string& kind, const std::string& detail = {}) {
    ++kinds_[kind];
    trace_.push_back(std::to_string(actions_) + ": " + kind + (detail.empty() ? "" : " ") + detail);
    if (trace_.size() > kTraceLength) trace_.pop_front();
  }

  std::string TraceText() const {
    std::ostringstream out;
    out << "seed " << seed_ << ", the last actions:\n";
    for (const std::string& line : trace_) out << "  " << line << '\n';
    return out.str();
  }

  std::uint64_t seed_ = 0;
  std::uint64_t maxActions_ = 0;
  std::uint64_t maxSeconds_ = 0;
  std::uint64_t actions_ = 0;
  std::unique_ptr<Rng> rng_;
  std::string separator_;
  ScratchDir scratch_;
  fs::path folder_;
  bool folderReadOnly_ = false;
  std::map<std::string, ImageBytes> disk_;  // what each file the editor may write should hold
  std::unique_ptr<Module1> state_;
  testing::ScriptedDialogs dialogs_;
  std::unique_ptr<Form1> window_;
  Model model_;
  std::vector<ExpectedMessage> expected_;
  std::deque<std::string> trace_;
  std::map<std::string, int> kinds_;     // actions by kind, for the summary
  std::map<std::string, int> messages_;  // messages by their first words
};

TEST_F(RandomSession, EveryActionKeepsTheWindowsAndTheFileConsistent) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(maxSeconds_);
  while (actions_ < maxActions_ && std::chrono::steady_clock::now() < deadline) {
    ++actions_;
    RandomAction();
    if (HasFailure()) break;
    CheckAll();
    if (HasFailure()) break;
  }
  if (HasFailure()) ADD_FAILURE() << TraceText();
  std::cout << actions_ << " actions:";
  for (const auto& [kind, count] : kinds_) std::cout << " \"" << kind << "\"=" << count;
  std::cout << "\nmessages:";
  for (const auto& [start, count] : messages_) std::cout << " \"" << start << "\"=" << count;
  std::cout << '\n';
  if (!HasFailure()) {
    EXPECT_GT(actions_, 100u) << "too few actions to mean much";
  }
}

}  // namespace
}  // namespace vorlane::ui
