#include "ui/macro_editor/keycode.h"

#include <QApplication>
#include <QColor>
#include <QKeyEvent>
#include <QPalette>
#include <QShortcut>
#include <QString>

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>

#include "image/editor_saves.h"
#include "image/macro_slots.h"
#include "image/module1.h"
#include "ui/saves/save_message.h"
#include "ui/toolkit/fonts.h"
#include "ui/toolkit/key_repeat.h"
#include "ui/toolkit/texts.h"
#include "ui/toolkit/twips.h"
#include "ui/undo/undo_keys.h"
#include "vocabulary/hid_input_codes.h"
#include "vocabulary/key_tables.h"

namespace vorlane::ui {

namespace {

constexpr int kClientWidth = 13605;
constexpr int kClientHeight = 4440;
constexpr TwipsPlace kCombo1Place{120, 120, 1935, 315};
constexpr TwipsPlace kCombo2Place{2280, 120, 1215, 315};
constexpr TwipsPlace kLabel2Place{3720, 120, 5295, 375};
constexpr TwipsPlace kLabel3Place{9240, 120, 1335, 375};
constexpr TwipsPlace kLabel4Place{10800, 120, 1335, 375};
// "Record" fills the rest of the row beside "Save Set": the same gap as between the two commands
// before it, and the window's left margin on the right.
constexpr int kCommandGap = kLabel4Place.left - (kLabel3Place.left + kLabel3Place.width);
constexpr int kLabel5Left = kLabel4Place.left + kLabel4Place.width + kCommandGap;
constexpr TwipsPlace kLabel5Place{kLabel5Left, kLabel4Place.top,
                                  kClientWidth - kCombo1Place.left - kLabel5Left,
                                  kLabel4Place.height};

constexpr Rgb kWindowBackground{0, 0, 64};
constexpr Rgb kWindowText{255, 255, 255};  // for anything drawn straight on that blue
constexpr Rgb kStatusBackground{255, 224, 192};
constexpr Rgb kCaptionText{0, 0, 0};

constexpr double kKeyCapPointSize = 9.75;
constexpr double kLabelPointSize = 12;
// The lists keep the window's own font: the plain sans face at the usual dialog size.
constexpr double kWindowPointSize = 8.25;

const QString kCaptionPrefix = QStringLiteral("Set itemNum ");
const QString kClearSetCaption = QStringLiteral("Clear Set");
const QString kSaveSetCaption = QStringLiteral("Save Set");
const QString kRecordCaption = QStringLiteral("Record");
// "Recording" is wider than the place; the dot is what recorders show, and screen readers hear
// the word.
const QString kRecordingCaption = QStringLiteral("\u25CF Rec");
const QString kRecordingName = QStringLiteral("Recording");
// A keyboard-only user gets the keyboard back this long after the last key. Tests that watch
// the recording from outside, on a busy machine, lengthen it with VORLANE_RECORD_IDLE_MS.
constexpr std::chrono::milliseconds kRecordIdle{3000};

std::chrono::milliseconds RecordIdleTime() {
  const QByteArray value = qgetenv("VORLANE_RECORD_IDLE_MS");
  bool ok = false;
  const int ms = value.toInt(&ok);
  return ok && ms > 0 ? std::chrono::milliseconds(ms) : kRecordIdle;
}

QColor ToColor(Rgb c) { return QColor(c.red, c.green, c.blue); }

template <std::size_t N>
void Fill(DropDownList* list, const std::array<ListItem, N>& items) {
  for (const ListItem& item : items) list->AddItem(QtText(item.text), item.code);
}

// An opaque label with a thin plain frame (drawn in the caption colour), so that the key-caps and
// the two commands read as keys on the dark window rather than as loose text. Text and background
// are always set together: a background of the theme's under a fixed black text was unreadable in
// a dark theme.
void PaintLabel(ClickLabel* label, const QColor& background, const QColor& text,
                Qt::Alignment alignment) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, background);
  palette.setColor(QPalette::WindowText, text);
  label->setPalette(palette);
  label->setAutoFillBackground(true);
  label->setFrameStyle(QFrame::Box | QFrame::Plain);
  label->setLineWidth(1);
  label->setAlignment(alignment);
}

