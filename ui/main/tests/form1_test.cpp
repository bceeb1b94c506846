#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>
#include <QUndoView>
#include <QtMath>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "history/store.h"
#include "image/button_rules.h"
#include "image/editor_saves.h"
#include "image/macro_slots.h"
#include "settings/step_notation.h"
#include "ui/main/form1.h"
#include "ui/step_list/step_text.h"
#include "ui/toolkit/fonts.h"
#include "ui/toolkit/placement.h"
#include "ui/toolkit/testing/scripted_dialogs.h"
#include "ui/toolkit/texts.h"
#include "vocabulary/function_catalogue.h"
#include "vocabulary/key_tables.h"

namespace vorlane::ui {
namespace {

using Positions = std::array<int, kButtonCount>;  // catalogue position per button, M1..M8

const QString kSavedText = QStringLiteral("Your settings have been successfully saved!");

constexpr Positions kFilePositions{0, 5, 17, 42, 64, 99, 120, 129};

// A full-size image: a byte pattern everywhere, the functions at kFilePositions on the buttons.
ImageBytes CraftedImage(const Positions& positions = kFilePositions) {
  ImageBytes image(kMinImageSize + 3);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 3);
  for (int n = 0; n < kButtonCount; ++n) {
    image[ButtonOffsets[static_cast<std::size_t>(n)]] =
        static_cast<std::uint8_t>(CatalogueCode(positions[static_cast<std::size_t>(n)]));
  }
  return image;
}

void WriteFile(const QString& path, const ImageBytes& bytes) {
  std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path.toStdString();
}

ImageBytes ReadFile(const QString& path) {
  std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ExpectRowsShowProgSteps(const Form2& list, const ProgBlock& block) {
  for (int i = 0; i < StepsPerProg; ++i) {
    ASSERT_EQ(list.Step(i)->text().toStdString(), StepText(StepOfProg(block, i))) << "row " << i;
  }
}

// The application's active window, not only a window whose parent is active.
bool BecomesActive(QWidget* window) {
  return QTest::qWaitFor([&] { return QApplication::activeWindow() == window; });
}

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    window = std::make_unique<Form1>(state, dialogs);
  }

