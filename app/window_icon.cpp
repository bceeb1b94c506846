#include "app/window_icon.h"

#include <QImage>
#include <QPixmap>

namespace vorlane {

QIcon WindowIcon() {
  QIcon icon;
  for (const WindowIconSize& s : kWindowIconSizes) {
    const QImage image(reinterpret_cast<const uchar*>(s.pixels), s.size, s.size,
                       QImage::Format_ARGB32_Premultiplied);
    icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

}  // namespace vorlane
