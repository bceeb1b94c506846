#include "ui/step_list/form2.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QShortcut>

#include <algorithm>

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

struct ActionRow {
  ListAction action;
  const char* text;
  QKeyCombination keys;
};
// The context menu's order, in three groups: the clipboard, moving steps, changing them.
constexpr ActionRow kActions[] = {
    {ListAction::Cut, "Cu&t", Qt::CTRL | Qt::Key_X},
    {ListAction::Copy, "&Copy", Qt::CTRL | Qt::Key_C},
    {ListAction::Paste, "&Paste", Qt::CTRL | Qt::Key_V},
    {ListAction::PasteBefore, "Paste &before", Qt::CTRL | Qt::SHIFT | Qt::Key_V},
    {ListAction::Delete, "&Delete", QKeyCombination(Qt::Key_Delete)},
    {ListAction::Insert, "&Insert", QKeyCombination(Qt::Key_Insert)},
    {ListAction::Duplicate, "D&uplicate", Qt::CTRL | Qt::Key_D},
    {ListAction::MoveUp, "Move &up", Qt::ALT | Qt::Key_Up},
    {ListAction::MoveDown, "Move do&wn", Qt::ALT | Qt::Key_Down},
    {ListAction::Clear, "C&lear", QKeyCombination(Qt::Key_Backspace)},
    {ListAction::SetDelay, "Set de&lay...", Qt::CTRL | Qt::Key_T},
};
static_assert(std::size(kActions) == kListActionCount);

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
    text->installEventFilter(this);  // clicks select
    label2_.push_back(text);
  }

  BuildScrollBar();

  wheel_ = new WheelPager(vscroll1_, this);
  installEventFilter(wheel_);
  vscroll1_->installEventFilter(wheel_);
  for (int i = 0; i < StepsPerProg; ++i) {
    Label1(i)->installEventFilter(wheel_);
    Label2(i)->installEventFilter(wheel_);
  }
  BuildActions();

  ShowSteps(state.ProgSteps.at(static_cast<std::size_t>(state.ProgIndex)));
  ShowPage(0);
  MarkFocus(this);
}

void Form2::BuildScrollBar() {
  vscroll1_ = new QScrollBar(Qt::Vertical, this);
  vscroll1_->setObjectName(QStringLiteral("VScroll1"));
  vscroll1_->setGeometry(TwipsRect(kScrollLeft, kScrollTop, kScrollWidth, kScrollHeight));
  vscroll1_->setRange(0, kPageCount - 1);
  vscroll1_->setSingleStep(1);
  vscroll1_->setPageStep(1);
  vscroll1_->setValue(0);
  // Tracking is on, so pages follow a drag of the thumb as well as every other change.
  vscroll1_->setTracking(true);
  // A click or Tab gives it the focus, and then every arrow, page or Home/End key turns pages
  // like the mouse does. It has the focus when the window opens.
  vscroll1_->setFocusPolicy(Qt::StrongFocus);
  vscroll1_->setFocus();
  vscroll1_->setAccessibleName(QStringLiteral("Page"));
  connect(vscroll1_, &QScrollBar::valueChanged, this, &Form2::ShowPage);
  // Every mouse action on the bar turns exactly one page: no "Scroll here", "Top" or "Bottom"
  // menu, and no jump to where a middle click hits the trough.
  vscroll1_->setContextMenuPolicy(Qt::PreventContextMenu);
  vscroll1_->installEventFilter(this);
}

void Form2::BuildActions() {
  for (const ActionRow& row : kActions) {
    auto* action = new QAction(QString::fromLatin1(row.text), this);
    action->setShortcut(QKeySequence(row.keys));
    action->setShortcutContext(Qt::WindowShortcut);
    // Every operation writes the file: a held key writes it once.
    action->setAutoRepeat(false);
    connect(action, &QAction::triggered, this, [this, a = row.action] { emit ActionAsked(a); });
    addAction(action);
    actions_.push_back(action);
  }
  connect(AddShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_A)), &QShortcut::activated, this,
          [this] {
            for (int i = 0; i < StepsPerProg; ++i) SetRowSelected(i, true);
          });
  connect(AddShortcut(this, QKeySequence(Qt::SHIFT | Qt::Key_F10)), &QShortcut::activated, this,
          [this] { ShowContextMenu({}); });
}

QAction* Form2::Action(ListAction action) const {
  return actions_.at(static_cast<std::size_t>(action));
}

QMenu* Form2::ContextMenu() {
  if (menu_ == nullptr) {
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("StepMenu"));
    menu_->setAccessibleName(QStringLiteral("Steps"));
    for (QAction* action : actions_) menu_->addAction(action);
    menu_->insertSeparator(Action(ListAction::Delete));
    menu_->insertSeparator(Action(ListAction::Clear));
  }
  return menu_;
}

void Form2::ShowContextMenu(const QPoint& globalPos) {
  // From the keyboard, the menu opens at the current row, where the operations act.
  QPoint at = globalPos;
  if (at.isNull()) {
    FocusRow(CurrentRow());
    const ClickLabel* row = Label2(CurrentRow());
    at = row->mapToGlobal(QPoint(row->height() / 2, row->height()));
  }
  ContextMenu()->popup(at);
}

void Form2::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() == QContextMenuEvent::Mouse) {
    ShowContextMenu(event->globalPos());
  } else {
    ShowContextMenu({});
  }
  event->accept();
}

std::vector<int> Form2::Selection() const {
  std::vector<int> rows;
  for (int i = 0; i < StepsPerProg; ++i) {
    if (Label2(i)->Selected()) rows.push_back(i);
  }
  if (rows.empty()) rows.push_back(CurrentRow());
  return rows;
}