  void TearDown() override {
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QString FilePath(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

  // Writes `image` and loads it through the open dialog.
  // Loads the crafted image, shows the window, opens Prog<prog + 1>'s step list and its first step.
  void OpenListAndEditor(int prog = 1) {
    LoadImage();
    window->show();
    QTest::mouseClick(window->SetProg(prog), Qt::LeftButton);
    QTest::mouseDClick(window->StepList()->Step(0), Qt::LeftButton);
  }

  QString LoadImage(const ImageBytes& image = CraftedImage(), const char* name = "device.bin") {
    const QString path = FilePath(name);
    WriteFile(path, image);
    dialogs.Answer(path);
    QTest::mouseClick(window->LoadButton(), Qt::LeftButton);
    return path;
  }

  Positions Selections() const {
    Positions p{};
    for (int n = 1; n <= kButtonCount; ++n)
      p[static_cast<std::size_t>(n - 1)] = window->Combo(n)->ListIndex();
    return p;
  }

  bool EditingEnabled() const {
    bool all = window->SaveButton()->isEnabled();
    for (int n = 1; n <= kButtonCount; ++n) all = all && window->Combo(n)->isEnabled();
    for (int i = 0; i < kProgCount; ++i) all = all && window->SetProg(i)->isEnabled();
    return all;
  }

  QTemporaryDir dir;
  Module1 state;
  testing::ScriptedDialogs dialogs;
  std::unique_ptr<Form1> window;
};

TEST_F(MainWindow, StartsWithEightEmptyDisabledListsOfTheWholeCatalogue) {
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Vorlane"));
  EXPECT_TRUE(window->LoadButton()->isEnabled());
  EXPECT_FALSE(window->SaveButton()->isEnabled());
  EXPECT_TRUE(window->ExitButton()->isEnabled());
  EXPECT_TRUE(window->PathBox()->isEnabled());
  EXPECT_TRUE(window->PathBox()->text().isEmpty());
  EXPECT_EQ(window->LoadButton()->text(), QStringLiteral("Load"));
  EXPECT_EQ(window->SaveButton()->text(), QStringLiteral("Save"));
  EXPECT_EQ(window->ExitButton()->text(), QStringLiteral("Exit"));
  for (int n = 1; n <= kButtonCount; ++n) {
    const DropDownList* list = window->Combo(n);
    EXPECT_FALSE(list->isEnabled()) << n;
    EXPECT_EQ(list->ListIndex(), -1) << n;
    ASSERT_EQ(list->count(), kCatalogueSize) << n;
    for (int p = 0; p < kCatalogueSize; ++p) {
      const CatalogueEntry& entry = FunctionCatalogue()[static_cast<std::size_t>(p)];
      ASSERT_EQ(list->itemText(p).toStdString(), entry.name) << n << " " << p;
      ASSERT_EQ(list->ItemData(p), entry.code) << n << " " << p;
    }
    EXPECT_EQ(window->Digit(n)->text(), QString::number(n));
  }
  for (int i = 0; i < kProgCount; ++i) {
    EXPECT_FALSE(window->SetProg(i)->isEnabled()) << i;
    EXPECT_EQ(window->SetProg(i)->text(), QStringLiteral("Set Prog%1").arg(i + 1));
  }
  EXPECT_EQ(window->StepList(), nullptr);
  EXPECT_EQ(window->Editor(), nullptr);
}

TEST_F(MainWindow, ControlsStandWhereTheTwipsTablePutsThem) {
  EXPECT_EQ(window->size(), QSize(649, 297));
  EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "fixed size";
  const struct {
    QWidget* widget;
    QRect px;
  } cases[] = {
      {window->LoadButton(), {8, 8, 161, 33}},   {window->SaveButton(), {240, 8, 169, 33}},
      {window->ExitButton(), {480, 8, 161, 33}}, {window->PathBox(), {8, 56, 633, 25}},
      {window->Digit(1), {64, 96, 33, 33}},      {window->Digit(4), {544, 96, 33, 33}},
      {window->Digit(5), {64, 152, 33, 33}},     {window->Digit(8), {544, 152, 33, 33}},
      {window->Combo(1), {8, 120, 153, 24}},     {window->Combo(2), {168, 120, 153, 24}},
      {window->Combo(3), {328, 120, 153, 24}},   {window->Combo(4), {488, 120, 153, 24}},
      {window->Combo(5), {8, 176, 153, 24}},     {window->Combo(8), {488, 176, 153, 24}},
      {window->SetProg(0), {8, 216, 153, 33}},   {window->SetProg(3), {488, 216, 153, 33}},
      {window->SetProg(4), {8, 256, 153, 33}},   {window->SetProg(7), {488, 256, 153, 33}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.widget->geometry(), c.px) << c.widget->objectName().toStdString();

  const struct {
    QWidget* widget;
    Face face;
    double points;
    bool bold;
  } fonts[] = {
      {window->LoadButton(), Face::Sans, 12, true},  {window->PathBox(), Face::Sans, 9.75, false},
      {window->Combo(6), Face::Sans, 9.75, false},   {window->Digit(2), Face::Sans, 13.5, true},
      {window->SetProg(5), Face::Ming, 14.25, true},
  };
  for (const auto& f : fonts) {
    const QFont font = f.widget->font();
    EXPECT_EQ(font.families(), UiFont(f.face, f.points, f.bold).families());
    EXPECT_DOUBLE_EQ(font.pointSizeF(), f.points);
    EXPECT_EQ(font.bold(), f.bold);
  }
}

TEST_F(MainWindow, TabOrderFollowsTheTableAndReachesTheSetProgLabels) {
  LoadImage();
  QList<QWidget*> expected{window->LoadButton(), window->SaveButton(), window->ExitButton()};
  for (int n = 1; n <= kButtonCount; ++n) expected.push_back(window->Combo(n));
  expected.push_back(window->PathBox());
  for (int i = 0; i < kProgCount; ++i) expected.push_back(window->SetProg(i));

  QList<QWidget*> chain;
  QWidget* w = window->LoadButton();
  do {
    if (expected.contains(w)) chain.push_back(w);
    w = w->nextInFocusChain();
  } while (w != window->LoadButton());
  EXPECT_EQ(chain, expected);
  for (int i = 0; i < kProgCount; ++i)
    EXPECT_NE(window->SetProg(i)->focusPolicy() & Qt::TabFocus, 0);
}

TEST_F(MainWindow, CancellingBeforeAnyLoadDoesNothing) {
  QTest::mouseClick(window->LoadButton(), Qt::LeftButton);
  EXPECT_EQ(dialogs.openCount, 1);
  EXPECT_EQ(dialogs.lastFilter, "燒錄檔 (*.bin) | *.bin");
  EXPECT_TRUE(dialogs.lastStartPath.isEmpty());
  EXPECT_TRUE(dialogs.messages.isEmpty());
  EXPECT_FALSE(window->SaveButton()->isEnabled());
  EXPECT_FALSE(window->Combo(1)->isEnabled());
  EXPECT_FALSE(window->SetProg(0)->isEnabled());
  EXPECT_TRUE(window->PathBox()->text().isEmpty());
  EXPECT_TRUE(state.FileName.empty());
  EXPECT_TRUE(state.ConfigImage.empty());
}

TEST_F(MainWindow, LoadSelectsTheFilesFunctionsAndMirrorsTheMacros) {
  const ImageBytes image = CraftedImage();
  const QString path = LoadImage(image);
  EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
  EXPECT_EQ(Selections(), kFilePositions);
  EXPECT_TRUE(EditingEnabled());
  EXPECT_EQ(state.FileName, QFile::encodeName(path).toStdString());
  EXPECT_EQ(state.ConfigImage, image);
  EXPECT_EQ(window->PathBox()->text(), path);
  EXPECT_EQ(window->PathBox()->cursorPosition(), path.size()) << "caret after the last character";
  for (int p = 0; p < kProgCount; ++p) {
    const auto from = image.begin() + static_cast<std::ptrdiff_t>(StepOffset(p, 0));
    ASSERT_TRUE(std::equal(state.ProgSteps[static_cast<std::size_t>(p)].begin(),
                           state.ProgSteps[static_cast<std::size_t>(p)].end(), from))
        << "macro " << p;
  }

  // The next dialog opens on the file in force.
  QTest::mouseClick(window->LoadButton(), Qt::LeftButton);
  EXPECT_EQ(dialogs.lastStartPath, path);
}

TEST_F(MainWindow, ClashingButtonsInTheFileLeaveTheLaterListEmpty) {
  Positions positions = kFilePositions;
  positions[4] = positions[1];  // M5 repeats M2
  LoadImage(CraftedImage(positions));
  ASSERT_EQ(dialogs.messages, QStringList{QStringLiteral("M5 key can't set like M2 key.")});
  Positions expected = positions;
  expected[4] = kNoSelection;
  EXPECT_EQ(Selections(), expected);
}

TEST_F(MainWindow, UserSelectionThatClashesIsReportedAndUndone) {
  LoadImage();
  // The message comes while the list still shows the user's choice.
  int shownDuringMessage = -2;
  dialogs.onMessage = [&](const QString&) { shownDuringMessage = window->Combo(3)->ListIndex(); };
  window->Combo(3)->SetListIndex(kFilePositions[0]);
  ASSERT_EQ(dialogs.messages, QStringList{QStringLiteral("M3 key can't set like M1 key.")});
  EXPECT_EQ(shownDuringMessage, kFilePositions[0]);
  EXPECT_EQ(window->Combo(3)->ListIndex(), kNoSelection);

  // By keyboard: M1 steps from position 0 onto the free 1; M2 then steps from 2 onto M1's 1.
  dialogs.messages.clear();
  window->Combo(1)->setFocus();
  QTest::keyClick(window->Combo(1), Qt::Key_Down);
  EXPECT_EQ(window->Combo(1)->ListIndex(), 1);
  EXPECT_TRUE(dialogs.messages.isEmpty());
  window->Combo(2)->SetListIndex(2);
  QTest::keyClick(window->Combo(2), Qt::Key_Up);
  EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("M2 key can't set like M1 key.")});
  EXPECT_EQ(window->Combo(2)->ListIndex(), kNoSelection);
}

TEST_F(MainWindow, AltOrCtrlNeverChangesAChoiceAndTheShortcutsPressTheCommands) {
  const QString path = LoadImage();
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  DropDownList* m3 = window->Combo(3);
  m3->setFocus();
  const std::pair<Qt::Key, Qt::KeyboardModifiers> modified[] = {
      {Qt::Key_S, Qt::AltModifier},
      {Qt::Key_P, Qt::AltModifier},
      {Qt::Key_Up, Qt::AltModifier},
      {Qt::Key_Down, Qt::ControlModifier},
      {Qt::Key_End, Qt::ControlModifier},
      {Qt::Key_PageDown, Qt::ControlModifier},
      {Qt::Key_Home, Qt::AltModifier | Qt::ShiftModifier},
  };
  for (const auto& [key, held] : modified) {
    QTest::keyClick(m3, key, held);
    ASSERT_EQ(m3->ListIndex(), kFilePositions[2]) << key << " " << held;
  }
  QTest::keyClick(m3, Qt::Key_S);  // plain type-ahead still chooses
  EXPECT_NE(m3->ListIndex(), kFilePositions[2]);

  const struct {
    QPushButton* button;
    Qt::Key key;
    const char* keys;
  } shortcuts[] = {{window->SaveButton(), Qt::Key_S, "(Ctrl+S)"},
                   {window->LoadButton(), Qt::Key_O, "(Ctrl+O)"},
                   {window->ExitButton(), Qt::Key_Q, "(Ctrl+Q)"}};
  for (const auto& s : shortcuts) {
    QSignalSpy clicked(s.button, &QPushButton::clicked);
    QTest::keyClick(m3, s.key, Qt::ControlModifier);
    ASSERT_TRUE(clicked.wait(2000)) << s.keys;
  }
  EXPECT_EQ(ReadFile(path)[ButtonOffsets[2]], CatalogueCode(m3->ListIndex())) << "Ctrl+S saved";
  EXPECT_EQ(dialogs.openCount, 2) << "Ctrl+O opened the dialog";
  EXPECT_FALSE(window->isVisible()) << "Ctrl+Q closed the window";
}

// Ctrl+P opens the print preview; its own paint, sent to a PDF file, prints the keys' functions
// as the lists hold them.
TEST_F(MainWindow, CtrlPPreviewsTheKeyMapAndItsFirstPagePrintsEveryFunction) {
  EXPECT_TRUE(window->PathBox()->toolTip().endsWith(QLatin1String("(Ctrl+P)")));
  qputenv("VORLANE_PRINT_MODULE", VORLANE_PRINT_MODULE);
  LoadImage();
  window->Combo(8)->SetListIndex(kFilePositions[0] + 1);  // a choice not saved yet
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  const QString pdf = FilePath("card.pdf");
  bool previewed = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
    if (preview == nullptr) return;
    poll.stop();
    previewed = true;
    QPrinter* printer = preview->printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    printer->setFromTo(1, 1);
    emit preview->paintRequested(printer);
    preview->reject();
  });
  poll.start(10);
  QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return previewed; }))
      << dialogs.messages.join(u'\n').toStdString();
  QProcess pdftotext;
  pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  ASSERT_TRUE(pdftotext.waitForFinished()) << "poppler-utils missing?";
  // A PDF holds no spaces, only gaps, which pdftotext reads as spaces only when they are wide.
  const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput()).remove(u' ');
  EXPECT_TRUE(text.contains(QLatin1String("device.bin"))) << text.toStdString();
  for (int n = 1; n <= kButtonCount; ++n) {
    const int position = n == 8 ? kFilePositions[0] + 1 : kFilePositions[n - 1];
    const std::string_view name = FunctionCatalogue()[static_cast<std::size_t>(position)].name;
    EXPECT_TRUE(text.contains(
        QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).remove(u' ')))
        << "M" << n << " " << name << " in\n"
        << text.toStdString();
  }
}

