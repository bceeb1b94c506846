#include "ui/main/form1.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStandardItemModel>

#include "image/button_rules.h"
#include "image/editor_saves.h"
#include "image/macro_slots.h"
#include "image/module1.h"
#include "ui/print/card_print.h"
#include "ui/saves/save_message.h"
#include "ui/step_list/step_list_edits.h"
#include "ui/toolkit/fonts.h"
#include "ui/toolkit/placement.h"
#include "ui/toolkit/texts.h"
#include "ui/toolkit/twips.h"
#include "ui/undo/undo_keys.h"
#include "vocabulary/function_catalogue.h"

namespace vorlane::ui {

namespace {

// Layout in twips. The lists, their digits and the "Set Prog" labels stand in a grid of four
// columns; the first row of each pair holds buttons M1..M4, the second M5..M8.
constexpr int kClientWidth = 9735;
constexpr int kClientHeight = 4455;

constexpr TwipsPlace kCommand3Place{120, 120, 2415, 495};
constexpr TwipsPlace kCommand4Place{3600, 120, 2535, 495};
constexpr TwipsPlace kCommand5Place{7200, 120, 2415, 495};
constexpr TwipsPlace kText1Place{120, 840, 9495, 375};

constexpr int kColumns = 4;
constexpr std::array<int, kColumns> kListLefts{120, 2520, 4920, 7320};
constexpr std::array<int, kColumns> kDigitLefts{960, 3360, 5760, 8160};
constexpr std::array<int, 2> kDigitTops{1440, 2280};
constexpr std::array<int, 2> kListTops{1800, 2640};
constexpr std::array<int, 2> kSetProgTops{3240, 3840};
constexpr int kDigitSize = 495;
constexpr int kListWidth = 2295;
constexpr int kListHeight = 360;
constexpr int kSetProgHeight = 495;

constexpr double kCommandPoints = 12;
constexpr double kListPoints = 9.75;
constexpr double kDigitPoints = 13.5;
constexpr double kSetProgPoints = 14.25;

// A text box in `font`. A QLineEdit lays out its empty text in the application's font before it
// takes its own, and that layout alone loaded a face the window never draws (4.5 M instructions,
// a twentieth of the start); with `font` as the application's for that moment it loads none.
QLineEdit* NewLineEditIn(const QFont& font, QWidget* parent) {
  const QFont application = QGuiApplication::font();
  QGuiApplication::setFont(font);
  auto* box = new QLineEdit(parent);
  QGuiApplication::setFont(application);
  return box;
}

// Slot i (0..7) of the grid: column i mod 4, row i / 4.
int GridLeft(const std::array<int, kColumns>& lefts, int i) {
  return lefts.at(static_cast<std::size_t>(i % kColumns));
}
int GridTop(const std::array<int, 2>& tops, int i) {
  return tops.at(static_cast<std::size_t>(i / kColumns));
}

}  // namespace

// The eight real lists as the button rules see them.
class Form1::Lists final : public ButtonLists {
 public:
  explicit Lists(Form1& window) : window_(window) {}

  int Selection(int n) const override { return window_.Combo(n)->ListIndex(); }

  void SetSelection(int n, int position) override {
    DropDownList* list = window_.Combo(n);
    // A list already at `position` raises no Click; the rule must still have run on return.
    if (list->ListIndex() == position) {
      ApplyConflictRule(*this, n);
      return;
    }
    list->SetListIndex(position);  // its Click runs the rule
  }

  int ItemData(int n, int position) const override { return window_.Combo(n)->ItemData(position); }

  void ShowMessage(const std::string& text) override {
    window_.dialogs_.Message(&window_, QString::fromStdString(text));
  }

 private:
  Form1& window_;
};

Form1::Form1(Module1& state, Dialogs& dialogs, QWidget* parent, WriteHistory* history)
    : QWidget(parent),
      state_(state),
      dialogs_(dialogs),
      lists_(std::make_unique<Lists>(*this)),
      edits_(new ImageEdits(state, dialogs, this, history)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QtText(kAppTitle));
  setFixedSize(TwipsSize(kClientWidth, kClientHeight));

  // List position p is catalogue position p in all eight lists, so one model serves them all.
  catalogue_ = new QStandardItemModel(kCatalogueSize, 1, this);
  for (int p = 0; p < kCatalogueSize; ++p) {
    const CatalogueEntry& entry = FunctionCatalogue().at(static_cast<std::size_t>(p));
    auto* item = new QStandardItem(QtText(entry.name));
    item->setData(static_cast<int>(entry.code), Qt::UserRole);
    catalogue_->setItem(p, 0, item);
  }

