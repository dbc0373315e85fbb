// Undo and redo of model edits: a QUndoStack of ModelEdit commands over the model store.
#pragma once

#include <QString>
#include <QUndoStack>
#include <functional>
#include <string>

#include "app/core/modeledit.h"

namespace tarvelin {

class ModelHistory {
 public:
  explicit ModelHistory(ModelStore* store);

  QUndoStack& Stack() { return stack_; }
  const QUndoStack& Stack() const { return stack_; }
  // An edit already made in the store (a typed cell, a field left): recorded for undo.
  void Record(ModelEdit edit, const QString& text);
  // An edit not yet made: made and recorded.
  void Perform(ModelEdit edit, const QString& text);
  // As Record, and the data file's name changed with the edit (New).
  void RecordWithFileName(ModelEdit edit, const QString& text, const std::string& fileBefore,
                          const std::string& fileAfter);

  // After every edit, undo and redo: the window marks the results out of date and refreshes.
  std::function<void()> Applied;
  // Sets the data file's name on undo and redo of an edit that changed it.
  std::function<void(const std::string&)> SetFileName;

 private:
  class Command;
  void Push(ModelEdit edit, const QString& text, bool done, bool withFile,
            const std::string& fileBefore, const std::string& fileAfter);

  ModelStore* store_;
  QUndoStack stack_;
};

}  // namespace tarvelin
