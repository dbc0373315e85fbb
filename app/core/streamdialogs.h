// Dialogs without a window: messages on a stream, and a pass-through that counts errors.
#pragma once

#include <cstdio>
#include <string>

#include "support/dialogs.h"

namespace tarvelin {

// Message boxes as lines on a stream (standard error); questions are answered "No".
class StreamDialogs : public Dialogs {
 public:
  explicit StreamDialogs(std::FILE* out = stderr) : out_(out) {}
  void ShowError(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;

 private:
  void Put(const std::string& text);
  std::FILE* out_;
};

// Passes every message on and counts the error boxes, so that a caller can tell whether an
// operation that reports through dialogs (the scene export) failed.
class CountingDialogs : public Dialogs {
 public:
  explicit CountingDialogs(Dialogs& inner) : inner_(inner) {}
  void ShowError(const std::string& text) override {
    ++Errors;
    inner_.ShowError(text);
  }
  void ShowInformation(const std::string& text) override { inner_.ShowInformation(text); }
  void ShowMessage(const std::string& text) override { inner_.ShowMessage(text); }
  bool AskYesNo(const std::string& text) override { return inner_.AskYesNo(text); }
  int Errors = 0;

 private:
  Dialogs& inner_;
};

}  // namespace tarvelin
