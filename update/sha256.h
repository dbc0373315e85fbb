// SHA-256 digests of byte strings and files, for checking a fetched updater; the digest itself
// comes from OpenSSL's libcrypto.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tarvelin {

class Sha256 {
 public:
  // Throws std::runtime_error when libcrypto cannot set up the digest.
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  void Update(const void* data, std::size_t size);
  // The digest of everything passed to Update; the object is spent afterwards.
  std::array<std::uint8_t, 32> Final();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

// Lower-case hexadecimal text of the digest (64 characters).
std::string Sha256Hex(const std::string& data);
// The digest of the file's bytes; false when the file cannot be read.
bool Sha256OfFile(const std::string& path, std::string& hex);

}  // namespace tarvelin
