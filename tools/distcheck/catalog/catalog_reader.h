// A security catalog read from its bytes (catalog_format.h says what it
// holds): its version, its members with their hashes and File and OSAttr
// attributes, its own attributes, and what its signature says. Any bytes are
// read or refused with a reason; nothing in them is trusted.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/distcheck/catalog/catalog_signature.h"
#include "tools/distcheck/catalog/digest.h"

struct CatalogMember {
  bool hasHash = false;  // the member holds a hash of a known algorithm
  HashAlgorithm algorithm = HashAlgorithm::kSha1;
  std::string hash;    // its raw bytes
  bool image = false;  // it is the image hash of a PE image
  std::string file;    // the File attribute, in code page 1252; "" when none
  std::string osAttr;  // the OSAttr attribute ("2:5.1,2:6.0"...); "" when none
};

struct CatalogContent {
  bool readable = false;
  std::string problem;                             // when not readable: what is wrong
  int version = 0;                                 // 1 or 2
  HashAlgorithm algorithm = HashAlgorithm::kSha1;  // of version 1: SHA-1; of version 2: SHA-256
  std::vector<CatalogMember> members;
  std::vector<std::pair<std::string, std::string>> attributes;  // the catalog's own, in order
  CatalogSignature signature;
};

CatalogContent ReadCatalog(const std::string& bytes);

// The value of the catalog attribute name (without regard to ASCII case); "" when none.
std::string CatalogAttributeValue(const CatalogContent& catalog, const std::string& name);
