// The windows' one way to write a whole new image: the change check and its question, the
// write, and word to every window that the image changed. A small stand-in: it keeps no undo
// step yet.
#pragma once

#include <QObject>
#include <QString>

#include "image/module1.h"
#include "ui/toolkit/dialogs.h"

class QWidget;

namespace vorlane::ui {

class ImageEdits : public QObject {
  Q_OBJECT
 public:
  ImageEdits(Module1& state, Dialogs& dialogs, QWidget* parent);

  // Writes `after` as the whole image; `words` names the change. False when nothing was written
  // (the user said Cancel or Reload, or the write failed, which the user was told).
  bool Commit(const QString& words, const ImageBytes& after, bool tellSuccess = true);

 signals:
  // ConfigImage changed: the windows show it anew.
  void Changed();
  // The user chose to read the file again rather than write over another program's change.
  void ReloadAsked();

 private:
  Module1& state_;
  Dialogs& dialogs_;
  QWidget* parent_;
};

}  // namespace vorlane::ui