  BuildControls();
  AttachEditKeys(this);
  connect(edits_, &ImageEdits::Changed, this, &Form1::ShowImage);
  connect(edits_, &ImageEdits::ReloadAsked, this, [this] { LoadFile(state_.FileName); });
  MarkFocus(this);
}

Form1::~Form1() {
  // The lists are torn down after lists_; no late selection change may reach the rules then.
  for (DropDownList* list : combos_) list->disconnect(this);
}

void Form1::BuildControls() {
  // The lists and the path box take the list font from the window as they are created. Setting
  // it on each list afterwards makes the list build its pop-up and lay out all 130 items at once,
  // which was a third of the time to open the window.
  setFont(UiFont(Face::Sans, kListPoints, false));
  BuildCommands();
  BuildKeyLists();
  BuildSetProgLabels();

  // Keyboard order: the commands, the lists M1..M8, the path box, then "Set Prog1".."Set Prog8".
  QList<QWidget*> order{command3_, command4_, command5_};
  for (DropDownList* list : combos_) order.push_back(list);
  order.push_back(text1_);
  for (ClickLabel* label : label1_) order.push_back(label);
  for (qsizetype k = 1; k < order.size(); ++k) setTabOrder(order[k - 1], order[k]);
}

void Form1::BuildCommands() {
  const QFont commandFont = UiFont(Face::Sans, kCommandPoints, true);
  auto command = [&](const char* name, const char* caption, const TwipsPlace& place) {
    auto* button = new QPushButton(QString::fromLatin1(caption), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(commandFont);
    button->setGeometry(TwipsRect(place));
    return button;
  };
  command3_ = command("Command3", "Load", kCommand3Place);
  command4_ = command("Command4", "Save", kCommand4Place);
  command5_ = command("Command5", "Exit", kCommand5Place);
  command4_->setEnabled(false);
  connect(command3_, &QPushButton::clicked, this, &Form1::Load);
  connect(command4_, &QPushButton::clicked, this, &Form1::Save);
  connect(command5_, &QPushButton::clicked, this, &Form1::Exit);
  // The usual keys for the three commands. They press the button, so a disabled "Save" ignores
  // its key as it ignores a click.
  const std::pair<QPushButton*, QKeySequence> keys[] = {
      {command3_, QKeySequence(Qt::CTRL | Qt::Key_O)},
      {command4_, QKeySequence(Qt::CTRL | Qt::Key_S)},
      {command5_, QKeySequence(Qt::CTRL | Qt::Key_Q)},
  };
  const QString tips[] = {QStringLiteral("Load a device image file"),
                          QStringLiteral("Write the eight keys into the file; ") + kUndoKeysHint,
                          QStringLiteral("Close every window")};
  for (std::size_t k = 0; k < std::size(keys); ++k) {
    QPushButton* button = keys[k].first;
    connect(AddShortcut(this, keys[k].second), &QShortcut::activated, button,
            [button] { button->animateClick(); });
    button->setToolTip(WithShortcut(tips[k], keys[k].second));
  }
}

void Form1::BuildKeyLists() {
  // Shows the file in force only; nothing reads it back.
  text1_ = NewLineEditIn(font(), this);  // the list font, the window's
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setGeometry(TwipsRect(kText1Place));
  text1_->setReadOnly(true);
  text1_->setAccessibleName(QStringLiteral("Image file"));
  const QKeySequence printKeys(Qt::CTRL | Qt::Key_P);
  text1_->setToolTip(
      WithShortcut(QStringLiteral("The file in force; print its key map"), printKeys));
  print_ = AddShortcut(this, printKeys);
  print_->setEnabled(false);
  connect(print_, &QShortcut::activated, this, &Form1::Print);

  const QFont digitFont = UiFont(Face::Sans, kDigitPoints, true);
  for (int i = 0; i < kButtonCount; ++i) {
    const int n = i + 1;
    auto* digit = new QLabel(QString::number(n), this);
    digit->setObjectName(QStringLiteral("Label%1").arg(n + 1));
    digit->setFont(digitFont);
    digit->setGeometry(
        TwipsRect(GridLeft(kDigitLefts, i), GridTop(kDigitTops, i), kDigitSize, kDigitSize));
    digit->setAlignment(Qt::AlignCenter);
    digit->setForegroundRole(QPalette::WindowText);
    digit->setBackgroundRole(QPalette::Window);
    digit->setAutoFillBackground(true);
    // The digit labels its list: a screen reader names a list by its label, and "1" alone would
    // not say which key the list sets.
    digit->setAccessibleName(QStringLiteral("M%1 key").arg(n));
    digits_.at(static_cast<std::size_t>(i)) = digit;

    auto* list = new DropDownList(this);
    list->setObjectName(QStringLiteral("Combo%1").arg(n));
    list->ShareModel(catalogue_);
    list->setGeometry(
        TwipsRect(GridLeft(kListLefts, i), GridTop(kListTops, i), kListWidth, kListHeight));
    list->setEnabled(false);
    connect(list, &DropDownList::Click, this, [this, n] { KeyChosen(n); });
    AddCopyPaste(list, n);
    digit->setBuddy(list);
    combos_.at(static_cast<std::size_t>(i)) = list;
  }
}

void Form1::BuildSetProgLabels() {
  // The "Set Prog" captions are ASCII, which every face of the list has: no fallback face can
  // be asked for, and looking up the fallbacks was 3 M instructions of the start.
  QFont setProgFont = UiFont(Face::Ming, kSetProgPoints, true);
  setProgFont.setStyleStrategy(QFont::NoFontMerging);
  label1_.reserve(kProgCount);
  for (int i = 0; i < kProgCount; ++i) {
    auto* label = new ClickLabel(QStringLiteral("Set Prog%1").arg(i + 1), i, this);
    label->setObjectName(QStringLiteral("Label1_%1").arg(i));
    label->setFont(setProgFont);
    label->setGeometry(
        TwipsRect(GridLeft(kListLefts, i), GridTop(kSetProgTops, i), kListWidth, kSetProgHeight));
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Raised);
    label->setCursor(Qt::PointingHandCursor);
    label->ActAsButton();
    label->setEnabled(false);
    connect(label, &ClickLabel::Click, this, &Form1::OpenStepList);
    label1_.push_back(label);
  }
}