// How far `to` lies from `from`: the gap between their edges along the way the key goes, and the
// offset of their centres across it. A cap in the next row whose centre is straight above or below
// wins over a nearer row's cap far to the side.
long long Distance(const QRect& from, const QRect& to, bool across) {
  const QPoint a = from.center();
  const QPoint b = to.center();
  long long gap = 0;
  long long offset = 0;
  if (across) {  // Up, Down
    gap = std::max({to.top() - from.bottom(), 0, from.top() - to.bottom()});
    offset = b.x() - a.x();
  } else {
    gap = std::max({to.left() - from.right(), 0, from.left() - to.right()});
    offset = b.y() - a.y();
  }
  return gap * gap + offset * offset;
}

bool SameRow(const QRect& a, const QRect& b) {
  return a.top() <= b.bottom() && b.top() <= a.bottom();
}

}  // namespace

int KeyCapNeighbour(const std::vector<QRect>& caps, int from, int key) {
  const QRect here = caps.at(static_cast<std::size_t>(from));
  const QPoint centre = here.center();
  // Which caps lie that way, and which of them wins: the nearest, or for Home and End the one
  // farthest along the row.
  std::function<bool(const QRect&)> lies;
  const bool vertical = key == Qt::Key_Up || key == Qt::Key_Down;
  std::function<long long(const QRect&)> cost = [&](const QRect& r) {
    return Distance(here, r, vertical);
  };
  switch (key) {
    case Qt::Key_Left:
      lies = [&](const QRect& r) { return SameRow(r, here) && r.center().x() < centre.x(); };
      break;
    case Qt::Key_Right:
      lies = [&](const QRect& r) { return SameRow(r, here) && r.center().x() > centre.x(); };
      break;
    case Qt::Key_Up:
      lies = [&](const QRect& r) { return r.bottom() < here.top(); };
      break;
    case Qt::Key_Down:
      lies = [&](const QRect& r) { return r.top() > here.bottom(); };
      break;
    case Qt::Key_Home:
      lies = [&](const QRect& r) { return SameRow(r, here); };
      cost = [](const QRect& r) { return static_cast<long long>(r.center().x()); };
      break;
    case Qt::Key_End:
      lies = [&](const QRect& r) { return SameRow(r, here); };
      cost = [](const QRect& r) { return -static_cast<long long>(r.center().x()); };
      break;
    default:
      return from;
  }
  int best = from;
  long long bestCost = 0;
  for (std::size_t i = 0; i < caps.size(); ++i) {
    const QRect& r = caps[i];
    if (static_cast<int>(i) == from || !lies(r)) continue;
    const long long c = cost(r);
    if (best == from || c < bestCost) {
      best = static_cast<int>(i);
      bestCost = c;
    }
  }
  if ((key == Qt::Key_Home || key == Qt::Key_End) && best != from &&
      cost(caps[static_cast<std::size_t>(best)]) >= cost(here)) {
    return from;  // already at that end
  }
  return best;
}

keycode::keycode(Module1& state, Dialogs& dialogs, ImageEdits& edits, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), dialogs_(dialogs), edits_(edits) {
  setObjectName(QStringLiteral("keycode"));
  setWindowTitle(kCaptionPrefix + QString::number(state_.ItemNum));
  setFixedSize(TwipsSize(kClientWidth, kClientHeight));
  setFont(UiFont(Face::Sans, kWindowPointSize, false));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, ToColor(kWindowBackground));
  palette.setColor(QPalette::WindowText, ToColor(kWindowText));
  setPalette(palette);
  setAutoFillBackground(true);

  // Creation order is the tab order: the lists first, then the commands, then the keys.
  BuildLists();
  BuildCommands();
  BuildKeyCaps();
  ConnectCommands();
  ShowStepChoices();
  combo1_->setFocus();
  MarkFocus(this);
}

void keycode::BuildLists() {
  combo1_ = new DropDownList(this);
  combo1_->setObjectName(QStringLiteral("Combo1"));
  combo1_->setAccessibleName(QStringLiteral("Modifier"));
  combo1_->setGeometry(TwipsRect(kCombo1Place));
  Fill(combo1_, ModifierItems());
  combo2_ = new DropDownList(this);
  combo2_->setObjectName(QStringLiteral("Combo2"));
  combo2_->setAccessibleName(QStringLiteral("Delay"));
  combo2_->setGeometry(TwipsRect(kCombo2Place));
  Fill(combo2_, DelayItems());
  // A click with no selection (the list emptied by the program) leaves the byte as it is.
  const auto keepChoice = [this](DropDownList* list, std::size_t byte) {
    connect(list, &DropDownList::Click, this, [this, list, byte] {
      const int index = list->ListIndex();
      if (index >= 0) state_.StepBuffer[byte] = static_cast<std::uint8_t>(list->ItemData(index));
    });
  };
  keepChoice(combo1_, kStepModifierByte);
  keepChoice(combo2_, kStepDelayByte);
}

