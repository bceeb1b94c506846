#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <functional>

#include "image/step_edits.h"
#include "ui/step_list/form2.h"
#include "ui/toolkit/fonts.h"

namespace vorlane::ui {
namespace {

constexpr int kProg = 2;

// Macro kProg with a few recognisable steps; every other step is zero.
Module1 CraftedState() {
  Module1 state;
  state.ProgIndex = kProg;
  ProgBlock& block = state.ProgSteps[kProg];
  auto put = [&](int step, MacroStep bytes) {
    std::copy(bytes.begin(), bytes.end(), block.begin() + step * MacroStepSize);
  };
  put(0, {0x01, 0x05, 0, 0, 0, 0, 0, 0x04});
  put(9, {0x00, 0x0A, 0, 0, 0, 0, 0x04, 0x05});
  put(99, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  // Another macro's steps must not show up.
  state.ProgSteps[0].fill(0x04);
  return state;
}

// Rows 10p..10p+9 are the only ones shown.
void ExpectPage(const Form2& form, int page) {
  for (int i = 0; i < StepsPerProg; ++i) {
    const bool shown = i / kRowsPerPage == page;
    ASSERT_EQ(!form.RowNumber(i)->isHidden(), shown) << "row " << i << ", page " << page;
    ASSERT_EQ(!form.Step(i)->isHidden(), shown) << "row " << i << ", page " << page;
  }
}

class StepList : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale::c()); }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }

  Module1 state = CraftedState();
};

TEST_F(StepList, BuildsEveryRowOfTheMacroAndShowsPageZero) {
  Form2 form(state);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Set Prog 3"));
  EXPECT_TRUE(form.isWindow());
  EXPECT_EQ(form.PageScrollBar()->minimum(), 0);
  EXPECT_EQ(form.PageScrollBar()->maximum(), 9);
  EXPECT_EQ(form.PageScrollBar()->value(), 0);
  ExpectPage(form, 0);
  for (int i = 0; i < StepsPerProg; ++i) {
    ASSERT_EQ(form.RowNumber(i)->text(), QString::number(i + 1));
  }
  EXPECT_EQ(form.Step(0)->text(), QStringLiteral("LCtr-0.5s-0x0-0x0-0x0-0x0-0x0-A"));
  EXPECT_EQ(form.Step(9)->text(), QStringLiteral("0x0-1s-0x0-0x0-0x0-0x0-A-B"));
  EXPECT_EQ(form.Step(50)->text(), QStringLiteral("0x0-0s-0x0-0x0-0x0-0x0-0x0-0x0"));
  EXPECT_EQ(form.Step(99)->text(), QStringLiteral("0xFF-25.5s-0xFF-0xFF-0xFF-0xFF-0xFF-0xFF"));
}

