#include "ui/macro_editor/save_message.h"

#include "ui/toolkit/dialogs.h"
#include "ui/toolkit/texts.h"

namespace vorlane::ui {

QString OutcomeMessage(const SaveOutcome& outcome) {
  const QString file = QString::fromStdString(outcome.file.path);
  switch (outcome.status) {
    case SaveOutcome::Status::NoFile:
      return QtText(kNoFileMessage);
    case SaveOutcome::Status::Incomplete:
      return QtText(kIncompleteMessage);
    case SaveOutcome::Status::ChangedOnDisk:
      return DiskChangeNews(file, DiskChange::Changed);
    case SaveOutcome::Status::RemovedOnDisk:
      return DiskChangeNews(file, DiskChange::Removed);
    case SaveOutcome::Status::WriteFailed:
      return QString::fromStdString(outcome.file.Message());
    case SaveOutcome::Status::Saved:
      return QtText(kSavedMessage);
  }
  return {};
}

}  // namespace vorlane::ui