TEST_F(MainWindow, CancelAfterALoadReadsTheFileInForceAgain) {
  const QString path = LoadImage();
  // Unsaved choices that swap two of the file's functions between M1 and M2.
  window->Combo(1)->SetListIndex(1);
  window->Combo(2)->SetListIndex(kFilePositions[0]);
  window->Combo(1)->SetListIndex(kFilePositions[1]);
  ASSERT_TRUE(dialogs.messages.isEmpty());
  state.ProgSteps[3].fill(0);
  ImageBytes elsewhere = CraftedImage();  // another program's change, which the re-read takes in
  elsewhere.push_back(0);
  WriteFile(path, elsewhere);

  QTest::mouseClick(window->LoadButton(), Qt::LeftButton);  // no answer queued: cancelled
  EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
  EXPECT_EQ(Selections(), kFilePositions);
  EXPECT_EQ(state.ProgSteps[3][0], CraftedImage()[StepOffset(3, 0)]);
  EXPECT_EQ(window->PathBox()->text(), path);
  QTest::mouseClick(window->SaveButton(), Qt::LeftButton);
  EXPECT_TRUE(dialogs.questions.empty()) << "the file as read again is the editor's";
  EXPECT_EQ(dialogs.messages, QStringList{kSavedText});
}

TEST_F(MainWindow, RefusedFileChangesNothing) {
  struct Case {
    const char* name;
    std::optional<std::size_t> length;  // none: the file does not exist
    const char* messageStart;
  } cases[] = {
      {"short.bin", 27803, "is not a device image: it is 27803 bytes long"},
      {"empty.bin", 0, "is not a device image: it is 0 bytes long"},
      {"missing.bin", std::nullopt, "Could not open "},
  };
  const QString good = LoadImage();
  window->Combo(8)->SetListIndex(kNoSelection);  // an unsaved change that must survive
  const ImageBytes image = state.ConfigImage;
  const auto mirrors = state.ProgSteps;
  const Positions selections = Selections();

  for (const Case& c : cases) {
    const QString path = FilePath(c.name);
    if (c.length) WriteFile(path, ImageBytes(*c.length, 0x04));
    dialogs.messages.clear();
    dialogs.Answer(path);
    QTest::mouseClick(window->LoadButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1) << c.name;
    EXPECT_TRUE(dialogs.messages[0].contains(QString::fromLatin1(c.messageStart)))
        << dialogs.messages[0].toStdString();
    EXPECT_TRUE(dialogs.messages[0].contains(path));
    EXPECT_EQ(state.FileName, QFile::encodeName(good).toStdString()) << c.name;
    EXPECT_EQ(state.ConfigImage, image) << c.name;
    EXPECT_EQ(state.ProgSteps, mirrors) << c.name;
    EXPECT_EQ(Selections(), selections) << c.name;
    EXPECT_EQ(window->PathBox()->text(), good) << c.name;
  }

  // Save still writes the file in force.
  window->Combo(8)->SetListIndex(kFilePositions[7]);
  QTest::mouseClick(window->SaveButton(), Qt::LeftButton);
  EXPECT_EQ(dialogs.messages.last(), QStringLiteral("Your settings have been successfully saved!"));
  EXPECT_EQ(ReadFile(FilePath("short.bin")), ImageBytes(27803, 0x04));
}

TEST_F(MainWindow, RefusedFirstFileLeavesTheControlsDisabled) {
  const QString path = FilePath("tiny.bin");
  WriteFile(path, ImageBytes(10, 0));
  dialogs.Answer(path);
  QTest::mouseClick(window->LoadButton(), Qt::LeftButton);
  ASSERT_EQ(dialogs.messages.size(), 1);
  EXPECT_FALSE(window->SaveButton()->isEnabled());
  EXPECT_FALSE(window->Combo(1)->isEnabled());
  EXPECT_FALSE(window->SetProg(0)->isEnabled());
  EXPECT_TRUE(window->PathBox()->text().isEmpty());
  EXPECT_TRUE(state.FileName.empty());
  // Cancelling now has no file to fall back on.
  QTest::mouseClick(window->LoadButton(), Qt::LeftButton);
  EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(MainWindow, SaveWritesTheEightCodesAndNothingElse) {
  const ImageBytes original = CraftedImage();
  const QString path = LoadImage(original);
  window->Combo(1)->SetListIndex(77);
  window->Combo(6)->SetListIndex(3);
  QTest::mouseClick(window->SaveButton(), Qt::LeftButton);
  ASSERT_EQ(dialogs.messages,
            QStringList{QStringLiteral("Your settings have been successfully saved!")});

  ImageBytes expected = original;
  expected[ButtonOffsets[0]] = static_cast<std::uint8_t>(CatalogueCode(77));
  expected[ButtonOffsets[5]] = static_cast<std::uint8_t>(CatalogueCode(3));
  EXPECT_EQ(ReadFile(path), expected);
  EXPECT_EQ(state.ConfigImage, expected);
}

TEST_F(MainWindow, SaveRefusesAnEmptyList) {
  const ImageBytes original = CraftedImage();
  const QString path = LoadImage(original);
  window->Combo(4)->SetListIndex(kNoSelection);
  QTest::mouseClick(window->SaveButton(), Qt::LeftButton);
  EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("M1~M8 can't set nothing!")});
  EXPECT_EQ(ReadFile(path), original);
}

TEST_F(MainWindow, AOneCharacterNameCountsAsNoFileChosen) {
  // The open dialog only returns such a name through the seam; it reads nothing, and Save then
  // finds no file chosen.
  const ImageBytes original = CraftedImage();
  const QString path = LoadImage(original);
  dialogs.Answer(QStringLiteral("a"));
  QTest::mouseClick(window->LoadButton(), Qt::LeftButton);
  EXPECT_EQ(state.FileName, "a");
  EXPECT_TRUE(dialogs.messages.isEmpty());
  EXPECT_EQ(state.ConfigImage, original);
  window->Combo(1)->SetListIndex(77);
  QTest::mouseClick(window->SaveButton(), Qt::LeftButton);
  EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("No File!")});
  EXPECT_EQ(ReadFile(path), original);
}

TEST_F(MainWindow, FailedSaveLeavesFileAndImageAsTheyWere) {
  const ImageBytes original = CraftedImage();
  const QString path = LoadImage(original);
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
  window->Combo(2)->SetListIndex(88);
  QTest::mouseClick(window->SaveButton(), Qt::LeftButton);
  ASSERT_EQ(dialogs.messages.size(), 1);
  EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Could not save ") + path + ": "))
      << dialogs.messages[0].toStdString();
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_EQ(state.ConfigImage, original);
  EXPECT_EQ(window->Combo(2)->ListIndex(), 88) << "the user's choice stays for another try";
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(MainWindow, SetProgOpensAFreshStepListAgainstTheRightEdge) {
  ImageBytes image = CraftedImage();
  const std::array<std::uint8_t, 8> step{0x01, 0x05, 0, 0, 0, 0, 0, 0x04};
  std::copy(step.begin(), step.end(),
            image.begin() + static_cast<std::ptrdiff_t>(StepOffset(2, 0)));
  LoadImage(image);
  window->show();
  window->move(40, 30);

  QTest::mouseClick(window->SetProg(2), Qt::LeftButton);
  QPointer<Form2> first = window->StepList();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(state.ProgIndex, 2);
  EXPECT_EQ(first->windowTitle(), QStringLiteral("Set Prog 3"));
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->Step(0)->text(), QStringLiteral("LCtr-0.5s-0x0-0x0-0x0-0x0-0x0-A"));
  const QRect screen = window->screen()->availableGeometry();
  EXPECT_EQ(first->pos(),
            PlaceBeside(window->frameGeometry(), first->frameGeometry().size(), screen));
  EXPECT_TRUE(screen.contains(first->frameGeometry()));

  // After the main window moved, the same label rebuilds the list at page 0 at the new place.
  first->PageScrollBar()->setValue(6);
  window->move(200, 120);
  window->SetProg(2)->setFocus();
  QTest::keyClick(window->SetProg(2), Qt::Key_Space);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(first, nullptr) << "the old list is closed";
  Form2* second = window->StepList();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->PageScrollBar()->value(), 0);
  EXPECT_FALSE(second->Step(0)->isHidden());
  EXPECT_EQ(second->pos(),
            PlaceBeside(window->frameGeometry(), second->frameGeometry().size(), screen));

  QTest::mouseClick(window->SetProg(7), Qt::LeftButton);
  EXPECT_EQ(window->StepList()->windowTitle(), QStringLiteral("Set Prog 8"));
  EXPECT_EQ(state.ProgIndex, 7);
}