void keycode::BuildCommands() {
  const QFont labelFont = UiFont(Face::Ming, kLabelPointSize, true);
  label2_ = new ClickLabel(QString(), 0, this);
  label2_->setObjectName(QStringLiteral("Label2"));
  label2_->setGeometry(TwipsRect(kLabel2Place));
  label2_->setFont(labelFont);
  PaintLabel(label2_, ToColor(kStatusBackground), ToColor(kCaptionText),
             Qt::AlignLeft | Qt::AlignVCenter);

  // The commands look like the theme's buttons, text and all.
  const QColor commandBackground = palette().color(QPalette::Button);
  const QColor commandText = palette().color(QPalette::ButtonText);
  const auto command = [&](const char* name, const QString& caption, const TwipsPlace& place) {
    auto* label = new ClickLabel(caption, 0, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(TwipsRect(place));
    label->setFont(labelFont);
    PaintLabel(label, commandBackground, commandText, Qt::AlignCenter);
    label->setCursor(Qt::PointingHandCursor);
    label->ActAsButton();
    return label;
  };
  label3_ = command("Label3", kClearSetCaption, kLabel3Place);
  label4_ = command("Label4", kSaveSetCaption, kLabel4Place);
  label5_ = command("Label5", kRecordCaption, kLabel5Place);
}

void keycode::BuildKeyCaps() {
  const QFont keyFont = UiFont(Face::Ming, kKeyCapPointSize, true);
  const auto& table = KeyCapTable();
  label1_.reserve(table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    const KeyCap& key = table[i];
    auto* cap = new ClickLabel(QtText(key.caption), static_cast<int>(i), this);
    cap->setObjectName(QStringLiteral("Label1_%1").arg(i));
    cap->setGeometry(TwipsRect(key.left, key.top, key.width, key.height));
    cap->setFont(keyFont);
    PaintLabel(cap, ToColor(key.background), ToColor(kCaptionText), Qt::AlignCenter);
    cap->ActAsButton();
    connect(cap, &ClickLabel::Click, this, &keycode::KeyCapClicked);
    label1_.push_back(cap);
  }
}

void keycode::ConnectCommands() {
  connect(label3_, &ClickLabel::Click, this, &keycode::ClearSet);
  connect(label4_, &ClickLabel::Click, this, &keycode::SaveSet);
  connect(label5_, &ClickLabel::Click, this, &keycode::RecordClicked);
  label5_->setToolTip(
      QStringLiteral("Press keys on your keyboard to add them to the step, by their place"));
  recordIdle_.setSingleShot(true);
  recordIdle_.setInterval(RecordIdleTime());
  connect(&recordIdle_, &QTimer::timeout, this, &keycode::StopRecording);
  const QKeySequence saveKeys(Qt::CTRL | Qt::Key_S);
  connect(AddShortcut(this, saveKeys), &QShortcut::activated, this, &keycode::SaveSet);
  label4_->setToolTip(WithShortcut(
      QStringLiteral("Store this step and write the file; ") + kUndoKeysHint, saveKeys));
}

void keycode::ShowStepChoices() {
  // A code the list does not offer selects nothing and the byte keeps its value.
  const int modifier = combo1_->IndexOfData(state_.StepBuffer[kStepModifierByte]);
  if (modifier >= 0) combo1_->SetListIndex(modifier);
  const int delay = combo2_->IndexOfData(state_.StepBuffer[kStepDelayByte]);
  if (delay >= 0) combo2_->SetListIndex(delay);
  ShowKeys();
}

void keycode::keyPressEvent(QKeyEvent* event) {
  if (CloseOnEscape(this, event)) return;
  // The arrows, Home and End move between the key-caps as they lie on the picture.
  const auto* cap = qobject_cast<const ClickLabel*>(focusWidget());
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (cap != nullptr && plain && cap->Index() < kKeyCapCount && Label1(cap->Index()) == cap) {
    switch (event->key()) {
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_Home:
      case Qt::Key_End: {
        std::vector<QRect> caps;
        caps.reserve(label1_.size());
        for (const ClickLabel* each : label1_) caps.push_back(each->geometry());
        Label1(KeyCapNeighbour(caps, cap->Index(), event->key()))->setFocus(Qt::OtherFocusReason);
        return;
      }
      default:
        break;
    }
  }
  QWidget::keyPressEvent(event);
}

void keycode::ShowStep() {
  const MacroStep step = state_.StepBuffer;
  ShowStepChoices();
  state_.StepBuffer = step;  // a code the lists do not offer keeps its byte
}

void keycode::ShowKeys() {
  QString line;
  for (std::size_t b = kStepFirstKeyByte; b <= kStepLastKeyByte; ++b) {
    line += QLatin1Char(' ') + QString::fromStdString(KeyCodeName(state_.StepBuffer[b]));
  }
  label2_->setText(line);
}

void keycode::PushCode(std::uint8_t code) {
  PushKey(state_.StepBuffer, code);
  ShowKeys();
}

void keycode::KeyCapClicked(int index) {
  const QByteArray caption = Label1(index)->text().toUtf8();
  const std::int16_t code =
      KeyCapCode(std::string_view(caption.constData(), static_cast<std::size_t>(caption.size())));
  PushCode(static_cast<std::uint8_t>(code));
}

void keycode::RecordClicked() {
  if (recording_) {
    StopRecording();
    return;
  }
  recording_ = true;
  label5_->setText(kRecordingCaption);
  label5_->setAccessibleName(kRecordingName);
  PaintLabel(label5_, palette().color(QPalette::Highlight),
             palette().color(QPalette::HighlightedText), Qt::AlignCenter);
  // The window's own keys (Escape, Tab, Ctrl+S, Enter on a focused label) are recorded, not
  // obeyed: every key event of this window passes the filter first. The grab keeps the window
  // manager's keys (Alt+F4) from it where the platform grants one.
  qApp->installEventFilter(this);
  activateWindow();
  grabKeyboard();
  recordIdle_.start();
}

void keycode::StopRecording() {
  if (!recording_) return;
  recording_ = false;
  recordIdle_.stop();
  releaseKeyboard();
  qApp->removeEventFilter(this);
  label5_->setText(kRecordCaption);
  label5_->setAccessibleName(QString());
  PaintLabel(label5_, palette().color(QPalette::Button), palette().color(QPalette::ButtonText),
             Qt::AlignCenter);
}

bool keycode::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  const auto* widget = qobject_cast<const QWidget*>(watched);
  // Key events reach the window's QWindow before the widget; only the widget's copy counts.
  if (!recording_ || widget == nullptr || widget->window() != this ||
      (type != QEvent::KeyPress && type != QEvent::KeyRelease &&
       type != QEvent::ShortcutOverride)) {
    return QWidget::eventFilter(watched, event);
  }
  if (type == QEvent::KeyPress) {
    const auto* key = static_cast<const QKeyEvent*>(event);
    recordIdle_.start();
    // The key's place, never its character, so that the layout does not matter; a key the
    // device has no code for adds nothing.
    const std::uint8_t usage = HidUsageOfXkbKeycode(key->nativeScanCode());
    if (!IsKeyRepeat(*key) && usage != 0) PushCode(usage);
  }
  event->accept();  // an accepted ShortcutOverride keeps the shortcut from acting
  return true;
}

