#include "tools/distcheck/report_writer.h"

#include <gtest/gtest.h>

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

TEST(ReportWriterTest, JsonIsAsciiAndEscaped) {
  const std::string json = FormatJson(SampleReport());
  for (char c : json) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << int(c);
  EXPECT_NE(std::string::npos, json.find("\"folder\": \"a\\\"b\\\\c\\u001b[31m\\u00e9\""));
  EXPECT_NE(std::string::npos, json.find("\"driver_version\": null, \"dpinst_machine\": null"));
  EXPECT_NE(std::string::npos, json.find("\"tag\": null, \"code\": \"driver-version-mismatch\""));
  EXPECT_NE(std::string::npos,
            json.find("\"errors\": 1,\n  \"warnings\": 1,\n  \"exit_code\": 2\n}"));
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

  DistReport clean = SampleReport();
  clean.findings.clear();
  EXPECT_NE(std::string::npos, FormatTable(clean).find("Result: clean\n"));
}

}  // namespace
