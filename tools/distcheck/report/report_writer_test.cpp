#include "tools/distcheck/report/report_writer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace {

DistReport SampleReport() {
  DistReport report;
  report.folder = "/dist";
  report.setupExePresent = report.setupExeIsPe = report.setupExeHasVersion = true;
  report.setupExeMachine = "x86";
  report.setupExeFileVersion = report.setupExeProductVersion = "1.0.0.0";
  report.setupIniPresent = report.setupIniParsable = true;
  TagRow good;
  good.tag = "WinXP32";
  good.hasLine = good.folderExists = true;
  good.folder = "x86";
  good.driverVersion = "3.0.0.2";
  good.dpinstMachine = good.expectedMachine = "x86";
  CatalogRow& catalog = good.catalog;
  catalog.checked = catalog.readable = true;
  catalog.name = "zavcir.cat";
  catalog.version = 1;
  catalog.hashAlgorithm = "SHA-1";
  catalog.signature = {"valid", "", "O = ZAV, CN = ZAV", "CN = ZAV CA", "vendor", "vendor"};
  catalog.osAttr = "2:6.1";
  catalog.attributes = {{"OSAttr", "2:6.1"}, {"HWID1", "acpi\\zav0c1r"}};
  catalog.files = {{"zavcir.inf", "covered", "AB"}, {"sub\\zavcir.sys", "missing", ""}};
  TagRow odd;
  odd.tag = "Win7_64";
  odd.hasLine = true;
  odd.folder = std::string("a\"b\\c\x1b[31m\xE9", 11);
  odd.expectedMachine = "x64";
  report.rows = {good, odd};
  report.findings = {
      {Severity::kError, "Win7_64", "folder-missing", "Win7_64: 'x' names no folder"},
      {Severity::kWarning, "", "driver-version-mismatch", "versions differ"}};
  return report;
}

TEST(ReportWriterTest, JsonIsAsciiAndReadsBackAsTheReport) {
  const std::string json = FormatJson(SampleReport());
  for (char c : json) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << int(c);
  EXPECT_NE(std::string::npos, json.find("\\u001b[31m\\u00e9"));  // as \u escapes
  ASSERT_EQ('\n', json.back());

  const nlohmann::ordered_json read = nlohmann::ordered_json::parse(json);
  std::vector<std::string> keys;
  for (const auto& item : read.items()) keys.push_back(item.key());
  EXPECT_EQ((std::vector<std::string>{"folder", "setup_exe", "setup_ini", "catalogs_checked",
                                      "catalog_note", "tags", "findings", "errors", "warnings",
                                      "exit_code"}),
            keys);
  EXPECT_EQ(true, read["catalogs_checked"]);
  const auto& catalog = read["tags"][0]["catalog"];
  EXPECT_EQ("zavcir.cat", catalog["name"]);
  EXPECT_EQ(1, catalog["version"]);
  EXPECT_EQ("SHA-1", catalog["hash_algorithm"]);
  EXPECT_EQ("vendor", catalog["signer"]["kind"]);
  EXPECT_EQ("CN = ZAV CA", catalog["signer"]["issuer"]);
  EXPECT_EQ("acpi\\zav0c1r", catalog["attributes"]["HWID1"]);
  EXPECT_EQ("covered", catalog["files"][0]["status"]);
  EXPECT_TRUE(catalog["files"][1]["hash"].is_null());
  EXPECT_TRUE(read["tags"][1]["catalog"].is_null());
  EXPECT_EQ("x86", read["setup_exe"]["machine"]);
  EXPECT_EQ("1.0.0.0", read["setup_exe"]["product_version"]);
  EXPECT_EQ(true, read["setup_ini"]["parsable"]);
  const auto& odd = read["tags"][1];
  EXPECT_EQ("a\"b\\c\x1b[31m\xC3\xA9", odd["folder"]);  // code page 1252 read as UTF-8
  EXPECT_TRUE(odd["driver_version"].is_null());
  EXPECT_TRUE(odd["dpinst_machine"].is_null());
  EXPECT_EQ("x64", odd["expected_machine"]);
  EXPECT_EQ("error", odd["result"]);
  EXPECT_EQ("ok", read["tags"][0]["result"]);
  EXPECT_EQ("3.0.0.2", read["tags"][0]["driver_version"]);
  EXPECT_TRUE(read["findings"][1]["tag"].is_null());
  EXPECT_EQ("driver-version-mismatch", read["findings"][1]["code"]);
  EXPECT_EQ("warning", read["findings"][1]["severity"]);
  EXPECT_EQ(1, read["errors"]);
  EXPECT_EQ(1, read["warnings"]);
  EXPECT_EQ(DistReport::kExitErrors, read["exit_code"]);
}

TEST(ReportWriterTest, TableRowsAndSummary) {
  const std::string table = FormatTable(SampleReport());
  EXPECT_NE(std::string::npos, table.find("Setup.exe:  version 1.0.0.0, x86\n"));
  EXPECT_NE(std::string::npos, table.find("WinXP32  x86  "));
  EXPECT_NE(std::string::npos, table.find("3.0.0.2    x86     ok\n"));
  // No byte of a folder name reaches the terminal unescaped.
  EXPECT_NE(std::string::npos, table.find("a\"b\\c\\x1B[31m\\xE9"));
  EXPECT_NE(std::string::npos, table.find("error:   Win7_64: 'x' names no folder\n"));
  EXPECT_NE(std::string::npos, table.find("warning: versions differ\n"));
  EXPECT_NE(std::string::npos, table.find("Result: 1 error, 1 warning\n"));

  EXPECT_NE(std::string::npos,
            table.find("WinXP32  x86\\zavcir.cat: version 1, SHA-1, signer 'O = ZAV, CN = ZAV' "
                       "(issuer 'CN = ZAV CA'): vendor\n"));
  EXPECT_NE(std::string::npos, table.find("         sub\\zavcir.sys  missing\n"));
  EXPECT_NE(std::string::npos, table.find("Win7_64  no catalog read\n"));
  EXPECT_NE(std::string::npos, table.find("revocation are not checked"));

  DistReport clean = SampleReport();
  clean.findings.clear();
  clean.catalogsChecked = false;
  EXPECT_NE(std::string::npos, FormatTable(clean).find("Result: clean\n"));
  EXPECT_NE(std::string::npos, FormatTable(clean).find("Catalogs: not checked: this build"));
  EXPECT_EQ(false, nlohmann::json::parse(FormatJson(clean))["catalogs_checked"]);
}

}  // namespace
