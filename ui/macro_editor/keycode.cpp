#include "ui/macro_editor/keycode.h"

#include <QColor>
#include <QKeyEvent>
#include <QPalette>
#include <QShortcut>
#include <QString>

#include <array>
#include <string_view>

#include "image/commands.h"
#include "image/macro_slots.h"
#include "ui/toolkit/fonts.h"
#include "ui/toolkit/texts.h"
#include "ui/toolkit/twips.h"
#include "vocabulary/key_tables.h"

namespace vorlane::ui {

namespace {

struct Place {
  int left, top, width, height;  // twips
};

constexpr int kClientWidth = 13605;
constexpr int kClientHeight = 4440;
constexpr Place kCombo1Place{120, 120, 1935, 315};
constexpr Place kCombo2Place{2280, 120, 1215, 315};
constexpr Place kLabel2Place{3720, 120, 5295, 375};
constexpr Place kLabel3Place{9240, 120, 1335, 375};
constexpr Place kLabel4Place{10800, 120, 1335, 375};

constexpr Rgb kWindowBackground{0, 0, 64};
constexpr Rgb kStatusBackground{255, 224, 192};
constexpr Rgb kCaptionText{0, 0, 0};

constexpr double kKeyCapPointSize = 9.75;
constexpr double kLabelPointSize = 12;
// The lists keep the window's own font: the plain sans face at the usual dialog size.
constexpr double kWindowPointSize = 8.25;

const QString kCaptionPrefix = QStringLiteral("Set itemNum ");
const QString kClearSetCaption = QStringLiteral("Clear Set");
const QString kSaveSetCaption = QStringLiteral("Save Set");

QColor ToColor(Rgb c) { return QColor(c.red, c.green, c.blue); }

template <std::size_t N>
void Fill(DropDownList* list, const std::array<ListItem, N>& items) {
  for (const ListItem& item : items) list->AddItem(QtText(item.text), item.code);
}

void PlaceWidget(QWidget* widget, const Place& p) {
  widget->setGeometry(TwipsRect(p.left, p.top, p.width, p.height));
}

// An opaque label with a thin plain frame (drawn in the caption colour), so that the key-caps and
// the two commands read as keys on the dark window rather than as loose text.
void PaintLabel(ClickLabel* label, const QColor& background, Qt::Alignment alignment) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, background);
  palette.setColor(QPalette::WindowText, ToColor(kCaptionText));
  label->setPalette(palette);
  label->setAutoFillBackground(true);
  label->setFrameStyle(QFrame::Box | QFrame::Plain);
  label->setLineWidth(1);
  label->setAlignment(alignment);
}

}  // namespace

