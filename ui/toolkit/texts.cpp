#include "ui/toolkit/texts.h"

#include "image/button_rules.h"

namespace vorlane::ui {

QString OutcomeMessage(const SaveOutcome& outcome) {
  switch (outcome.status) {
    case SaveOutcome::Status::NoFile:
      return QtText(kNoFileMessage);
    case SaveOutcome::Status::Incomplete:
      return QtText(kIncompleteMessage);
    case SaveOutcome::Status::WriteFailed:
      return QString::fromStdString(outcome.file.Message());
    case SaveOutcome::Status::Saved:
      return QtText(kSavedMessage);
  }
  return {};
}

QString DiskChangeText(const QString& path, DiskChange change) {
  if (change == DiskChange::Removed) {
    return QStringLiteral(
               "%1 was removed by another program since it was loaded.\n\n"
               "Reload: try to read it again.\n"
               "Overwrite: save it again under that name.")
        .arg(path);
  }
  return QStringLiteral(
             "%1 was changed by another program since it was loaded.\n\n"
             "Reload: read it again; unsaved choices in the lists are dropped.\n"
             "Overwrite: save over the other program's change.")
      .arg(path);
}

}  // namespace vorlane::ui