TEST_F(MainWindow, DoubleClickedRowOpensTheEditorOverTheMainWindow) {
  ImageBytes image = CraftedImage();
  LoadImage(image);
  window->show();
  window->move(60, 50);
  QTest::mouseClick(window->SetProg(4), Qt::LeftButton);
  Form2* list = window->StepList();
  list->PageScrollBar()->setValue(1);

  QTest::mouseDClick(list->Step(12), Qt::LeftButton);
  QPointer<keycode> first = window->Editor();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(state.ItemNum, 12);
  EXPECT_EQ(state.StepBuffer, GetStep(image, 4, 12));
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->pos(), PlaceOver(window->frameGeometry(), first->frameGeometry().size(),
                                    window->screen()->availableGeometry()));
  EXPECT_TRUE(BecomesActive(first)) << "in front and active";
  EXPECT_EQ(list->PageScrollBar()->value(), 1) << "the list stays on its page";

  QTest::mouseDClick(list->Step(17), Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(first, nullptr) << "the earlier editor is closed";
  ASSERT_NE(window->Editor(), nullptr);
  EXPECT_EQ(state.ItemNum, 17);
  EXPECT_EQ(state.StepBuffer, GetStep(image, 4, 17));

  // The same macro's list again keeps the editor; another macro's closes it, whose Save Set
  // would otherwise write its step into the macro now shown.
  QPointer<keycode> second = window->Editor();
  QTest::mouseClick(window->SetProg(4), Qt::LeftButton);
  EXPECT_EQ(window->Editor(), second);
  QTest::mouseClick(window->SetProg(2), Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(second, nullptr);
}

TEST_F(MainWindow, StepSavedRewritesTheRowOfTheOpenStepList) {
  LoadImage();
  QTest::mouseClick(window->SetProg(0), Qt::LeftButton);
  QTest::mouseDClick(window->StepList()->Step(5), Qt::LeftButton);
  ASSERT_NE(window->Editor(), nullptr);
  const QString neighbour = window->StepList()->Step(6)->text();
  state.StepBuffer = {0x02, 30, 0, 0, 0, 0, 0, 0x2D};
  emit window->Editor()->StepSaved();
  EXPECT_EQ(window->StepList()->Step(5)->text(), QStringLiteral("LShi-3s-0x0-0x0-0x0-0x0-0x0--"));
  EXPECT_EQ(window->StepList()->Step(6)->text(), neighbour);

  // With the list closed there is no row to rewrite.
  window->StepList()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(window->StepList(), nullptr);
  emit window->Editor()->StepSaved();
}

TEST_F(MainWindow, ReloadRewritesTheOpenStepListOnItsPage) {
  // Step 34 of Prog4 differs in every file, so its row shows which one is in force.
  auto imageWithStep = [](std::uint8_t key) {
    ImageBytes image = CraftedImage();
    PutStep(image, 3, 34, {0x02, 0x01, 0, 0, 0, 0, 0, key});
    return image;
  };
  LoadImage(imageWithStep(0x04));
  QTest::mouseClick(window->SetProg(3), Qt::LeftButton);
  Form2* list = window->StepList();
  list->PageScrollBar()->setValue(3);
  ASSERT_EQ(list->Step(34)->text(), QStringLiteral("LShi-0.1s-0x0-0x0-0x0-0x0-0x0-A"));

  struct Case {
    const char* what;
    std::optional<QString> answer;  // none: the dialog is cancelled
    ImageBytes onDisk;              // what the answered (or, on cancel, the first) file holds
    const char* row34;
  };
  const QString second = FilePath("second.bin");
  const QString shortFile = FilePath("short.bin");
  const Case cases[] = {
      {"another file", second, imageWithStep(0x05), "LShi-0.1s-0x0-0x0-0x0-0x0-0x0-B"},
      {"cancel re-reads the file in force", std::nullopt, imageWithStep(0x06),
       "LShi-0.1s-0x0-0x0-0x0-0x0-0x0-C"},
      {"a refused file changes nothing", shortFile, ImageBytes(100, 0x07),
       "LShi-0.1s-0x0-0x0-0x0-0x0-0x0-C"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(c.answer ? *c.answer : second, c.onDisk);
    dialogs.Answer(c.answer);
    QTest::mouseClick(window->LoadButton(), Qt::LeftButton);
    ASSERT_EQ(window->StepList(), list) << "the same window, not a new one";
    EXPECT_EQ(list->Step(34)->text(), QString::fromLatin1(c.row34));
    EXPECT_EQ(list->PageScrollBar()->value(), 3);
    ExpectRowsShowProgSteps(*list, state.ProgSteps[3]);
  }
  // The row and the step the editor opens on agree.
  QTest::mouseDClick(list->Step(34), Qt::LeftButton);
  EXPECT_EQ(state.StepBuffer, (MacroStep{0x02, 0x01, 0, 0, 0, 0, 0, 0x06}));
}

// Another program's change between the load and a save, each answer to the question, and the
// editor's own writes, which never bring it.
TEST_F(MainWindow, AFileChangedOnDiskIsWrittenOverOnlyWhenTheUserSaysSo) {
  namespace fs = std::filesystem;
  using enum DiskChangeAnswer;
  enum Disk { Changed, Replaced, Removed, RewrittenEqual };
  const ImageBytes loaded = CraftedImage();
  Positions theirPositions = kFilePositions;
  theirPositions[2] = 60;  // the other program gives M3 another function and clears a step
  ImageBytes theirs = CraftedImage(theirPositions);
  PutStep(theirs, 2, 4, MacroStep{});
  for (const bool saveSet : {false, true}) {
    for (const Disk disk : {Changed, Replaced, Removed, RewrittenEqual}) {
      for (const DiskChangeAnswer answer : {Reload, Overwrite, Cancel}) {
        SCOPED_TRACE(::testing::Message() << saveSet << disk << int(answer));
        const QString path = LoadImage(loaded);
        const std::string file = QFile::encodeName(path).toStdString();
        // The user's unsaved work: a function for M1 and the delay of step 4 of Prog3.
        QTest::mouseClick(window->SetProg(2), Qt::LeftButton);
        QTest::mouseDClick(window->StepList()->Step(4), Qt::LeftButton);
        window->Combo(1)->SetListIndex(77);
        window->Editor()->DelayList()->SetListIndex(12);
        const MacroStep step = state.StepBuffer;
        ImageBytes mine = loaded;
        if (saveSet) PutStep(mine, 2, 4, step);
        if (!saveSet) mine[ButtonOffsets[0]] = static_cast<std::uint8_t>(CatalogueCode(77));

        if (disk == Replaced) WriteFile(path + ".new", theirs);
        if (disk == Replaced) fs::rename(file + ".new", file);
        if (disk == Removed) fs::remove(file);
        if (disk == Changed || disk == RewrittenEqual) {
          // In place. A coarse clock may leave the time as it was; a second's work would not.
          WriteFile(path, disk == Changed ? theirs : loaded);
          fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(1));
        }
        dialogs.messages.clear();
        dialogs.questions.clear();
        dialogs.diskAnswers = {answer};
        QWidget* command = window->SaveButton();
        if (saveSet) command = window->Editor()->SaveSetLabel();
        QTest::mouseClick(command, Qt::LeftButton);

        const bool asked = disk != RewrittenEqual;
        const bool written = !asked || answer == Overwrite;
        const bool reread = asked && answer == Reload && disk != Removed;
        ASSERT_EQ(dialogs.questions.size(), asked ? 1u : 0u);
        // Worded for the window that asks: what Reload keeps, and, for a change, that Overwrite
        // replaces all of it, not only what this window saves.
        const QStringList words =
            saveSet ? QStringList{"the step built here is kept",
                                  disk == Removed ? "with this step" : "not only this step"}
                    : QStringList{disk == Removed ? "try to read it again" : "are dropped",
                                  disk == Removed ? "under that name" : "with these keys"};
        for (const auto& question : dialogs.questions) {
          EXPECT_EQ(question.path, path);
          EXPECT_EQ(question.change == DiskChange::Removed, disk == Removed);
          for (const QString& w : words)
            EXPECT_TRUE(question.advice.contains(w)) << w.toStdString();
          EXPECT_EQ(question.advice.contains("every change the other program made is replaced"),
                    disk != Removed);
        }
        QString message = written ? kSavedText : QString();
        if (asked && answer == Reload && disk == Removed) message = "Could not open " + path;
        EXPECT_EQ(dialogs.messages.size(), message.isEmpty() ? 0 : 1);
        EXPECT_TRUE(dialogs.messages.join('|').startsWith(message));
        const ImageBytes& shown = written ? mine : reread ? theirs : loaded;
        EXPECT_EQ(state.ConfigImage, shown);
        EXPECT_EQ(ReadFile(path), written ? mine : disk == Removed ? ImageBytes() : theirs);
        EXPECT_EQ(window->Combo(1)->ListIndex(), reread ? kFilePositions[0] : 77);
        EXPECT_EQ(window->Combo(3)->ListIndex(), reread ? 60 : kFilePositions[2]);
        ExpectRowsShowProgSteps(*window->StepList(), state.ProgSteps[2]);
        ASSERT_EQ(StepOfProg(state.ProgSteps[2], 4), GetStep(shown, 2, 4));
        ASSERT_NE(window->Editor(), nullptr);
        EXPECT_EQ(state.StepBuffer, step) << "the editor keeps the step the user built";

        if (!written && !reread) continue;
        // From here the file is the editor's: its own writes bring no question.
        QTest::mouseClick(window->Editor()->SaveSetLabel(), Qt::LeftButton);
        QTest::mouseClick(window->SaveButton(), Qt::LeftButton);
        EXPECT_EQ(dialogs.questions.size(), asked ? 1u : 0u);
        EXPECT_EQ(ReadFile(path), state.ConfigImage);
        EXPECT_EQ(GetStep(state.ConfigImage, 2, 4), step);
      }
    }
  }
}

// Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z or Ctrl+H in `window`, once it is the active one.
void PressInWindow(QWidget* window, Qt::Key key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
  window->activateWindow();
  ASSERT_TRUE(BecomesActive(window));
  QTest::keyClick(window, key, mods);
}

TEST_F(MainWindow, EveryKindOfStepIsUndoneAndRedoneInEveryWindow) {
  const ImageBytes loaded = CraftedImage();
  OpenListAndEditor(2);
  const QString path = QString::fromStdString(state.FileName);
  QUndoStack& stack = window->Edits().Stack();
  ImageBytes saved = loaded;
  saved[ButtonOffsets[0]] = static_cast<std::uint8_t>(CatalogueCode(77));
  ImageBytes stepSet = saved;
  const struct {
    const char* what;
    std::function<void()> act;
    QWidget* (*undoIn)(Form1&);
    const ImageBytes* before;
    const ImageBytes* after;
  } steps[] = {
      {"a key's function chosen", [&] { window->Combo(1)->SetListIndex(77); },
       [](Form1& w) -> QWidget* { return &w; }, &loaded, &loaded},
      {"Save", [&] { QTest::mouseClick(window->SaveButton(), Qt::LeftButton); },
       [](Form1& w) -> QWidget* { return w.StepList(); }, &loaded, &saved},
      {"Save Set",
       [&] {
         window->Editor()->DelayList()->SetListIndex(12);
         PutStep(stepSet, 2, 0, state.StepBuffer);
         QTest::mouseClick(window->Editor()->SaveSetLabel(), Qt::LeftButton);
       },
       [](Form1& w) -> QWidget* { return w.Editor(); }, &saved, &stepSet},
      {"Restore",
       [&] {
         PressInWindow(window.get(), Qt::Key_H);
         HistoryWindow* history = window->History();
         ASSERT_NE(history, nullptr);
         QTreeWidget* versions = history->Versions();
         versions->setCurrentItem(versions->topLevelItem(versions->topLevelItemCount() - 1));
         QTest::mouseClick(history->RestoreButton(), Qt::LeftButton);
       },
       [](Form1& w) -> QWidget* { return w.History(); }, &stepSet, &loaded},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.what);
    const int count = stack.count();
    s.act();
    ASSERT_EQ(stack.count(), count + 1);
    EXPECT_EQ(ReadFile(path), *s.after);
    PressInWindow(s.undoIn(*window), Qt::Key_Z);
    EXPECT_EQ(ReadFile(path), *s.before);
    EXPECT_EQ(state.ConfigImage, *s.before);
    EXPECT_EQ(stack.index(), count);
    if (s.after == &stepSet) {
      PressInWindow(s.undoIn(*window), Qt::Key_Y);
    } else {
      PressInWindow(s.undoIn(*window), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    }
    EXPECT_EQ(ReadFile(path), *s.after);
    EXPECT_EQ(stack.index(), count + 1);
  }
  EXPECT_EQ(window->Combo(1)->ListIndex(), kFilePositions[0]) << "the lists show the restore";
  EXPECT_EQ(StepOfProg(state.ProgSteps[2], 0), GetStep(loaded, 2, 0));
  ExpectRowsShowProgSteps(*window->StepList(), state.ProgSteps[2]);

  // An undo that meets a file changed by another program asks; Cancel leaves file and stack.
  ImageBytes theirs = loaded;
  theirs[7] ^= 0xFF;
  WriteFile(path, theirs);
  namespace fs = std::filesystem;
  const std::string file = QFile::encodeName(path).toStdString();
  fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(1));
  dialogs.questions.clear();
  dialogs.diskAnswers = {DiskChangeAnswer::Cancel, DiskChangeAnswer::Overwrite};
  const int index = stack.index();
  window->Undo();
  ASSERT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(ReadFile(path), theirs);
  EXPECT_TRUE(QTest::qWaitFor([&] { return stack.index() == index; }));
  window->Undo();
  EXPECT_EQ(dialogs.questions.size(), 2u);
  EXPECT_EQ(ReadFile(path), stepSet);
  EXPECT_EQ(stack.index(), index - 1);

  LoadImage(loaded, "other.bin");
  EXPECT_EQ(stack.count(), 0) << "Load starts a new stack";
}

