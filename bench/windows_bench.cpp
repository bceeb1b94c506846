// The windows: created and shown, loaded, the step list opened and paged, the editor opened, each
// until painted; next to a bare Qt window of the main window's size.
#include <QScrollBar>
#include <QWheelEvent>

#include <memory>

#include "bench/bench_common.h"
#include "bench/window_fixture.h"
#include "image/layout.h"
#include "ui/macro_editor/keycode.h"
#include "ui/step_list/wheel_pager.h"

namespace vorlane::bench {

namespace {

using ui::Form1;
using ui::Form2;
using ui::keycode;

void BM_BareWindow(benchmark::State& state) {
  for (auto _ : state) {
    std::unique_ptr<QWidget> window;
    bool painted = false;
    state.SetIterationTime(Measure([&] {
      window = std::make_unique<QWidget>();
      window->setFixedSize(MainWindowSize());
      PaintWatch shown([w = window.get()](QObject* o) { return o == w; });
      window->show();
      painted = shown.Wait();
    }));
    window.reset();
    Drain();
    if (!painted) state.SkipWithError("the bare window was never painted");
  }
}

void BM_MainWindowShown(benchmark::State& state) {
  Module1 model;
  BenchDialogs dialogs;
  for (auto _ : state) {
    std::unique_ptr<Form1> window;
    bool painted = false;
    state.SetIterationTime(Measure([&] {
      window = std::make_unique<Form1>(model, dialogs);
      PaintWatch shown([w = window.get()](QObject* o) { return o == w; });
      window->show();
      painted = shown.Wait();
    }));
    window.reset();
    Drain();
    if (!painted) state.SkipWithError("the main window was never painted");
  }
}

// "Load" as the button runs it: the open dialog's answer, the read, the eight lists set through
// the clash rule, the mirrors refreshed. The repaint of the lists follows outside the figure.
void BM_Load(benchmark::State& state) {
  LoadedWindow f(state);
  for (auto _ : state) {
    state.SetIterationTime(Measure([&] { f.window.Load(); }));
    Drain();
  }
  if (!f.dialogs.messages.isEmpty()) state.SkipWithError("Load showed a message");
}

// A click on "Set ProgN" until the new list is painted. The list it replaces is closed beforehand,
// outside the figure.
void BM_OpenStepList(benchmark::State& state) {
  LoadedWindow f(state);
  int prog = 0;
  for (auto _ : state) {
    if (Form2* old = f.window.StepList()) old->close();
    Drain();
    bool painted = false;
    state.SetIterationTime(Measure([&] {
      PaintWatch shown(IsA<Form2>);
      f.window.OpenStepList(prog);
      painted = shown.Wait();
    }));
    if (!painted) state.SkipWithError("the step list was never painted");
    prog = (prog + 1) % kProgCount;
  }
}

// Turns pages back and forth across the whole list with `turn`, each until the first row of the
// new page has been painted.
void PageTurns(benchmark::State& state, const std::function<void(Form2*, int direction)>& turn) {
  LoadedWindow f(state);
  Form2* list = f.OpenStepList(0);
  QScrollBar* bar = list->VScroll1();
  int direction = 1;
  for (auto _ : state) {
    if (bar->value() == bar->maximum()) direction = -1;
    if (bar->value() == bar->minimum()) direction = 1;
    const int page = bar->value() + direction;
    QWidget* firstRow = list->Label2(page * ui::kRowsPerPage);
    bool painted = false;
    state.SetIterationTime(Measure([&] {
      PaintWatch shown([firstRow](QObject* o) { return o == firstRow; });
      turn(list, direction);
      painted = shown.Wait();
    }));
    if (!painted || bar->value() != page) state.SkipWithError("the page did not turn");
  }
}

void BM_PageTurnScrollBar(benchmark::State& state) {
  // What a click on an arrow of the bar does.
  PageTurns(state, [](Form2* list, int direction) {
    list->VScroll1()->triggerAction(direction > 0 ? QAbstractSlider::SliderSingleStepAdd
                                                  : QAbstractSlider::SliderSingleStepSub);
  });
}

void BM_PageTurnWheel(benchmark::State& state) {
  // One notch; toward the user turns forward.
  PageTurns(state, [](Form2* list, int direction) {
    const QPointF at(list->width() / 2.0, list->height() / 2.0);
    QWheelEvent notch(at, list->mapToGlobal(at), QPoint(),
                      QPoint(0, -direction * ui::WheelPager::kNotch), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list, &notch);
  });
}

// A double-click on a row until the editor is painted. The editor it replaces is closed
// beforehand, outside the figure.
void BM_OpenEditor(benchmark::State& state) {
  LoadedWindow f(state);
  f.OpenStepList(0);
  int step = 0;
  for (auto _ : state) {
    if (keycode* old = f.window.Editor()) old->close();
    Drain();
    bool painted = false;
    state.SetIterationTime(Measure([&] {
      PaintWatch shown(IsA<keycode>);
      f.window.OpenEditor(step);
      painted = shown.Wait();
    }));
    if (!painted) state.SkipWithError("the editor was never painted");
    step = (step + 1) % StepsPerProg;
  }
}

}  // namespace

void RegisterWindowBenchmarks(int iterations) {
  Register(kBareWindow, BM_BareWindow, iterations);
  Register(kMainWindow, BM_MainWindowShown, iterations);
  Register(kLoad, BM_Load, iterations);
  Register(kOpenStepList, BM_OpenStepList, iterations);
  Register(kPageTurnBar, BM_PageTurnScrollBar, iterations);
  Register(kPageTurnWheel, BM_PageTurnWheel, iterations);
  Register(kOpenEditor, BM_OpenEditor, iterations);
}

}  // namespace vorlane::bench
