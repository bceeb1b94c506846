// The keys of the way back, named in the tooltips of the commands that write.
#pragma once

#include <QString>

namespace vorlane::ui {

inline const QString kUndoKeysHint =
    QStringLiteral("Ctrl+Z undoes, Ctrl+Shift+Z or Ctrl+Y redoes, Ctrl+H shows the History");

}  // namespace vorlane::ui