TEST_F(MainWindow, TheHistoryWindowIsReachedByKeysAndNamed) {
  OpenListAndEditor(0);
  window->Combo(1)->SetListIndex(77);
  QTest::mouseClick(window->SaveButton(), Qt::LeftButton);
  PressInWindow(window->Editor(), Qt::Key_H);
  HistoryWindow* history = window->History();
  ASSERT_NE(history, nullptr);
  EXPECT_TRUE(BecomesActive(history));
  EXPECT_EQ(history->windowTitle(), QStringLiteral("History"));
  EXPECT_EQ(history->Steps()->model()->rowCount(), 3) << "as loaded, the choice, Save";
  ASSERT_EQ(history->Versions()->topLevelItemCount(), 1);
  EXPECT_EQ(history->Versions()->topLevelItem(0)->text(2), QStringLiteral("Save"));
  for (QWidget* w :
       {static_cast<QWidget*>(history->Steps()), static_cast<QWidget*>(history->Versions())}) {
    EXPECT_FALSE(w->accessibleName().isEmpty());
  }
  EXPECT_EQ(history->RestoreButton()->text(), QStringLiteral("Restore"));
  history->Steps()->setFocus();
  QTest::keyClick(history->Steps(), Qt::Key_Tab);
  EXPECT_EQ(history->focusWidget(), history->Versions());
  for (QWidget* w : {static_cast<QWidget*>(window->SaveButton()),
                     static_cast<QWidget*>(window->Editor()->SaveSetLabel())}) {
    for (const char* keys : {"Ctrl+Z", "Ctrl+Shift+Z", "Ctrl+Y", "Ctrl+H"}) {
      EXPECT_TRUE(w->toolTip().contains(QLatin1String(keys))) << keys;
    }
  }
  EXPECT_TRUE(history->SkippedNotice()->isHidden());
  QTest::keyClick(history, Qt::Key_Escape);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->History() == nullptr; }));

  // A torn saved version is left out, and the window says so and names the file.
  for (const auto& entry :
       std::filesystem::directory_iterator(history::Store().FolderOf(state.FileName))) {
    std::filesystem::resize_file(entry.path(), 3);
  }
  PressInWindow(window.get(), Qt::Key_H);
  history = window->History();
  ASSERT_NE(history, nullptr);
  EXPECT_EQ(history->Versions()->topLevelItemCount(), 0);
  EXPECT_FALSE(history->SkippedNotice()->isHidden());
  EXPECT_TRUE(history->SkippedNotice()->text().startsWith(QStringLiteral("1 saved version")));
  EXPECT_TRUE(history->SkippedNotice()->toolTip().contains(QStringLiteral("torn")));
}

