// The floor for the whole-process figures: a Qt Widgets program that shows one empty window and
// nothing else. The benchmark passes the main window's size in pixels; for a second floor a line
// of text to show, which costs the program its font set-up; and for a third the main window's
// faces, each a text and the font to draw it in (as QFont::toString() writes it):
//   bare_qt_window WIDTH HEIGHT [TEXT [FONT] [TEXT FONT]...]
#include <QApplication>
#include <QLabel>
#include <QStringList>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  QWidget window;
  window.setFixedSize(args.value(1).toInt(), args.value(2).toInt());
  for (qsizetype i = 3; i < args.size(); i += 2) {
    auto* label = new QLabel(args.at(i), &window);
    label->move(0, static_cast<int>(i - 3) * 20);
    QFont font;
    if (i + 1 < args.size() && font.fromString(args.at(i + 1))) label->setFont(font);
  }
  window.show();
  return QApplication::exec();
}
