// Where the step list and the editor go on the screen. They stand beside or over the main window,
// but never off the screen the main window is on: a list cut off at the right edge hid its own
// scroll bar on common laptop screens. Rectangles are window frames in screen coordinates.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace vorlane::ui {

// Against the right edge of `anchor` when it fits on `available`; otherwise against its left edge
// if it fits there, else as far right as `available` allows. The top is the anchor's, moved up
// or down only as far as needed to stay on `available`.
QPoint PlaceBeside(const QRect& anchor, const QSize& frame, const QRect& available);

// Over `anchor`, top-left on top-left, moved only as far as needed to stay on `available`.
QPoint PlaceOver(const QRect& anchor, const QSize& frame, const QRect& available);

// Moves `window` (not yet shown) to the place `place` gives it beside or over `anchor`, on the
// available area of the anchor's screen. A window not yet shown has no frame yet; it will get
// one like the anchor's.
void PlaceNextTo(QWidget* window, const QWidget* anchor,
                 QPoint (*place)(const QRect&, const QSize&, const QRect&));

}  // namespace vorlane::ui
