// A tag's package checked against its security catalog, as Windows checks it
// before it installs the package: every file's hash among the members, the
// signature over them, the Windows versions the catalog is for, what the
// edition can read, and who signed it. Certificate chains, trust and
// revocation are not checked. Fills the tag's CatalogRow and adds findings.
// Beside it, what the installer's own Authenticode signature says.
#pragma once

#include <string>
#include <vector>

#include "tools/distcheck/checks/package_file.h"
#include "tools/distcheck/inf/editions.h"
#include "tools/distcheck/inf/package_inf.h"
#include "tools/distcheck/report/finding_codes.h"
#include "tools/distcheck/report/report_types.h"

// Whether this build of the checker reads catalogs and signatures (the Windows
// build does not).
bool CatalogsChecked();

// What the Authenticode signature of DPInst.exe (image: its bytes) says, into
// row->dpinstSignature: who signed it, and whether the signature is of this
// very file; the Windows build leaves it unread.
void CheckInstallerSignature(const std::string& image, TagRow* row);

// catalogPath: the catalog the INF names (view.catalog), found in the
// package; files: the INF first, then the files it names for the edition.
void CheckPackageCatalog(const std::string& catalogPath, const std::vector<PackageFile>& files,
                         const PackageInfView& view, const Edition& edition, TagRow* row,
                         Findings* findings);
