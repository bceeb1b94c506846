#include "ui/toolkit/placement.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include "ui/toolkit/fonts.h"

namespace vorlane::ui {

namespace {

// `start` moved as little as needed so that [start, start + length) lies in [low, high); a
// window longer than the range starts at `low`, so its title bar stays in reach.
int Within(int start, int length, int low, int high) {
  return std::max(low, std::min(start, high - length));
}

bool Fits(int start, int length, int low, int high) {
  return start >= low && start + length <= high;
}

// A title bar and thin borders, for a window whose frame is not known yet and that has no other
// window's to go by; the real frame corrects it once shown.
constexpr QMargins kFrameGuess{4, 30, 4, 4};

QMargins FrameMargins(const QWidget* window) {
  const QRect frame = window->frameGeometry();
  const QRect client = window->geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

bool FrameKnown(const QWidget* window) { return window->frameGeometry() != window->geometry(); }

// Waits, on the window's own events, until the window manager has framed `window`, then shrinks
// it if the real frame does not fit and moves that frame onto the available area, once: a window
// the user moves afterwards stays where the user put it.
class KeepInside final : public QObject {
 public:
  explicit KeepInside(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (watched == window_ && window_->isVisible() && FrameKnown(window_) &&
        (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Paint ||
         type == QEvent::WindowActivate)) {
      window_->removeEventFilter(this);
      // After the event: a window is not resized or moved from inside its own paint.
      QMetaObject::invokeMethod(
          this,
          [this] {
            Correct();
            deleteLater();
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  void Correct() {
    const QRect available = window_->screen()->availableGeometry();
    const double scale = FitScale(window_->size(), FrameMargins(window_), available);
    if (scale < 1) ScaleWindow(window_, scale);
    const QRect frame = window_->frameGeometry();
    const QPoint inside = PlaceOver(frame, frame.size(), available);
    if (inside != frame.topLeft()) window_->move(inside);
  }

  QWidget* window_;
};

int Scaled(int pixels, double scale) { return static_cast<int>(std::lround(pixels * scale)); }

}  // namespace

double FitScale(const QSize& client, const QMargins& margins, const QRect& available) {
  const double width = available.width() - margins.left() - margins.right();
  const double height = available.height() - margins.top() - margins.bottom();
  return std::min(
      {1.0, width / std::max(1, client.width()), height / std::max(1, client.height())});
}

void ScaleWindow(QWidget* window, double scale) {
  // Edges rather than sizes are scaled, so that controls that touched still touch and none that
  // stood apart overlap.
  for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (control->isWindow()) continue;
    const QRect r = control->geometry();
    control->setGeometry(QRect(
        QPoint(Scaled(r.left(), scale), Scaled(r.top(), scale)),
        QPoint(Scaled(r.left() + r.width(), scale) - 1, Scaled(r.top() + r.height(), scale) - 1)));
    if (control->testAttribute(Qt::WA_SetFont)) {
      control->setFont(ScaledFont(control->font(), scale));
    }
  }
  window->setFont(ScaledFont(window->font(), scale));
  window->setFixedSize(Scaled(window->width(), scale), Scaled(window->height(), scale));
}

void FitToScreen(QWidget* window, const QWidget* frameLike) {
  const QMargins margins =
      frameLike != nullptr && FrameKnown(frameLike) ? FrameMargins(frameLike) : kFrameGuess;
  const QScreen* screen = frameLike != nullptr ? frameLike->screen() : window->screen();
  const double scale = FitScale(window->size(), margins, screen->availableGeometry());
  if (scale < 1) ScaleWindow(window, scale);
  new KeepInside(window);
}

QPoint PlaceBeside(const QRect& anchor, const QSize& frame, const QRect& available) {
  const int low = available.left();
  const int high = available.left() + available.width();
  const int top =
      Within(anchor.top(), frame.height(), available.top(), available.top() + available.height());
  const int right = anchor.left() + anchor.width();
  if (Fits(right, frame.width(), low, high)) return {right, top};
  const int left = anchor.left() - frame.width();
  if (Fits(left, frame.width(), low, high)) return {left, top};
  return {Within(right, frame.width(), low, high), top};
}

QPoint PlaceOver(const QRect& anchor, const QSize& frame, const QRect& available) {
  return {
      Within(anchor.left(), frame.width(), available.left(), available.left() + available.width()),
      Within(anchor.top(), frame.height(), available.top(), available.top() + available.height())};
}

void PlaceNextTo(QWidget* window, const QWidget* anchor,
                 QPoint (*place)(const QRect&, const QSize&, const QRect&)) {
  FitToScreen(window, anchor);
  const QRect anchorFrame = anchor->frameGeometry();
  const QSize frame = window->size() + (anchorFrame.size() - anchor->size());
  window->move(place(anchorFrame, frame, anchor->screen()->availableGeometry()));
}

}  // namespace vorlane::ui
