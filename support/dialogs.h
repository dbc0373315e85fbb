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
};

}  // namespace tarvelin
