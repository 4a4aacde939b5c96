// The hashes of catalogs, SHA-1 (version 1 catalogs) and SHA-256 (version 2),
// computed one way for the checker and the catalog writer: OpenSSL's EVP.
#pragma once

#include <openssl/evp.h>

#include <cstddef>
#include <string>

#include "tools/distcheck/catalog/openssl_ptr.h"

enum class HashAlgorithm { kSha1, kSha256 };

// "SHA-1" or "SHA-256".
const char* HashName(HashAlgorithm algorithm);

// The library's digest of the algorithm.
const EVP_MD* HashDigest(HashAlgorithm algorithm);

// A hash computed piece by piece.
class Hasher {
 public:
  explicit Hasher(HashAlgorithm algorithm);
  void Update(const void* data, size_t size);
  // The hash of everything given (its raw bytes); the hasher is spent then.
  std::string Finish();

 private:
  EvpMdCtxPtr m_context;
};

// The hash of bytes.
std::string HashOf(HashAlgorithm algorithm, const std::string& bytes);

// bytes in upper-case hex digits.
std::string HexOf(const std::string& bytes);
