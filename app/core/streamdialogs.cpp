// Message boxes as lines on a stream.
#include "app/core/streamdialogs.h"

#include <string>

namespace tarvelin {

void StreamDialogs::Put(const std::string& message) {
  // The boxes' line breaks are carriage returns; a terminal wants line feeds.
  const std::string text = ShowableText(message);
  std::string line;
  line.reserve(text.size() + 1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      line += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
    }
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fflush(out_);
}

void StreamDialogs::ShowError(const std::string& text) {
  Put(text);
}
void StreamDialogs::ShowInformation(const std::string& text) {
  Put(text);
}
void StreamDialogs::ShowMessage(const std::string& text) {
  Put(text);
}
bool StreamDialogs::AskYesNo(const std::string& text) {
  Put(text + " [answered No]");
  return false;
}

}  // namespace tarvelin
