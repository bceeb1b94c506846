#include "ui/undo/image_edits.h"

#include <QWidget>

#include "image/editor_saves.h"
#include "ui/saves/save_message.h"
#include "ui/toolkit/texts.h"

namespace vorlane::ui {

ImageEdits::ImageEdits(Module1& state, Dialogs& dialogs, QWidget* parent)
    : QObject(parent), state_(state), dialogs_(dialogs), parent_(parent) {}

bool ImageEdits::Commit(const QString& words, const ImageBytes& after, bool tellSuccess) {
  (void)words;
  SaveOutcome outcome = SaveImage(state_, after);
  const bool removed = outcome.status == SaveOutcome::Status::RemovedOnDisk;
  if (removed || outcome.status == SaveOutcome::Status::ChangedOnDisk) {
    const DiskChange change = removed ? DiskChange::Removed : DiskChange::Changed;
    switch (dialogs_.AskAboutDiskChange(parent_->window(), PathText(state_.FileName), change,
                                        DiskChangeAdvice(change, Saving::Step))) {
      case DiskChangeAnswer::Reload:
        emit ReloadAsked();
        return false;
      case DiskChangeAnswer::Cancel:
        return false;
      case DiskChangeAnswer::Overwrite:
        outcome = SaveImage(state_, after, SaveMode::Overwrite);
        break;
    }
  }
  if (!outcome.saved() || tellSuccess) dialogs_.Message(parent_->window(), OutcomeMessage(outcome));
  if (!outcome.saved()) return false;
  emit Changed();
  return true;
}

}  // namespace vorlane::ui
