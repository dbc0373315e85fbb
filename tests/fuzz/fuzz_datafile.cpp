// libFuzzer target: reading a .PEN data file into the model store, and writing it back.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return tarvelin::fuzz::DataFileEntry(data, size);
}
