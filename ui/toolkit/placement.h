// Where the step list and the editor go on the screen. They stand beside or over the main window,
// but never off the screen the main window is on: a list cut off at the right edge hid its own
// scroll bar on common laptop screens. Rectangles are window frames in screen coordinates.
#pragma once

#include <QMargins>
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

// The factor by which a window of client size `client` in a frame with `margins` must shrink to
// fit `available`: 1 when it fits, never more, so that no window grows beyond its size at the
// screen's DPI.
double FitScale(const QSize& client, const QMargins& margins, const QRect& available);

// Shrinks `window` (scale < 1) as one picture: its size, its controls' places and its fonts, the
// window's own and those set on a control.
void ScaleWindow(QWidget* window, double scale);

// Fits `window` (not yet shown) to the available area of its screen, its frame estimated as
// `frameLike`'s or, without one, as a common title bar and border; once it is shown and its real
// frame is known, shrinks it further if that frame does not fit, and moves the frame inside.
void FitToScreen(QWidget* window, const QWidget* frameLike = nullptr);

// Fits `window` (not yet shown) to the screen `anchor` is on and moves it to the place `place`
// gives it beside or over `anchor`, on that screen's available area. A window not yet shown has
// no frame yet; it is placed as if its frame were like the anchor's, then kept inside once its
// own is known.
void PlaceNextTo(QWidget* window, const QWidget* anchor,
                 QPoint (*place)(const QRect&, const QSize&, const QRect&));

}  // namespace vorlane::ui
