// zavcir-distcheck <folder> [--json]: checks a distribution folder before it
// ships. Exit code 0 when clean, 1 with warnings only, 2 with errors (a wrong
// command line included).
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/distcheck/checks/distribution_check.h"
#include "tools/distcheck/report/report_writer.h"

namespace {

const char kUsage[] =
    "usage: zavcir-distcheck [--json] [--] <folder>\n"
    "Checks a distribution folder of the ZAV CIR Receiver Driver setup: Setup.exe,\n"
    "Setup.ini and, for each [Dir] tag, zavcir.inf, the files and the catalog it names\n"
    "(the package checked against its catalog) and DPInst.exe.\n"
    "Exit code: 0 clean, 1 warnings only, 2 errors.\n";

}  // namespace

int main(int argc, char** argv) {
  std::string folder;
  bool json = false;
  bool folderGiven = false;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    if (options && std::strcmp(argv[i], "--") == 0) {
      options = false;
    } else if (options && std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (options &&
               (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!folderGiven && (!options || argv[i][0] != '-')) {
      folder = argv[i];
      folderGiven = true;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (!folderGiven) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const DistReport report = CheckDistribution(folder);
  const std::string text = json ? FormatJson(report) : FormatTable(report);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return report.ExitCode();
}
