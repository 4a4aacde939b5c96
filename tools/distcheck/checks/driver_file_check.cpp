#include "tools/distcheck/checks/driver_file_check.h"

#include <cstdint>
#include <set>

#include "env/mbcs.h"
#include "package/driver_ver_line.h"
#include "tools/distcheck/base/text.h"
#include "tools/distcheck/files/host_files.h"
#include "tools/distcheck/pe/pe_image.h"

namespace {

constexpr size_t kMaxImageSize = 64u << 20;  // larger "binaries" are not read

// Whether two version texts give the same numbers, or are the same text
// where either is no version.
bool SameVersion(const std::string& a, const std::string& b) {
  VersionNumbers x, y;
  if (ParseVersionNumbers(a, &x) && ParseVersionNumbers(b, &y)) return x == y;
  return a == b;
}

void CheckBinary(const KernelService& service, const PackageFile& file,
                 const std::string& driverVersion, const TagRow& row, Findings* findings) {
  const std::string what = row.tag + ": " + JoinFolder(row.folder, file.name) +
                           ", the binary of the kernel-mode service " + Quoted(service.name);
  const std::string rule =
      "a detection rule on the driver file's version never matches the version the package "
      "installs";
  std::string content;
  PeImage image;
  const bool pe =
      ReadWholeFile(file.path, kMaxImageSize, &content) &&
      PeImage::Parse(reinterpret_cast<const uint8_t*>(content.data()), content.size(), &image);
  if (!pe || !image.HasVersionRecord()) {
    findings->Add(row.tag, FindingCode::kDriverFileVersion,
                  what + (pe ? " has no version resource" : " is no Windows executable") + ": " +
                      rule + "; give it a version resource of file version " + driverVersion +
                      ", the INF's DriverVer version");
    return;
  }
  const std::string fileVersion = image.GetFileVersion();
  if (SameVersion(fileVersion, driverVersion)) return;
  findings->Add(row.tag, FindingCode::kDriverFileVersion,
                what + " has the file version " + fileVersion +
                    ", not the INF's DriverVer version " + driverVersion + ": " + rule);
}

}  // namespace

void CheckDriverFileVersions(const PackageInfView& view, const std::vector<PackageFile>& files,
                             const std::string& driverVersion, const TagRow& row,
                             Findings* findings) {
  if (driverVersion.empty()) return;
  std::set<std::string> checked;
  for (const KernelService& service : view.kernelServices) {
    const PackageFile* file = FindShippedBinary(files, service.binary);
    if (file && checked.insert(AsciiLower(file->name)).second)
      CheckBinary(service, *file, driverVersion, row, findings);
  }
}
