#include "image/step_edits.h"

#include <algorithm>
#include <stdexcept>

#include "image/macro_slots.h"

namespace vorlane {

namespace {

// One row of the list being built: its bytes and the old step it came from (a copy names its
// original; a new step names none).
struct Row {
  MacroStep bytes{};
  int from = -1;
  bool copy = false;
};

bool IsZero(const MacroStep& step) {
  return std::all_of(step.begin(), step.end(), [](std::uint8_t b) { return b == 0; });
}

std::vector<Row> Numbered(const StepRows& rows) {
  std::vector<Row> out;
  out.reserve(rows.size());
  for (int i = 0; i < StepsPerProg; ++i) out.push_back({rows[static_cast<std::size_t>(i)], i});
  return out;
}

std::vector<bool> Marks(const std::vector<int>& selection) {
  std::vector<bool> marks(StepsPerProg, false);
  for (int i : selection) marks.at(static_cast<std::size_t>(i)) = true;
  return marks;
}

// Cuts `list` to 100 rows, zero rows filling the end; a row that is not zero past the end refuses.
StepEditResult Finish(std::vector<Row> list, std::vector<int> selection, int focus) {
  StepEditResult result;
  for (std::size_t i = StepsPerProg; i < list.size(); ++i) {
    if (!IsZero(list[i].bytes)) result.blockingStep = std::max(result.blockingStep, list[i].from);
  }
  if (result.blockingStep >= 0) {
    result.status = StepEditResult::Status::NoRoom;
    return result;
  }
  list.resize(StepsPerProg);
  result.moved.fill(-1);
  for (int i = 0; i < StepsPerProg; ++i) {
    const Row& row = list[static_cast<std::size_t>(i)];
    result.rows[static_cast<std::size_t>(i)] = row.bytes;
    if (row.from >= 0 && !row.copy) result.moved[static_cast<std::size_t>(row.from)] = i;
  }
  std::erase_if(selection, [](int i) { return i >= StepsPerProg; });
  result.selection = std::move(selection);
  result.focus = std::clamp(focus, 0, StepsPerProg - 1);
  return result;
}

std::vector<int> Span(int first, int count) {
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(first + i);
  return out;
}

std::vector<Row> NewRows(const std::vector<MacroStep>& steps) {
  std::vector<Row> out;
  for (const MacroStep& s : steps) out.push_back({s, -1});
  return out;
}

// Each run of selected steps trades places with the step before it (up) or after it (down).
StepEditResult Move(const StepRows& rows, const StepEdit& edit, bool up) {
  const std::vector<bool> marked = Marks(edit.selection);
  if ((up && marked.front()) || (!up && marked.back())) {
    StepEditResult result;
    result.status = StepEditResult::Status::AtEdge;
    return result;
  }
  std::vector<Row> list = Numbered(rows);
  const int step = up ? -1 : 1;
  // Walking against the direction of the move carries the unselected neighbour across each run.
  for (int k = 0; k < StepsPerProg; ++k) {
    const int i = up ? k : StepsPerProg - 1 - k;
    if (marked[static_cast<std::size_t>(i)]) {
      std::swap(list[static_cast<std::size_t>(i)], list[static_cast<std::size_t>(i + step)]);
    }
  }
  std::vector<int> selection;
  for (int i : edit.selection) selection.push_back(i + step);
  return Finish(std::move(list), std::move(selection), edit.focus + step);
}

}  // namespace

StepRows RowsOfBlock(const ProgBlock& block) {
  StepRows rows{};
  for (int i = 0; i < StepsPerProg; ++i) rows[static_cast<std::size_t>(i)] = StepOfProg(block, i);
  return rows;
}

ImageBytes WithRows(const ImageBytes& image, int prog, const StepRows& rows) {
  ImageBytes out = image;
  for (int i = 0; i < StepsPerProg; ++i) PutStep(out, prog, i, rows[static_cast<std::size_t>(i)]);
  return out;
}

StepEditResult ApplyStepEdit(const StepRows& rows, const StepEdit& edit) {
  if (edit.selection.empty() || edit.focus < 0 || edit.focus >= StepsPerProg) {
    throw std::invalid_argument("a step edit needs a selection and a focused step");
  }
  const std::vector<int>& sel = edit.selection;
  std::vector<Row> list = Numbered(rows);
  const auto at = [&](int i) { return list.begin() + i; };
  switch (edit.op) {
    case StepOp::Delete: {
      const std::vector<bool> marked = Marks(sel);
      std::erase_if(list, [&](const Row& r) { return marked[static_cast<std::size_t>(r.from)]; });
      list.resize(StepsPerProg, Row{});
      const int first = std::min(sel.front(), StepsPerProg - 1);
      return Finish(std::move(list), {first}, first);
    }
    case StepOp::Insert:
      list.insert(at(edit.focus), Row{});
      return Finish(std::move(list), {edit.focus}, edit.focus);
    case StepOp::PasteBefore: {
      const std::vector<Row> added = NewRows(edit.steps);
      list.insert(at(edit.focus), added.begin(), added.end());
      const int n = static_cast<int>(added.size());
      return Finish(std::move(list), Span(edit.focus, n), edit.focus);
    }
    case StepOp::Paste: {
      const int n = static_cast<int>(edit.steps.size());
      if (edit.focus + n > StepsPerProg) {
        StepEditResult result;
        result.status = StepEditResult::Status::DoesNotFit;
        return result;
      }
      // Written over in place: an old step stays where it was, with new bytes.
      for (int i = 0; i < n; ++i)
        at(edit.focus + i)->bytes = edit.steps[static_cast<std::size_t>(i)];
      return Finish(std::move(list), Span(edit.focus, n), edit.focus);
    }
    case StepOp::Duplicate: {
      std::vector<Row> copies;
      for (int i : sel) copies.push_back({rows[static_cast<std::size_t>(i)], i, true});
      const int after = sel.back() + 1;
      list.insert(at(after), copies.begin(), copies.end());
      const int n = static_cast<int>(copies.size());
      return Finish(std::move(list), Span(after, n), after);
    }
    case StepOp::MoveUp:
      return Move(rows, edit, true);
    case StepOp::MoveDown:
      return Move(rows, edit, false);
    case StepOp::Clear:
      for (int i : sel) at(i)->bytes = MacroStep{};
      return Finish(std::move(list), sel, edit.focus);
    case StepOp::SetDelay:
      for (int i : sel) at(i)->bytes[kStepDelayByte] = edit.delay;
      return Finish(std::move(list), sel, edit.focus);
  }
  throw std::invalid_argument("unknown step edit");
}

std::string StepRangeText(const std::vector<int>& selection) {
  std::string runs;
  std::size_t k = 0;
  while (k < selection.size()) {
    std::size_t end = k;
    while (end + 1 < selection.size() && selection[end + 1] == selection[end] + 1) ++end;
    if (!runs.empty()) runs += ", ";
    runs += std::to_string(selection[k] + 1);
    if (end > k) runs += "-" + std::to_string(selection[end] + 1);
    k = end + 1;
  }
  return (selection.size() == 1 ? "step " : "steps ") + runs;
}

}  // namespace vorlane
