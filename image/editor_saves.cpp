#include "image/editor_saves.h"

#include <functional>
#include <utility>

#include "files/file_lock.h"
#include "files/whole_file.h"
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

// The part both saves share: lock, store, write (looking at the disk right before the file
// changes), and put the image back if the write fails. `store` patches ConfigImage and returns what
// `undo` needs to take it back.
template <class Store, class Undo>
SaveOutcome LockCheckAndWrite(Module1& state, SaveMode mode, Store store, Undo undo) {
  const FileLock lock = FileLock::Take(state.FileName);
  if (!lock.result().ok()) return Outcome(SaveOutcome::Status::WriteFailed, lock.result());
  std::function<FileResult()> check;
  if (mode == SaveMode::CheckDisk && state.OnDisk.known) {
    check = [&] { return CheckUnchanged(state.FileName, state.OnDisk); };
  }
  const auto before = store();
  FileStamp written;
  FileResult result = WriteImageFile(state.FileName, state.ConfigImage, &written, check);
  if (!result.ok()) {
    undo(before);
    const bool removed = result.kind == FileResult::Kind::Removed;
    if (removed || result.kind == FileResult::Kind::Changed) {
      return Outcome(
          removed ? SaveOutcome::Status::RemovedOnDisk : SaveOutcome::Status::ChangedOnDisk,
          std::move(result));
    }
    return Outcome(SaveOutcome::Status::WriteFailed, std::move(result));
  }
  state.OnDisk = std::move(written);
  return Outcome(SaveOutcome::Status::Saved, std::move(result));
}

}  // namespace

SaveOutcome SaveButtons(Module1& state, const ButtonLists& lists, SaveMode mode) {
  if (!HasChosenFile(state)) return Outcome(SaveOutcome::Status::NoFile);
  if (!AllButtonsSet(lists)) return Outcome(SaveOutcome::Status::Incomplete);
  return LockCheckAndWrite(
      state, mode, [&] { return StoreButtonsInImage(lists, state.ConfigImage); },
      [&](const ButtonBytes& before) { WriteButtonBytes(state.ConfigImage, before); });
}

SaveOutcome SaveStep(Module1& state, SaveMode mode) {
  if (!HasChosenFile(state)) return Outcome(SaveOutcome::Status::NoFile);
  return LockCheckAndWrite(
      state, mode, [&] { return StoreStep(state); },
      [&](const MacroStep& before) {
        PutStep(state.ConfigImage, state.ProgIndex, state.ItemNum, before);
      });
}

FileResult LoadImageFile(Module1& state, const std::string& path) {
  return ReadImageFile(path, state.ConfigImage, &state.OnDisk);
}

}  // namespace vorlane
