// The "History" window: this session's undo steps (click one to go back to that state), and
// below them the versions of the image kept before each write, one of which "Restore" writes
// back as one more undo step.
#pragma once

#include <QWidget>

#include <vector>

#include "history/store.h"
#include "image/module1.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QUndoView;

namespace vorlane::ui {

class ImageEdits;

class HistoryWindow : public QWidget {
  Q_OBJECT
 public:
  HistoryWindow(ImageEdits& edits, const Module1& state, QWidget* parent);

  QUndoView* Steps() const { return steps_; }
  QTreeWidget* Versions() const { return versions_; }
  QPushButton* RestoreButton() const { return restore_; }
  QLabel* SkippedNotice() const { return skipped_; }
  QPushButton* CloseButton() const { return close_; }

  // Reads the kept versions of the file in force again.
  void ShowVersions();
  // Writes the chosen version back.
  void RestoreChosen();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  ImageEdits& edits_;
  const Module1& state_;
  QUndoView* steps_ = nullptr;
  QTreeWidget* versions_ = nullptr;
  QLabel* skipped_ = nullptr;  // says how many saved versions could not be read
  QPushButton* restore_ = nullptr;
  QPushButton* close_ = nullptr;
  std::vector<history::Entry> entries_;
};

}  // namespace vorlane::ui
