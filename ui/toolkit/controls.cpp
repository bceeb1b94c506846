#include "ui/toolkit/controls.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFocusFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

#include "ui/toolkit/key_repeat.h"

namespace vorlane::ui {

DropDownList::DropDownList(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setInsertPolicy(QComboBox::NoInsert);
  // currentIndexChanged is emitted synchronously for user and program changes alike.
  connect(this, &QComboBox::currentIndexChanged, this, [this] { emit Click(); });
}

void DropDownList::AddItem(const QString& text, int itemData) {
  // QComboBox selects the first item added to an empty list; a new list must have none.
  const QSignalBlocker quiet(this);
  const int selected = currentIndex();
  addItem(text, itemData);
  setCurrentIndex(selected);
}

void DropDownList::ShareModel(QAbstractItemModel* model) {
  const QSignalBlocker quiet(this);
  setModel(model);
  setCurrentIndex(-1);
}

int DropDownList::ItemData(int index) const { return itemData(index).toInt(); }

void DropDownList::keyPressEvent(QKeyEvent* event) {
  // A key with Alt or Ctrl held is meant for a shortcut, never for the list: Alt+S would pick
  // the first function starting with "S", and the next Save would write it. Alt+Down still opens
  // the list, as everywhere.
  const Qt::KeyboardModifiers held = event->modifiers();
  if (held & (Qt::AltModifier | Qt::ControlModifier)) {
    const bool opens =
        event->key() == Qt::Key_Down && (held & ~Qt::KeypadModifier) == Qt::AltModifier;
    if (!opens) {
      event->ignore();
      return;
    }
  }
  QComboBox::keyPressEvent(event);
}

namespace {

// Stands above the focused control, over its edges and 2 px beyond them, and paints only that
// ring; the mouse goes through it. A QFocusFrame, so that screen readers pass it over, but placed
// here rather than by the style, whose margin may be narrower.
class FocusFrame final : public QFocusFrame {
 public:
  static constexpr int kWidth = 2;

  explicit FocusFrame(QWidget* window) : QFocusFrame(window), window_(window) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { Follow(now); });
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (target_ == nullptr) return;
    QPainter painter(this);
    const QColor colour = target_->palette().color(QPalette::Active, QPalette::Highlight);
    const int w = width();
    const int h = height();
    painter.fillRect(0, 0, w, kWidth, colour);
    painter.fillRect(0, h - kWidth, w, kWidth, colour);
    painter.fillRect(0, 0, kWidth, h, colour);
    painter.fillRect(w - kWidth, 0, kWidth, h, colour);
  }

 private:
  void Follow(QWidget* now) {
    target_ = now;
    if (now == nullptr || now == window_ || now->window() != window_ ||
        now->parentWidget() == nullptr) {
      target_ = nullptr;
      hide();
      return;
    }
    if (parentWidget() != now->parentWidget()) setParent(now->parentWidget());
    setGeometry(now->geometry().adjusted(-kWidth, -kWidth, kWidth, kWidth));
    raise();
    show();
    update();
  }

  QWidget* window_;
  QPointer<QWidget> target_;
};

}  // namespace

void MarkFocus(QWidget* window) { new FocusFrame(window); }

QShortcut* AddShortcut(QWidget* window, const QKeySequence& keys) {
  auto* shortcut = new QShortcut(keys, window);
  shortcut->setContext(Qt::WindowShortcut);
  shortcut->setAutoRepeat(false);
  WatchKeyRepeats();
  return shortcut;
}

QString WithShortcut(const QString& what, const QKeySequence& keys) {
  return QStringLiteral("%1 (%2)").arg(what, keys.toString(QKeySequence::NativeText));
}

