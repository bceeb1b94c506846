#include "ui/toolkit/placement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

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

}  // namespace

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
  const QRect anchorFrame = anchor->frameGeometry();
  const QSize frame = window->size() + (anchorFrame.size() - anchor->size());
  window->move(place(anchorFrame, frame, anchor->screen()->availableGeometry()));
}

}  // namespace vorlane::ui
