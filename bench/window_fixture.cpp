#include "bench/window_fixture.h"

#include <QFile>

#include <algorithm>

#include "bench/bench_common.h"
#include "image/layout.h"
#include "ui/toolkit/controls.h"

namespace vorlane::bench {

namespace {

constexpr int kMaxEventRounds = 10'000;

struct MainWindowShape {
  QSize size;
  std::vector<ShownFace> faces;
};

const MainWindowShape& Shape() {
  static const MainWindowShape shape = [] {
    Module1 model;
    BenchDialogs dialogs;
    const ui::Form1 window(model, dialogs);
    MainWindowShape s{window.size(), {}};
    for (const QWidget* control : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (control->isHidden() || control->isWindow()) continue;
      const QString font = control->font().toString();
      const QString caption = ui::CaptionOf(control);
      auto face = std::find_if(s.faces.begin(), s.faces.end(),
                               [&](const ShownFace& f) { return f.font == font; });
      if (face == s.faces.end()) {
        s.faces.push_back({font, caption});
      } else if (!caption.isEmpty()) {
        if (!face->captions.isEmpty()) face->captions += u' ';
        face->captions += caption;
      }
    }
    return s;
  }();
  return shape;
}

}  // namespace

QSize MainWindowSize() { return Shape().size; }

const std::vector<ShownFace>& MainWindowFaces() { return Shape().faces; }

PaintWatch::PaintWatch(std::function<bool(QObject*)> match) : match_(std::move(match)) {
  QCoreApplication::instance()->installEventFilter(this);
}

PaintWatch::~PaintWatch() { QCoreApplication::instance()->removeEventFilter(this); }

bool PaintWatch::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && match_(watched)) painted_ = true;
  return false;
}

bool PaintWatch::Wait() const {
  for (int i = 0; i < kMaxEventRounds && !painted_; ++i) QCoreApplication::processEvents();
  return painted_;
}

void Drain() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

LoadedWindow::LoadedWindow(benchmark::State& state) : path(FolderPath("device.bin")) {
  WriteFile(path, BenchImage());
  PaintWatch shown([this](QObject* o) { return o == &window; });
  window.show();
  shown.Wait();
  dialogs.answer = QFile::decodeName(QByteArray::fromStdString(path));
  window.Load();
  Drain();
  if (model.ConfigImage.size() != kMinImageSize || !dialogs.messages.isEmpty()) {
    state.SkipWithError("the benchmark image did not load cleanly");
  }
}

ui::Form2* LoadedWindow::OpenStepList(int prog) {
  PaintWatch shown(IsA<ui::Form2>);
  window.OpenStepList(prog);
  shown.Wait();
  return window.StepList();
}

}  // namespace vorlane::bench