bool CloseOnEscape(QWidget* window, QKeyEvent* event) {
  if (event->key() != Qt::Key_Escape ||
      (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
    return false;
  }
  if (!event->isAutoRepeat()) window->close();
  return true;
}

int DropDownList::IndexOfData(int itemData) const {
  for (int i = 0; i < count(); ++i) {
    if (ItemData(i) == itemData) return i;
  }
  return -1;
}

namespace {

// What assistive technology sees of a ClickLabel. Made only when a screen reader asks.
class AccessibleClickLabel final : public QAccessibleWidget {
 public:
  explicit AccessibleClickLabel(ClickLabel* label) : QAccessibleWidget(label) {}

  QAccessible::Role role() const override {
    switch (Label()->Role()) {
      case ClickLabel::Acts::AsButton:
        return QAccessible::Button;
      case ClickLabel::Acts::AsRow:
        return QAccessible::ListItem;
      case ClickLabel::Acts::AsText:
        break;
    }
    return QAccessible::StaticText;
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return Label()->text();
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (Label()->Role() == ClickLabel::Acts::AsRow) {
      s.selectable = true;
      s.selected = Label()->Selected();
    }
    return s;
  }

  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (!Label()->isEnabled()) return names;
    if (Label()->Role() == ClickLabel::Acts::AsButton) names.prepend(pressAction());
    if (Label()->Role() == ClickLabel::Acts::AsRow) names.prepend(ClickLabel::kOpenAction);
    return names;
  }

  // The click is queued like a real one rather than run inside the screen reader's call: what
  // it opens may be modal (a message box), and the caller would wait for it to close.
  void doAction(const QString& action) override {
    ClickLabel* label = Label();
    if (!label->isEnabled()) return;
    if (action == pressAction() && label->Role() == ClickLabel::Acts::AsButton) {
      QMetaObject::invokeMethod(
          label, [label] { emit label->Click(label->Index()); }, Qt::QueuedConnection);
    } else if (action == ClickLabel::kOpenAction && label->Role() == ClickLabel::Acts::AsRow) {
      QMetaObject::invokeMethod(
          label, [label] { emit label->DblClick(label->Index()); }, Qt::QueuedConnection);
    } else {
      QAccessibleWidget::doAction(action);
    }
  }

 private:
  ClickLabel* Label() const { return static_cast<ClickLabel*>(widget()); }
};

// Our own windows are windows to a screen reader, not anonymous panes.
QAccessibleInterface* AccessibleFactory(const QString& key, QObject* object) {
  if (auto* label = qobject_cast<ClickLabel*>(object)) return new AccessibleClickLabel(label);
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget && widget->isWindow() && key == QLatin1String(widget->metaObject()->className()) &&
      key.startsWith(QLatin1String("vorlane::ui::"))) {
    return new QAccessibleWidget(widget, QAccessible::Window);
  }
  return nullptr;
}

}  // namespace

ClickLabel::ClickLabel(const QString& caption, int index, QWidget* parent)
    : QFrame(parent), index_(index), text_(caption) {
  static const bool accessible = [] {
    QAccessible::installFactory(&AccessibleFactory);
    return true;
  }();
  (void)accessible;
  WatchKeyRepeats();  // a held Space or Enter acts once, even where Qt misses X's repeats
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void ClickLabel::ActAsButton() {
  acts_ = Acts::AsButton;
  setFocusPolicy(Qt::TabFocus);
}

void ClickLabel::ActAsRow() {
  acts_ = Acts::AsRow;
  setFocusPolicy(Qt::TabFocus);
}

namespace {

double Luminance(const QColor& c) {
  const auto channel = [](double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The palette's highlight, darkened or lightened away from its text until the two reach 4.5:1:
// some themes' light highlight under white text does not.
QColor ReadableHighlight(QColor highlight, const QColor& text) {
  const bool darken = Luminance(text) > 0.5;
  for (int step = 0; step < 20 && Contrast(highlight, text) < 4.5; ++step) {
    highlight = darken ? highlight.darker(110) : highlight.lighter(110);
  }
  return highlight;
}

}  // namespace

void ClickLabel::SetSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  if (selected) {
    QPalette marked = parentWidget() != nullptr ? parentWidget()->palette() : palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
      marked.setColor(group, QPalette::Highlight,
                      ReadableHighlight(marked.color(group, QPalette::Highlight),
                                        marked.color(group, QPalette::HighlightedText)));
    }
    setPalette(marked);
  } else {
    setPalette(QPalette());
  }
  setAutoFillBackground(selected);
  setBackgroundRole(selected ? QPalette::Highlight : QPalette::Window);
  setForegroundRole(selected ? QPalette::HighlightedText : QPalette::WindowText);
  if (QAccessible::isActive()) {
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
  }
  update();
}

void ClickLabel::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  if (accessibleName().isEmpty() && QAccessible::isActive()) {
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
  }
  updateGeometry();
  update(contentsRect());
}

