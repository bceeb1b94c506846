#include "ui/macro_editor/save_message.h"

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
      return file + QStringLiteral(" was changed by another program since it was loaded.");
    case SaveOutcome::Status::RemovedOnDisk:
      return file + QStringLiteral(" was removed by another program since it was loaded.");
    case SaveOutcome::Status::WriteFailed:
      return QString::fromStdString(outcome.file.Message());
    case SaveOutcome::Status::Saved:
      return QtText(kSavedMessage);
  }
  return {};
}

}  // namespace vorlane::ui
