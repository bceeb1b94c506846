// The macro editor: builds one macro step (StepBuffer) from 105 key-caps, a modifier list and a
// delay list, and stores it into the image file with "Save Set".
#pragma once

#include <QRect>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <vector>

#include "image/module1.h"
#include "ui/toolkit/controls.h"
#include "ui/toolkit/dialogs.h"
#include "ui/undo/image_edits.h"

namespace vorlane::ui {

// The key-cap that Left, Right, Up, Down, Home or End moves the focus to from cap `from`, going
// by the caps' places on the picture: Left and Right along the row (the caps beside it), Up and
// Down to a cap above or below, in each the nearest (the gap between the caps' edges that way and
// the offset of their centres across it). Home and End go to the row's ends. Returns `from` when
// no cap lies that way.
int KeyCapNeighbour(const std::vector<QRect>& caps, int from, int key);

class keycode : public QWidget {  // NOLINT(readability-identifier-naming): the window's name
  Q_OBJECT
 public:
  // Start-up reads ItemNum and StepBuffer as they are now. "Save Set" writes through `edits`.
  // `parent` is the main window; the editor is a window of its own that closes with it.
  keycode(Module1& state, Dialogs& dialogs, ImageEdits& edits, QWidget* parent);

  DropDownList* Combo1() const { return combo1_; }  // modifier
  DropDownList* Combo2() const { return combo2_; }  // delay
  ClickLabel* Label2() const { return label2_; }    // status line
  ClickLabel* Label3() const { return label3_; }    // "Clear Set"
  ClickLabel* Label4() const { return label4_; }    // "Save Set"
  ClickLabel* Label5() const { return label5_; }    // "Record"
  ClickLabel* Label1(int index) const { return label1_.at(static_cast<std::size_t>(index)); }
  // The same controls by what they are, for tests and new code; the names above are what the
  // accessibility bus and the end-to-end runs see.
  DropDownList* ModifierList() const { return combo1_; }           // Combo1
  DropDownList* DelayList() const { return combo2_; }              // Combo2
  ClickLabel* StatusLabel() const { return label2_; }              // Label2
  ClickLabel* ClearSetLabel() const { return label3_; }            // Label3
  ClickLabel* SaveSetLabel() const { return label4_; }             // Label4
  ClickLabel* RecordLabel() const { return label5_; }              // Label5
  ClickLabel* CapLabel(int index) const { return Label1(index); }  // Label1, 0..104

  // Handlers, public so that the window's own controls and tests reach the same code.
  void KeyCapClicked(int index);
  void ClearSet();
  void SaveSet();
  // The step list moved the step being edited to `step` (0..99), or deleted it (-1): the title
  // and Save Set follow it; after a delete Save Set is refused. The step being built stays.
  void FollowStep(int step);
  bool StepDeleted() const { return stepDeleted_; }
  // Shows StepBuffer anew, as after an undo changed the step in the file.
  void ShowStep();
  // "Record": starts recording keys from the keyboard, or ends it.
  void RecordClicked();
  bool Recording() const { return recording_; }
  // How long after the last key recording ends by itself.
  void SetRecordIdle(std::chrono::milliseconds idle) { recordIdle_.setInterval(idle); }

 signals:
  // After a successful "Save Set", once the success message is closed and before the mirrors are
  // refreshed: the step list rewrites row ItemNum from StepBuffer.
  void StepSaved();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The constructor's parts, in tab order.
  void BuildLists();
  void BuildCommands();
  void BuildKeyCaps();
  void ConnectCommands();
  // The modifier and delay of StepBuffer selected, its keys shown.
  void ShowStepChoices();
  void ShowKeys();
  void PushCode(std::uint8_t code);
  void StopRecording();

  Module1& state_;
  Dialogs& dialogs_;
  ImageEdits& edits_;
  DropDownList* combo1_ = nullptr;
  DropDownList* combo2_ = nullptr;
  ClickLabel* label2_ = nullptr;
  ClickLabel* label3_ = nullptr;
  ClickLabel* label4_ = nullptr;
  ClickLabel* label5_ = nullptr;
  LabelArray label1_;
  bool recording_ = false;
  bool stepDeleted_ = false;
  QTimer recordIdle_;
};

}  // namespace vorlane::ui