void ClickLabel::setAlignment(Qt::Alignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  update(contentsRect());
}

QRect ClickLabel::TextRect() const {
  // A framed label keeps its text half an "x" away from the frame on the side it is aligned to,
  // as a QLabel does.
  QRect r = contentsRect();
  if (frameWidth() > 0) {
    const int indent = fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
    const Qt::Alignment horizontal = QStyle::visualAlignment(layoutDirection(), alignment_);
    if (horizontal & Qt::AlignLeft) r.setLeft(r.left() + indent);
    if (horizontal & Qt::AlignRight) r.setRight(r.right() - indent);
    if (alignment_ & Qt::AlignTop) r.setTop(r.top() + indent);
    if (alignment_ & Qt::AlignBottom) r.setBottom(r.bottom() - indent);
  }
  return r;
}

QSize ClickLabel::sizeHint() const {
  const QRect text = fontMetrics().boundingRect(text_);
  const int edge = 2 * frameWidth() + (frameWidth() > 0 ? fontMetrics().horizontalAdvance('x') : 0);
  return {text.width() + edge, text.height() + edge};
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit Click(index_);
  }
  QFrame::mouseReleaseEvent(event);
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DblClick(index_);
  QFrame::mouseDoubleClickEvent(event);
}

void ClickLabel::Activate() {
  if (acts_ == Acts::AsRow) {
    emit DblClick(index_);
  } else {
    emit Click(index_);
  }
}

// As a push button: Enter acts when pressed, Space when released, so that a held key acts once;
// holding Enter on "Save Set" once wrote the file at every repeat.
void ClickLabel::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (TakesKeys() && plain) {
    switch (event->key()) {
      case Qt::Key_Space:
        if (!event->isAutoRepeat()) spaceDown_ = true;
        return;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (!event->isAutoRepeat()) Activate();
        return;
      default:
        break;
    }
  }
  QFrame::keyPressEvent(event);
}

void ClickLabel::keyReleaseEvent(QKeyEvent* event) {
  if (TakesKeys() && event->key() == Qt::Key_Space) {
    if (!event->isAutoRepeat() && spaceDown_) {
      spaceDown_ = false;
      Activate();
    }
    return;
  }
  QFrame::keyReleaseEvent(event);
}

void ClickLabel::focusOutEvent(QFocusEvent* event) {
  spaceDown_ = false;  // a Space released elsewhere presses nothing here
  QFrame::focusOutEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);  // the frame
  QPainter painter(this);
  QStyleOption option;
  option.initFrom(this);
  style()->drawItemText(&painter, TextRect(),
                        static_cast<int>(QStyle::visualAlignment(layoutDirection(), alignment_)),
                        option.palette, isEnabled(), text_, foregroundRole());
  // The focus mark is the window's (MarkFocus), the same for every control.
}

QString CaptionOf(const QWidget* control) {
  if (const auto* label = qobject_cast<const ClickLabel*>(control)) return label->text();
  if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  return {};
}

}  // namespace vorlane::ui
