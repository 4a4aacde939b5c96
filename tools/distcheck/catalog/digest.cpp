#include "tools/distcheck/catalog/digest.h"

#include <cstdlib>

const char* HashName(HashAlgorithm algorithm) {
  return algorithm == HashAlgorithm::kSha1 ? "SHA-1" : "SHA-256";
}

const EVP_MD* HashDigest(HashAlgorithm algorithm) {
  return algorithm == HashAlgorithm::kSha1 ? EVP_sha1() : EVP_sha256();
}

Hasher::Hasher(HashAlgorithm algorithm) : m_context(EVP_MD_CTX_new()) {
  // Only allocation can fail here, which the checker cannot work without.
  if (!m_context || EVP_DigestInit_ex(m_context.get(), HashDigest(algorithm), nullptr) != 1) {
    std::abort();
  }
}

void Hasher::Update(const void* data, size_t size) {
  if (size > 0) EVP_DigestUpdate(m_context.get(), data, size);
}

std::string Hasher::Finish() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(m_context.get(), digest, &length);
  return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string HashOf(HashAlgorithm algorithm, const std::string& bytes) {
  Hasher hasher(algorithm);
  hasher.Update(bytes.data(), bytes.size());
  return hasher.Finish();
}

std::string HexOf(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0xF];
  }
  return hex;
}
