#include "ui/toolkit/fonts.h"

#include <QStringList>

#include <algorithm>

namespace vorlane::ui {

QFont UiFont(Face face, double pointSize, bool bold) {
  QFont font;
  if (face == Face::Sans) {
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
  } else {
    font.setFamilies({QStringLiteral("新細明體"), QStringLiteral("PMingLiU"),
                      QStringLiteral("AR PL UMing TW"), QStringLiteral("AR PL UMing CN"),
                      QStringLiteral("Noto Serif CJK TC"), QStringLiteral("DejaVu Serif")});
    font.setStyleHint(QFont::Serif);
  }
  font.setPointSizeF(pointSize);
  font.setBold(bold);
  return font;
}

QFont ScaledFont(QFont font, double scale) {
  if (font.pointSizeF() > 0) {
    font.setPointSizeF(font.pointSizeF() * scale);
  } else {
    font.setPixelSize(std::max(1, static_cast<int>(font.pixelSize() * scale + 0.5)));
  }
  return font;
}

}  // namespace vorlane::ui