TEST_F(MainWindow, ExitAndTheFrameCloseEveryWindow) {
  for (const bool byExit : {true, false}) {
    window = std::make_unique<Form1>(state, dialogs);
    OpenListAndEditor(1);
    QPointer<Form2> list = window->StepList();
    QPointer<keycode> editor = window->Editor();
    ASSERT_TRUE(list && editor);
    ASSERT_TRUE(list->isVisible() && editor->isVisible());

    if (byExit) {
      QTest::mouseClick(window->ExitButton(), Qt::LeftButton);
    } else {
      window->close();
    }
    EXPECT_FALSE(window->isVisible()) << byExit;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(list, nullptr) << byExit;
    EXPECT_EQ(editor, nullptr) << byExit;
  }
}

TEST_F(MainWindow, EscapeClosesTheEditorThenTheStepListAndAHeldEscapeOnlyOne) {
  OpenListAndEditor(1);
  QPointer<Form2> list = window->StepList();
  QPointer<keycode> editor = window->Editor();
  ASSERT_TRUE(list && editor);
  auto escape = [](QWidget* to, bool repeat) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(), repeat);
    QCoreApplication::sendEvent(to, &press);
  };
  escape(editor->ModifierList(), false);
  escape(list->PageScrollBar(), true);  // the held key's repeat reaches the next window
  EXPECT_FALSE(editor->isVisible());
  EXPECT_TRUE(list->isVisible());
  list->Step(3)->setFocus();
  escape(list->Step(3), false);
  EXPECT_FALSE(list->isVisible());
  EXPECT_TRUE(window->isVisible());
}

// The control with the focus has a frame 2 px wide around it in the highlight colour, from the
// window's first show on, in all three windows.
TEST_F(MainWindow, TheFocusedControlOfEveryWindowIsMarkedFromTheFirstShow) {
  auto expectMarked = [](QWidget* control) {
    SCOPED_TRACE(control->objectName().toStdString());
    ASSERT_TRUE(control->hasFocus());
    const QImage shot = control->window()->grab().toImage();
    const QColor highlight = control->palette().color(QPalette::Active, QPalette::Highlight);
    const QRect g = control->geometry();
    const QPoint c = g.center();
    for (int out : {1, 2}) {
      EXPECT_EQ(shot.pixelColor(g.left() - out, c.y()), highlight);
      EXPECT_EQ(shot.pixelColor(g.right() + out, c.y()), highlight);
      EXPECT_EQ(shot.pixelColor(c.x(), g.top() - out), highlight);
      EXPECT_EQ(shot.pixelColor(c.x(), g.bottom() + out), highlight);
    }
  };
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  expectMarked(window->focusWidget());  // before any key
  LoadImage();
  for (QWidget* control : std::initializer_list<QWidget*>{
           window->Combo(3), window->PathBox(), window->SetProg(5), window->ExitButton()}) {
    control->setFocus();
    expectMarked(control);
  }

  QTest::mouseClick(window->SetProg(0), Qt::LeftButton);
  Form2* list = window->StepList();
  list->activateWindow();
  ASSERT_TRUE(BecomesActive(list));
  expectMarked(list->PageScrollBar());
  list->Step(4)->setFocus();
  expectMarked(list->Step(4));

  QTest::keyClick(list->Step(4), Qt::Key_Return);
  keycode* editor = window->Editor();
  ASSERT_TRUE(BecomesActive(editor));
  expectMarked(editor->ModifierList());
  for (QWidget* control : QList<QWidget*>{editor->SaveSetLabel(), editor->CapLabel(42)}) {
    control->setFocus();
    expectMarked(control);
  }
}