void Form2::Select(const std::vector<int>& rows, int current) {
  for (int i = 0; i < StepsPerProg; ++i) SetRowSelected(i, false);
  for (int i : rows) SetRowSelected(i, true);
  current_ = std::clamp(current, 0, StepsPerProg - 1);
  anchor_ = rows.empty() ? current_ : rows.front();
  FocusRow(current_);
}

void Form2::SetRowSelected(int n, bool selected) {
  Label1(n)->SetSelected(selected);
  Label2(n)->SetSelected(selected);
}

void Form2::PickRow(int n, Qt::KeyboardModifiers held, bool click) {
  const bool shift = held & Qt::ShiftModifier;
  const bool ctrl = held & Qt::ControlModifier;
  if (shift) {
    if (!ctrl) {
      for (int i = 0; i < StepsPerProg; ++i) SetRowSelected(i, false);
    }
    for (int i = std::min(anchor_, n); i <= std::max(anchor_, n); ++i) SetRowSelected(i, true);
  } else if (ctrl) {
    if (click) SetRowSelected(n, !Label2(n)->Selected());
    anchor_ = n;
  } else {
    for (int i = 0; i < StepsPerProg; ++i) SetRowSelected(i, i == n);
    anchor_ = n;
  }
  current_ = n;
  FocusRow(n);
}

Form2::~Form2() {
  // The pager goes with this window; take it off every widget before any of them is torn down.
  removeEventFilter(wheel_);
  vscroll1_->removeEventFilter(wheel_);
  vscroll1_->removeEventFilter(this);
  for (int i = 0; i < StepsPerProg; ++i) {
    Label1(i)->removeEventFilter(wheel_);
    Label2(i)->removeEventFilter(wheel_);
    Label2(i)->removeEventFilter(this);
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
  // A focused row hands the focus to the row in its place on the new page.
  const int focused = FocusedRow();
  for (int i = page * kRowsPerPage; i < (page + 1) * kRowsPerPage; ++i) {
    Label1(i)->show();
    Label2(i)->show();
  }
  if (focused >= 0) Label2(page * kRowsPerPage + focused % kRowsPerPage)->setFocus();
  if (shownPage_ >= 0) {
    for (int i = shownPage_ * kRowsPerPage; i < (shownPage_ + 1) * kRowsPerPage; ++i) {
      Label1(i)->hide();
      Label2(i)->hide();
    }
  }
  shownPage_ = page;
}

int Form2::FocusedRow() const {
  const auto* row = qobject_cast<const ClickLabel*>(focusWidget());
  if (row == nullptr || row != Label2(row->Index())) return -1;
  return row->Index();
}

void Form2::FocusRow(int n) {
  n = std::clamp(n, 0, StepsPerProg - 1);
  vscroll1_->setValue(n / kRowsPerPage);
  Label2(n)->setFocus(Qt::OtherFocusReason);
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (auto* row = qobject_cast<ClickLabel*>(watched); row != nullptr) {
    if (type == QEvent::FocusIn) current_ = row->Index();
    if (type == QEvent::MouseButtonPress) {
      const auto* press = static_cast<QMouseEvent*>(event);
      // A right-click on a selected row keeps the selection the menu is about.
      if (press->button() == Qt::LeftButton) {
        PickRow(row->Index(), press->modifiers(), true);
      } else if (press->button() == Qt::RightButton) {
        PickRow(row->Index(), row->Selected() ? Qt::ControlModifier : Qt::NoModifier, false);
      }
    }
    return false;
  }
  if (watched == vscroll1_ &&
      (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
       type == QEvent::MouseButtonRelease)) {
    return static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton;
  }
  return QWidget::eventFilter(watched, event);
}

bool Form2::focusNextPrevChild(bool next) {
  // The rows are one stop, entered at the first row of the page shown.
  if (focusWidget() == vscroll1_) {
    Label2(vscroll1_->value() * kRowsPerPage)
        ->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
  }
  if (FocusedRow() >= 0) {
    vscroll1_->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
  }
  return QWidget::focusNextPrevChild(next);
}

void Form2::keyPressEvent(QKeyEvent* event) {
  // Keys a focused row leaves alone. Up and Down at the page's edge turn one page, as a keyboard
  // step on the scroll bar does; the page keys turn one page and keep the row's place on it.
  if (CloseOnEscape(this, event)) return;
  if (MoveKey(event)) return;
  const int row = FocusedRow();
  if (row >= 0 && event->key() == Qt::Key_Space &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
    SetRowSelected(row, !Label2(row)->Selected());
    anchor_ = row;
    return;
  }
  QWidget::keyPressEvent(event);
}

bool Form2::MoveKey(QKeyEvent* event) {
  // Shift extends the selection from its anchor, Ctrl moves without touching it, and a plain
  // move selects the row it comes to, as in a file manager.
  const int row = FocusedRow();
  const Qt::KeyboardModifiers held = event->modifiers() & ~Qt::KeypadModifier;
  if (row < 0 || (held & ~(Qt::ShiftModifier | Qt::ControlModifier)) != Qt::NoModifier) {
    return false;
  }
  int to = row;
  switch (event->key()) {
    case Qt::Key_Up:
      to = row - 1;
      break;
    case Qt::Key_Down:
      to = row + 1;
      break;
    case Qt::Key_PageUp:
      if (row >= kRowsPerPage) to = row - kRowsPerPage;
      break;
    case Qt::Key_PageDown:
      if (row < StepsPerProg - kRowsPerPage) to = row + kRowsPerPage;
      break;
    case Qt::Key_Home:
      to = 0;
      break;
    case Qt::Key_End:
      to = StepsPerProg - 1;
      break;
    default:
      return false;
  }
  PickRow(std::clamp(to, 0, StepsPerProg - 1), held, false);
  return true;
}

}  // namespace vorlane::ui
