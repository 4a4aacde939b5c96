// The hash by which Windows looks a package file up in its catalog: for a PE
// image its Authenticode image hash (pe_image.h says which bytes it covers),
// for any other file the hash of the whole file.
#pragma once

#include <string>

#include "tools/distcheck/catalog/digest.h"

struct FileHash {
  enum Kind {
    kImage,         // a PE image: the image hash
    kWholeFile,     // any other file: the hash of all its bytes
    kDamagedImage,  // a PE image whose certificate table lies outside it: no hash
  };
  Kind kind = kWholeFile;
  std::string digest;  // raw bytes; "" for a damaged image
};

FileHash HashPackageFile(HashAlgorithm algorithm, const std::string& content);
