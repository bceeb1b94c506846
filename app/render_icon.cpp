// Renders the editor's scalable icon, at build time, into the sizes given, the way Qt's SVG icon
// engine draws it for a window, and writes the pixels as a C++ source (window_icon.h): the editor
// sets its window icon without loading the SVG module, or an image reader, at start.
//   vorlane_render_icon -platform offscreen DRAWING.svg OUTPUT.cpp SIZE...
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 4) {
    std::fputs("usage: vorlane_render_icon DRAWING.svg OUTPUT.cpp SIZE...\n", stderr);
    return 2;
  }
  const QIcon drawing(args.at(1));
  QFile file(args.at(2));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
  QTextStream out(&file);
  out << "// Made by app/render_icon.cpp from " << args.at(1).section(u'/', -1)
      << " at build time.\n#include \"app/window_icon.h\"\n\nnamespace vorlane {\nnamespace {\n";
  QStringList sizes;
  for (qsizetype i = 3; i < args.size(); ++i) {
    const int size = args.at(i).toInt();
    const QImage image = drawing.pixmap(QSize(size, size))
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.size() != QSize(size, size)) {
      std::fprintf(stderr, "could not render the icon at %d px\n", size);
      return 1;
    }
    out << "const std::uint32_t kPixels" << size << "[] = {";
    for (int y = 0; y < size; ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < size; ++x)
        out << (x % 8 == 0 ? "\n" : " ") << "0x" << Qt::hex << line[x] << Qt::dec << "u,";
    }
    out << "};\n";
    sizes << QStringLiteral("{%1, kPixels%1}").arg(size);
  }
  out << "}  // namespace\n\nconst std::vector<WindowIconSize> kWindowIconSizes{"
      << sizes.join(", ") << "};\n\n}  // namespace vorlane\n";
  return out.status() == QTextStream::Ok && file.flush() ? 0 : 1;
}
