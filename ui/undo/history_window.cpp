#include "ui/undo/history_window.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QUndoView>
#include <QVBoxLayout>

#include "history/summary.h"
#include "ui/toolkit/controls.h"
#include "ui/toolkit/texts.h"
#include "ui/undo/image_edits.h"

namespace vorlane::ui {

namespace {

QString TimeText(std::int64_t ns) {
  return QDateTime::fromMSecsSinceEpoch(ns / 1000000)
      .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

HistoryWindow::HistoryWindow(ImageEdits& edits, const Module1& state, QWidget* parent)
    : QWidget(parent, Qt::Window), edits_(edits), state_(state) {
  setObjectName(QStringLiteral("History"));
  setWindowTitle(QStringLiteral("History"));
  auto* stepsLabel = new QLabel(QStringLiteral("&Steps of this session:"), this);
  steps_ = new QUndoView(&edits.Stack(), this);
  steps_->setObjectName(QStringLiteral("Steps"));
  steps_->setEmptyLabel(QStringLiteral("<as loaded>"));
  steps_->setAccessibleName(QStringLiteral("Steps of this session"));
  stepsLabel->setBuddy(steps_);
  auto* versionsLabel = new QLabel(QStringLiteral("Saved &versions:"), this);
  versions_ = new QTreeWidget(this);
  versions_->setObjectName(QStringLiteral("Versions"));
  versions_->setAccessibleName(QStringLiteral("Saved versions"));
  versions_->setHeaderLabels(
      {QStringLiteral("Time"), QStringLiteral("Program"), QStringLiteral("What")});
  versions_->setRootIsDecorated(false);
  versions_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  versionsLabel->setBuddy(versions_);
  skipped_ = new QLabel(this);
  skipped_->setObjectName(QStringLiteral("Skipped"));
  skipped_->setWordWrap(true);
  restore_ = new QPushButton(QStringLiteral("Restore"), this);
  restore_->setObjectName(QStringLiteral("Restore"));
  restore_->setToolTip(QStringLiteral("Write the chosen version back to the file"));
  close_ = new QPushButton(QStringLiteral("Close"), this);
  close_->setObjectName(QStringLiteral("Close"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(restore_);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  for (QWidget* w : {static_cast<QWidget*>(stepsLabel), static_cast<QWidget*>(steps_),
                     static_cast<QWidget*>(versionsLabel), static_cast<QWidget*>(versions_),
                     static_cast<QWidget*>(skipped_)}) {
    layout->addWidget(w);
  }
  layout->addLayout(buttons);
  setTabOrder(steps_, versions_);
  setTabOrder(versions_, restore_);
  setTabOrder(restore_, close_);
  resize(560, 480);

  connect(restore_, &QPushButton::clicked, this, &HistoryWindow::RestoreChosen);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  connect(versions_, &QTreeWidget::itemActivated, this, &HistoryWindow::RestoreChosen);
  connect(versions_, &QTreeWidget::currentItemChanged, this,
          [this] { restore_->setEnabled(versions_->currentItem() != nullptr); });
  connect(&edits, &ImageEdits::Changed, this, &HistoryWindow::ShowVersions);
  ShowVersions();
  MarkFocus(this);
}

void HistoryWindow::ShowVersions() {
  std::vector<std::string> warnings;  // a torn or foreign file is left out, and named here
  entries_ = HasChosenFile(state_) ? history::Store().List(state_.FileName, warnings)
                                   : std::vector<history::Entry>{};
  const auto skipped = static_cast<int>(warnings.size());
  skipped_->setText(skipped == 1 ? QStringLiteral("1 saved version could not be read and is not "
                                                  "listed.")
                                 : QStringLiteral("%1 saved versions could not be read and are "
                                                  "not listed.")
                                       .arg(skipped));
  QStringList named;
  for (const std::string& warning : warnings) named.append(QString::fromStdString(warning));
  skipped_->setToolTip(named.join(u'\n'));
  skipped_->setVisible(skipped > 0);
  versions_->clear();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const history::Entry& e = entries_[i];
    const ImageBytes& after = i == 0 ? state_.ConfigImage : entries_[i - 1].bytes;
    auto* item = new QTreeWidgetItem(
        versions_,
        {TimeText(e.timeNs), QString::fromStdString(e.program), QString::fromStdString(e.words)});
    item->setToolTip(2, QStringLiteral("Changed: %1")
                            .arg(QString::fromStdString(history::ChangedParts(e.bytes, after))));
  }
  if (!entries_.empty()) versions_->setCurrentItem(versions_->topLevelItem(0));
  restore_->setEnabled(!entries_.empty());
}

void HistoryWindow::RestoreChosen() {
  const int row = versions_->indexOfTopLevelItem(versions_->currentItem());
  if (row < 0 || static_cast<std::size_t>(row) >= entries_.size()) return;
  const history::Entry chosen = entries_[static_cast<std::size_t>(row)];
  edits_.Commit(QStringLiteral("Restore the version of %1").arg(TimeText(chosen.timeNs)),
                chosen.bytes);
}

void HistoryWindow::keyPressEvent(QKeyEvent* event) {
  if (CloseOnEscape(this, event)) return;
  QWidget::keyPressEvent(event);
}

}  // namespace vorlane::ui
