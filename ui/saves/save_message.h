// How "Save" and "Save Set" end: the question when another program changed the file since the
// editor read or wrote it, and what the user is told. The main window and the macro editor both
// save through it; the toolkit below knows nothing of the saves.
#pragma once

#include <QString>

#include <functional>
#include <string>

#include "image/editor_saves.h"
#include "ui/toolkit/dialogs.h"

class QWidget;

namespace vorlane::ui {

QString OutcomeMessage(const SaveOutcome& outcome);

enum class SaveEnd { Written, NotWritten, Reload };

// What is being saved: the main window's key choices ("Save"), the editor's step ("Save Set"), or
// another change of the image (an undo or redo, a restore, a step operation).
enum class Saving { KeyChoices, Step, Change };

// What "Reload" and "Overwrite" do, in the words of the window that asks.
QString DiskChangeAdvice(DiskChange change, Saving what);

// Runs `save` checking the file on disk first. When the file changed or went away, asks: on
// Overwrite runs `save` again over it; on Reload or Cancel writes nothing and shows nothing more.
// Otherwise shows how the save ended (with `tellSuccess` false, only a failure or a history that
// could not be kept). Reload is the caller's, which knows the windows that show the file.
SaveEnd SaveAsking(Dialogs& dialogs, QWidget* parent, const std::string& path, Saving what,
                   const std::function<SaveOutcome(SaveMode)>& save, bool tellSuccess = true);

}  // namespace vorlane::ui
