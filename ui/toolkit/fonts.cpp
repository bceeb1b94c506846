#include "ui/toolkit/fonts.h"

#include <QStringList>

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

}  // namespace vorlane::ui
