// The editor's two saves, "Save" and "Save Set", with their checks in the order the user meets
// them, and the load they pair with; the windows word the outcome. A save that does not write
// leaves ConfigImage exactly as it was, so the image in memory always equals the file as last
// read or written.
#pragma once

#include <string>

#include "files/file_result.h"
#include "image/button_rules.h"
#include "image/module1.h"

namespace vorlane {

// CheckDisk: before writing, make sure the file is still what the editor last read or wrote
// (Module1::OnDisk); Overwrite: write whatever the file holds now (the user said so).
enum class SaveMode { CheckDisk, Overwrite };

struct SaveOutcome {
  enum class Status {
    NoFile,
    Incomplete,
    ChangedOnDisk,  // another program changed or replaced the file since; nothing written
    RemovedOnDisk,  // another program removed the file since; nothing written
    WriteFailed,    // the write failed, or another writer held the file too long
    Saved,
  };
  Status status = Status::Saved;
  FileResult file;  // names the file; the reason for WriteFailed

  bool saved() const { return status == Status::Saved; }
};

// "Save": the file test, the completeness test, then, under the file's lock, the check against
// the disk (CheckDisk), the eight button bytes into ConfigImage and the whole image written.
SaveOutcome SaveButtons(Module1& state, const ButtonLists& lists,
                        SaveMode mode = SaveMode::CheckDisk);

// "Save Set": the file test, then as SaveButtons with StepBuffer stored at the step being edited.
// The caller refreshes the step list and ProgSteps on success.
SaveOutcome SaveStep(Module1& state, SaveMode mode = SaveMode::CheckDisk);

// A whole new image, as the step list's operations make it: as SaveStep with `after` in place of
// ConfigImage, which becomes `after` only when it was written.
SaveOutcome SaveImage(Module1& state, const ImageBytes& after, SaveMode mode = SaveMode::CheckDisk);

// Reads the image at `path` into ConfigImage and remembers it in OnDisk; leaves FileName to the
// caller. A failure changes nothing.
FileResult LoadImageFile(Module1& state, const std::string& path);

}  // namespace vorlane
