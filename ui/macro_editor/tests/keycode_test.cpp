#include <gtest/gtest.h>

#include <QAccessible>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "image/editor_saves.h"
#include "image/macro_slots.h"
#include "image/module1.h"
#include "ui/macro_editor/keycode.h"
#include "ui/step_list/step_text.h"
#include "ui/toolkit/testing/scripted_dialogs.h"
#include "ui/toolkit/twips.h"
#include "vocabulary/key_tables.h"

namespace vorlane::ui {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedDialogs;

constexpr char kSaved[] = "Your settings have been successfully saved!";

ImageBytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const ImageBytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Every byte differs from its neighbours, so a store at the wrong place cannot go unseen.
ImageBytes PatternImage(std::uint8_t seed) {
  ImageBytes bytes(kMinImageSize + 16);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return bytes;
}

ImageBytes WithStep(ImageBytes image, int prog, int step, const MacroStep& bytes) {
  PutStep(image, prog, step, bytes);
  return image;
}

class KeycodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vorlane-keycode-" + std::to_string(std::random_device{}()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    Load(dir_ / "a.bin", PatternImage(1));
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }

  // As the main window's "Load" leaves the shared state.
  void Load(const fs::path& path, const ImageBytes& bytes) {
    WriteBytes(path, bytes);
    ASSERT_TRUE(LoadImageFile(state_, path.string()).ok());
    state_.FileName = path.string();
    RefreshProgSteps(state_);
  }

  // As the step list's double-click opens the editor.
  keycode& Open(int prog, int step, const MacroStep* bytes = nullptr) {
    state_.ProgIndex = static_cast<std::int16_t>(prog);
    state_.ItemNum = static_cast<std::int16_t>(step);
    if (bytes != nullptr) {
      Load(state_.FileName, WithStep(state_.ConfigImage, prog, step, *bytes));
    }
    LoadStep(state_);
    editor_ = std::make_unique<keycode>(state_, dialogs_, edits_, nullptr);
    editor_->show();
    return *editor_;
  }

  void ClickKey(std::string_view caption) {
    for (int i = 0; i < kKeyCapCount; ++i) {
      if (editor_->CapLabel(i)->text().toStdString() == caption) {
        QTest::mouseClick(editor_->CapLabel(i), Qt::LeftButton);
        return;
      }
    }
    FAIL() << "no key-cap " << caption;
  }

  // A key as X11 and Wayland report it (the XKB keycode as native scan code), to the focus.
  void Press(Qt::Key key, quint32 scan, Qt::KeyboardModifiers mods = {}, bool repeat = false) {
    QWidget* to = editor_->focusWidget();
    if (qt_sendShortcutOverrideEvent(to, 0, key, mods, {}, repeat)) return;  // a shortcut took it
    QKeyEvent event(QEvent::KeyPress, key, mods, scan, 0, 0, {}, repeat);
    QCoreApplication::sendEvent(to, &event);
  }

  MacroStep FileStep(int prog, int step) const {
    return GetStep(ReadBytes(state_.FileName), prog, step);
  }

  fs::path dir_;
  Module1 state_;
  ScriptedDialogs dialogs_;
  ImageEdits edits_{state_, dialogs_, nullptr};
  std::unique_ptr<keycode> editor_;
};

