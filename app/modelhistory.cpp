// Undo and redo of model edits.
#include "app/modelhistory.h"

#include <QUndoCommand>
#include <utility>

namespace tarvelin {

class ModelHistory::Command : public QUndoCommand {
 public:
  Command(ModelHistory* history, ModelEdit edit, const QString& text, bool done, bool withFile,
          std::string fileBefore, std::string fileAfter)
      : QUndoCommand(text),
        history_(history),
        edit_(std::move(edit)),
        done_(done),
        withFile_(withFile),
        fileBefore_(std::move(fileBefore)),
        fileAfter_(std::move(fileAfter)) {}

  void redo() override {
    // The first redo of an edit already made only announces it.
    if (done_)
      done_ = false;
    else
      Apply(true);
    if (history_->Applied) history_->Applied();
  }
  void undo() override {
    Apply(false);
    if (history_->Applied) history_->Applied();
  }

 private:
  void Apply(bool forward) {
    ApplyEdit(*history_->store_, edit_, forward);
    if (withFile_ && history_->SetFileName)
      history_->SetFileName(forward ? fileAfter_ : fileBefore_);
  }

  ModelHistory* history_;
  ModelEdit edit_;
  bool done_;
  bool withFile_;
  std::string fileBefore_;
  std::string fileAfter_;
};

ModelHistory::ModelHistory(ModelStore* store) : store_(store) {}

void ModelHistory::Push(ModelEdit edit, const QString& text, bool done, bool withFile,
                        const std::string& fileBefore, const std::string& fileAfter) {
  if (edit.Empty() && !(withFile && fileBefore != fileAfter)) return;
  stack_.push(new Command(this, std::move(edit), text, done, withFile, fileBefore, fileAfter));
}

void ModelHistory::Record(ModelEdit edit, const QString& text) {
  Push(std::move(edit), text, true, false, {}, {});
}

void ModelHistory::Perform(ModelEdit edit, const QString& text) {
  Push(std::move(edit), text, false, false, {}, {});
}

void ModelHistory::RecordWithFileName(ModelEdit edit, const QString& text,
                                      const std::string& fileBefore, const std::string& fileAfter) {
  Push(std::move(edit), text, true, true, fileBefore, fileAfter);
}

}  // namespace tarvelin
