#include "ui/step_list/form2.h"

#include <QLocale>
#include <QScrollBar>

#include "image/macro_slots.h"
#include "ui/step_list/step_text.h"
#include "ui/step_list/wheel_pager.h"
#include "ui/toolkit/fonts.h"
#include "ui/toolkit/twips.h"

namespace vorlane::ui {

namespace {

// Layout in twips.
constexpr int kClientWidth = 6480;
constexpr int kClientHeight = 4920;
constexpr int kRowTop = 120;
constexpr int kRowPitch = 480;
constexpr int kRowHeight = 375;
constexpr int kNumberLeft = 120;
constexpr int kNumberWidth = 615;
constexpr int kTextLeft = 840;
constexpr int kTextWidth = 4935;
constexpr int kScrollLeft = 5880;
constexpr int kScrollTop = 120;
constexpr int kScrollWidth = 495;
constexpr int kScrollHeight = 4695;

constexpr double kNumberPoints = 14.25;
constexpr double kTextPoints = 9.75;

QString RowText(const MacroStep& step) {
  // The user's own number settings decide between "0.5s" and "0,5s".
  const std::string separator = QLocale().decimalPoint().toStdString();
  return QString::fromStdString(StepText(step, separator));
}

int RowTop(int row) { return kRowTop + kRowPitch * (row % kRowsPerPage); }

}  // namespace

Form2::Form2(const Module1& state, QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Set Prog %1").arg(state.ProgIndex + 1));
  setFixedSize(TwipsSize(kClientWidth, kClientHeight));

  const QFont numberFont = UiFont(Face::Ming, kNumberPoints, true);
  const QFont textFont = UiFont(Face::Ming, kTextPoints, true);
  label1_.reserve(StepsPerProg);
  label2_.reserve(StepsPerProg);
  for (int i = 0; i < StepsPerProg; ++i) {
    auto* number = new ClickLabel(QString::number(i + 1), i, this);
    number->setObjectName(QStringLiteral("Label1_%1").arg(i));
    number->setFont(numberFont);
    number->setGeometry(TwipsRect(kNumberLeft, RowTop(i), kNumberWidth, kRowHeight));
    number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    number->hide();
    label1_.push_back(number);

    auto* text = new ClickLabel(QString(), i, this);
    text->setObjectName(QStringLiteral("Label2_%1").arg(i));
    text->setFont(textFont);
    text->setGeometry(TwipsRect(kTextLeft, RowTop(i), kTextWidth, kRowHeight));
    text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    text->ActAsRow();
    text->hide();
    connect(text, &ClickLabel::DblClick, this, &Form2::RowDoubleClicked);
    label2_.push_back(text);
  }

  vscroll1_ = new QScrollBar(Qt::Vertical, this);
  vscroll1_->setObjectName(QStringLiteral("VScroll1"));
  vscroll1_->setGeometry(TwipsRect(kScrollLeft, kScrollTop, kScrollWidth, kScrollHeight));
  vscroll1_->setRange(0, kPageCount - 1);
  vscroll1_->setSingleStep(1);
  vscroll1_->setPageStep(1);
  vscroll1_->setValue(0);
  // Tracking is on, so pages follow a drag of the thumb as well as every other change.
  vscroll1_->setTracking(true);
  // The only control here that takes keys: a click or Tab gives it the focus, and then every
  // arrow, page or Home/End key turns pages like the mouse does.
  vscroll1_->setFocusPolicy(Qt::StrongFocus);
  vscroll1_->setAccessibleName(QStringLiteral("Page"));
  connect(vscroll1_, &QScrollBar::valueChanged, this, &Form2::ShowPage);

  wheel_ = new WheelPager(vscroll1_, this);
  installEventFilter(wheel_);
  vscroll1_->installEventFilter(wheel_);
  for (int i = 0; i < StepsPerProg; ++i) {
    Label1(i)->installEventFilter(wheel_);
    Label2(i)->installEventFilter(wheel_);
  }

  ShowSteps(state.ProgSteps.at(static_cast<std::size_t>(state.ProgIndex)));
  ShowPage(0);
}

Form2::~Form2() {
  // The pager goes with this window; take it off every widget before any of them is torn down.
  removeEventFilter(wheel_);
  vscroll1_->removeEventFilter(wheel_);
  for (int i = 0; i < StepsPerProg; ++i) {
    Label1(i)->removeEventFilter(wheel_);
    Label2(i)->removeEventFilter(wheel_);
  }
}

void Form2::RefreshRow(int n, const MacroStep& step) {
  const QString text = RowText(step);
  Label2(n)->setText(text);
  // A screen reader reads the row with its number, which stands in a label of its own.
  Label2(n)->setAccessibleName(QStringLiteral("Step %1: %2").arg(n + 1).arg(text));
}

void Form2::ShowSteps(const ProgBlock& block) {
  for (int i = 0; i < StepsPerProg; ++i) RefreshRow(i, StepOfProg(block, i));
}

void Form2::ShowPage(int page) {
  // Only the twenty labels of the old and the new page change; no text is formatted here.
  if (page == shownPage_) return;
  if (shownPage_ >= 0) {
    for (int i = shownPage_ * kRowsPerPage; i < (shownPage_ + 1) * kRowsPerPage; ++i) {
      Label1(i)->hide();
      Label2(i)->hide();
    }
  }
  for (int i = page * kRowsPerPage; i < (page + 1) * kRowsPerPage; ++i) {
    Label1(i)->show();
    Label2(i)->show();
  }
  shownPage_ = page;
}

}  // namespace vorlane::ui
