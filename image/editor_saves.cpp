#include "image/editor_saves.h"

#include <functional>
#include <utility>

#include "image/image_file.h"
#include "image/macro_slots.h"
#include "image/module1.h"

namespace vorlane {

namespace {

SaveOutcome Outcome(SaveOutcome::Status status, FileResult file = {}) {
  SaveOutcome o;
  o.status = status;
  o.file = std::move(file);
  return o;
}

SaveOutcome::Status StatusOf(CommitOutcome::Status status) {
  switch (status) {
    case CommitOutcome::Status::Written:
      return SaveOutcome::Status::Saved;
    case CommitOutcome::Status::Changed:
      return SaveOutcome::Status::ChangedOnDisk;
    case CommitOutcome::Status::Removed:
      return SaveOutcome::Status::RemovedOnDisk;
    case CommitOutcome::Status::Failed:
      break;
  }
  return SaveOutcome::Status::WriteFailed;
}

}  // namespace

SaveOutcome SaveImage(Module1& state, const ImageBytes& after, const std::string& words,
                      WriteHistory& history, SaveMode mode) {
  if (!HasChosenFile(state)) return Outcome(SaveOutcome::Status::NoFile);
  const FileStamp overwrite;
  const FileStamp& read = mode == SaveMode::CheckDisk ? state.OnDisk : overwrite;
  CommitOutcome commit =
      CommitIfUnchanged(state.FileName, read, after, {kEditorProgram, words}, history);
  SaveOutcome outcome = Outcome(StatusOf(commit.status), std::move(commit.file));
  if (!commit.ok()) return outcome;
  state.ConfigImage = after;
  state.OnDisk = std::move(commit.written);
  outcome.historyWarning = std::move(commit.historyWarning);
  return outcome;
}

SaveOutcome ImageWithButtons(const Module1& state, const ButtonLists& lists, ImageBytes& after) {
  if (!HasChosenFile(state)) return Outcome(SaveOutcome::Status::NoFile);
  if (!AllButtonsSet(lists)) return Outcome(SaveOutcome::Status::Incomplete);
  after = state.ConfigImage;
  StoreButtonsInImage(lists, after);
  return Outcome(SaveOutcome::Status::Saved);
}

SaveOutcome ImageWithStep(const Module1& state, ImageBytes& after) {
  if (!HasChosenFile(state)) return Outcome(SaveOutcome::Status::NoFile);
  after = state.ConfigImage;
  PutStep(after, state.ProgIndex, state.ItemNum, state.StepBuffer);
  return Outcome(SaveOutcome::Status::Saved);
}

std::string SaveStepWords(const Module1& state) {
  return "Save Set Prog" + std::to_string(state.ProgIndex + 1) + " step " +
         std::to_string(state.ItemNum + 1);
}

SaveOutcome SaveButtons(Module1& state, const ButtonLists& lists, SaveMode mode,
                        WriteHistory& history) {
  ImageBytes after;
  const SaveOutcome made = ImageWithButtons(state, lists, after);
  if (!made.saved()) return made;
  return SaveImage(state, after, "Save", history, mode);
}

SaveOutcome SaveStep(Module1& state, SaveMode mode, WriteHistory& history) {
  ImageBytes after;
  const SaveOutcome made = ImageWithStep(state, after);
  if (!made.saved()) return made;
  return SaveImage(state, after, SaveStepWords(state), history, mode);
}

FileResult LoadImageFile(Module1& state, const std::string& path) {
  return ReadImageFile(path, state.ConfigImage, &state.OnDisk);
}

}  // namespace vorlane
