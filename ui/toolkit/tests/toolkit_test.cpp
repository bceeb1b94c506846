#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QGlyphRun>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/toolkit/controls.h"
#include "ui/toolkit/dialogs.h"
#include "ui/toolkit/fonts.h"
#include "ui/toolkit/placement.h"
#include "ui/toolkit/platform.h"
#include "ui/toolkit/twips.h"

namespace vorlane::ui {
namespace {

TEST(Twips, FifteenTwipsMakeOnePixel) {
  struct Case {
    int twips, px;
  } cases[] = {{0, 0}, {15, 1}, {120, 8}, {495, 33}, {9735, 649}, {4455, 297}, {7, 0}, {8, 1}};
  for (const auto& c : cases) EXPECT_EQ(Px(c.twips), c.px) << c.twips;
  EXPECT_EQ(TwipsRect(120, 840, 9495, 375), QRect(8, 56, 633, 25));
}

// Frames as openbox draws them (1 px sides, a 22 px title bar); the main window's client area is
// 649 x 297 px, the step list's 432 x 328, the editor's 907 x 296. Available areas leave a 30 px
// panel at the bottom.
TEST(Placement, StepListAndEditorStayOnTheMainWindowsScreen) {
  const QSize list(434, 352);
  const QSize editor(909, 320);
  const struct Case {
    const char* what;
    QRect available;
    QPoint main;  // top-left of the main window's 651 x 321 frame
    QPoint list, editor;
  } cases[] = {
      {"1920: the usual place", {0, 0, 1920, 1050}, {100, 100}, {751, 100}, {100, 100}},
      {"1280, centred: as far right as it goes",
       {0, 0, 1280, 770},
       {314, 200},
       {846, 200},
       {314, 200}},
      {"1280, main to the right: left of it", {0, 0, 1280, 770}, {700, 50}, {266, 50}, {371, 50}},
      {"1366, main at the left edge", {0, 0, 1366, 738}, {0, 0}, {651, 0}, {0, 0}},
      {"1366, main low: moved up", {0, 0, 1366, 738}, {100, 600}, {751, 386}, {100, 418}},
      {"1519: the list ends at the edge", {0, 0, 1519, 870}, {434, 40}, {1085, 40}, {434, 40}},
      {"2560 px at 2x scale is 1280 wide", {0, 0, 1280, 770}, {400, 30}, {846, 30}, {371, 30}},
      {"second screen on the left, room on the right",
       {-1920, 0, 1920, 1050},
       {-1800, 100},
       {-1149, 100},
       {-1800, 100}},
      {"second screen on the left, near its right edge",
       {-1920, 0, 1920, 1050},
       {-900, 100},
       {-1334, 100},
       {-909, 100}},
      {"screen narrower than the editor", {0, 0, 800, 570}, {50, 20}, {366, 20}, {0, 20}},
  };
  for (const Case& c : cases) {
    const QRect main(c.main, QSize(651, 321));
    EXPECT_EQ(PlaceBeside(main, list, c.available), c.list) << c.what;
    EXPECT_EQ(PlaceOver(main, editor, c.available), c.editor) << c.what;
  }
}

TEST(FileFilter, DescriptionAndPatternBecomeQtForm) {
  EXPECT_EQ(QtFileFilter("燒錄檔 (*.bin) | *.bin"), QStringLiteral("燒錄檔 (*.bin)"));
  EXPECT_EQ(QtFileFilter("Images | *.bin"), QStringLiteral("Images (*.bin)"));
  EXPECT_EQ(QtFileFilter("*.bin"), QStringLiteral("*.bin"));
}

// The real box; its buttons and their answers are the end-to-end run's. Every other way out of
// it loses nothing.
TEST(DiskChangeQuestion, EscapeEnterAndTheFrameAnswerCancel) {
  for (const Qt::Key way : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_unknown}) {
    QTimer::singleShot(0, [way] {
      QWidget* box = QApplication::activeModalWidget();
      ASSERT_EQ(box->windowTitle(), QStringLiteral("Vorlane"));
      if (way == Qt::Key_unknown) box->close();  // by the frame
      if (way != Qt::Key_unknown) QTest::keyClick(box, way);
    });
    EXPECT_EQ(QtDialogs().AskAboutDiskChange(nullptr, "/a.bin", DiskChange::Changed, {}),
              DiskChangeAnswer::Cancel)
        << way;
  }
}

TEST(Platform, X11WhenOnWaylandWithAnXServerAndNoChoiceOfTheUsers) {
  struct Case {
    const char* what;
    std::map<std::string_view, std::string> environment;
    std::vector<std::string_view> arguments;
    std::optional<std::string> expected;
  } cases[] = {
      {"Wayland session with XWayland",
       {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}},
       {},
       "xcb;wayland"},
      {"session type only",
       {{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":1"}},
       {},
       "xcb;wayland"},
      {"no X server", {{"WAYLAND_DISPLAY", "wayland-0"}}, {}, std::nullopt},
      {"X11 session", {{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, {}, std::nullopt},
      {"the user chose Wayland",
       {{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", "w"}, {"DISPLAY", ":0"}},
       {},
       std::nullopt},
      {"the user chose by argument",
       {{"WAYLAND_DISPLAY", "w"}, {"DISPLAY", ":0"}},
       {"vorlane", "-platform", "wayland"},
       std::nullopt},
  };
  for (const Case& c : cases) {
    const auto environment = [&](std::string_view name) {
      const auto found = c.environment.find(name);
      return found == c.environment.end() ? std::string() : found->second;
    };
    EXPECT_EQ(PreferredPlatform(environment, c.arguments), c.expected) << c.what;
  }
}

// The real question: its three buttons, Cancel the default, and what Escape and a click answer.
TEST(QtDialogs, UnsavedKeysQuestionDefaultsToCancel) {
  using Answer = Dialogs::UnsavedKeys;
  for (const auto& [press, answer] :
       {std::pair{"", Answer::Cancel}, {"Discard", Answer::Discard}}) {
    QStringList texts;
    QTimer::singleShot(0, [&, press = QString::fromLatin1(press)] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      texts.push_back(box->defaultButton()->text());
      for (QAbstractButton* b : box->buttons()) texts.push_back(b->text());
      for (QAbstractButton* b : box->buttons()) {
        if (b->text() == press) b->click();
      }
      if (press.isEmpty()) QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(QtDialogs().AskAboutUnsavedKeys(nullptr, {}), answer) << press;
    std::sort(texts.begin() + 1, texts.end());
    EXPECT_EQ(texts, (QStringList{"Cancel", "Cancel", "Discard", "Save"})) << "default first";
  }
}

TEST(DropDownList, ProgramSelectionRaisesClickBeforeSetterReturns) {
  DropDownList list;
  list.AddItem("a", 4);
  list.AddItem("b", 5);
  EXPECT_EQ(list.ListIndex(), -1) << "a new list has no selection";
  int seenInsideHandler = -2;
  QObject::connect(&list, &DropDownList::Click, [&] { seenInsideHandler = list.ListIndex(); });
  list.SetListIndex(1);
  EXPECT_EQ(seenInsideHandler, 1);
  list.SetListIndex(-1);
  EXPECT_EQ(seenInsideHandler, -1);
  EXPECT_EQ(list.ItemData(1), 5);
  EXPECT_EQ(list.IndexOfData(5), 1);
  EXPECT_EQ(list.IndexOfData(6), -1);
}

TEST(DropDownList, ClearingInsideTheHandlerEndsWithNoSelection) {
  DropDownList list;
  list.AddItem("a", 4);
  int calls = 0;
  QObject::connect(&list, &DropDownList::Click, [&] {
    ++calls;
    if (list.ListIndex() != -1) list.SetListIndex(-1);
  });
  list.SetListIndex(0);
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_EQ(calls, 2);
}

// A label acting as a button acts once per key stroke: Enter on its press, Space on its release,
// never on a held key's auto-repeat.
TEST(ClickLabel, KeysActOncePerStrokeAndIgnoreAutoRepeat) {
  // Key events: S(pace), E(nter) or A, then + pressed, - released, * an auto-repeated press,
  // / an auto-repeated release.
  const std::pair<const char*, int> cases[] = {
      {"S+", 0},       {"S+ S-", 1}, {"S+ S/ S* S/ S* S-", 1}, {"S-", 0}, {"E+", 1},
      {"E+ E* E*", 1}, {"A+ A-", 0},
  };
  for (const auto& [keys, expected] : cases) {
    ClickLabel label("Set Prog3", 2, nullptr);
    QSignalSpy clicks(&label, &ClickLabel::Click);
    label.ActAsButton();
    for (const QString& k : QString::fromLatin1(keys).split(' ')) {
      const Qt::Key key = k[0] == 'S' ? Qt::Key_Space : k[0] == 'E' ? Qt::Key_Return : Qt::Key_A;
      const bool press = k[1] == '+' || k[1] == '*';
      QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier, QString(),
                      k[1] == '*' || k[1] == '/');
      QCoreApplication::sendEvent(&label, &event);
    }
    ASSERT_EQ(clicks.count(), expected) << keys;
    EXPECT_TRUE(expected == 0 || clicks.at(0).at(0).toInt() == 2) << "its index";
  }
}

// What a screen reader sees of a label, and that its action does what the mouse would.
TEST(ClickLabel, ScreenReadersSeeTextButtonsAndRows) {
  struct Case {
    const char* what;
    void (*setUp)(ClickLabel&);
    QAccessible::Role role;
    QString name;
    QString action;  // empty: none
    bool doubleClick;
  } cases[] = {
      {"plain text", [](ClickLabel&) {}, QAccessible::StaticText, "Esc", {}, false},
      {"button", [](ClickLabel& l) { l.ActAsButton(); }, QAccessible::Button, "Esc",
       QAccessibleActionInterface::pressAction(), false},
      {"row, named by its window",
       [](ClickLabel& l) {
         l.ActAsRow();
         l.setAccessibleName("Step 8: Esc");
       },
       QAccessible::ListItem, "Step 8: Esc", ClickLabel::kOpenAction, true},
      {"disabled button",
       [](ClickLabel& l) {
         l.ActAsButton();
         l.setEnabled(false);
       },
       QAccessible::Button,
       "Esc",
       {},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClickLabel label("Esc", 7, nullptr);
    c.setUp(label);
    QSignalSpy clicks(&label, &ClickLabel::Click);
    QSignalSpy doubleClicks(&label, &ClickLabel::DblClick);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&label);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->role(), c.role);
    EXPECT_EQ(reader->text(QAccessible::Name), c.name);
    const QStringList actions = reader->actionInterface()->actionNames();
    EXPECT_EQ(actions.contains(c.action), !c.action.isEmpty()) << actions.join(',').toStdString();
    if (c.action.isEmpty()) continue;
    reader->actionInterface()->doAction(c.action);
    EXPECT_EQ(clicks.count() + doubleClicks.count(), 0) << "queued like a real click";
    QCoreApplication::processEvents();
    QSignalSpy& fired = c.doubleClick ? doubleClicks : clicks;
    ASSERT_EQ(fired.count(), 1);
    EXPECT_EQ(fired.at(0).at(0).toInt(), 7);
    EXPECT_EQ(clicks.count() + doubleClicks.count(), 1);
  }
}

// ClickLabel paints its caption itself; it must look exactly like a plain-text QLabel set up the
// same way, in every arrangement the windows use.
TEST(ClickLabel, DrawsItsCaptionAsAQLabelDoes) {
  const struct {
    const char* text;
    int frame;
    Qt::Alignment alignment;
    bool enabled;
    Face face;
    double points;
    QSize size;
  } cases[] = {
      {"Esc", QFrame::Box | QFrame::Plain, Qt::AlignCenter, true, Face::Ming, 9.75, {40, 25}},
      {"Set Prog3",
       QFrame::Panel | QFrame::Raised,
       Qt::AlignCenter,
       false,
       Face::Ming,
       14.25,
       {153, 33}},
      {"42", QFrame::NoFrame, Qt::AlignRight | Qt::AlignVCenter, true, Face::Ming, 14.25, {41, 25}},
      {"LCtr-0.5s-0x0-0x0-0x0-0x0-0x0-A",
       QFrame::NoFrame,
       Qt::AlignLeft | Qt::AlignVCenter,
       true,
       Face::Ming,
       9.75,
       {329, 25}},
      {" 0x0 0x0 0x0 A B D",
       QFrame::Box | QFrame::Plain,
       Qt::AlignLeft | Qt::AlignVCenter,
       true,
       Face::Ming,
       12,
       {353, 25}},
  };
  auto render = [](QFrame& label, const auto& c) {
    label.setFont(UiFont(c.face, c.points, true));
    label.setFixedSize(c.size);
    label.setFrameStyle(c.frame);
    QPalette palette = label.palette();
    palette.setColor(QPalette::Window, Qt::white);
    label.setPalette(palette);
    label.setAutoFillBackground(true);
    label.setEnabled(c.enabled);
    return label.grab().toImage();
  };
  for (const auto& c : cases) {
    QLabel expected(QString::fromLatin1(c.text));
    expected.setTextFormat(Qt::PlainText);
    expected.setAlignment(c.alignment);
    ClickLabel actual(QString::fromLatin1(c.text), 0, nullptr);
    actual.setAlignment(c.alignment);
    EXPECT_EQ(render(actual, c), render(expected, c)) << c.text;
  }
}

TEST(ClickLabel, ALabelActingAsAButtonShowsTheFocus) {
  QWidget window;
  window.resize(100, 60);
  auto* label = new ClickLabel("Set Prog1", 0, &window);
  label->setGeometry(10, 10, 80, 30);
  label->ActAsButton();
  MarkFocus(&window);
  window.show();
  QApplication::setActiveWindow(&window);  // which gives the label the focus at once
  label->clearFocus();
  ASSERT_FALSE(label->hasFocus());
  const QImage unfocused = window.grab().toImage();
  label->setFocus();
  ASSERT_TRUE(label->hasFocus());
  const QImage focused = window.grab().toImage();
  EXPECT_NE(focused, unfocused);
  const QColor highlight = label->palette().color(QPalette::Active, QPalette::Highlight);
  for (const QPoint at : {QPoint(8, 25), QPoint(9, 25), QPoint(50, 8), QPoint(90, 39)}) {
    EXPECT_EQ(focused.pixelColor(at), highlight) << at.x() << "," << at.y();
  }
  EXPECT_NE(focused.pixelColor(7, 25), highlight) << "2 px wide, not more";
}

// The faces a line of text in `font` is drawn in, run by run.
std::vector<std::string> RunFaces(const QFont& font) {
  QTextLayout layout(QStringLiteral("Aé檔⏎→€"), font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  std::vector<std::string> faces;
  for (const QGlyphRun& run : layout.glyphRuns()) {
    faces.push_back(run.rawFont().familyName().toStdString());
  }
  return faces;
}

// A face starts at the family Qt takes from the whole list, so Qt never sorts the fallbacks of a
// family that is not installed, and draws in the face the whole list gives.
TEST(Fonts, FacesStartAtTheFamilyTheWholeListGives) {
  for (const Face face : {Face::Sans, Face::Ming}) {
    const QFont font = UiFont(face, 14.25, face == Face::Ming);
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 14.25);
    EXPECT_EQ(font.bold(), face == Face::Ming);
    QFont whole = font;
    whole.setFamilies(FaceFamilies(face));
    const QFontInfo taken(whole);
    EXPECT_EQ(QFontInfo(font).family().toStdString(), taken.family().toStdString());
    EXPECT_EQ(QFontInfo(font).styleName().toStdString(), taken.styleName().toStdString());
    if (FaceFamilies(face).contains(taken.family(), Qt::CaseInsensitive)) {
      EXPECT_EQ(font.families().first().toStdString(), taken.family().toStdString());
    }
    // Characters the face lacks are drawn in the same fallback faces.
    EXPECT_EQ(RunFaces(font), RunFaces(whole));
  }
}

}  // namespace
}  // namespace vorlane::ui
