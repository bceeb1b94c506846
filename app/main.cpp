// Vorlane: the settings editor for the eight-key device's image file.
#include <QApplication>

#include "image/module1.h"
#include "ui/main/form1.h"
#include "ui/toolkit/dialogs.h"
#include "ui/toolkit/platform.h"

int main(int argc, char** argv) {
  vorlane::ui::ChoosePlatform(argc, argv);
  QApplication app(argc, argv);
  vorlane::Module1 state;
  vorlane::ui::QtDialogs dialogs;
  vorlane::ui::Form1 window(state, dialogs);
  window.show();
  return QApplication::exec();
}
