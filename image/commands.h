// The two commands that write the image file, "Save" and "Save Set", with their checks in the
// order the user meets them; the windows word the outcome. A failed write puts ConfigImage back,
// so the image in memory always equals the file as last read or written.
#pragma once

#include "image/button_rules.h"
#include "image/image_file.h"
#include "image/module1.h"

namespace vorlane {

struct SaveOutcome {
  enum class Status { NoFile, Incomplete, WriteFailed, Saved };
  Status status = Status::Saved;
  FileResult file;  // the write's result, for WriteFailed

  bool saved() const { return status == Status::Saved; }
};

// "Save": the file test, the completeness test, then the eight button bytes go into ConfigImage
// and the whole image is written.
SaveOutcome SaveButtons(Module1& state, const ButtonLists& lists);

// "Save Set": the file test, then StepBuffer goes into ConfigImage at the step being edited and
// the whole image is written. The caller refreshes the step list and ProgSteps on success.
SaveOutcome SaveStep(Module1& state);

}  // namespace vorlane
