#include "image/commands.h"

#include "image/macro_slots.h"

namespace vorlane {

namespace {

SaveOutcome Outcome(SaveOutcome::Status status, FileResult file = {}) {
  SaveOutcome o;
  o.status = status;
  o.file = std::move(file);
  return o;
}

}  // namespace

SaveOutcome SaveButtons(Module1& state, const ButtonLists& lists) {
  if (!HasChosenFile(state)) return Outcome(SaveOutcome::Status::NoFile);
  if (!AllButtonsSet(lists)) return Outcome(SaveOutcome::Status::Incomplete);
  const ButtonBytes before = StoreButtonsInImage(lists, state.ConfigImage);
  FileResult written = WriteImageFile(state, state.FileName);
  if (!written.ok()) {
    WriteButtonBytes(state.ConfigImage, before);
    return Outcome(SaveOutcome::Status::WriteFailed, std::move(written));
  }
  return Outcome(SaveOutcome::Status::Saved, std::move(written));
}

SaveOutcome SaveStep(Module1& state) {
  if (!HasChosenFile(state)) return Outcome(SaveOutcome::Status::NoFile);
  const MacroStep before = StoreStep(state);
  FileResult written = WriteImageFile(state, state.FileName);
  if (!written.ok()) {
    PutStep(state.ConfigImage, state.ProgIndex, state.ItemNum, before);
    return Outcome(SaveOutcome::Status::WriteFailed, std::move(written));
  }
  return Outcome(SaveOutcome::Status::Saved, std::move(written));
}

}  // namespace vorlane