void Form1::EnableEditing() {
  command4_->setEnabled(true);
  print_->setEnabled(true);
  for (DropDownList* list : combos_) list->setEnabled(true);
  for (ClickLabel* label : label1_) label->setEnabled(true);
}

void Form1::Load() {
  // Load replaces the lists' choices, whether a file is chosen or the one in force read again.
  if (!UnsavedChoicesSettled(kUnsavedKeysBeforeLoadQuestion)) return;
  const std::optional<QString> answer =
      dialogs_.OpenFile(this, kImageFileFilter, PathText(state_.FileName));
  std::string path;
  if (answer && !answer->isEmpty()) {
    path = QFile::encodeName(*answer).toStdString();
    if (path.size() <= 1) {
      // A name this short counts as no file chosen: nothing is read, and Save says so.
      state_.FileName = path;
      return;
    }
  } else if (HasChosenFile(state_)) {
    path = state_.FileName;  // cancelled: read the file in force again
  } else {
    return;
  }

  LoadFile(path);
}

void Form1::LoadFile(const std::string& path) {
  // A file that cannot be an image changes nothing, not even the file Save would write.
  const FileResult read = LoadImageFile(state_, path);
  if (!read.ok()) {
    dialogs_.Message(this, FileFailureText(read));
    return;
  }
  state_.FileName = path;
  text1_->setText(PathText(path));
  text1_->setCursorPosition(static_cast<int>(text1_->text().size()));  // the end of a long path
  EnableEditing();
  ShowKeys();
  edits_->Reset();
  RefreshProgSteps(state_);
  // An open step list shows the new file's steps; a row left from the old file would open the
  // editor on another step than the one it shows.
  if (stepList_) {
    stepList_->ShowSteps(state_.ProgSteps.at(static_cast<std::size_t>(state_.ProgIndex)));
  }
}

void Form1::Print() {
  if (!HasChosenFile(state_) || !HoldsImage(state_.ConfigImage)) return;
  ImageBytes image = state_.ConfigImage;
  for (int n = 1; n <= kButtonCount; ++n) {
    const int position = Combo(n)->ListIndex();
    const std::size_t offset = ButtonOffsets.at(static_cast<std::size_t>(n - 1));
    image[offset] = position < 0 ? 0 : static_cast<std::uint8_t>(Combo(n)->ItemData(position));
  }
  QString error;
  if (!PreviewCard(this, image, QFileInfo(PathText(state_.FileName)).fileName(), error)) {
    dialogs_.Message(this, QStringLiteral("Printing is not available: ") + error);
  }
}

