// What zavcir-catalog signs: the files of each catalog that a package's INF
// names for x86 and amd64, read from the package folder.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tools/distcheck/catalog/catalog_writer.h"

// Reads infName (matched as Windows matches names) in the package folder and,
// for each catalog it names (CatalogFile, .NT, .NTx86, .NTamd64), the INF
// first and then each file of its [SourceDisksFiles] sections for the
// architectures that use that catalog, once each (by name without regard to
// ASCII case), under its name without folders. false with *problem set (a
// sentence) when the INF is missing, unreadable or unparsable, names no
// catalog, or names a file that is missing or unreadable.
bool CollectCatalogSources(const std::string& folder, const std::string& infName,
                           std::map<std::string, std::vector<CatalogSource>>* out,
                           std::string* problem);
