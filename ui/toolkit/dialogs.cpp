#include "ui/toolkit/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "ui/toolkit/texts.h"

namespace vorlane::ui {

void QtDialogs::Message(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QtText(kAppTitle), text, QMessageBox::Ok, parent);
  box.exec();
}

namespace {

// Shows `box` with `first`, `second` and "Cancel", and gives 0 or 1 for the first two, 2 for
// Cancel. Enter, Escape and the frame's close all take Cancel, the answer that loses nothing.
int AskWithCancel(QMessageBox& box, std::string_view first, std::string_view second) {
  const QPushButton* one = box.addButton(QtText(first), QMessageBox::AcceptRole);
  const QPushButton* two = box.addButton(QtText(second), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QtText(kCancelButton), QMessageBox::RejectRole);
  box.setDefaultButton(cancel);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == one) return 0;
  if (box.clickedButton() == two) return 1;
  return 2;
}

}  // namespace

DiskChangeAnswer QtDialogs::AskAboutDiskChange(QWidget* parent, const QString& path,
                                               DiskChange change, const QString& advice) {
  QMessageBox box(QMessageBox::Warning, QtText(kAppTitle),
                  DiskChangeNews(path, change) + QStringLiteral("\n\n") + advice,
                  QMessageBox::NoButton, parent);
  box.setTextFormat(Qt::PlainText);  // a file name is never markup
  switch (AskWithCancel(box, kReloadButton, kOverwriteButton)) {
    case 0:
      return DiskChangeAnswer::Reload;
    case 1:
      return DiskChangeAnswer::Overwrite;
    default:
      return DiskChangeAnswer::Cancel;
  }
}

std::optional<QString> QtDialogs::OpenFile(QWidget* parent, std::string_view filter,
                                           const QString& startPath) {
  // Qt's own dialog behaves the same on every desktop, and under a bare X server.
  const QString path =
      QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), startPath, QtFileFilter(filter),
                                   nullptr, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

QString DiskChangeNews(const QString& path, DiskChange change) {
  return path +
         (change == DiskChange::Removed ? QStringLiteral(" was removed")
                                        : QStringLiteral(" was changed")) +
         QStringLiteral(" by another program since it was loaded.");
}

QString QtFileFilter(std::string_view filter) {
  const QString text = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()));
  const qsizetype bar = text.indexOf(QLatin1Char('|'));
  if (bar < 0) return text.trimmed();
  QString description = text.left(bar).trimmed();
  const QString pattern = text.mid(bar + 1).trimmed();
  if (description.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')'))) return description;
  return description + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

Dialogs::UnsavedKeys QtDialogs::AskAboutUnsavedKeys(QWidget* parent, const QString& question) {
  QMessageBox box(QMessageBox::Question, QtText(kAppTitle), question, QMessageBox::NoButton,
                  parent);
  switch (AskWithCancel(box, kSaveButton, kDiscardButton)) {
    case 0:
      return UnsavedKeys::Save;
    case 1:
      return UnsavedKeys::Discard;
    default:
      return UnsavedKeys::Cancel;
  }
}

}  // namespace vorlane::ui
