// The message boxes as the core sees them: the window shows them, tests record them.
#pragma once

#include <string>

namespace tarvelin {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Modal error box with an OK button.
  virtual void ShowError(const std::string& text) = 0;
  // Modal information box with an OK button.
  virtual void ShowInformation(const std::string& text) = 0;
  // Plain modal message box with an OK button (test output, the edit control's messages).
  virtual void ShowMessage(const std::string& text) = 0;
  // Confirmation box with Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // Question with Save, Discard and Cancel (unsaved changes). Without a box of its own, a
  // Yes counts as Save and a No as Cancel, so nothing is ever discarded unasked.
  enum class SaveAnswer { Save, Discard, Cancel };
  virtual SaveAnswer AskSaveChanges(const std::string& text) {
    return AskYesNo(text) ? SaveAnswer::Save : SaveAnswer::Cancel;
  }
};

// The text of a box as it can be shown: a NUL byte (from a file or a pasted value) would end
// the message there, so it is shown as the escape "\0".
inline std::string ShowableText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\0')
      out += "\\0";
    else
      out += c;
  }
  return out;
}

}  // namespace tarvelin