void keycode::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) StopRecording();
  QWidget::changeEvent(event);
}

void keycode::hideEvent(QHideEvent* event) {
  StopRecording();
  QWidget::hideEvent(event);
}

void keycode::ClearSet() {
  ClearStep(state_.StepBuffer);
  combo1_->SetListIndex(0);
  combo2_->SetListIndex(0);
  label2_->clear();
}

void keycode::FollowStep(int step) {
  stepDeleted_ = step < 0;
  if (!stepDeleted_) state_.ItemNum = static_cast<std::int16_t>(step);
  setWindowTitle(kCaptionPrefix + QString::number(state_.ItemNum) +
                 (stepDeleted_ ? QStringLiteral(" (deleted)") : QString()));
}

void keycode::SaveSet() {
  if (stepDeleted_) {
    dialogs_.Message(this,
                     QStringLiteral("The step this editor was opened on was deleted from "
                                    "the list; nothing was saved. Open a step to save into."));
    return;
  }
  ImageBytes after;
  const SaveOutcome made = ImageWithStep(state_, after);
  if (!made.saved()) {
    dialogs_.Message(this, OutcomeMessage(made));
    return;
  }
  if (!edits_.Commit(QString::fromStdString(SaveStepWords(state_)), after, Saving::Step)) return;
  emit StepSaved();
  RefreshProgSteps(state_);
}

}  // namespace vorlane::ui
