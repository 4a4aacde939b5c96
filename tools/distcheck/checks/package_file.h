// A file of a tag's package, as the checks of its catalog and of its driver
// binaries see it.
#pragma once

#include <string>
#include <vector>

struct PackageFile {
  std::string name;        // as the INF names it, folders joined by '\\'; or the INF's own name
  std::string path;        // in the host's form; "" when it is not in the package
  bool inCabinet = false;  // it is in its disk's cabinet instead
};

// The first of files that the package ships (a path) and whose last name
// component is binary, compared case-insensitively as Windows names files (a
// kernel-mode service's ServiceBinary file name); nullptr where none is.
const PackageFile* FindShippedBinary(const std::vector<PackageFile>& files,
                                     const std::string& binary);
