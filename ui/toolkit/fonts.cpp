#include "ui/toolkit/fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include <algorithm>

namespace vorlane::ui {

namespace {

// `families` from its first installed family on. When a font's first family is not installed, Qt
// asks fontconfig for that family's fallbacks (a sort of every installed face, 2.4 M instructions
// a family) before it tries the next family of the list, and then takes that next family all the
// same. Starting at the family Qt would take gives the same face without the sort. With no family
// installed the whole list stays, for fontconfig to choose from.
QStringList FromFirstInstalled(const QStringList& families) {
  QStringList installed = QFontDatabase::families();
  // A family with faces from several foundries is listed as "Family [Foundry]".
  for (QString& name : installed) {
    const qsizetype foundry = name.indexOf(QStringLiteral(" ["));
    if (foundry > 0) name.truncate(foundry);
  }
  for (qsizetype i = 0; i < families.size(); ++i) {
    if (installed.contains(families.at(i), Qt::CaseInsensitive)) return families.mid(i);
  }
  return families;
}

}  // namespace

QStringList FaceFamilies(Face face) {
  if (face == Face::Sans) {
    return {QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
            QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")};
  }
  return {QStringLiteral("新細明體"),          QStringLiteral("PMingLiU"),
          QStringLiteral("AR PL UMing TW"),    QStringLiteral("AR PL UMing CN"),
          QStringLiteral("Noto Serif CJK TC"), QStringLiteral("DejaVu Serif")};
}

QFont UiFont(Face face, double pointSize, bool bold) {
  QFont font;
  font.setFamilies(FromFirstInstalled(FaceFamilies(face)));
  font.setStyleHint(face == Face::Sans ? QFont::SansSerif : QFont::Serif);
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
