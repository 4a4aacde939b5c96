// Writes and signs a security catalog (catalog_format.h) for a set of files:
// one member per file with its hash as Windows looks it up (file_hash.h), its
// File name and the Windows versions it is for (OSAttr), members sorted by
// hash, the same versions as a catalog attribute, signed with the
// certificate and key given.
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <ctime>
#include <string>
#include <vector>

struct CatalogSource {
  std::string name;     // its File attribute, code page 1252
  std::string content;  // its bytes
};

struct CatalogInput {
  int version = 1;       // 1: SHA-1 members; 2: SHA-256
  std::time_t time = 0;  // when the trust list was made (its thisUpdate)
  std::string osAttr = "2:5.1,2:5.2,2:6.0,2:6.1,2:6.2,2:6.3,2:10.0";
  std::vector<CatalogSource> files;
};

// The DER bytes of the signed catalog; false with *problem set when a file
// cannot be hashed (a PE image with a damaged certificate table) or the key
// is not the certificate's.
bool WriteCatalog(const CatalogInput& input, X509* cert, EVP_PKEY* key, std::string* der,
                  std::string* problem);
