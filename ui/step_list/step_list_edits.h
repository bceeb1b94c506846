// Carries out the step list's operations: reads the selection, makes the new steps, says why
// when it writes nothing, and writes the whole image once through ImageEdits, one named change.
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <optional>

#include "image/module1.h"
#include "image/step_edits.h"
#include "ui/step_list/form2.h"
#include "ui/toolkit/dialogs.h"
#include "ui/undo/image_edits.h"

namespace vorlane::ui {

class StepListEdits : public QObject {
  Q_OBJECT
 public:
  // Lives as long as `list`, which it serves.
  StepListEdits(Form2& list, Module1& state, ImageEdits& edits, Dialogs& dialogs);

  void Run(ListAction action);

 signals:
  // Around the write of an operation (true, then false), while the windows show the new image:
  // an open editor waits for StepsMoved rather than take the step now under it.
  void Writing(bool during);
  // After a write: where each old step of the macro went (-1: deleted).
  void StepsMoved(const std::array<int, StepsPerProg>& moved);

 private:
  void Copy();
  void Paste(StepOp op, const QString& name);
  void AskDelay();
  // ApplyStepEdit, then the message or the write; `name` starts the change's words.
  void Apply(StepEdit edit, const QString& name);
  StepRows Rows() const;
  QString ProgName() const;

  Form2& list_;
  Module1& state_;
  ImageEdits& edits_;
  Dialogs& dialogs_;
};

}  // namespace vorlane::ui