keycode::keycode(Module1& state, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), dialogs_(dialogs) {
  setObjectName(QStringLiteral("keycode"));
  setWindowTitle(kCaptionPrefix + QString::number(state_.ItemNum));
  setFixedSize(TwipsSize(kClientWidth, kClientHeight));
  setFont(UiFont(Face::Sans, kWindowPointSize, false));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, ToColor(kWindowBackground));
  setPalette(palette);
  setAutoFillBackground(true);

  // Creation order is the tab order: the lists first, then the two commands, then the keys.
  combo1_ = new DropDownList(this);
  combo1_->setObjectName(QStringLiteral("Combo1"));
  combo1_->setAccessibleName(QStringLiteral("Modifier"));
  PlaceWidget(combo1_, kCombo1Place);
  Fill(combo1_, ModifierItems());
  combo2_ = new DropDownList(this);
  combo2_->setObjectName(QStringLiteral("Combo2"));
  combo2_->setAccessibleName(QStringLiteral("Delay"));
  PlaceWidget(combo2_, kCombo2Place);
  Fill(combo2_, DelayItems());

  const QFont labelFont = UiFont(Face::Ming, kLabelPointSize, true);
  label2_ = new ClickLabel(QString(), 0, this);
  label2_->setObjectName(QStringLiteral("Label2"));
  PlaceWidget(label2_, kLabel2Place);
  label2_->setFont(labelFont);
  PaintLabel(label2_, ToColor(kStatusBackground), Qt::AlignLeft | Qt::AlignVCenter);

  const QColor commandBackground = palette.color(QPalette::Button);
  label3_ = new ClickLabel(kClearSetCaption, 0, this);
  label3_->setObjectName(QStringLiteral("Label3"));
  label4_ = new ClickLabel(kSaveSetCaption, 0, this);
  label4_->setObjectName(QStringLiteral("Label4"));
  PlaceWidget(label3_, kLabel3Place);
  PlaceWidget(label4_, kLabel4Place);
  for (ClickLabel* command : {label3_, label4_}) {
    command->setFont(labelFont);
    PaintLabel(command, commandBackground, Qt::AlignCenter);
    command->setCursor(Qt::PointingHandCursor);
    command->ActAsButton();
  }

  const QFont keyFont = UiFont(Face::Ming, kKeyCapPointSize, true);
  const auto& table = KeyCapTable();
  label1_.reserve(table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    const KeyCap& key = table[i];
    auto* cap = new ClickLabel(QtText(key.caption), static_cast<int>(i), this);
    cap->setObjectName(QStringLiteral("Label1_%1").arg(i));
    cap->setGeometry(TwipsRect(key.left, key.top, key.width, key.height));
    cap->setFont(keyFont);
    PaintLabel(cap, ToColor(key.background), Qt::AlignCenter);
    cap->ActAsButton();
    connect(cap, &ClickLabel::Click, this, &keycode::KeyCapClicked);
    label1_.push_back(cap);
  }

  // A click with no selection (the list emptied by the program) leaves the byte as it is.
  connect(combo1_, &DropDownList::Click, this, [this] {
    const int index = combo1_->ListIndex();
    if (index >= 0) {
      state_.StepBuffer[kStepModifierByte] = static_cast<std::uint8_t>(combo1_->ItemData(index));
    }
  });
  connect(combo2_, &DropDownList::Click, this, [this] {
    const int index = combo2_->ListIndex();
    if (index >= 0) {
      state_.StepBuffer[kStepDelayByte] = static_cast<std::uint8_t>(combo2_->ItemData(index));
    }
  });
  connect(label3_, &ClickLabel::Click, this, &keycode::ClearSet);
  connect(label4_, &ClickLabel::Click, this, &keycode::SaveSet);
  const QKeySequence saveKeys(Qt::CTRL | Qt::Key_S);
  connect(AddShortcut(this, saveKeys), &QShortcut::activated, this, &keycode::SaveSet);
  label4_->setToolTip(WithShortcut(QStringLiteral("Store this step and write the file"), saveKeys));

  // A code the list does not offer selects nothing and the byte keeps its value.
  const int modifier = combo1_->IndexOfData(state_.StepBuffer[kStepModifierByte]);
  if (modifier >= 0) combo1_->SetListIndex(modifier);
  const int delay = combo2_->IndexOfData(state_.StepBuffer[kStepDelayByte]);
  if (delay >= 0) combo2_->SetListIndex(delay);
  ShowKeys();

  combo1_->setFocus();
}

void keycode::keyPressEvent(QKeyEvent* event) {
  if (CloseOnEscape(this, event)) return;
  QWidget::keyPressEvent(event);
}

void keycode::ShowKeys() {
  QString line;
  for (std::size_t b = kStepFirstKeyByte; b <= kStepLastKeyByte; ++b) {
    line += QLatin1Char(' ') + QString::fromStdString(KeyCodeName(state_.StepBuffer[b]));
  }
  label2_->setText(line);
}

void keycode::KeyCapClicked(int index) {
  const QByteArray caption = Label1(index)->text().toUtf8();
  const std::int16_t code =
      KeyCapCode(std::string_view(caption.constData(), static_cast<std::size_t>(caption.size())));
  PushKey(state_.StepBuffer, static_cast<std::uint8_t>(code));
  ShowKeys();
}

void keycode::ClearSet() {
  ClearStep(state_.StepBuffer);
  combo1_->SetListIndex(0);
  combo2_->SetListIndex(0);
  label2_->clear();
}

void keycode::SaveSet() {
  const SaveOutcome outcome = SaveStep(state_);
  dialogs_.Message(this, OutcomeMessage(outcome));
  if (!outcome.saved()) return;  // SaveStep has already put the image back
  emit StepSaved();
  RefreshProgSteps(state_);
}

}  // namespace vorlane::ui
