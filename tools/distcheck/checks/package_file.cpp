#include "tools/distcheck/checks/package_file.h"

#include "env/mbcs.h"
#include "tools/distcheck/base/text.h"

const PackageFile* FindShippedBinary(const std::vector<PackageFile>& files,
                                     const std::string& binary) {
  for (const PackageFile& file : files) {
    if (!file.path.empty() && AsciiEqualNoCase(LastComponent(file.name), binary)) return &file;
  }
  return nullptr;
}
