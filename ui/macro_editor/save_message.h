// What "Save" and "Save Set" tell the user about how they ended. Beside the macro editor, the
// lower of the two windows that save; the toolkit knows nothing of the saves.
#pragma once

#include <QString>

#include "image/editor_saves.h"

namespace vorlane::ui {

QString OutcomeMessage(const SaveOutcome& outcome);

}  // namespace vorlane::ui
