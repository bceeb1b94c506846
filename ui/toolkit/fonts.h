// The two type faces the windows are drawn in, with fallbacks that exist on Linux desktops.
#pragma once

#include <QFont>

namespace vorlane::ui {

enum class Face {
  Sans,  // "MS Sans Serif"
  Ming,  // 新細明體 (PMingLiU), the face of the Chinese labels
};

// The families a face is asked for, best first: the Windows names, then what Linux desktops have.
QStringList FaceFamilies(Face face);

// The face at that size, in the installed families of its list.
QFont UiFont(Face face, double pointSize, bool bold);

// `font` `scale` times as large.
QFont ScaledFont(QFont font, double scale);

}  // namespace vorlane::ui
