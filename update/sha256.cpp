// SHA-256 through libcrypto's EVP interface: cryptographic code from a well-kept library.
#include "update/sha256.h"

#include <openssl/evp.h>

#include <cstdio>
#include <stdexcept>

namespace tarvelin {

struct Sha256::Context {
  EVP_MD_CTX* Md = nullptr;
  bool Ok = false;  // every step so far succeeded
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
  context_->Md = EVP_MD_CTX_new();
  context_->Ok = context_->Md && EVP_DigestInit_ex(context_->Md, EVP_sha256(), nullptr) == 1;
  if (!context_->Ok) {
    EVP_MD_CTX_free(context_->Md);
    throw std::runtime_error("SHA-256 is not available");
  }
}

Sha256::~Sha256() {
  EVP_MD_CTX_free(context_->Md);
}

void Sha256::Update(const void* data, std::size_t size) {
  if (size > 0 && context_->Ok) context_->Ok = EVP_DigestUpdate(context_->Md, data, size) == 1;
}

std::array<std::uint8_t, 32> Sha256::Final() {
  std::array<std::uint8_t, 32> digest{};
  unsigned int length = 0;
  if (!context_->Ok || EVP_DigestFinal_ex(context_->Md, digest.data(), &length) != 1 ||
      length != digest.size())
    throw std::runtime_error("SHA-256 failed");
  context_->Ok = false;
  return digest;
}

namespace {

std::string Hex(const std::array<std::uint8_t, 32>& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

}  // namespace

std::string Sha256Hex(const std::string& data) {
  Sha256 sha;
  sha.Update(data.data(), data.size());
  return Hex(sha.Final());
}

bool Sha256OfFile(const std::string& path, std::string& hex) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  bool ok = false;
  try {
    Sha256 sha;
    char block[65536];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) sha.Update(block, got);
    ok = !std::ferror(file);
    if (ok) hex = Hex(sha.Final());
  } catch (const std::runtime_error&) {
    ok = false;
  }
  std::fclose(file);
  return ok;
}

}  // namespace tarvelin
