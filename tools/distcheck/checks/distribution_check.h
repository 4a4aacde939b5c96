// The distribution checker: everything that must hold in a distribution
// folder for Setup.exe to work on each of the six supported editions.
#pragma once

#include <string>

#include "tools/distcheck/report/report_types.h"

// Checks the folder (a path in the host's form):
// - Setup.exe is there, a PE image with a version record;
// - Setup.ini is there and parses, and for each tag the walk of [Dir] that
//   Setup.exe makes gives a folder name that names an existing folder;
// - in each such folder: zavcir.inf with a version by Setup.exe's DriverVer
//   rule, and DPInst.exe, a PE image of the tag's machine type (x86 for the
//   32-bit tags, x64 for the 64-bit ones), and the package's files, models
//   and catalog as the INF names them for the tag (package_inf.h), the
//   package checked against its catalog (catalog_check.h), and the version
//   resource of its driver binaries (driver_file_check.h);
// warning about driver versions that differ between tags and about folder
// names with spaces (the installer records its uninstall command unquoted). Never fails:
// every problem is a finding of the report.
DistReport CheckDistribution(const std::string& folder);
