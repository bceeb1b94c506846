// The floor for the whole-process figures: a Qt Widgets program that shows one empty window and
// nothing else. The benchmark passes the main window's size in pixels, and for a second floor a
// line of text to show, which costs the program its font set-up:
//   bare_qt_window WIDTH HEIGHT [TEXT]
#include <QApplication>
#include <QLabel>
#include <QStringList>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  QWidget window;
  window.setFixedSize(args.value(1).toInt(), args.value(2).toInt());
  if (args.size() > 3) new QLabel(args.at(3), &window);
  window.show();
  return QApplication::exec();
}
