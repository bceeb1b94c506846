// The modal things the windows show: a message box, the question about a file changed on disk and
// the open-file dialog. They go through this interface so that tests can answer them.
#pragma once

#include <QString>

#include <optional>
#include <string_view>

class QWidget;

namespace vorlane::ui {

// What became of the image file since the editor last read or wrote it.
enum class DiskChange { Changed, Removed };

// The user's answer to that news. Cancel is the safe one: nothing is written, nothing changes.
enum class DiskChangeAnswer { Reload, Overwrite, Cancel };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Modal box titled "Vorlane" with one OK button and no icon; returns when it is closed.
  virtual void Message(QWidget* parent, const QString& text) = 0;
  // Modal box titled "Vorlane" that names `path`, says another program changed or removed it,
  // gives `advice` (what each answer does, worded by the window that asks), and offers "Reload",
  // "Overwrite" and "Cancel"; Escape, closing and Enter answer Cancel.
  virtual DiskChangeAnswer AskAboutDiskChange(QWidget* parent, const QString& path,
                                              DiskChange change, const QString& advice) = 0;
  // Modal open dialog. `filter` is "description | pattern"; `startPath` names the folder to open
  // in and the file to preselect. Returns the chosen path, or nothing when cancelled.
  virtual std::optional<QString> OpenFile(QWidget* parent, std::string_view filter,
                                          const QString& startPath) = 0;

  // The answer to closing or loading with key choices that differ from the file.
  enum class UnsavedKeys { Save, Discard, Cancel };
  // Modal box titled "Vorlane" that asks `question` (whether to save them first), with "Save",
  // "Discard" and "Cancel"; Cancel is the default, and Escape and closing the box answer it too.
  virtual UnsavedKeys AskAboutUnsavedKeys(QWidget* parent, const QString& question) = 0;
};

// The real QMessageBox and QFileDialog.
class QtDialogs final : public Dialogs {
 public:
  void Message(QWidget* parent, const QString& text) override;
  DiskChangeAnswer AskAboutDiskChange(QWidget* parent, const QString& path, DiskChange change,
                                      const QString& advice) override;
  std::optional<QString> OpenFile(QWidget* parent, std::string_view filter,
                                  const QString& startPath) override;
  UnsavedKeys AskAboutUnsavedKeys(QWidget* parent, const QString& question) override;
};

// "<path> was changed (or removed) by another program since it was loaded."
QString DiskChangeNews(const QString& path, DiskChange change);

// "Burn file (*.bin) | *.bin" to Qt's "Burn file (*.bin)"; the pattern is added in brackets when
// the description does not already end with it.
QString QtFileFilter(std::string_view filter);

}  // namespace vorlane::ui