void Form1::Save() {
  ImageBytes after;
  const SaveOutcome made = ImageWithButtons(state_, *lists_, after);
  if (!made.saved()) {
    dialogs_.Message(this, OutcomeMessage(made));
    return;
  }
  edits_->Commit(QStringLiteral("Save"), after, Saving::KeyChoices);
}

void Form1::KeyChosen(int n) {
  ApplyConflictRule(*lists_, n);
  if (settingLists_) return;
  const Choices before = shown_;
  const Choices after = CurrentChoices();
  if (after == before) return;
  shown_ = after;
  const int position = Combo(n)->ListIndex();
  const QString words =
      position < 0
          ? QStringLiteral("Clear M%1").arg(n)
          : QStringLiteral("Choose \"%1\" for M%2").arg(Combo(n)->itemText(position)).arg(n);
  edits_->PushInMemory(
      words, [this, before] { SetChoices(before); }, [this, after] { SetChoices(after); });
}

Form1::Choices Form1::CurrentChoices() const {
  Choices choices{};
  for (int n = 1; n <= kButtonCount; ++n) {
    choices.at(static_cast<std::size_t>(n - 1)) = Combo(n)->ListIndex();
  }
  return choices;
}

void Form1::SetChoices(const Choices& choices) {
  for (int n = 1; n <= kButtonCount; ++n) {
    const QSignalBlocker quiet(Combo(n));
    Combo(n)->SetListIndex(choices.at(static_cast<std::size_t>(n - 1)));
  }
  shown_ = choices;
}

void Form1::ShowKeys() {
  settingLists_ = true;
  MapImageToButtons(*lists_, state_.ConfigImage);
  settingLists_ = false;
  shown_ = CurrentChoices();
  keysShown_ = ReadButtonBytes(state_.ConfigImage);
}

void Form1::ShowImage() {
  // The lists anew only when the write changed the keys: choices not yet saved stay otherwise.
  if (ReadButtonBytes(state_.ConfigImage) != keysShown_) ShowKeys();
  const auto prog = static_cast<std::size_t>(state_.ProgIndex);
  const MacroStep shown = StepOfProg(state_.ProgSteps.at(prog), state_.ItemNum);
  RefreshProgSteps(state_);
  if (stepList_) stepList_->ShowSteps(state_.ProgSteps.at(prog));
  // The editor's step anew only when the write changed it to something the editor does not show
  // (an undo): its unsaved work stays otherwise, and "Save Set" leaves it as it is.
  const MacroStep now = StepOfProg(state_.ProgSteps.at(prog), state_.ItemNum);
  if (editor_ && !stepsMoving_ && now != shown && now != state_.StepBuffer) {
    LoadStep(state_);
    editor_->ShowStep();
  }
}

void Form1::Undo() {
  if (editor_ && editor_->Recording()) return;
  edits_->Stack().undo();
}

void Form1::Redo() {
  if (editor_ && editor_->Recording()) return;
  edits_->Stack().redo();
}

void Form1::ShowHistory() {
  if (!history_) {
    history_ = new HistoryWindow(*edits_, state_, this);
    history_->setAttribute(Qt::WA_DeleteOnClose);
    AttachEditKeys(history_);
  }
  history_->ShowVersions();
  history_->show();
  history_->raise();
  history_->activateWindow();
}

void Form1::AttachEditKeys(QWidget* window) {
  const std::pair<QKeySequence, void (Form1::*)()> keys[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_Z), &Form1::Undo},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &Form1::Redo},
      {QKeySequence(Qt::CTRL | Qt::Key_Y), &Form1::Redo},
      {QKeySequence(Qt::CTRL | Qt::Key_H), &Form1::ShowHistory},
  };
  for (const auto& [sequence, handler] : keys) {
    connect(AddShortcut(window, sequence), &QShortcut::activated, this, handler);
  }
}

void Form1::Exit() { close(); }

bool Form1::HasUnsavedChoices() const {
  if (!HoldsImage(state_.ConfigImage)) return false;
  const ButtonBytes inFile = ReadButtonBytes(state_.ConfigImage);
  for (int n = 1; n <= kButtonCount; ++n) {
    const int position = Combo(n)->ListIndex();
    if (position >= 0 &&
        Combo(n)->ItemData(position) != inFile.at(static_cast<std::size_t>(n - 1))) {
      return true;
    }
  }
  return false;
}

