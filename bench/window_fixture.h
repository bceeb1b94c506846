// The Qt side of the in-process benchmarks: the message boxes stood in for, waiting until a
// window is painted, and a shown main window with the benchmark image loaded.
#pragma once

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QSize>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/module1.h"
#include "ui/main/form1.h"
#include "ui/step_list/form2.h"
#include "ui/toolkit/dialogs.h"

namespace vorlane::bench {

// The main window's size in pixels, read from a real main window at start; the bare window and
// the bare program take it too.
QSize MainWindowSize();

// A face of the main window and what it draws in it at start: the font as QFont::toString()
// writes it and the captions of the controls in it, joined ("" for controls that show no text).
struct ShownFace {
  QString font;
  QString captions;
};
// The main window's faces, in the order of their first control; the bare program draws them too.
const std::vector<ShownFace>& MainWindowFaces();

// Stands in for the modal boxes: the open dialog picks `answer` (or is cancelled), and every
// message is kept so that a benchmark can tell that its command succeeded.
class BenchDialogs final : public ui::Dialogs {
 public:
  void Message(QWidget* /*parent*/, const QString& text) override { messages.push_back(text); }
  // The benchmarks' saves meet only their own writes, so no question comes; were one to, it
  // writes nothing, and the missing saved message shows.
  ui::DiskChangeAnswer AskAboutDiskChange(QWidget* /*parent*/, const QString& /*path*/,
                                          ui::DiskChange /*change*/,
                                          const QString& /*advice*/) override {
    return ui::DiskChangeAnswer::Cancel;
  }
  std::optional<QString> OpenFile(QWidget* /*parent*/, std::string_view /*filter*/,
                                  const QString& /*startPath*/) override {
    return answer;
  }
  UnsavedKeys AskAboutUnsavedKeys(QWidget* /*parent*/, const QString& /*question*/) override {
    return UnsavedKeys::Discard;
  }

  std::optional<QString> answer;
  QStringList messages;
};

// Watches the whole application for the first paint of a widget that `match` picks, so that it
// sees a window that the measured action itself creates.
class PaintWatch final : public QObject {
 public:
  explicit PaintWatch(std::function<bool(QObject*)> match);
  ~PaintWatch() override;
  PaintWatch(const PaintWatch&) = delete;
  PaintWatch& operator=(const PaintWatch&) = delete;

  bool eventFilter(QObject* watched, QEvent* event) override;

  // Delivers events until the widget has been painted, its children with it; false if it never is.
  bool Wait() const;

 private:
  std::function<bool(QObject*)> match_;
  bool painted_ = false;
};

template <class Window>
bool IsA(QObject* o) {
  return qobject_cast<Window*>(o) != nullptr;
}

// Everything left over from one iteration (closed windows, pending repaints) is done with outside
// the measured time.
void Drain();

// A shown main window with the benchmark image loaded from the scratch folder.
struct LoadedWindow {
  Module1 model;
  BenchDialogs dialogs;
  ui::Form1 window{model, dialogs};
  std::string path;

  explicit LoadedWindow(benchmark::State& state);
  ui::Form2* OpenStepList(int prog);
};

}  // namespace vorlane::bench