TEST_F(StepList, DelayUsesTheUsersDecimalSeparator) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  Form2 form(state);
  EXPECT_EQ(form.Step(0)->text(), QStringLiteral("LCtr-0,5s-0x0-0x0-0x0-0x0-0x0-A"));
  form.RefreshRow(1, {0, 25, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(form.Step(1)->text(), QStringLiteral("0x0-2,5s-0x0-0x0-0x0-0x0-0x0-0x0"));
}

TEST_F(StepList, GeometryAndFontsFollowTheTwipsTable) {
  Form2 form(state);
  EXPECT_EQ(form.size(), QSize(432, 328));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "fixed size";
  // Row i and row i + 10 share a place; rows are 32 px apart.
  EXPECT_EQ(form.RowNumber(0)->geometry(), QRect(8, 8, 41, 25));
  EXPECT_EQ(form.RowNumber(19)->geometry(), QRect(8, 296, 41, 25));
  EXPECT_EQ(form.Step(0)->geometry(), QRect(56, 8, 329, 25));
  EXPECT_EQ(form.Step(93)->geometry(), QRect(56, 104, 329, 25));
  EXPECT_EQ(form.PageScrollBar()->geometry(), QRect(392, 8, 33, 313));

  const QFont number = form.RowNumber(0)->font();
  EXPECT_TRUE(number.bold());
  EXPECT_DOUBLE_EQ(number.pointSizeF(), 14.25);
  EXPECT_EQ(number.families(), UiFont(Face::Ming, 14.25, true).families());
  const QFont text = form.Step(0)->font();
  EXPECT_TRUE(text.bold());
  EXPECT_DOUBLE_EQ(text.pointSizeF(), 9.75);
  EXPECT_EQ(text.families(), number.families());
}

TEST_F(StepList, ScrollBarTurnsOnePagePerStepAndFollowsADrag) {
  Form2 form(state);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  QScrollBar* bar = form.PageScrollBar();

  // The bar has the focus at first, and keys typed into the window turn pages.
  ASSERT_EQ(form.focusWidget(), bar);
  QTest::keyClick(form.windowHandle(), Qt::Key_PageDown);
  ExpectPage(form, 1);
  bar->clearFocus();

  // A click on the lower arrow turns a page and gives the bar the focus as well.
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 3));
  ExpectPage(form, 2);
  ASSERT_EQ(form.focusWidget(), bar);
  const std::pair<Qt::Key, int> keys[] = {
      {Qt::Key_Down, 3}, {Qt::Key_PageDown, 4}, {Qt::Key_PageUp, 3},
      {Qt::Key_Up, 2},   {Qt::Key_End, 9},      {Qt::Key_Home, 0},
  };
  for (const auto& [key, page] : keys) {
    QTest::keyClick(form.windowHandle(), key);
    ExpectPage(form, page);
  }
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);  // trough
  ExpectPage(form, 1);

  // No way to skip pages: a middle click in the trough does nothing, and there is no menu.
  QTest::mouseClick(bar, Qt::MiddleButton, {}, QPoint(bar->width() / 2, bar->height() - 40));
  ExpectPage(form, 1);
  bool menuShown = false;
  QTimer::singleShot(0, [&] {
    if (QWidget* menu = QApplication::activePopupWidget()) {
      menuShown = true;
      menu->close();
    }
  });
  const QPoint at(bar->width() / 2, bar->height() - 40);
  QContextMenuEvent menu(QContextMenuEvent::Mouse, at, bar->mapToGlobal(at));
  QApplication::sendEvent(bar, &menu);
  QCoreApplication::processEvents();
  EXPECT_FALSE(menuShown);
  bar->setValue(9);

  // Dragging the thumb shows each page it passes over, and the page where it is let go.
  bar->setSliderDown(true);
  bar->setSliderPosition(6);
  ExpectPage(form, 6);
  bar->setSliderPosition(4);
  ExpectPage(form, 4);
  bar->setSliderDown(false);
  ExpectPage(form, 4);
  EXPECT_EQ(bar->value(), 4);
}

enum class Over { Window, NumberLabel, TextLabel, ScrollBar };

struct WheelCase {
  const char* name;
  int startPage;
  Over over;
  QPoint angleDelta;
  int turns;  // events sent
  Qt::KeyboardModifiers modifiers;
  Qt::MouseButtons buttons;
  int expectedPage;
};

void PrintTo(const WheelCase& c, std::ostream* os) { *os << c.name; }

class StepListWheel : public StepList, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(StepListWheel, TurnsPagesByTheSignOfTheVerticalDelta) {
  const WheelCase& c = GetParam();
  Form2 form(state);
  form.show();
  form.PageScrollBar()->setValue(c.startPage);
  const int row = c.startPage * kRowsPerPage + 3;
  QWidget* target = &form;
  if (c.over == Over::NumberLabel) target = form.RowNumber(row);
  if (c.over == Over::TextLabel) target = form.Step(row);
  if (c.over == Over::ScrollBar) target = form.PageScrollBar();
  const QPointF at(target->width() / 2.0, target->height() / 2.0);

  QSignalSpy changes(form.PageScrollBar(), &QScrollBar::valueChanged);
  for (int k = 0; k < c.turns; ++k) {
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), c.angleDelta, c.buttons, c.modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
  }
  EXPECT_EQ(form.PageScrollBar()->value(), c.expectedPage);
  EXPECT_EQ(changes.count(), std::abs(c.expectedPage - c.startPage)) << "one page at a time";
  ExpectPage(form, c.expectedPage);
}

constexpr QPoint kAway(0, 120);     // one notch away from the user
constexpr QPoint kToward(0, -120);  // one notch toward the user

