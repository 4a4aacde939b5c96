#include "tools/distcheck/cli/catalog_sources.h"

#include <gtest/gtest.h>

#include "tools/distcheck/testing/test_distribution.h"

namespace {

using dist_test::DistFolder;
using dist_test::kFiles;
using dist_test::kInf;
using dist_test::kModels;
using dist_test::kVersion;
using dist_test::Replaced;

// "catalog: name=content name=content; ..." of what was collected, or
// "problem: ..." with the folder's own path left out.
std::string Collect(const DistFolder& dist, const std::string& infName) {
  std::map<std::string, std::vector<CatalogSource>> catalogs;
  std::string problem;
  if (!CollectCatalogSources(dist.Root(), infName, &catalogs, &problem)) {
    return "problem: " + Replaced(problem, dist.Root(), "<folder>");
  }
  std::string out;
  for (const auto& [catalog, files] : catalogs) {
    out += (out.empty() ? "" : "; ") + catalog + ":";
    for (const CatalogSource& file : files) {
      out += " " + file.name + "=" + (file.name == "zavcir.inf" ? "inf" : file.content);
    }
  }
  return out;
}

TEST(CatalogSourcesTest, CollectsEachCatalogsFilesOnce) {
  const std::string twoCatalogs =
      std::string(kVersion) + "CatalogFile.NTx86 = x86.cat\r\nCatalogFile.NTamd64 = x64.cat\r\n" +
      kModels +
      "[SourceDisksNames]\r\n1 = %Disk%\r\n2 = %Disk%,,,drivers\r\n"
      "[SourceDisksFiles.x86]\r\nzavcir.sys = 1\r\n[SourceDisksFiles.amd64]\r\nzavcir64.sys = 2\r\n"
      "[SourceDisksFiles]\r\nshared.dll = 1\r\n";
  struct Case {
    const char* what;
    std::string inf;  // "" for none
    const char* infName;
    std::vector<std::pair<const char*, const char*>> files;  // beside the INF
    const char* expected;
  } cases[] = {
      {"one catalog for both",
       kInf,
       "zavcir.inf",
       {{"zavcir.sys", "driver"}},
       "zavcir.cat: zavcir.inf=inf zavcir.sys=driver"},
      {"INF named in another case",
       kInf,
       "ZAVCIR.INF",
       {{"zavcir.sys", "driver"}},
       "zavcir.cat: zavcir.inf=inf zavcir.sys=driver"},
      {"a file in a disk's folder, under its bare name",
       twoCatalogs,
       "zavcir.inf",
       {{"zavcir.sys", "x86"}, {"drivers/zavcir64.sys", "x64"}, {"shared.dll", "dll"}},
       "x64.cat: zavcir.inf=inf zavcir64.sys=x64 shared.dll=dll; "
       "x86.cat: zavcir.inf=inf zavcir.sys=x86 shared.dll=dll"},
      {"a missing file",
       twoCatalogs,
       "zavcir.inf",
       {{"zavcir.sys", "x86"}, {"shared.dll", "dll"}},
       "problem: drivers\\zavcir64.sys, which zavcir.inf names, is missing or unreadable"},
      {"a file on an undescribed disk",
       Replaced(kInf, "zavcir.sys = 1", "zavcir.sys = 7"),
       "zavcir.inf",
       {{"zavcir.sys", "driver"}},
       "problem: zavcir.sys, which zavcir.inf names, is missing or unreadable"},
      {"no CatalogFile",
       std::string(kVersion) + kModels + kFiles,
       "zavcir.inf",
       {{"zavcir.sys", "driver"}},
       "problem: zavcir.inf names no catalog (CatalogFile in [Version])"},
      {"text before the first section",
       "DriverVer = 1\r\n",
       "zavcir.inf",
       {},
       "problem: zavcir.inf cannot be parsed as an INF file"},
      {"another INF asked for",
       kInf,
       "other.inf",
       {{"zavcir.sys", "driver"}},
       "problem: <folder> has no readable other.inf"},
      {"no INF", "", "zavcir.inf", {}, "problem: <folder> has no readable zavcir.inf"},
  };
  for (const Case& c : cases) {
    DistFolder dist;
    if (!c.inf.empty()) dist.Write("zavcir.inf", c.inf);
    for (const auto& [name, content] : c.files) dist.Write(name, content);
    EXPECT_EQ(c.expected, Collect(dist, c.infName)) << c.what;
  }
}

}  // namespace
