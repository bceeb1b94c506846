#include "ui/step_list/step_list_edits.h"

#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "image/macro_slots.h"
#include "settings/step_notation.h"
#include "ui/toolkit/controls.h"
#include "ui/toolkit/texts.h"
#include "vocabulary/key_tables.h"

namespace vorlane::ui {

StepListEdits::StepListEdits(Form2& list, Module1& state, ImageEdits& edits, Dialogs& dialogs)
    : QObject(&list), list_(list), state_(state), edits_(edits), dialogs_(dialogs) {
  connect(&list, &Form2::ActionAsked, this, &StepListEdits::Run);
}

StepRows StepListEdits::Rows() const {
  StepRows rows{};
  for (int i = 0; i < StepsPerProg; ++i) {
    rows[static_cast<std::size_t>(i)] = GetStep(state_.ConfigImage, state_.ProgIndex, i);
  }
  return rows;
}

QString StepListEdits::ProgName() const {
  return QStringLiteral("Prog%1").arg(state_.ProgIndex + 1);
}

void StepListEdits::Run(ListAction action) {
  if (!HoldsImage(state_.ConfigImage)) return;
  StepEdit edit;
  edit.selection = list_.Selection();
  edit.focus = list_.CurrentRow();
  switch (action) {
    case ListAction::Copy:
      return Copy();
    case ListAction::Cut:
      Copy();
      edit.op = StepOp::Delete;
      return Apply(edit, QStringLiteral("Cut"));
    case ListAction::Paste:
      return Paste(StepOp::Paste, QStringLiteral("Paste"));
    case ListAction::PasteBefore:
      return Paste(StepOp::PasteBefore, QStringLiteral("Paste before"));
    case ListAction::SetDelay:
      return AskDelay();
    case ListAction::Delete:
      edit.op = StepOp::Delete;
      return Apply(edit, QStringLiteral("Delete"));
    case ListAction::Insert:
      edit.op = StepOp::Insert;
      return Apply(edit, QStringLiteral("Insert"));
    case ListAction::Duplicate:
      edit.op = StepOp::Duplicate;
      return Apply(edit, QStringLiteral("Duplicate"));
    case ListAction::MoveUp:
      edit.op = StepOp::MoveUp;
      return Apply(edit, QStringLiteral("Move up"));
    case ListAction::MoveDown:
      edit.op = StepOp::MoveDown;
      return Apply(edit, QStringLiteral("Move down"));
    case ListAction::Clear:
      edit.op = StepOp::Clear;
      return Apply(edit, QStringLiteral("Clear"));
  }
}

void StepListEdits::Copy() {
  const StepRows rows = Rows();
  std::vector<MacroStep> steps;
  for (int i : list_.Selection()) steps.push_back(rows[static_cast<std::size_t>(i)]);
  QGuiApplication::clipboard()->setText(QString::fromStdString(settings::FormatStepLines(steps)));
}

void StepListEdits::Paste(StepOp op, const QString& name) {
  const std::string text = QGuiApplication::clipboard()->text().toStdString();
  settings::ParsedStepLines parsed = settings::ParseStepLines(text);
  if (parsed.error) {
    dialogs_.Message(&list_, QStringLiteral("Line %1, column %2 of the clipboard: %3. Nothing was "
                                            "pasted.")
                                 .arg(parsed.line)
                                 .arg(parsed.column)
                                 .arg(QString::fromStdString(parsed.error->message)));
    return;
  }
  if (parsed.steps.empty()) {
    dialogs_.Message(&list_, QStringLiteral("The clipboard holds no steps; nothing was pasted."));
    return;
  }
  StepEdit edit;
  edit.op = op;
  edit.selection = {list_.CurrentRow()};
  edit.focus = list_.CurrentRow();
  edit.steps = std::move(parsed.steps);
  Apply(std::move(edit), name);
}

void StepListEdits::Apply(StepEdit edit, const QString& name) {
  const StepEditResult result = ApplyStepEdit(Rows(), edit);
  switch (result.status) {
    case StepEditResult::Status::AtEdge:
      return;
    case StepEditResult::Status::NoRoom:
      dialogs_.Message(&list_, QStringLiteral("Step %1 of %2 is not empty; nothing was inserted.")
                                   .arg(result.blockingStep + 1)
                                   .arg(ProgName()));
      return;
    case StepEditResult::Status::DoesNotFit:
      dialogs_.Message(&list_, QStringLiteral("%1 has %2 steps from step %3 to its end, and the "
                                              "clipboard holds %4; nothing was pasted.")
                                   .arg(ProgName())
                                   .arg(StepsPerProg - edit.focus)
                                   .arg(edit.focus + 1)
                                   .arg(edit.steps.size()));
      return;
    case StepEditResult::Status::Done:
      break;
  }
  const ImageBytes after = WithRows(state_.ConfigImage, state_.ProgIndex, result.rows);
  // Pastes name the steps they wrote; the others the steps they were given.
  const bool pasted = edit.op == StepOp::Paste || edit.op == StepOp::PasteBefore;
  const QString words =
      QStringLiteral("%1 %2 %3")
          .arg(name, ProgName(),
               QString::fromStdString(StepRangeText(pasted ? result.selection : edit.selection)));
  if (after != state_.ConfigImage) {
    // The list shows what was done; a message would only stand in the way of the next one.
    emit Writing(true);
    const bool written = edits_.Commit(words, after, Saving::Change, false);
    emit Writing(false);
    if (!written) return;
  }
  list_.Select(result.selection, result.focus);
  emit StepsMoved(result.moved);
}

void StepListEdits::AskDelay() {
  // Window-modal, and answered when it closes, so the list is not held inside a second event loop.
  auto* box = new QDialog(&list_);
  box->setObjectName(QStringLiteral("SetDelay"));
  box->setWindowTitle(QStringLiteral("Set delay"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(box);
  auto* label = new QLabel(QStringLiteral("&Delay of the selected steps:"), box);
  auto* delays = new DropDownList(box);
  delays->setObjectName(QStringLiteral("Delay"));
  for (const ListItem& item : DelayItems()) delays->AddItem(QtText(item.text), item.code);
  const MacroStep current = GetStep(state_.ConfigImage, state_.ProgIndex, list_.CurrentRow());
  delays->SetListIndex(std::max(0, delays->IndexOfData(current[kStepDelayByte])));
  label->setBuddy(delays);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, box);
  layout->addWidget(label);
  layout->addWidget(delays);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, box, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, box, &QDialog::reject);
  StepEdit edit;
  edit.op = StepOp::SetDelay;
  edit.selection = list_.Selection();
  edit.focus = list_.CurrentRow();
  connect(box, &QDialog::accepted, this, [this, delays, edit]() mutable {
    edit.delay = static_cast<std::uint8_t>(delays->ItemData(delays->ListIndex()));
    Apply(edit, QStringLiteral("Set delay %1 of").arg(delays->currentText()));
  });
  box->open();
}

}  // namespace vorlane::ui
