// The way back in the editor: one undo stack per loaded file, shared by the three windows. Every
// write of the editor goes through Commit, so it is checked against the disk, asks the changed-
// file question, keeps the bytes it replaces in the image's history and becomes one undo step.
#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <memory>

#include "image/editor_saves.h"
#include "image/module1.h"
#include "ui/saves/save_message.h"
#include "ui/toolkit/dialogs.h"

class QWidget;

namespace vorlane::ui {

class ImageEdits : public QObject {
  Q_OBJECT
 public:
  // `window` parents the messages when no window of ours is active. `history` keeps the bytes
  // each write replaces; by default the user's own history.
  ImageEdits(Module1& state, Dialogs& dialogs, QWidget* window, WriteHistory* history = nullptr);
  ~ImageEdits() override;

  QUndoStack& Stack() { return stack_; }
  WriteHistory& History() { return *history_; }

  // Writes the whole image `after` (checking the disk and asking Reload/Overwrite/Cancel when
  // another program changed it), tells the user how it ended, and on success pushes one undo
  // step named `words` and emits Changed(). A step that changed no byte pushes nothing. Returns
  // whether the file was written.
  // `what` words the changed-file question. The step list's operations say nothing on success
  // (`tellSuccess` false): the list shows what they did.
  bool Commit(const QString& words, const ImageBytes& after, Saving what = Saving::Change,
              bool tellSuccess = true);

  // A change only in memory (a key's function chosen in a list): `redo` has been done already;
  // `undo` takes it back.
  void PushInMemory(const QString& words, std::function<void()> undo, std::function<void()> redo);

  // A new file or the file read anew: a new stack.
  void Reset();

  // Writes `bytes` for an undo or redo step, with the question but no message on success; false
  // when nothing was written. For the steps on the stack.
  bool WriteStep(const QString& words, const ImageBytes& bytes);
  // True while the stack is being put back after a step that could not write.
  bool Restoring() const { return restoring_; }
  // Puts the stack back to `index` once the current undo or redo has returned.
  void RestoreIndexLater(int index);

 signals:
  // The image changed on disk by our write: the windows show Module1 anew.
  void Changed();
  // The user answered Reload: the main window reads the file again (queued, never mid-undo).
  void ReloadAsked();

 private:
  enum class Tell { Always, OnlyFailures };
  SaveEnd Write(const QString& words, const ImageBytes& after, Saving what, Tell tell);
  QWidget* Parent() const;

  Module1& state_;
  Dialogs& dialogs_;
  QWidget* window_;
  std::unique_ptr<WriteHistory> ownHistory_;
  WriteHistory* history_;
  QUndoStack stack_;
  bool restoring_ = false;
};

}  // namespace vorlane::ui
