// Dialogs for widget tests: records every message and question, and answers the open dialog and
// the question about a changed file from queues.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/toolkit/dialogs.h"

namespace vorlane::ui::testing {

class ScriptedDialogs final : public Dialogs {
 public:
  void Message(QWidget* /*parent*/, const QString& text) override {
    messages.push_back(text);
    if (onMessage) onMessage(text);
  }

  DiskChangeAnswer AskAboutDiskChange(QWidget* /*parent*/, const QString& path, DiskChange change,
                                      const QString& advice) override {
    questions.push_back({path, change, advice});
    if (diskAnswers.empty()) return unqueuedDiskAnswer;
    const DiskChangeAnswer answer = diskAnswers.front();
    diskAnswers.pop_front();
    return answer;
  }

  std::optional<QString> OpenFile(QWidget* /*parent*/, std::string_view filter,
                                  const QString& startPath) override {
    lastFilter = std::string(filter);
    lastStartPath = startPath;
    ++openCount;
    if (answers.empty()) return std::nullopt;  // cancelled
    std::optional<QString> answer = answers.front();
    answers.pop_front();
    return answer;
  }

  // With no answer queued, Discard: closing goes on as it did before the question existed.
  UnsavedKeys AskAboutUnsavedKeys(QWidget* /*parent*/, const QString& question) override {
    ++unsavedQuestions;
    lastUnsavedQuestion = question;
    if (unsavedAnswers.empty()) return UnsavedKeys::Discard;
    const UnsavedKeys answer = unsavedAnswers.front();
    unsavedAnswers.pop_front();
    return answer;
  }

  // Queue the next open dialog's answer; nullopt is a cancel.
  void Answer(std::optional<QString> path) { answers.push_back(std::move(path)); }

  struct Question {
    QString path;
    DiskChange change;
    QString advice;
  };

  QStringList messages;
  std::vector<Question> questions;
  std::deque<DiskChangeAnswer> diskAnswers;
  DiskChangeAnswer unqueuedDiskAnswer = DiskChangeAnswer::Cancel;  // the default button's
  std::function<void(const QString&)> onMessage;                   // runs inside the "modal" box
  std::deque<std::optional<QString>> answers;
  std::string lastFilter;
  QString lastStartPath;
  int openCount = 0;
  std::deque<UnsavedKeys> unsavedAnswers;
  int unsavedQuestions = 0;
  QString lastUnsavedQuestion;
};

}  // namespace vorlane::ui::testing
