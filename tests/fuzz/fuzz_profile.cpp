// libFuzzer target: the profile-file reader and writer.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return tarvelin::fuzz::ProfileEntry(data, size);
}