TEST_F(KeycodeTest, KeyCapsShiftTheSixKeyQueue) {
  struct Case {
    const char* name;
    MacroStep start;
    std::vector<const char*> keys;
    MacroStep expected;
    const char* status;
  } cases[] = {
      {"ABD on a cleared step",
       {},
       {"A", "B", "D"},
       {0, 0, 0, 0, 0, 4, 5, 7},
       " 0x0 0x0 0x0 A B D"},
      {"seventh key drops the oldest",
       {},
       {"1", "2", "3", "4", "5", "6", "7"},
       {0, 0, 31, 32, 33, 34, 35, 36},
       " 2 3 4 5 6 7"},
      {"Null shifts like a key; modifier and delay stay",
       {3, 12, 4, 5, 6, 7, 8, 9},
       {"Null"},
       {3, 12, 5, 6, 7, 8, 9, 0},
       " B C D E F 0x0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open(0, 4, &c.start);
    for (const char* key : c.keys) ClickKey(key);
    EXPECT_EQ(state_.StepBuffer, c.expected);
    EXPECT_EQ(editor_->StatusLabel()->text().toStdString(), c.status);
  }
}

TEST_F(KeycodeTest, StartUpShowsTheStepAndKeepsCodesTheListsLack) {
  struct Case {
    int step;
    MacroStep bytes;
    const char* caption;
    const char* modifier;  // "" for no selection
    const char* delay;
    const char* status;
  } cases[] = {
      {0, {0, 0, 0, 0, 0, 0, 0, 4}, "Set itemNum 0", "None", "0.0s", " 0x0 0x0 0x0 0x0 0x0 A"},
      {57,
       {253, 30, 224, 4, 0, 0, 0, 215},
       "Set itemNum 57",
       "FD-Stop",
       "3.0s",
       " LCtr A 0x0 0x0 0x0 0xD7"},
      {99, {17, 31, 0, 0, 0, 0, 0, 0}, "Set itemNum 99", "", "", " 0x0 0x0 0x0 0x0 0x0 0x0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    keycode& editor = Open(2, c.step, &c.bytes);
    EXPECT_EQ(editor.windowTitle().toStdString(), c.caption);
    EXPECT_EQ(editor.ModifierList()->currentText().toStdString(), c.modifier);
    EXPECT_EQ(editor.DelayList()->currentText().toStdString(), c.delay);
    EXPECT_EQ(editor.StatusLabel()->text().toStdString(), c.status);
    EXPECT_EQ(state_.StepBuffer, c.bytes) << "start-up must not change the step";
  }
  // An unknown modifier byte reaches the file unchanged unless the user picks an entry.
  editor_->SaveSet();
  EXPECT_EQ(FileStep(2, 99), (MacroStep{17, 31, 0, 0, 0, 0, 0, 0}));
}

TEST_F(KeycodeTest, ListChoicesSetModifierAndDelayBytes) {
  const MacroStep start{1, 2, 4, 5, 6, 7, 8, 9};
  keycode& editor = Open(1, 10, &start);
  editor.ModifierList()->SetListIndex(editor.ModifierList()->findText("FD-Stop"));
  editor.DelayList()->SetListIndex(editor.DelayList()->findText("3.0s"));
  EXPECT_EQ(state_.StepBuffer, (MacroStep{253, 30, 4, 5, 6, 7, 8, 9}));
  editor.ModifierList()->SetListIndex(-1);  // no selection: the byte stays
  EXPECT_EQ(state_.StepBuffer[0], 253);

  QString row;
  QObject::connect(&editor, &keycode::StepSaved,
                   [&] { row = QString::fromStdString(StepText(state_.StepBuffer)); });
  editor.SaveSet();
  EXPECT_EQ(FileStep(1, 10), (MacroStep{253, 30, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(row, "0xFD-3s-A-B-C-D-E-F");
}

TEST_F(KeycodeTest, ClearSetThenSaveSetWritesEightZeroBytesAndNothingElse) {
  const MacroStep start{5, 7, 4, 5, 6, 7, 8, 9};
  keycode& editor = Open(3, 42, &start);
  const ImageBytes before = ReadBytes(state_.FileName);
  QTest::mouseClick(editor.ClearSetLabel(), Qt::LeftButton);
  EXPECT_EQ(state_.StepBuffer, MacroStep{});
  EXPECT_EQ(editor.ModifierList()->currentText(), "None");
  EXPECT_EQ(editor.DelayList()->currentText(), "0.0s");
  EXPECT_TRUE(editor.StatusLabel()->text().isEmpty());
  EXPECT_EQ(ReadBytes(state_.FileName), before) << "Clear Set alone writes nothing";

  QString row;
  QObject::connect(&editor, &keycode::StepSaved,
                   [&] { row = QString::fromStdString(StepText(state_.StepBuffer)); });
  QTest::mouseClick(editor.SaveSetLabel(), Qt::LeftButton);
  EXPECT_EQ(dialogs_.messages, QStringList{kSaved});
  EXPECT_EQ(row, "0x0-0s-0x0-0x0-0x0-0x0-0x0-0x0");
  EXPECT_EQ(ReadBytes(state_.FileName), WithStep(before, 3, 42, MacroStep{}));
  EXPECT_EQ(state_.ConfigImage, WithStep(before, 3, 42, MacroStep{}));
  EXPECT_EQ(StepOfProg(state_.ProgSteps[3], 42), MacroStep{});
  // The editor stays as it was.
  EXPECT_EQ(editor.windowTitle(), "Set itemNum 42");
  EXPECT_TRUE(editor.StatusLabel()->text().isEmpty());
  EXPECT_EQ(state_.StepBuffer, MacroStep{});
}

TEST_F(KeycodeTest, SaveSetTwiceWritesTheFileTwice) {
  keycode& editor = Open(0, 0);
  ClickKey("Q");
  editor.SaveSet();
  // Disturb the file behind the editor's back: only a second write, over it, puts it right.
  ImageBytes disturbed = ReadBytes(state_.FileName);
  const ImageBytes first = disturbed;
  disturbed[0] ^= 0xFF;
  disturbed[StepOffset(0, 0) + 7] = 0;
  disturbed.push_back(0);  // a length of its own: a coarse clock may not move the file's time
  WriteBytes(state_.FileName, disturbed);
  dialogs_.diskAnswers = {DiskChangeAnswer::Overwrite};
  editor.SaveSet();
  EXPECT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_EQ(dialogs_.messages, (QStringList{kSaved, kSaved}));
  EXPECT_EQ(ReadBytes(state_.FileName), first);
  EXPECT_EQ(FileStep(0, 0)[7], 20);
}

TEST_F(KeycodeTest, SaveSetStoresIntoTheFileAndMacroInForceNow) {
  keycode& editor = Open(0, 7);
  ClickKey("Ent");
  const MacroStep step = state_.StepBuffer;
  const ImageBytes firstFile = ReadBytes(state_.FileName);

  // Another file loaded in the main window while the editor stays open.
  const fs::path second = dir_ / "b.bin";
  Load(second, PatternImage(99));
  editor.SaveSet();
  EXPECT_EQ(ReadBytes(dir_ / "a.bin"), firstFile);
  EXPECT_EQ(ReadBytes(second), WithStep(PatternImage(99), 0, 7, step));

  // Another macro chosen: same ItemNum, new block.
  state_.ProgIndex = 6;
  editor.SaveSet();
  EXPECT_EQ(ReadBytes(second), WithStep(WithStep(PatternImage(99), 0, 7, step), 6, 7, step));
  EXPECT_EQ(StepOfProg(state_.ProgSteps[6], 7), step);
}

TEST_F(KeycodeTest, SuccessMessageComesBeforeStepSavedAndStepSavedBeforeTheMirrors) {
  keycode& editor = Open(4, 3);
  ClickKey("Z");
  std::vector<std::string> order;
  dialogs_.onMessage = [&](const QString& text) { order.push_back(text.toStdString()); };
  QObject::connect(&editor, &keycode::StepSaved, [&] {
    order.push_back("StepSaved");
    EXPECT_NE(StepOfProg(state_.ProgSteps[4], 3), state_.StepBuffer)
        << "mirrors refreshed too early";
    EXPECT_EQ(FileStep(4, 3), state_.StepBuffer) << "file not yet written";
  });
  editor.SaveSet();
  EXPECT_EQ(order, (std::vector<std::string>{kSaved, "StepSaved"}));
  EXPECT_EQ(StepOfProg(state_.ProgSteps[4], 3), state_.StepBuffer);
}

TEST_F(KeycodeTest, FailedOrFilelessSaveSetChangesNothing) {
  struct Case {
    const char* name;
    std::function<void(Module1&, const fs::path& dir)> spoil;
    std::string messagePrefix;
  } cases[] = {
      {"no file", [](Module1& s, const fs::path&) { s.FileName.clear(); }, "No File!"},
      {"one-character name", [](Module1& s, const fs::path&) { s.FileName = "x"; }, "No File!"},
      {"read-only file",
       [](Module1& s, const fs::path&) { fs::permissions(s.FileName, fs::perms(0444)); },
       "Could not save "},
      {"folder removed", [](Module1&, const fs::path& dir) { fs::remove_all(dir); },
       "Could not save "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    dialogs_.messages.clear();
    dialogs_.diskAnswers = {DiskChangeAnswer::Overwrite};  // a removed file is written anew
    keycode& editor = Open(5, 20);
    ClickKey("F5");
    editor.DelayList()->SetListIndex(12);
    const MacroStep step = state_.StepBuffer;
    const Module1 before = state_;
    const ImageBytes fileBefore = ReadBytes(state_.FileName);
    c.spoil(state_, dir_);
    QSignalSpy saved(&editor, &keycode::StepSaved);

    QTest::keyClick(editor.SaveSetLabel(), Qt::Key_Space);  // Save Set from the keyboard

    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_TRUE(dialogs_.messages[0].startsWith(QString::fromStdString(c.messagePrefix)))
        << dialogs_.messages[0].toStdString();
    if (c.messagePrefix != "No File!") {
      EXPECT_TRUE(dialogs_.messages[0].contains(QString::fromStdString(before.FileName)));
    }
    EXPECT_EQ(saved.count(), 0);
    EXPECT_EQ(state_.ConfigImage, before.ConfigImage);
    EXPECT_EQ(state_.ProgSteps, before.ProgSteps);
    EXPECT_EQ(state_.StepBuffer, step) << "the user's step is kept for another try";
    EXPECT_EQ(editor.DelayList()->currentText(), "1.2s");
    if (fs::exists(before.FileName)) {
      EXPECT_EQ(ReadBytes(before.FileName), fileBefore);
    }
  }
}

// The arrows go between key-caps as they lie on the picture; Space presses the focused one.
TEST_F(KeycodeTest, ArrowsHomeAndEndMoveBetweenKeyCapsAsOnThePicture) {
  keycode& editor = Open(0, 0);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
  const struct {
    const char* from;
    Qt::Key key;
    const char* to;
  } cases[] = {
      {"A", Qt::Key_Right, "S"},      {"A", Qt::Key_Left, "CL"},  {"A", Qt::Key_Up, "Q"},
      {"A", Qt::Key_Down, "Z"},       {"B", Qt::Key_Down, "SP"},  {"SP", Qt::Key_Up, "B"},
      {"F5", Qt::Key_Down, "6"},      {"Esc", Qt::Key_Up, "Esc"}, {"Esc", Qt::Key_Left, "Esc"},
      {"P/B", Qt::Key_Right, "Null"}, {"UA", Qt::Key_Up, "End"},  {"NEnt", Qt::Key_Up, "N+"},
      {"N6", Qt::Key_Right, "N+"},    {"N3", Qt::Key_Up, "N6"},   {"DA", Qt::Key_Up, "UA"},
      {"G", Qt::Key_Home, "CL"},      {"G", Qt::Key_End, "N+"},   {"LCtr", Qt::Key_Home, "LCtr"},
  };
  auto cap = [&](const char* caption) -> ClickLabel* {
    for (int i = 0; i < kKeyCapCount; ++i) {
      if (editor.CapLabel(i)->text() == QLatin1String(caption)) return editor.CapLabel(i);
    }
    return nullptr;
  };
  for (const auto& c : cases) {
    cap(c.from)->setFocus();
    QTest::keyClick(cap(c.from), c.key);
    const auto* focused = qobject_cast<ClickLabel*>(editor.focusWidget());
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->text(), QLatin1String(c.to)) << c.from << " " << c.key;
  }
  QTest::keyClick(editor.focusWidget(), Qt::Key_Space);
  EXPECT_EQ(state_.StepBuffer[7], 224) << "Space pressed LCtr";
  QTest::keyClick(editor.focusWidget(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(dialogs_.messages, QStringList{kSaved});
  EXPECT_EQ(FileStep(0, 0), state_.StepBuffer) << "Ctrl+S stored the step";
}

// Recording takes each key by its place; the window's own keys are recorded, not obeyed.
TEST_F(KeycodeTest, RecordPushesEveryKeyByItsPlace) {
  const MacroStep start{3, 12, 0, 0, 0, 0, 0, 0};
  keycode& editor = Open(0, 5, &start);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
  editor.RecordLabel()->setFocus();
  QTest::keyClick(editor.RecordLabel(), Qt::Key_Space);
  ASSERT_EQ(QWidget::keyboardGrabber(), &editor);
  // z on US and German (held: repeats), a on French, the ISO key, a code with no usage.
  // clang-format off
  const struct { Qt::Key key; quint32 scan; int usage; Qt::KeyboardModifiers mods{}; } cases[] = {
      {Qt::Key_Z, 52, 0x1D}, {Qt::Key_Z, 29, 0x1C}, {Qt::Key_Z, 29, -1}, {Qt::Key_A, 24, 0x14},
      {Qt::Key_Escape, 9, 0x29}, {Qt::Key_Return, 36, 0x28}, {Qt::Key_Tab, 23, 0x2B},
      {Qt::Key_Space, 65, 0x2C}, {Qt::Key_Shift, 50, 0xE1}, {Qt::Key_AltGr, 108, 0xE6},
      {Qt::Key_F13, 191, 0x68}, {Qt::Key_Less, 94, 0x64}, {Qt::Key_unknown, 248, 0},
      {Qt::Key_Control, 37, 0xE0}, {Qt::Key_S, 39, 0x16, Qt::ControlModifier},
      {Qt::Key_F4, 70, 0x3D, Qt::AltModifier}};
  // clang-format on
  MacroStep expected = start;
  for (const auto& c : cases) {
    Press(c.key, c.scan, c.mods, c.usage < 0);  // -1: an auto-repeat
    if (c.usage > 0) PushKey(expected, static_cast<std::uint8_t>(c.usage));
    EXPECT_EQ(state_.StepBuffer, expected) << c.scan;
  }
  EXPECT_EQ(editor.StatusLabel()->text(), " RAlt 0x68 0x64 LCtr S F4");
  EXPECT_TRUE(editor.RecordLabel()->accessibleName() == "Recording" &&
              editor.RecordLabel()->sizeHint().width() <= editor.RecordLabel()->width());
  // Escape did not close the editor, Tab did not move the focus, Ctrl+S did not save.
  EXPECT_TRUE(editor.isVisible() && editor.focusWidget() == editor.RecordLabel());
  EXPECT_TRUE(dialogs_.messages.isEmpty());
}

// A screen reader's Press starts recording; a click, a pause or leaving the window ends it. A key
// starts the pause again, so steady typing is never cut off.
TEST_F(KeycodeTest, RecordingEndsOnClickAfterAPauseAndOnLeaving) {
  QWidget other;
  for (const std::string_view end : {"click", "pause", "leave"}) {
    SCOPED_TRACE(end);
    keycode& editor = Open(0, 0);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    editor.SetRecordIdle(std::chrono::milliseconds(60000));
    QAccessibleInterface* record = QAccessible::queryAccessibleInterface(editor.RecordLabel());
    EXPECT_EQ(record->role(), QAccessible::Button);
    record->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.Recording(); }));
    bool recordingAfterKey = false;
    if (end == "pause") {  // timers due at once fire in order, however late the loop runs
      editor.SetRecordIdle(std::chrono::milliseconds(300));
      QTimer::singleShot(200, &editor, [&] { Press(Qt::Key_A, 38); });
      QTimer::singleShot(400, &editor, [&] { recordingAfterKey = editor.Recording(); });
    }
    if (end == "click") QTest::mouseClick(editor.RecordLabel(), Qt::LeftButton);
    if (end == "leave") other.show(), other.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !editor.Recording(); }));
    EXPECT_EQ(recordingAfterKey, end == "pause");
    EXPECT_TRUE(record->text(QAccessible::Name) == "Record" && !QWidget::keyboardGrabber());
    Press(Qt::Key_Escape, 9);
    EXPECT_FALSE(editor.isVisible()) << "Escape closes the editor again";
  }
}

// A key held on X: the first press, then a release and a press at the same server time for each
// repeat, which Qt leaves unflagged when it has not yet read the press; the last release later.
TEST_F(KeycodeTest, AHeldKeyActsOnceAsTheXServerRepeatsIt) {
  const struct {
    const char* control;  // the key-cap's caption, or "Save Set"
    Qt::Key key;
    quint32 scan;
    bool recording;
    const char* shown;  // the step's keys shown after
    int saves;
  } cases[] = {
      {"A", Qt::Key_Space, 65, false, " 0x0 0x0 0x0 0x0 0x0 A", 0},
      {"S", Qt::Key_Return, 36, false, " 0x0 0x0 0x0 0x0 0x0 S", 0},
      {"Save Set", Qt::Key_Return, 36, false, " 0x0 0x0 0x0 0x0 0x0 0x0", 1},
      {"Record", Qt::Key_Z, 52, true, " 0x0 0x0 0x0 0x0 0x0 Z", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control);
    const MacroStep empty{};
    keycode& editor = Open(0, 1, &empty);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    dialogs_.messages.clear();
    ClickLabel* target = c.recording ? editor.RecordLabel() : editor.SaveSetLabel();
    for (int i = 0; i < kKeyCapCount; ++i) {
      if (editor.CapLabel(i)->text() == QLatin1String(c.control)) target = editor.CapLabel(i);
    }
    target->setFocus();
    if (c.recording) editor.RecordClicked();
    const auto send = [&](QEvent::Type type, quint64 time) {
      QKeyEvent event(type, c.key, Qt::NoModifier, c.scan, 0, 0, {}, false);
      event.setTimestamp(time);
      QCoreApplication::sendEvent(editor.windowHandle(), &event);
    };
    send(QEvent::KeyPress, 1000);
    for (quint64 time = 1500; time < 2800; time += 33) {
      send(QEvent::KeyRelease, time);
      send(QEvent::KeyPress, time);
    }
    send(QEvent::KeyRelease, 2900);
    EXPECT_EQ(editor.StatusLabel()->text().toStdString(), c.shown);
    EXPECT_EQ(dialogs_.messages.count(kSaved), c.saves);
    editor.close();
  }
}

TEST_F(KeycodeTest, WindowAndKeyCapsFollowTheTwipsLayout) {
  keycode& editor = Open(0, 0);
  EXPECT_EQ(editor.size(), QSize(907, 296));
  EXPECT_EQ(editor.ModifierList()->count(), kModifierItemCount);
  EXPECT_EQ(editor.DelayList()->count(), kDelayItemCount);
  EXPECT_EQ(editor.ModifierList()->ItemData(17), 253);
  EXPECT_EQ(editor.StatusLabel()->geometry(), QRect(248, 8, 353, 25));

  struct Case {
    int index;
    const char* caption;
    QRect px;  // twips / 15, from the key-cap table
  } cases[] = {
      {0, "Esc", {8, 48, 33, 33}},       {26, "BS", {528, 96, 73, 33}},
      {69, "SP", {160, 256, 241, 33}},   {94, "N+", {864, 136, 33, 73}},
      {101, "NEnt", {864, 216, 33, 73}}, {104, "Null", {744, 48, 73, 33}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(editor.CapLabel(c.index)->text(), c.caption);
    EXPECT_EQ(editor.CapLabel(c.index)->geometry(), c.px) << c.caption;
  }
  for (int i = 0; i < kKeyCapCount; ++i) {
    const KeyCap& key = KeyCapTable()[static_cast<std::size_t>(i)];
    EXPECT_EQ(editor.CapLabel(i)->geometry(), TwipsRect(key.left, key.top, key.width, key.height))
        << i;
    EXPECT_DOUBLE_EQ(editor.CapLabel(i)->font().pointSizeF(), 9.75);
    EXPECT_TRUE(editor.CapLabel(i)->font().bold());
  }
  EXPECT_DOUBLE_EQ(editor.SaveSetLabel()->font().pointSizeF(), 12);
  EXPECT_TRUE(editor.RecordLabel()->font() == editor.SaveSetLabel()->font() &&
              editor.RecordLabel()->palette() == editor.SaveSetLabel()->palette());
  EXPECT_EQ(editor.SaveSetLabel()->nextInFocusChain(), editor.RecordLabel());

  // Colours as drawn: inside the one-pixel frame of a key, and in a corner of the window.
  const QImage shot = editor.grab().toImage();
  auto inside = [&](QWidget* w) { return shot.pixelColor(w->geometry().topLeft() + QPoint(2, 2)); };
  EXPECT_EQ(inside(editor.CapLabel(0)), QColor(255, 255, 255));
  EXPECT_EQ(inside(editor.CapLabel(104)), QColor(192, 192, 192));
  EXPECT_EQ(inside(editor.StatusLabel()), QColor(255, 224, 192));
  EXPECT_EQ(shot.pixelColor(editor.width() - 2, editor.height() - 2), QColor(0, 0, 64));
}

}  // namespace
}  // namespace vorlane::ui
