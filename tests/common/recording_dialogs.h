// A Dialogs that records every message box and answers questions from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "support/dialogs.h"

namespace tarvelin::test {

class RecordingDialogs : public Dialogs {
 public:
  struct Entry {
    std::string Kind;  // "error", "information", "message", "question", "save question"
    std::string Text;
  };

  void ShowError(const std::string& text) override { Log.push_back({"error", text}); }
  void ShowInformation(const std::string& text) override { Log.push_back({"information", text}); }
  void ShowMessage(const std::string& text) override { Log.push_back({"message", text}); }
  bool AskYesNo(const std::string& text) override {
    Log.push_back({"question", text});
    if (Answers.empty()) return false;
    bool answer = Answers.front();
    Answers.pop_front();
    return answer;
  }

  SaveAnswer AskSaveChanges(const std::string& text) override {
    Log.push_back({"save question", text});
    if (SaveAnswers.empty()) return SaveAnswer::Cancel;
    const SaveAnswer answer = SaveAnswers.front();
    SaveAnswers.pop_front();
    return answer;
  }

  std::vector<std::string> Texts(const std::string& kind) const {
    std::vector<std::string> out;
    for (const auto& e : Log)
      if (e.Kind == kind) out.push_back(e.Text);
    return out;
  }

  std::vector<Entry> Log;
  std::deque<bool> Answers;            // scripted answers to AskYesNo; "No" when exhausted
  std::deque<SaveAnswer> SaveAnswers;  // scripted answers to AskSaveChanges; Cancel when exhausted
};

}  // namespace tarvelin::test