// WCAG's contrast ratio of two colours, 1 to 21.
double Contrast(const QColor& a, const QColor& b) {
  auto luminance = [](const QColor& c) {
    auto channel = [](double v) {
      return v <= 0.03928 ? v / 12.92 : qPow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colours a control's text is drawn in and on: buttons and lists in the button colours, the
// path box in the text colours, a label in its own text colour on the background of the nearest
// widget that paints one (or of the window).
std::pair<QColor, QColor> TextColours(const QWidget* w) {
  const QPalette& p = w->palette();
  if (qobject_cast<const QPushButton*>(w) || qobject_cast<const QComboBox*>(w)) {
    return {p.color(QPalette::ButtonText), p.color(QPalette::Button)};
  }
  if (qobject_cast<const QLineEdit*>(w)) return {p.color(QPalette::Text), p.color(QPalette::Base)};
  const QWidget* back = w;
  while (!back->autoFillBackground() && !back->isWindow()) back = back->parentWidget();
  return {p.color(w->foregroundRole()), back->palette().color(back->backgroundRole())};
}

// The colours qt6ct's "darker" scheme gives Fusion, for the roles the windows draw text with.
QPalette DarkPalette() {
  QPalette dark(QColor(0x42, 0x42, 0x45), QColor(0x22, 0x20, 0x20));  // button, window
  dark.setColor(QPalette::Base, QColor(0x3d, 0x3d, 0x3d));
  dark.setColor(QPalette::Highlight, QColor(0x12, 0x60, 0x8a));
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    dark.setColor(role, Qt::white);
  }
  return dark;
}

// Every text of the three windows keeps a contrast of 4.5:1 under a light and a dark palette.
TEST_F(MainWindow, EveryTextIsReadableUnderALightAndADarkPalette) {
  const QPalette before = QApplication::palette();
  QApplication::setStyle(QStringLiteral("Fusion"));
  const std::pair<const char*, QPalette> palettes[] = {
      {"light", QApplication::style()->standardPalette()}, {"dark", DarkPalette()}};
  for (const auto& [name, palette] : palettes) {
    SCOPED_TRACE(name);
    QApplication::setPalette(palette);
    window = std::make_unique<Form1>(state, dialogs);
    OpenListAndEditor(0);
    window->StepList()->Select({0, 1, 2}, 0);  // selected rows are read too
    int checked = 0;
    for (QWidget* top :
         {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(window->StepList()),
          static_cast<QWidget*>(window->Editor())}) {
      for (const QWidget* w : top->findChildren<QWidget*>()) {
        if (w->window() != top) continue;
        if (!qobject_cast<const QPushButton*>(w) && !qobject_cast<const QComboBox*>(w) &&
            !qobject_cast<const QLineEdit*>(w) && !qobject_cast<const QLabel*>(w) &&
            !qobject_cast<const ClickLabel*>(w)) {
          continue;
        }
        const auto [text, background] = TextColours(w);
        EXPECT_GE(Contrast(text, background), 4.5)
            << w->objectName().toStdString() << ": " << text.name().toStdString() << " on "
            << background.name().toStdString();
        ++checked;
      }
    }
    EXPECT_EQ(checked, (3 + 8 + 1 + 8 + 8) + 200 + (2 + 4 + kKeyCapCount));
    window.reset();
  }
  QApplication::setPalette(before);
}

// Closing with key choices that differ from the file asks first; Save is the normal Save.
// Exit, the frame's close and Load (then cancelled: the file in force is read again) all drop the
// lists' choices, so each asks first.
TEST_F(MainWindow, UnsavedKeyChoicesAreAskedAboutOnExitCloseAndLoad) {
  using Answer = Dialogs::UnsavedKeys;
  const struct Case {
    const char* what;
    int m2;                        // M2's choice before closing; kFilePositions[1] is the file's
    std::optional<Answer> answer;  // none: nothing may be asked
    bool readOnly;
    bool goesOn;  // the window closes, or the open dialog is shown
    int m2InFile;
  } cases[] = {
      {"no change", kFilePositions[1], std::nullopt, false, true, kFilePositions[1]},
      {"Cancel", 77, Answer::Cancel, false, false, kFilePositions[1]},
      {"Discard", 77, Answer::Discard, false, true, kFilePositions[1]},
      {"Save", 77, Answer::Save, false, true, 77},
      {"Save fails", 77, Answer::Save, true, false, kFilePositions[1]},
      // The lists share one model: M5's function in M2 is a clash, undone; M5 keeps its own.
      {"clash", kFilePositions[4], std::nullopt, false, true, kFilePositions[1]},
  };
  for (const std::string way : {"Exit", "frame", "Load"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " by " + way);
      window = std::make_unique<Form1>(state, dialogs);
      const QString path = LoadImage();
      window->show();
      window->Combo(2)->SetListIndex(3);  // a choice made and taken back
      window->Combo(2)->SetListIndex(c.m2);
      EXPECT_EQ(window->Combo(5)->ListIndex(), kFilePositions[4]);
      if (c.readOnly) QFile::setPermissions(path, QFileDevice::ReadOwner);
      dialogs.unsavedQuestions = 0;
      if (c.answer) dialogs.unsavedAnswers.push_back(*c.answer);
      const int opened = dialogs.openCount;
      if (way == "Exit") QTest::mouseClick(window->ExitButton(), Qt::LeftButton);
      if (way == "frame") window->close();
      if (way == "Load") QTest::mouseClick(window->LoadButton(), Qt::LeftButton);  // then cancelled
      QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
      EXPECT_EQ(dialogs.unsavedQuestions, c.answer ? 1 : 0);
      if (c.answer) {
        EXPECT_EQ(dialogs.lastUnsavedQuestion,
                  QtText(way == "Load" ? kUnsavedKeysBeforeLoadQuestion : kUnsavedKeysQuestion));
      }
      if (way == "Load") {
        EXPECT_EQ(dialogs.openCount - opened, c.goesOn ? 1 : 0);
        EXPECT_EQ(window->Combo(2)->ListIndex(), c.goesOn ? c.m2InFile : c.m2);
      } else {
        EXPECT_EQ(window->isVisible(), !c.goesOn);
      }
      EXPECT_EQ(ReadFile(path)[ButtonOffsets[1]], CatalogueCode(c.m2InFile));
      dialogs.unsavedAnswers.clear();
      window.reset();
    }
  }
}

// The step list's operations on Prog3, whose steps 1-90 are all different and 91-100 zero (step 100
// too where `full`): the file's bytes after each, the refusals with nothing written.
TEST_F(MainWindow, StepListOperationsWriteTheFileOnce) {
  constexpr int kProg = 2;
  enum Kind { O, Z, P, D };  // old steps from `from`, zero steps, pasted steps, old with delay 1.5s
  struct Part {
    Kind kind;
    int from, count;
  };
  const std::string good =
      "# three steps\n\"LShi 0.1s H\",\n\n  None 0s  # zero\n\"LCtr 2s A B\"\n";
  // clang-format off
  const struct Case {
    const char* what;
    // Click `first`, then Shift+Down `extend` times (Up when negative); first -1: Ctrl+A; with
    // selFirst -1, a Ctrl+click on row `extend`.
    int first, extend;
    ListAction action;
    std::string clipboard;
    bool full;
    std::vector<Part> after;  // empty: nothing written
    const char* said;         // the message when nothing is written, else the undo step's name
    int selFirst, selLast;
  } cases[] = {
      {"delete first", 0, 2, ListAction::Delete, "", false, {{O, 3, 97}, {Z, 0, 3}}, "Delete Prog3 steps 1-3", 0, 0},
      {"delete across a page", 8, 4, ListAction::Delete, "", false, {{O, 0, 8}, {O, 13, 87}, {Z, 0, 5}}, "Delete Prog3 steps 9-13", 8, 8},
      {"delete last", 99, -2, ListAction::Delete, "", true, {{O, 0, 97}, {Z, 0, 3}}, "Delete Prog3 steps 98-100", 97, 97},
      {"cut", 3, 2, ListAction::Cut, "", false, {{O, 0, 3}, {O, 6, 94}, {Z, 0, 3}}, "Cut Prog3 steps 4-6", 3, 3},
      {"copy", 8, 4, ListAction::Copy, "", false, {}, "", 8, 12},
      {"insert first", 0, 0, ListAction::Insert, "", false, {{Z, 0, 1}, {O, 0, 99}}, "Insert Prog3 step 1", 0, 0},
      {"insert, step 100 full", 50, 0, ListAction::Insert, "", true, {}, "Step 100 of Prog3 is not empty; nothing was inserted.", 50, 50},
      {"duplicate across a page", 8, 4, ListAction::Duplicate, "", false, {{O, 0, 13}, {O, 8, 5}, {O, 13, 82}}, "Duplicate Prog3 steps 9-13", 13, 17},
      {"duplicate all", -1, 0, ListAction::Duplicate, "", false, {}, "Step 90 of Prog3 is not empty; nothing was inserted.", 0, 99},
      {"move up across a page", 8, 4, ListAction::MoveUp, "", false, {{O, 0, 7}, {O, 8, 5}, {O, 7, 1}, {O, 13, 87}}, "Move up Prog3 steps 9-13", 7, 11},
      {"move down first", 0, 2, ListAction::MoveDown, "", false, {{O, 3, 1}, {O, 0, 3}, {O, 4, 96}}, "Move down Prog3 steps 1-3", 1, 3},
      {"move down, Ctrl+click", 2, 5, ListAction::MoveDown, "", false, {{O, 0, 2}, {O, 3, 1}, {O, 2, 1}, {O, 4, 1}, {O, 6, 1}, {O, 5, 1}, {O, 7, 93}}, "Move down Prog3 steps 3, 6", -1, -1},
      {"move down at the end", 99, -1, ListAction::MoveDown, "", true, {}, "", 98, 99},
      {"clear across a page", 8, 4, ListAction::Clear, "", false, {{O, 0, 8}, {Z, 0, 5}, {O, 13, 87}}, "Clear Prog3 steps 9-13", 8, 12},
      {"clear all", -1, 0, ListAction::Clear, "", true, {{Z, 0, 100}}, "Clear Prog3 steps 1-100", 0, 99},
      {"set delay first", 0, 2, ListAction::SetDelay, "", false, {{D, 0, 3}, {O, 3, 97}}, "Set delay 1.5s of Prog3 steps 1-3", 0, 2},
      {"paste", 10, 0, ListAction::Paste, good, false, {{O, 0, 10}, {P, 0, 3}, {O, 13, 87}}, "Paste Prog3 steps 11-13", 10, 12},
      {"paste before", 10, 0, ListAction::PasteBefore, good, false, {{O, 0, 10}, {P, 0, 3}, {O, 10, 87}}, "Paste before Prog3 steps 11-13", 10, 12},
      {"paste past the end", 98, 0, ListAction::Paste, good, false, {}, "Prog3 has 2 steps from step 99 to its end, and the clipboard holds 3; nothing was pasted.", 98, 98},
      {"paste bad text", 10, 0, ListAction::Paste, "None 0s\n\n  \"LShi 0.1s Hx\"", false, {}, "Line 3, column 14 of the clipboard: unknown key \"Hx\"", 10, 10},
  };
  // clang-format on
  const ImageBytes base = [] {
    ImageBytes image = CraftedImage();
    for (int i = 90; i < StepsPerProg; ++i) PutStep(image, kProg, i, MacroStep{});
    return image;
  }();
  const std::vector<MacroStep> pasted = {
      {0x02, 1, 0, 0, 0, 0, 0, 0x0B}, {}, {0x01, 20, 0, 0, 0, 0, 0x04, 0x05}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    window = std::make_unique<Form1>(state, dialogs);
    ImageBytes before = base;
    if (c.full) PutStep(before, kProg, StepsPerProg - 1, {1, 2, 3, 4, 5, 6, 7, 8});
    const QString path = LoadImage(before);
    window->show();
    QTest::mouseClick(window->SetProg(kProg), Qt::LeftButton);
    Form2* list = window->StepList();
    if (c.first < 0) {
      list->activateWindow();
      ASSERT_TRUE(BecomesActive(list));
      QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    } else {
      list->PageScrollBar()->setValue(c.first / kRowsPerPage);
      QTest::mouseClick(list->Step(c.first), Qt::LeftButton);
      if (c.selFirst < 0)
        QTest::mouseClick(list->Step(c.extend), Qt::LeftButton, Qt::ControlModifier);
      for (int k = 0; k < std::abs(c.extend) && c.selFirst >= 0; ++k) {
        QTest::keyClick(list->focusWidget(), c.extend > 0 ? Qt::Key_Down : Qt::Key_Up,
                        Qt::ShiftModifier);
      }
    }
    QGuiApplication::clipboard()->setText(QString::fromStdString(c.clipboard));
    dialogs.messages.clear();
    list->Action(c.action)->trigger();
    if (auto* box = list->findChild<QDialog*>(QStringLiteral("SetDelay"))) {
      auto* delay = box->findChild<DropDownList*>(QStringLiteral("Delay"));
      delay->SetListIndex(delay->IndexOfData(15));
      box->accept();
    }
    ImageBytes expected = before;
    int row = 0;
    for (const Part& part : c.after) {
      for (int k = 0; k < part.count; ++k, ++row) {
        MacroStep step = part.kind == Z   ? MacroStep{}
                         : part.kind == P ? pasted.at(static_cast<std::size_t>(k))
                                          : GetStep(before, kProg, part.from + k);
        if (part.kind == D) step[kStepDelayByte] = 15;
        PutStep(expected, kProg, row, step);
      }
    }
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_EQ(state.ConfigImage, expected);
    ExpectRowsShowProgSteps(*list, state.ProgSteps[kProg]);
    const QString said = QString::fromUtf8(c.said);
    // A refusal says why; a write or a copy says nothing.
    const QString shown = dialogs.messages.join('|');
    EXPECT_TRUE(c.after.empty() && !said.isEmpty() ? shown.startsWith(said) : shown.isEmpty())
        << shown.toStdString();
    std::vector<int> selection = {3, 6};  // the Ctrl+click case's
    if (c.selFirst >= 0) selection.clear();
    for (int i = c.selFirst; i <= c.selLast && c.selFirst >= 0; ++i) selection.push_back(i);
    EXPECT_EQ(list->Selection(), selection);
    if (c.action == ListAction::Copy || c.action == ListAction::Cut) {
      const settings::ParsedStepLines copied =
          settings::ParseStepLines(QGuiApplication::clipboard()->text().toStdString());
      ASSERT_EQ(copied.steps.size(), std::size_t{c.action == ListAction::Copy ? 5u : 3u});
      EXPECT_EQ(copied.steps.front(), GetStep(before, kProg, c.first));
    }
    // One undo step, named in words, that gives the bytes back; or none.
    QUndoStack& undo = window->Edits().Stack();
    ASSERT_EQ(undo.count(), c.after.empty() ? 0 : 1);
    if (!c.after.empty()) {
      EXPECT_EQ(undo.undoText(), said);
      undo.undo();
      EXPECT_EQ(ReadFile(path), before);
      ExpectRowsShowProgSteps(*list, state.ProgSteps[kProg]);
    }
    window.reset();
  }
}

// An open editor keeps its step: moved, its title and Save Set follow it; deleted, Save Set says
// so.
TEST_F(MainWindow, AnOpenEditorFollowsItsStepThroughTheListsOperations) {
  OpenListAndEditor(1);
  Form2* list = window->StepList();
  QTest::mouseDClick(list->Step(5), Qt::LeftButton);
  keycode* editor = window->Editor();
  editor->KeyCapClicked(30);
  const MacroStep built = state.StepBuffer;
  QTest::mouseClick(list->Step(0), Qt::LeftButton);
  QTest::keyClick(list->focusWidget(), Qt::Key_Down, Qt::ShiftModifier);
  list->Action(ListAction::Delete)->trigger();
  EXPECT_EQ(editor->windowTitle(), QStringLiteral("Set itemNum 3"));
  EXPECT_EQ(state.StepBuffer, built);
  editor->SaveSet();
  EXPECT_EQ(GetStep(ReadFile(FilePath("device.bin")), 1, 3), built);
  QTest::mouseClick(list->Step(3), Qt::LeftButton);
  list->Action(ListAction::Delete)->trigger();
  EXPECT_TRUE(editor->windowTitle().endsWith(QStringLiteral("(deleted)")));
  const ImageBytes kept = ReadFile(FilePath("device.bin"));
  dialogs.messages.clear();
  editor->SaveSet();
  EXPECT_EQ(ReadFile(FilePath("device.bin")), kept);
  ASSERT_EQ(dialogs.messages.size(), 1);
  EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("deleted")));
}

