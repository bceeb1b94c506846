// Linked into the timed programs next to their unchanged main(): registered to run when the
// application object is constructed, it watches for the first paint of a top-level window. When
// the variable of shown_signal.h is not set it installs nothing, so the program is the product.
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "bench/shown_signal.h"

namespace {

int g_fd = -1;

void Send(std::int64_t value) {
  [[maybe_unused]] const ssize_t written = ::write(g_fd, &value, sizeof value);
}

std::int64_t PeakRssKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(line.find(':') + 1));
  }
  return 0;
}

void SendPeakAtExit() {
  Send(PeakRssKiB());
  ::close(g_fd);
}

class ShownSignal final : public QObject {
 public:
  ShownSignal() : QObject(QCoreApplication::instance()) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
      QCoreApplication::instance()->removeEventFilter(this);
      // Queued, so that the children of the window are painted and flushed first.
      QMetaObject::invokeMethod(this, &ShownSignal::Report, Qt::QueuedConnection);
    }
    return false;
  }

 private:
  void Report() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    Send(std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec);
    QCoreApplication::quit();
  }
};

void InstallShownSignal() {
  const QByteArray fd = qgetenv(vorlane::bench::kShownFdVariable);
  if (fd.isEmpty()) return;
  bool ok = false;
  const int number = fd.toInt(&ok);
  if (!ok || number < 0) return;
  g_fd = number;
  std::atexit(SendPeakAtExit);
  QCoreApplication::instance()->installEventFilter(new ShownSignal());
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallShownSignal)
