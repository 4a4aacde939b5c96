// The version resource of the package's driver binaries against the INF's
// driver version. Deployment tools can detect an installed driver by the
// file version of its binary (the fixed block of its version resource); such
// a rule matches the version the package installs only where the binary's
// file version is the INF's DriverVer version.
#pragma once

#include <string>
#include <vector>

#include "tools/distcheck/checks/catalog_check.h"
#include "tools/distcheck/inf/package_inf.h"
#include "tools/distcheck/report/finding_codes.h"
#include "tools/distcheck/report/report_types.h"

// For each binary of the kernel-mode services of view that the package ships
// (files: the INF's files, as for the catalog), a driver-file-version warning
// where it has no version resource (or is no Windows executable at all), or
// one whose file version differs from driverVersion by number ("1.1" is
// 1.1.0.0). Nothing is checked without a driver version, and a binary that is
// missing or in a cabinet is left to the other checks.
void CheckDriverFileVersions(const PackageInfView& view, const std::vector<PackageFile>& files,
                             const std::string& driverVersion, const TagRow& row,
                             Findings* findings);
