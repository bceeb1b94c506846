// The step list's operations over the 100 steps of one macro: delete, insert, duplicate, move,
// clear, set delay and the two pastes. Each takes the steps as they are and the selection, and
// gives the steps after it, where the selection goes and where every old step went, or the reason
// it writes nothing. Nothing here reads or writes a file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "image/image_bytes.h"

namespace vorlane {

using StepRows = std::array<MacroStep, StepsPerProg>;

StepRows RowsOfBlock(const ProgBlock& block);
// `image` with macro `prog` replaced by `rows`.
ImageBytes WithRows(const ImageBytes& image, int prog, const StepRows& rows);

enum class StepOp {
  Delete,
  Insert,
  Duplicate,
  MoveUp,
  MoveDown,
  Clear,
  SetDelay,
  Paste,
  PasteBefore
};

struct StepEdit {
  StepOp op = StepOp::Clear;
  std::vector<int> selection;    // step indices 0..99, ascending, never empty
  int focus = 0;                 // the focused step: where Insert and the pastes act
  std::vector<MacroStep> steps;  // what Paste and Paste before put in
  std::uint8_t delay = 0;        // Set delay, in tenths of a second
};

struct StepEditResult {
  enum class Status {
    Done,
    AtEdge,     // a move with the selection already at the first or last step: nothing to do
    NoRoom,     // a step that is not zero would be pushed past step 100
    DoesNotFit  // a Paste longer than the steps from the focused one to the end
  };
  Status status = Status::Done;
  StepRows rows{};
  std::vector<int> selection;  // the steps moved or made, ascending
  int focus = 0;
  std::array<int, StepsPerProg> moved{};  // old index -> new index, -1 when it is gone
  int blockingStep = -1;                  // NoRoom: the step that is not zero (0-based)

  bool done() const { return status == Status::Done; }
};

StepEditResult ApplyStepEdit(const StepRows& rows, const StepEdit& edit);

// "steps 4-6", "step 4", "steps 4, 7, 9-12" (1-based) for an undo step's name.
std::string StepRangeText(const std::vector<int>& selection);

}  // namespace vorlane
