#include "ui/undo/image_edits.h"

#include <QApplication>
#include <QTimer>
#include <QUndoCommand>
#include <QWidget>

#include <utility>

#include "history/store.h"
#include "ui/saves/save_message.h"

namespace vorlane::ui {

namespace {

// A write: done when pushed; undo writes the bytes it replaced, redo writes it again. A write
// that does not happen puts the stack back where it was.
class WriteCommand final : public QUndoCommand {
 public:
  WriteCommand(ImageEdits& edits, const QString& words, ImageBytes before, ImageBytes after)
      : QUndoCommand(words), edits_(edits), before_(std::move(before)), after_(std::move(after)) {}

  // The stack's index with this step done is its place + 1; undone, its place.
  void undo() override { Apply(before_, QStringLiteral("Undo "), 1); }
  void redo() override {
    if (std::exchange(done_, false)) return;  // pushed after its write
    Apply(after_, QStringLiteral("Redo "), 0);
  }

 private:
  void Apply(const ImageBytes& bytes, const QString& how, int asItWas) {
    if (edits_.Restoring()) return;
    if (!edits_.WriteStep(how + text(), bytes)) edits_.RestoreIndexLater(Place() + asItWas);
  }
  int Place() const {
    const QUndoStack& stack = edits_.Stack();
    for (int i = 0; i < stack.count(); ++i) {
      if (stack.command(i) == this) return i;
    }
    return 0;
  }

  ImageEdits& edits_;
  ImageBytes before_;
  ImageBytes after_;
  bool done_ = true;
};

class InMemoryCommand final : public QUndoCommand {
 public:
  InMemoryCommand(ImageEdits& edits, const QString& words, std::function<void()> undo,
                  std::function<void()> redo)
      : QUndoCommand(words), edits_(edits), undo_(std::move(undo)), redo_(std::move(redo)) {}

  void undo() override {
    if (!edits_.Restoring()) undo_();
  }
  void redo() override {
    if (!std::exchange(done_, false) && !edits_.Restoring()) redo_();
  }

 private:
  ImageEdits& edits_;
  std::function<void()> undo_;
  std::function<void()> redo_;
  bool done_ = true;
};

}  // namespace

ImageEdits::ImageEdits(Module1& state, Dialogs& dialogs, QWidget* window, WriteHistory* history)
    : QObject(window), state_(state), dialogs_(dialogs), window_(window) {
  if (history == nullptr) ownHistory_ = std::make_unique<history::Store>();
  history_ = history != nullptr ? history : ownHistory_.get();
}

ImageEdits::~ImageEdits() = default;

QWidget* ImageEdits::Parent() const {
  QWidget* active = QApplication::activeWindow();
  return active != nullptr ? active : window_;
}

SaveEnd ImageEdits::Write(const QString& words, const ImageBytes& after, Saving what, Tell tell) {
  const std::string text = words.toStdString();
  return SaveAsking(
      dialogs_, Parent(), state_.FileName, what,
      [&](SaveMode mode) { return SaveImage(state_, after, text, *history_, mode); },
      tell == Tell::Always);
}

bool ImageEdits::Commit(const QString& words, const ImageBytes& after, Saving what,
                        bool tellSuccess) {
  const ImageBytes before = state_.ConfigImage;
  const SaveEnd end = Write(words, after, what, tellSuccess ? Tell::Always : Tell::OnlyFailures);
  if (end == SaveEnd::Reload) emit ReloadAsked();
  if (end != SaveEnd::Written) return false;
  if (before != after) stack_.push(new WriteCommand(*this, words, before, after));
  emit Changed();
  return true;
}

bool ImageEdits::WriteStep(const QString& words, const ImageBytes& bytes) {
  const SaveEnd end = Write(words, bytes, Saving::Change, Tell::OnlyFailures);
  // Queued: a reload starts a new stack, which must not happen inside one of its steps.
  if (end == SaveEnd::Reload) QTimer::singleShot(0, this, &ImageEdits::ReloadAsked);
  if (end != SaveEnd::Written) return false;
  emit Changed();
  return true;
}

void ImageEdits::PushInMemory(const QString& words, std::function<void()> undo,
                              std::function<void()> redo) {
  stack_.push(new InMemoryCommand(*this, words, std::move(undo), std::move(redo)));
}

void ImageEdits::RestoreIndexLater(int index) {
  restoring_ = true;  // the rest of a multi-step jump does nothing either
  QTimer::singleShot(0, this, [this, index] {
    stack_.setIndex(index);
    restoring_ = false;
  });
}

void ImageEdits::Reset() { stack_.clear(); }

}  // namespace vorlane::ui
