// The two type faces the windows are drawn in, with fallbacks that exist on Linux desktops.
#pragma once

#include <QFont>

namespace vorlane::ui {

enum class Face {
  Sans,  // "MS Sans Serif"
  Ming,  // 新細明體 (PMingLiU), the face of the Chinese labels
};

QFont UiFont(Face face, double pointSize, bool bold);

// `font` `scale` times as large.
QFont ScaledFont(QFont font, double scale);

}  // namespace vorlane::ui
