// The editor's two saves, "Save" and "Save Set", with their checks in the order the user meets
// them, and the load they pair with; the windows word the outcome. A save that does not write
// leaves ConfigImage exactly as it was, so the image in memory always equals the file as last
// read or written.
#pragma once

#include <string>

#include "files/file_result.h"
#include "image/button_rules.h"
#include "image/commit.h"
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
  FileResult file;             // names the file; the reason for WriteFailed
  std::string historyWarning;  // Saved, but the bytes it replaced could not be kept

  bool saved() const { return status == Status::Saved; }
};

// The program name the editor's history entries carry.
inline constexpr const char* kEditorProgram = "vorlane";

// Writes `after` as the whole image through CommitIfUnchanged (CheckDisk: against OnDisk); on
// success ConfigImage is `after` and OnDisk the file as written. Every editor write ends here.
SaveOutcome SaveImage(Module1& state, const ImageBytes& after, const std::string& words,
                      WriteHistory& history, SaveMode mode = SaveMode::CheckDisk);

// The image "Save" writes: ConfigImage with the eight button bytes of the lists; none when no
// file is chosen (NoFile) or a list is empty (Incomplete), the checks in that order.
SaveOutcome ImageWithButtons(const Module1& state, const ButtonLists& lists, ImageBytes& after);

// The image "Save Set" writes: ConfigImage with StepBuffer at the step being edited.
SaveOutcome ImageWithStep(const Module1& state, ImageBytes& after);

// The words of a Save Set in the history: "Save Set Prog3 step 12".
std::string SaveStepWords(const Module1& state);

// "Save": ImageWithButtons, then SaveImage.
SaveOutcome SaveButtons(Module1& state, const ButtonLists& lists,
                        SaveMode mode = SaveMode::CheckDisk, WriteHistory& history = NoHistory());

// "Save Set": ImageWithStep, then SaveImage. The caller refreshes the step list and ProgSteps on
// success.
SaveOutcome SaveStep(Module1& state, SaveMode mode = SaveMode::CheckDisk,
                     WriteHistory& history = NoHistory());

// Reads the image at `path` into ConfigImage and remembers it in OnDisk; leaves FileName to the
// caller. A failure changes nothing.
FileResult LoadImageFile(Module1& state, const std::string& path);

}  // namespace vorlane
