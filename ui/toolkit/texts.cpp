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

}  // namespace vorlane::ui
