// The editor's own words: its title, the messages of the two saving commands, the buttons of the
// question about a file changed on disk, and the bridge from the core's UTF-8 texts to Qt's
// strings.
#pragma once

#include <QFile>
#include <QString>

#include <string>
#include <string_view>

#include "files/file_result.h"

namespace vorlane::ui {

inline constexpr std::string_view kAppTitle = "Vorlane";
inline constexpr std::string_view kNoFileMessage = "No File!";
inline constexpr std::string_view kSavedMessage = "Your settings have been successfully saved!";
inline constexpr std::string_view kReloadButton = "Reload";
inline constexpr std::string_view kOverwriteButton = "Overwrite";
inline constexpr std::string_view kCancelButton = "Cancel";
inline constexpr std::string_view kSaveButton = "Save";
inline constexpr std::string_view kDiscardButton = "Discard";
inline constexpr std::string_view kUnsavedKeysQuestion =
    "The key choices differ from the file. Save them before closing?";
inline constexpr std::string_view kUnsavedKeysBeforeLoadQuestion =
    "The key choices differ from the file. Save them before loading?";

inline QString QtText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A path as the system spells it, for showing.
inline QString PathText(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

// The words of a file's failure in the editor's message boxes; empty for a success. A change or
// removal by another program is the question of the saves, not a failure.
inline QString FileFailureText(const FileResult& result) {
  const QString path = PathText(result.path);
  const QString because = QStringLiteral(": ") + QtText(result.reason);
  switch (result.kind) {
    case FileResult::Kind::TooShort:
    case FileResult::Kind::TooLarge:
      return path + QStringLiteral(" ") + QtText(result.reason);
    case FileResult::Kind::ReadFailed:
      return QStringLiteral("Could not open ") + path + because;
    case FileResult::Kind::WriteFailed:
      return QStringLiteral("Could not save ") + path + because;
    case FileResult::Kind::WriteTorn:
      return QStringLiteral("Could not finish saving ") + path + because +
             QStringLiteral(". The file may now hold the new settings, or part of them.");
    case FileResult::Kind::Changed:
    case FileResult::Kind::Removed:
    case FileResult::Kind::Ok:
      break;
  }
  return {};
}

}  // namespace vorlane::ui
