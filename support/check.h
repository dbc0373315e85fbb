// Always-on checks of what a caller guarantees (a column that exists, sizes that match): a
// failed check is a programming error, not something the user can mend, so the program stops
// at once with the file, the line and the condition, in release builds as well.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace tarvelin {

[[noreturn]] inline void CheckFailed(const char* file, int line, const char* condition) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

}  // namespace tarvelin

#define TARVELIN_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : ::tarvelin::CheckFailed(__FILE__, __LINE__, #condition))
