#include "ui/toolkit/key_repeat.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>

namespace vorlane::ui {

namespace {

// The last key released without the repeat flag, and when.
struct Release {
  int key = 0;
  quint32 scanCode = 0;
  quint64 time = 0;
};
Release lastRelease;

class RepeatFlagger final : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease &&
        type != QEvent::ShortcutOverride) {
      return false;
    }
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (type == QEvent::KeyRelease) {
      if (!key.isAutoRepeat()) lastRelease = {key.key(), key.nativeScanCode(), key.timestamp()};
      return false;
    }
    if (key.isAutoRepeat() || !IsKeyRepeat(key)) return false;
    if (type == QEvent::ShortcutOverride) {
      event->accept();  // the key goes to the widget, as a repeat, rather than to a shortcut
      return true;
    }
    QKeyEvent flagged(type, key.key(), key.modifiers(), key.nativeScanCode(),
                      key.nativeVirtualKey(), key.nativeModifiers(), key.text(), true, key.count());
    flagged.setTimestamp(key.timestamp());
    QCoreApplication::sendEvent(watched, &flagged);
    return true;
  }
};

}  // namespace

bool IsKeyRepeat(const QKeyEvent& press) {
  if (press.isAutoRepeat()) return true;
  // Events made by a program (tests, input methods) may carry no time at all.
  return press.timestamp() != 0 && press.timestamp() == lastRelease.time &&
         press.key() == lastRelease.key && press.nativeScanCode() == lastRelease.scanCode;
}

void WatchKeyRepeats() {
  static QPointer<RepeatFlagger> flagger;
  if (flagger != nullptr || QCoreApplication::instance() == nullptr) return;
  flagger = new RepeatFlagger;
  flagger->setParent(QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(flagger);
}

}  // namespace vorlane::ui