// Ctrl+C on a key's list copies its function's name; Ctrl+V chooses the one the clipboard names,
// through the clash rule.
TEST_F(MainWindow, KeyListsCopyAndPasteTheirFunctionByName) {
  LoadImage();
  window->show();
  ASSERT_TRUE(BecomesActive(window.get()));
  window->Combo(1)->setFocus();
  QTest::keyClick(window->Combo(1), Qt::Key_C, Qt::ControlModifier);
  const QString m1 = window->Combo(1)->currentText();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), m1);
  window->Combo(2)->setFocus();
  QTest::keyClick(window->Combo(2), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(window->Combo(2)->ListIndex(), -1);  // M1 holds it: the clash rule empties M2
  EXPECT_EQ(dialogs.messages.size(), 1);
  const QString free = window->Combo(3)->itemText(77);
  QGuiApplication::clipboard()->setText(free.toLower() + QStringLiteral("\n"));
  window->Combo(3)->setFocus();
  QTest::keyClick(window->Combo(3), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(window->Combo(3)->ListIndex(), 77);
}

// The screens are testing/screens.json's: a window too large for a screen's available area,
// frame included, shrinks as one picture (places and fonts by one factor) until it fits; one that
// fits keeps every pixel.
TEST_F(MainWindow, EveryWindowFitsItsScreenShrunkAsOnePicture) {
  const struct Case {
    const char* screen;
    bool mainShrinks, listShrinks, editorShrinks;
  } cases[] = {
      {"wide", false, false, false},       // 1920x1200 at 96 DPI
      {"laptop-150", false, false, true},  // 1280x800 at 144 DPI
      {"hd-200", false, false, true},      // 1600x900 at 192 DPI
      {"netbook", false, false, true},     // 800x480
      {"vga", true, false, true},          // 640x480
  };
  Module1 refState;
  Form1 refMain(refState, dialogs);
  const Form2 refList(refState, &refMain);
  const keycode refEditor(refState, dialogs, refMain.Edits(), &refMain);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen);
    QScreen* screen = nullptr;
    for (QScreen* each : QGuiApplication::screens()) {
      if (each->name() == QLatin1String(c.screen)) screen = each;
    }
    ASSERT_NE(screen, nullptr);
    window = std::make_unique<Form1>(state, dialogs);
    window->setScreen(screen);
    window->move(screen->availableGeometry().topLeft());
    FitToScreen(window.get());
    OpenListAndEditor();
    const std::pair<QWidget*, const QWidget*> windows[] = {
        {window.get(), &refMain}, {window->StepList(), &refList}, {window->Editor(), &refEditor}};
    const bool shrinks[] = {c.mainShrinks, c.listShrinks, c.editorShrinks};
    for (std::size_t w = 0; w < std::size(windows); ++w) {
      const auto [shown, own] = windows[w];
      SCOPED_TRACE(shown->objectName().toStdString());
      ASSERT_TRUE(QTest::qWaitFor([&] {
        return screen->availableGeometry().contains(shown->frameGeometry());
      })) << "frame outside the available area";
      EXPECT_EQ(shown->width() < own->width(), shrinks[w]);
      const double scale = double(shown->width()) / own->width();
      EXPECT_NEAR(double(shown->height()) / own->height(), scale, 2.0 / own->height());
      for (const QWidget* control : shown->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QString name = control->objectName();
        if (name.isEmpty() || control->isWindow()) continue;  // the focus mark, the other windows
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(shown->rect().contains(control->geometry())) << "out of its window";
        const auto* same = own->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
        EXPECT_NEAR(control->font().pointSizeF(), same->font().pointSizeF() * scale, 0.01);
      }
    }
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

}  // namespace
}  // namespace vorlane::ui
