#include "tools/distcheck/cli/catalog_sources.h"

#include <memory>

#include "env/inf_file.h"
#include "env/mbcs.h"
#include "tools/distcheck/base/text.h"
#include "tools/distcheck/files/host_files.h"
#include "tools/distcheck/files/package_files.h"
#include "tools/distcheck/inf/loaded_inf_parser.h"
#include "tools/distcheck/inf/package_inf.h"

namespace {

constexpr size_t kMaxFileSize = 256u << 20;

}  // namespace

bool CollectCatalogSources(const std::string& folder, const std::string& infName,
                           std::map<std::string, std::vector<CatalogSource>>* out,
                           std::string* problem) {
  std::string infPath, content;
  if (!FindEntry(folder, infName, &infPath) || !ReadWholeFile(infPath, kMaxFileSize, &content)) {
    *problem = folder + " has no readable " + infName;
    return false;
  }
  LoadedInfParser parser(content);
  std::unique_ptr<InfFile> inf = parser.Open(infName);
  if (!inf) {
    *problem = infName + " cannot be parsed as an INF file";
    return false;
  }
  for (bool amd64 : {false, true}) {
    const PackageInfView view = ReadPackageInf(inf.get(), InfTarget{amd64, 6, 1, 0, 0});
    if (view.catalog.empty()) continue;
    std::vector<CatalogSource>& files = (*out)[view.catalog];
    if (files.empty()) files.push_back({LastComponent(infPath), content});
    for (const SourceFile& source : view.files) {
      const std::string relative = JoinFolder(source.folder, source.name);
      std::string path;
      CatalogSource file{LastComponent(source.name), ""};
      if (!source.diskFound || !FindPackageFile(folder, relative, &path) ||
          !ReadWholeFile(path, kMaxFileSize, &file.content)) {
        *problem = relative + ", which " + infName + " names, is missing or unreadable";
        return false;
      }
      bool listed = false;  // both architectures may name it
      for (const CatalogSource& other : files)
        listed = listed || AsciiEqualNoCase(other.name, file.name);
      if (!listed) files.push_back(file);
    }
  }
  if (out->empty()) {
    *problem = infName + " names no catalog (CatalogFile in [Version])";
    return false;
  }
  return true;
}
