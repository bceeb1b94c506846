// Mouse-wheel paging for the step list: each full wheel notch turns one page through the scroll
// bar's value, so the bar's own change handler shows the page.
#pragma once

#include <QObject>

class QScrollBar;

namespace vorlane::ui {

class WheelPager : public QObject {
 public:
  // One notch of a classic wheel; finer wheels and touchpads report fractions of it.
  static constexpr int kNotch = 120;

  // `bar` must outlive the pager; the step list owns both.
  WheelPager(QScrollBar* bar, QObject* parent);

  // Install on every widget the wheel can be over. The pager takes every wheel event it sees,
  // so the scroll bar never turns pages of its own on top of ours.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Turn(int verticalDelta);  // 0 (a horizontal wheel or tilt) does nothing

  QScrollBar* bar_;
  int pending_ = 0;  // delta not yet worth a whole page; its sign is the direction
};

}  // namespace vorlane::ui
