#include "ui/undo/save_message.h"

#include "ui/toolkit/dialogs.h"
#include "ui/toolkit/texts.h"

namespace vorlane::ui {

QString OutcomeMessage(const SaveOutcome& outcome) {
  const QString file = PathText(outcome.file.path);
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
      return FileFailureText(outcome.file);
    case SaveOutcome::Status::Saved:
      if (outcome.historyWarning.empty()) return QtText(kSavedMessage);
      return QtText(kSavedMessage) + QLatin1Char('\n') +
             QStringLiteral("Warning: %1").arg(QString::fromStdString(outcome.historyWarning));
  }
  return {};
}

SaveEnd SaveAsking(Dialogs& dialogs, QWidget* parent, const std::string& path,
                   const std::function<SaveOutcome(SaveMode)>& save, bool tellSuccess) {
  SaveOutcome outcome = save(SaveMode::CheckDisk);
  const bool removed = outcome.status == SaveOutcome::Status::RemovedOnDisk;
  if (removed || outcome.status == SaveOutcome::Status::ChangedOnDisk) {
    switch (dialogs.AskAboutDiskChange(parent, PathText(path),
                                       removed ? DiskChange::Removed : DiskChange::Changed)) {
      case DiskChangeAnswer::Reload:
        return SaveEnd::Reload;
      case DiskChangeAnswer::Cancel:
        return SaveEnd::NotWritten;
      case DiskChangeAnswer::Overwrite:
        outcome = save(SaveMode::Overwrite);
        break;
    }
  }
  if (tellSuccess || !outcome.saved() || !outcome.historyWarning.empty()) {
    dialogs.Message(parent, OutcomeMessage(outcome));
  }
  return outcome.saved() ? SaveEnd::Written : SaveEnd::NotWritten;
}

}  // namespace vorlane::ui
