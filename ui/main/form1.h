// The main window: loads the image file, gives the eight buttons their functions, saves, opens
// the step list of a macro and, from the step list, the macro editor.
#pragma once

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "image/module1.h"
#include "ui/macro_editor/keycode.h"
#include "ui/step_list/form2.h"
#include "ui/toolkit/controls.h"
#include "ui/toolkit/dialogs.h"
#include "ui/undo/history_window.h"
#include "ui/undo/image_edits.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QShortcut;
class QStandardItemModel;

namespace vorlane::ui {

// What the open dialog offers.
inline constexpr std::string_view kImageFileFilter = "燒錄檔 (*.bin) | *.bin";

class Form1 : public QWidget {
  Q_OBJECT
 public:
  // `history` keeps the bytes each write replaces; by default the user's own history.
  Form1(Module1& state, Dialogs& dialogs, QWidget* parent = nullptr,
        WriteHistory* history = nullptr);
  ~Form1() override;

  QPushButton* Command3() const { return command3_; }  // "Load"
  QPushButton* Command4() const { return command4_; }  // "Save"
  QPushButton* Command5() const { return command5_; }  // "Exit"
  QLineEdit* Text1() const { return text1_; }
  // The list of button M<n>, n = 1..8 (Combo1..Combo8).
  DropDownList* Combo(int n) const { return combos_.at(static_cast<std::size_t>(n - 1)); }
  // The digit above the list of button M<n>, n = 1..8 (Label2..Label9).
  QLabel* Digit(int n) const { return digits_.at(static_cast<std::size_t>(n - 1)); }
  ClickLabel* Label1(int i) const { return label1_.at(static_cast<std::size_t>(i)); }
  // The same controls by what they are, for tests and new code; the names above are what the
  // accessibility bus and the end-to-end runs see.
  QPushButton* LoadButton() const { return command3_; }  // Command3
  QPushButton* SaveButton() const { return command4_; }  // Command4
  QPushButton* ExitButton() const { return command5_; }  // Command5
  QLineEdit* PathBox() const { return text1_; }          // Text1
  // "Set Prog1".."Set Prog8", i = 0..7.
  ClickLabel* SetProg(int i) const { return Label1(i); }  // Label1

  // The step list and the editor while they are open; null otherwise.
  Form2* StepList() const { return stepList_; }
  keycode* Editor() const { return editor_; }
  HistoryWindow* History() const { return history_; }

  // The undo stack of the file loaded, which every window's changes go through.
  ImageEdits& Edits() { return *edits_; }

  // Handlers, public so that the window's own controls and tests reach the same code.
  void Load();
  void Save();
  void Exit();
  void OpenStepList(int prog);
  void OpenEditor(int step);
  void Undo();
  void Redo();
  void ShowHistory();
  // Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y, and Ctrl+H in `window`, as in this one.
  void AttachEditKeys(QWidget* window);
  // Ctrl+P: the print preview of the key map, the keys as the lists show them.
  void Print();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class Lists;

  // Whether a list holds a function other than the one its button has in the file as last read
  // or written. An empty list is no choice: Save would refuse it.
  bool HasUnsavedChoices() const;
  // Asks `question` about unsaved choices, if there are any, and saves them if so answered.
  // Whether the caller may go on and drop what is left.
  bool UnsavedChoicesSettled(std::string_view question);
  // The constructor's parts: the three commands with their keys, the path box and the eight
  // digits and lists, the "Set Prog" labels.
  void BuildControls();
  void BuildCommands();
  void BuildKeyLists();
  void BuildSetProgLabels();
  void EnableEditing();
  // Load once the file is known: the dialog's choice, or the file in force read again.
  void LoadFile(const std::string& path);
  void RefreshStepListRow();
  // After a write by any window, or its undo: the lists, the step list and the editor anew.
  void ShowImage();
  // The lists from the key bytes of ConfigImage.
  void ShowKeys();
  // A key's function chosen in a list, as one undo step.
  void KeyChosen(int n);
  using Choices = std::array<int, kButtonCount>;
  Choices CurrentChoices() const;
  // Puts the lists at `choices` without the clash rule: they held them together before.
  void SetChoices(const Choices& choices);
  void FollowMovedSteps(const std::array<int, StepsPerProg>& moved);
  // Ctrl+C and Ctrl+V on a key's list: its function's name, as text.
  void AddCopyPaste(DropDownList* list, int n);
  void CopyFunction(int n);
  void PasteFunction(int n);

  Module1& state_;
  Dialogs& dialogs_;
  std::unique_ptr<Lists> lists_;
  ImageEdits* edits_ = nullptr;
  Choices shown_{};
  ButtonBytes keysShown_{};  // the key bytes of the image the lists were last set from // the lists
                             // as the last undo step left them
  bool settingLists_ = false;  // lists set by the program, not chosen
  bool stepsMoving_ = false;   // a step operation is being written: the editor follows it after
  QStandardItemModel* catalogue_ = nullptr;  // the 130 items all eight lists show
  QPushButton* command3_ = nullptr;
  QPushButton* command4_ = nullptr;
  QPushButton* command5_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QShortcut* print_ = nullptr;  // enabled once a file is in force
  std::array<DropDownList*, kButtonCount> combos_{};
  std::array<QLabel*, kButtonCount> digits_{};
  LabelArray label1_;
  QPointer<Form2> stepList_;
  QPointer<keycode> editor_;
  QPointer<HistoryWindow> history_;
};

}  // namespace vorlane::ui