INSTANTIATE_TEST_SUITE_P(
    Cases, StepListWheel,
    ::testing::Values(
        WheelCase{"TowardIsNextPage", 0, Over::Window, kToward, 1, {}, {}, 1},
        WheelCase{"AwayIsPreviousPage", 4, Over::Window, kAway, 1, {}, {}, 3},
        WheelCase{"ThreeNotchesThreePages", 2, Over::Window, kToward, 3, {}, {}, 5},
        WheelCase{"AwayWithShift", 4, Over::Window, kAway, 1, Qt::ShiftModifier, {}, 3},
        WheelCase{"AwayWithCtrlAndButton", 4, Over::TextLabel, kAway, 1, Qt::ControlModifier,
                  Qt::LeftButton, 3},
        WheelCase{"TowardWithShift", 4, Over::Window, kToward, 1, Qt::ShiftModifier, {}, 5},
        WheelCase{"SmallStepsAddUpToOnePage", 5, Over::Window, {0, 40}, 3, {}, {}, 4},
        WheelCase{"SmallStepsShortOfANotch", 5, Over::Window, {0, -40}, 2, {}, {}, 5},
        WheelCase{"HighResolutionToward", 5, Over::TextLabel, {0, -15}, 8, {}, {}, 6},
        WheelCase{"SeveralNotchesInOneEvent", 5, Over::Window, {0, 240}, 1, {}, {}, 3},
        WheelCase{"HorizontalDoesNothing", 5, Over::Window, {-120, 0}, 2, {}, {}, 5},
        // X11 turns a vertical notch with Alt held into a horizontal one; other platforms don't.
        WheelCase{
            "AltTowardAsX11SendsIt", 5, Over::TextLabel, {-120, 0}, 1, Qt::AltModifier, {}, 6},
        WheelCase{"AltAwayAsX11SendsIt", 5, Over::ScrollBar, {120, 0}, 2, Qt::AltModifier, {}, 3},
        WheelCase{"AltTowardUntransposed", 5, Over::Window, kToward, 1, Qt::AltModifier, {}, 6},
        WheelCase{"HorizontalOverScrollBar", 5, Over::ScrollBar, {120, 0}, 2, {}, {}, 5},
        WheelCase{"AwayAtFirstPage", 0, Over::Window, kAway, 1, {}, {}, 0},
        WheelCase{"TowardAtLastPage", 9, Over::Window, kToward, 1, {}, {}, 9},
        WheelCase{"PastTheLastPage", 7, Over::Window, kToward, 5, {}, {}, 9},
        WheelCase{"OverRowNumber", 3, Over::NumberLabel, kToward, 1, {}, {}, 4},
        WheelCase{"OverStepText", 3, Over::TextLabel, kAway, 1, {}, {}, 2},
        WheelCase{"OverScrollBarTurnsOnlyOnePage", 3, Over::ScrollBar, kToward, 1, {}, {}, 4},
        WheelCase{"OverScrollBarBack", 3, Over::ScrollBar, kAway, 2, Qt::ControlModifier, {}, 1}),
    [](const ::testing::TestParamInfo<WheelCase>& info) { return std::string(info.param.name); });

TEST_F(StepList, TurningBackDropsWhatWasLeftOfTheOtherDirection) {
  Form2 form(state);
  form.PageScrollBar()->setValue(5);
  for (int dy : {-60, 60, 60}) {
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, dy), {}, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&form, &wheel);
  }
  EXPECT_EQ(form.PageScrollBar()->value(), 4);
}

TEST_F(StepList, DoubleClickOnStepTextReportsItsRow) {
  Form2 form(state);
  form.show();
  QSignalSpy rows(&form, &Form2::RowDoubleClicked);
  form.PageScrollBar()->setValue(1);
  QTest::mouseDClick(form.Step(13), Qt::LeftButton);
  QTest::mouseDClick(form.RowNumber(14), Qt::LeftButton);  // row numbers do nothing
  ASSERT_EQ(rows.count(), 1);
  EXPECT_EQ(rows.at(0).at(0).toInt(), 13);
}

// From the scroll bar, Tab reaches the first row of the page shown; the arrows go from row to
// row and turn the page at its edges, Page Down none past the last; Enter and Space open the row
// as a double-click does.
TEST_F(StepList, RowsAreReachedAndOpenedByKeyboard) {
  Form2 form(state);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  ASSERT_EQ(form.focusWidget(), form.PageScrollBar()) << "the bar has the focus at first";
  QSignalSpy opened(&form, &Form2::RowDoubleClicked);
  constexpr int kBar = -1;
  const struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers held;
    int focus;  // row, or kBar
    int page;
  } steps[] = {
      {Qt::Key_PageDown, {}, kBar, 1}, {Qt::Key_Tab, {}, 10, 1},
      {Qt::Key_Up, {}, 9, 0},          {Qt::Key_Down, {}, 10, 1},
      {Qt::Key_End, {}, 99, 9},        {Qt::Key_Down, {}, 99, 9},
      {Qt::Key_PageUp, {}, 89, 8},     {Qt::Key_Down, {}, 90, 9},
      {Qt::Key_PageDown, {}, 90, 9},   {Qt::Key_Home, {}, 0, 0},
      {Qt::Key_Up, {}, 0, 0},          {Qt::Key_Tab, {}, kBar, 0},
      {Qt::Key_Down, {}, kBar, 1},     {Qt::Key_Tab, Qt::ShiftModifier, 10, 1},
      {Qt::Key_Down, {}, 11, 1},       {Qt::Key_Return, {}, 11, 1},
      {Qt::Key_Space, {}, 11, 1},      {Qt::Key_Backtab, Qt::ShiftModifier, kBar, 1},
  };
  for (const Step& s : steps) {
    QTest::keyClick(form.windowHandle(), s.key, s.held);
    QWidget* expected =
        s.focus == kBar ? static_cast<QWidget*>(form.PageScrollBar()) : form.Step(s.focus);
    ASSERT_EQ(form.focusWidget(), expected) << s.key;
    ExpectPage(form, s.page);
  }
  ASSERT_EQ(opened.count(), 2);
  EXPECT_EQ(opened.at(0).at(0).toInt(), 11);
  EXPECT_EQ(opened.at(1).at(0).toInt(), 11);

  // The wheel turns the page under a focused row and takes the focus along.
  form.Step(13)->setFocus();
  QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), {}, {},
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&form, &wheel);
  EXPECT_EQ(form.focusWidget(), form.Step(23));
}

