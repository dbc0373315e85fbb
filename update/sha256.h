// SHA-256 digests (FIPS 180-4) of byte strings and files, for checking a fetched updater.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvelin {

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, std::size_t size);
  // The digest of everything passed to Update; the object is spent afterwards.
  std::array<std::uint8_t, 32> Final();

 private:
  void Block(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_;
  std::size_t buffered_ = 0;
  std::uint64_t totalBytes_ = 0;
};

// Lower-case hexadecimal text of the digest (64 characters).
std::string Sha256Hex(const std::string& data);
// The digest of the file's bytes; false when the file cannot be read.
bool Sha256OfFile(const std::string& path, std::string& hex);

}  // namespace tarvelin
