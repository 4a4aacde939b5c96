#include "package/package_folder.h"

#include <vector>

#include "env/file_system.h"
#include "env/platform.h"

int CountInfFiles(const std::string& folder) {
  const std::vector<FoundFile> found = GetPlatform().files->FindFiles(folder + "\\*.inf");
  int count = 0;
  for (const FoundFile& file : found)
    if (!(file.attributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
  return count;
}
