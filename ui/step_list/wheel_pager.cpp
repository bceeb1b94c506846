#include "ui/step_list/wheel_pager.h"

#include <QScrollBar>
#include <QWheelEvent>

namespace vorlane::ui {

WheelPager::WheelPager(QScrollBar* bar, QObject* parent) : QObject(parent), bar_(bar) {}

bool WheelPager::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Wheel) return QObject::eventFilter(watched, event);
  // Only the direction matters: Ctrl, Shift, Alt and mouse buttons held during the turn change
  // nothing. Qt on X11 hands a notch turned with Alt held over as a horizontal one.
  const auto* wheel = static_cast<QWheelEvent*>(event);
  int delta = wheel->angleDelta().y();
  if (delta == 0 && wheel->modifiers().testFlag(Qt::AltModifier)) delta = wheel->angleDelta().x();
  Turn(delta);
  event->accept();
  return true;
}

void WheelPager::Turn(int verticalDelta) {
  if (verticalDelta == 0) return;  // a purely horizontal wheel
  // Turning back the other way drops what was left of the earlier direction.
  if ((pending_ > 0 && verticalDelta < 0) || (pending_ < 0 && verticalDelta > 0)) pending_ = 0;
  pending_ += verticalDelta;
  // Away from the user (positive) goes back a page, toward the user forward. setValue keeps the
  // page within the bar's range, so the first and last pages stay put at the bounds.
  while (pending_ >= kNotch) {
    pending_ -= kNotch;
    bar_->setValue(bar_->value() - 1);
  }
  while (pending_ <= -kNotch) {
    pending_ += kNotch;
    bar_->setValue(bar_->value() + 1);
  }
}

}  // namespace vorlane::ui
