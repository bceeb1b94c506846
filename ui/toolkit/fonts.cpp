#include "ui/toolkit/fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include <algorithm>

namespace vorlane::ui {

namespace {

// The installed families of `families`, in its order. When a font's first family is not
// installed, Qt asks fontconfig for that family's fallbacks (a sort of every installed face, 2.4 M
// instructions a family) before it tries the next family of the list, and then takes that next
// family all the same; and a font with more than one family has the fallbacks of the face found
// sorted as soon as the face is loaded, where one family alone has them sorted when a character
// first needs them. So the installed families give the same face with neither sort at start. The
// families left out stood in the fallbacks only as stand-ins that fontconfig picks for them,
// before its own list for the face. With no family installed the whole list stays, for fontconfig
// to choose from.
QStringList InstalledOnly(const QStringList& families) {
  QStringList installed = QFontDatabase::families();
  // A family with faces from several foundries is listed as "Family [Foundry]".
  for (QString& name : installed) {
    const qsizetype foundry = name.indexOf(QStringLiteral(" ["));
    if (foundry > 0) name.truncate(foundry);
  }
  QStringList kept;
  for (const QString& family : families) {
    if (installed.contains(family, Qt::CaseInsensitive)) kept.append(family);
  }
  return kept.isEmpty() ? families : kept;
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
  font.setFamilies(InstalledOnly(FaceFamilies(face)));
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
