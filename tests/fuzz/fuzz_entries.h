// Entry functions of the fuzz targets, shared by libFuzzer and the corpus replay test.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvelin::fuzz {

// Parses data as a profile file and checks what must hold for any input: the written text
// reads back the same, look-ups agree with the entries, writes are found again. Aborts with
// a message when a check fails; returns 0 otherwise.
int ProfileEntry(const std::uint8_t* data, std::size_t size);

// Reads data as a .PEN file with ReadDataFile; when it reads, writes the model back into it
// and checks that the written file reads without error and holds what was written. Aborts
// with a message when a check fails; returns 0 otherwise.
int DataFileEntry(const std::uint8_t* data, std::size_t size);

}  // namespace tarvelin::fuzz