TEST_F(StepList, RefreshRowRewritesOneRowAndKeepsThePage) {
  Form2 form(state);
  form.PageScrollBar()->setValue(7);
  const QString before = form.Step(0)->text();
  form.RefreshRow(72, {0x02, 30, 0, 0, 0, 0, 0, 0x2D});
  EXPECT_EQ(form.Step(72)->text(), QStringLiteral("LShi-3s-0x0-0x0-0x0-0x0-0x0--"));
  EXPECT_EQ(form.Step(0)->text(), before);
  for (int i = 1; i < StepsPerProg; ++i) {
    if (i != 72 && i != 9 && i != 99) {
      ASSERT_EQ(form.Step(i)->text(), QStringLiteral("0x0-0s-0x0-0x0-0x0-0x0-0x0-0x0"));
    }
  }
  ExpectPage(form, 7);
}

// Clicks and keys select as in a file manager, across pages; the context menu keeps the
// selection it is about, or selects the row it opened on.
TEST_F(StepList, SelectionFollowsClicksAndKeysAcrossPages) {
  Form2 form(state);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  const auto click = [&](int row, Qt::KeyboardModifiers held, Qt::MouseButton button) {
    form.PageScrollBar()->setValue(row / kRowsPerPage);
    QTest::mouseClick(form.Step(row), button, held);
  };
  const auto key = [&](Qt::Key k, Qt::KeyboardModifiers held) {
    QTest::keyClick(form.windowHandle(), k, held);
  };
  const struct Step {
    std::function<void()> act;
    const char* selected;
    int current;
  } steps[] = {
      {[&] { click(3, {}, Qt::LeftButton); }, "step 4", 3},
      {[&] { key(Qt::Key_PageDown, Qt::ShiftModifier); }, "steps 4-14", 13},
      {[&] { key(Qt::Key_Down, Qt::ControlModifier); }, "steps 4-14", 14},
      {[&] { key(Qt::Key_Space, Qt::ControlModifier); }, "steps 4-15", 14},
      {[&] { click(12, Qt::ControlModifier, Qt::LeftButton); }, "steps 4-12, 14-15", 12},
      {[&] { key(Qt::Key_Up, Qt::ShiftModifier); }, "steps 12-13", 11},
      {[&] { click(30, Qt::ShiftModifier, Qt::LeftButton); }, "steps 13-31", 30},
      {[&] { key(Qt::Key_A, Qt::ControlModifier); }, "steps 1-100", 30},
      {[&] { click(57, {}, Qt::RightButton); }, "steps 1-100", 57},
      {[&] { click(57, {}, Qt::LeftButton); }, "step 58", 57},
      {[&] { click(60, {}, Qt::RightButton); }, "step 61", 60},
      {[&] { key(Qt::Key_F10, Qt::ShiftModifier); }, "step 61", 60},
  };
  for (const Step& s : steps) {
    if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
    s.act();
    EXPECT_EQ(StepRangeText(form.Selection()), s.selected);
    EXPECT_EQ(form.CurrentRow(), s.current) << s.selected;
    EXPECT_TRUE(form.Step(s.current)->isVisible()) << s.selected;
  }
  EXPECT_EQ(QApplication::activePopupWidget(), form.ContextMenu());
  EXPECT_TRUE(form.Step(60)->Selected() && form.RowNumber(60)->Selected());
}

}  // namespace
}  // namespace vorlane::ui