bool Form1::UnsavedChoicesSettled(std::string_view question) {
  // Key choices that differ from the file are not dropped unasked. Save is the normal Save with
  // its checks and messages; when it writes nothing, the choices are still there to lose.
  if (!HasUnsavedChoices()) return true;
  switch (dialogs_.AskAboutUnsavedKeys(this, QtText(question))) {
    case Dialogs::UnsavedKeys::Save:
      Save();
      return !HasUnsavedChoices();
    case Dialogs::UnsavedKeys::Discard:
      return true;
    case Dialogs::UnsavedKeys::Cancel:
      break;
  }
  return false;
}

void Form1::closeEvent(QCloseEvent* event) {
  if (!UnsavedChoicesSettled(kUnsavedKeysQuestion)) {
    event->ignore();
    return;
  }
  // Whether by "Exit" or by the frame: the editor, then the step list, then this window.
  if (history_) history_->close();
  if (editor_) editor_->close();
  if (stepList_) stepList_->close();
  QWidget::closeEvent(event);
}

void Form1::OpenStepList(int prog) {
  // The macro editor edits a step of the macro shown (ProgIndex). Another macro's list closes it,
  // dropping its unsaved step as opening another step does; its Save Set would otherwise write
  // into the macro now shown.
  if (editor_ && prog != state_.ProgIndex) editor_->close();
  state_.ProgIndex = static_cast<std::int16_t>(prog);
  if (stepList_) stepList_->close();
  auto* list = new Form2(state_, this);
  list->setAttribute(Qt::WA_DeleteOnClose);
  connect(list, &Form2::RowDoubleClicked, this, &Form1::OpenEditor);
  AttachEditKeys(list);
  auto* operations = new StepListEdits(*list, state_, *edits_, dialogs_);
  connect(operations, &StepListEdits::StepsMoved, this, &Form1::FollowMovedSteps);
  connect(operations, &StepListEdits::Writing, this,
          [this](bool during) { stepsMoving_ = during; });
  // Against this window's right edge, wherever it stands now, if the screen has room there.
  PlaceNextTo(list, this, &PlaceBeside);
  stepList_ = list;
  list->show();
}

void Form1::OpenEditor(int step) {
  state_.ItemNum = static_cast<std::int16_t>(step);
  if (editor_) editor_->close();  // its unsaved step is dropped
  LoadStep(state_);
  auto* editor = new keycode(state_, dialogs_, *edits_, this);
  editor->setWindowFlag(Qt::Window);
  editor->setAttribute(Qt::WA_DeleteOnClose);
  connect(editor, &keycode::StepSaved, this, &Form1::RefreshStepListRow);
  AttachEditKeys(editor);
  PlaceNextTo(editor, this, &PlaceOver);
  editor_ = editor;
  editor->show();
  // In front and active, even when the step list that opened it is in front of this window.
  editor->raise();
  editor->activateWindow();
}

void Form1::AddCopyPaste(DropDownList* list, int n) {
  for (const auto& [keys, copy] :
       {std::pair(QKeySequence::Copy, true), std::pair(QKeySequence::Paste, false)}) {
    auto* shortcut = new QShortcut(keys, list);
    shortcut->setContext(Qt::WidgetShortcut);
    shortcut->setAutoRepeat(false);
    connect(shortcut, &QShortcut::activated, this,
            [this, n, copy = copy] { copy ? CopyFunction(n) : PasteFunction(n); });
  }
}

void Form1::CopyFunction(int n) {
  if (Combo(n)->ListIndex() >= 0) QGuiApplication::clipboard()->setText(Combo(n)->currentText());
}

void Form1::PasteFunction(int n) {
  // The function the clipboard names, as if the user chose it in the list: the clash rule runs.
  const QString name = QGuiApplication::clipboard()->text().trimmed();
  int position = Combo(n)->findText(name, Qt::MatchFixedString);
  if (position < 0) {
    dialogs_.Message(
        this, QStringLiteral("The clipboard holds no function name: \"%1\".").arg(name.left(40)));
    return;
  }
  lists_->SetSelection(n, position);
}

void Form1::FollowMovedSteps(const std::array<int, StepsPerProg>& moved) {
  if (editor_ && !editor_->StepDeleted()) {
    editor_->FollowStep(moved.at(static_cast<std::size_t>(state_.ItemNum)));
  }
}

void Form1::RefreshStepListRow() {
  // The row of whichever step list is open now; a closed list is rebuilt from ProgSteps anyway.
  if (stepList_) stepList_->RefreshRow(state_.ItemNum, state_.StepBuffer);
}

}  // namespace vorlane::ui
