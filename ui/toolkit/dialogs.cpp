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

std::optional<QString> QtDialogs::OpenFile(QWidget* parent, std::string_view filter,
                                           const QString& startPath) {
  // Qt's own dialog behaves the same on every desktop, and under a bare X server.
  const QString path =
      QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), startPath, QtFileFilter(filter),
                                   nullptr, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return std::nullopt;
  return path;
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

Dialogs::UnsavedKeys QtDialogs::AskAboutUnsavedKeys(QWidget* parent) {
  QMessageBox box(QMessageBox::Question, QtText(kAppTitle),
                  QStringLiteral("The key choices differ from the file. Save them before closing?"),
                  QMessageBox::NoButton, parent);
  const QPushButton* save = box.addButton(QStringLiteral("Save"), QMessageBox::AcceptRole);
  const QPushButton* discard =
      box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
  // Enter, Escape and the frame's close keep the window open and lose nothing.
  box.setDefaultButton(cancel);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save) return UnsavedKeys::Save;
  if (box.clickedButton() == discard) return UnsavedKeys::Discard;
  return UnsavedKeys::Cancel;
}

}  // namespace vorlane::ui
