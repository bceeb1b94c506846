#include "ui/saves/save_message.h"

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

QString DiskChangeAdvice(DiskChange change, Saving what) {
  if (what == Saving::Change) {
    return change == DiskChange::Removed
               ? QStringLiteral(
                     "Reload: try to read it again.\n"
                     "Overwrite: save it again under that name, with this change.")
               : QStringLiteral(
                     "Reload: read it again; key choices not yet saved are dropped.\n"
                     "Overwrite: write the whole file as this editor holds it, with this change; "
                     "every change the other program made is replaced.");
  }
  const bool step = what == Saving::Step;
  if (change == DiskChange::Removed) {
    return step ? QStringLiteral(
                      "Reload: try to read it again; the step built here is kept.\n"
                      "Overwrite: save it again under that name, with this step.")
                : QStringLiteral(
                      "Reload: try to read it again.\n"
                      "Overwrite: save it again under that name.");
  }
  // Both saves write the whole file as the editor holds it, so Overwrite undoes the other
  // program's change wherever it made it.
  return step ? QStringLiteral(
                    "Reload: read it again; the step built here is kept (press Save Set again to "
                    "store it), key choices not yet saved in the main window are dropped.\n"
                    "Overwrite: write the whole file as this editor holds it, with this step; "
                    "every change the other program made is replaced, not only this step.")
              : QStringLiteral(
                    "Reload: read it again; key choices not yet saved are dropped.\n"
                    "Overwrite: write the whole file as this editor holds it, with these keys; "
                    "every change the other program made is replaced.");
}

SaveEnd SaveAsking(Dialogs& dialogs, QWidget* parent, const std::string& path, Saving what,
                   const std::function<SaveOutcome(SaveMode)>& save, bool tellSuccess) {
  SaveOutcome outcome = save(SaveMode::CheckDisk);
  const bool removed = outcome.status == SaveOutcome::Status::RemovedOnDisk;
  if (removed || outcome.status == SaveOutcome::Status::ChangedOnDisk) {
    const DiskChange change = removed ? DiskChange::Removed : DiskChange::Changed;
    switch (dialogs.AskAboutDiskChange(parent, PathText(path), change,
                                       DiskChangeAdvice(change, what))) {
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
