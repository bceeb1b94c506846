// Vorlane: the settings editor for the eight-key device's image file.
#include <QApplication>

#include "app/window_icon.h"
#include "files/whole_file.h"
#include "image/module1.h"
#include "ui/main/form1.h"
#include "ui/toolkit/dialogs.h"
#include "ui/toolkit/placement.h"
#include "ui/toolkit/platform.h"

int main(int argc, char** argv) {
  vorlane::CleanUpSavesOnSignals();
  vorlane::ui::ChoosePlatform(argc, argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vorlane"));
  QApplication::setApplicationVersion(QStringLiteral(VORLANE_VERSION));
  // Lets a Wayland compositor match the windows to the desktop entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(VORLANE_APP_ID));
  QApplication::setWindowIcon(vorlane::WindowIcon());
  vorlane::Module1 state;
  vorlane::ui::QtDialogs dialogs;
  vorlane::ui::Form1 window(state, dialogs);
  vorlane::ui::FitToScreen(&window);
  window.show();
  return QApplication::exec();
}
