#include "tools/distcheck/report_writer.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tools/distcheck/text_codec.h"

namespace {

std::string Printable(const std::string& text) {
  std::string out;
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (b >= 0x20 && b < 0x7F) {
      out += ch;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    }
  }
  return out;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (b >= 0x20 && b < 0x7F) {
      out += ch;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(Cp1252ToUtf16(b)));
      out += hex;
    }
  }
  return out + "\"";
}

std::string JsonOptional(bool present, const std::string& text) {
  return present ? JsonString(text) : "null";
}

const char* Bool(bool value) { return value ? "true" : "false"; }

std::string Plural(int n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// Columns padded to their widest cell, two blanks apart; with underline, a line
// of dashes as wide as each column follows the first row.
std::string Columns(std::vector<std::vector<std::string>> rows, bool underline = false) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  if (underline && !rows.empty()) {
    std::vector<std::string> dashes;
    for (size_t width : widths) dashes.push_back(std::string(width, '-'));
    rows.insert(rows.begin() + 1, dashes);
  }
  std::string out;
  for (const auto& row : rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size() + 2, ' ');
    }
    out += line + "\n";
  }
  return out;
}

}  // namespace

std::string FormatTable(const DistReport& report) {
  std::string out = "Distribution folder: " + Printable(report.folder) + "\n";
  std::string setup = "missing";
  if (report.setupExePresent) {
    setup = !report.setupExeIsPe ? "not a Windows executable"
            : report.setupExeHasVersion
                ? "version " + report.setupExeFileVersion + ", " + report.setupExeMachine
                : "no version record, " + report.setupExeMachine;
  }
  std::string ini = !report.setupIniPresent    ? "missing"
                    : !report.setupIniParsable ? "cannot be parsed"
                                               : "parsed";
  out += Columns({{"Setup.exe:", setup}, {"Setup.ini:", ini}}) + "\n";

  std::vector<std::vector<std::string>> rows = {{"Tag", "Folder", "DriverVer", "DPInst", "Result"}};
  for (const TagRow& row : report.rows) {
    rows.push_back({row.tag, row.hasLine ? Printable(row.folder) : "-",
                    row.driverVersion.empty() ? "-" : Printable(row.driverVersion),
                    row.dpinstMachine.empty() ? "-" : row.dpinstMachine, report.ResultOf(row.tag)});
  }
  out += Columns(rows, true);

  if (!report.findings.empty()) out += "\n";
  for (const Finding& f : report.findings) {
    out +=
        (f.severity == Severity::kError ? "error:   " : "warning: ") + Printable(f.message) + "\n";
  }
  const int errors = report.CountOf(Severity::kError);
  const int warnings = report.CountOf(Severity::kWarning);
  out += "\n";
  if (errors == 0 && warnings == 0) {
    out += "Result: clean\n";
  } else {
    out += "Result: " + Plural(errors, "error") + ", " + Plural(warnings, "warning") + "\n";
  }
  return out;
}

std::string FormatJson(const DistReport& report) {
  std::string out = "{\n";
  out += "  \"folder\": " + JsonString(report.folder) + ",\n";
  out += std::string("  \"setup_exe\": {\"present\": ") + Bool(report.setupExePresent) +
         ", \"pe_image\": " + Bool(report.setupExeIsPe) +
         ", \"machine\": " + JsonOptional(report.setupExeIsPe, report.setupExeMachine) +
         ", \"version_record\": " + Bool(report.setupExeHasVersion) + ", \"file_version\": " +
         JsonOptional(report.setupExeHasVersion, report.setupExeFileVersion) +
         ", \"product_version\": " +
         JsonOptional(report.setupExeHasVersion, report.setupExeProductVersion) + "},\n";
  out += std::string("  \"setup_ini\": {\"present\": ") + Bool(report.setupIniPresent) +
         ", \"parsable\": " + Bool(report.setupIniParsable) + "},\n";
  out += "  \"tags\": [\n";
  for (size_t i = 0; i < report.rows.size(); ++i) {
    const TagRow& row = report.rows[i];
    out += "    {\"tag\": " + JsonString(row.tag) +
           ", \"folder\": " + JsonOptional(row.hasLine, row.folder) +
           ", \"folder_exists\": " + Bool(row.folderExists) +
           ", \"driver_version\": " + JsonOptional(!row.driverVersion.empty(), row.driverVersion) +
           ", \"dpinst_machine\": " + JsonOptional(!row.dpinstMachine.empty(), row.dpinstMachine) +
           ", \"expected_machine\": " + JsonString(row.expectedMachine) +
           ", \"result\": " + JsonString(report.ResultOf(row.tag)) + "}" +
           (i + 1 < report.rows.size() ? "," : "") + "\n";
  }
  out += "  ],\n  \"findings\": [\n";
  for (size_t i = 0; i < report.findings.size(); ++i) {
    const Finding& f = report.findings[i];
    out += std::string("    {\"severity\": ") +
           (f.severity == Severity::kError ? "\"error\"" : "\"warning\"") +
           ", \"tag\": " + JsonOptional(!f.tag.empty(), f.tag) +
           ", \"code\": " + JsonString(f.code) + ", \"message\": " + JsonString(f.message) + "}" +
           (i + 1 < report.findings.size() ? "," : "") + "\n";
  }
  out += "  ],\n";
  out += "  \"errors\": " + std::to_string(report.CountOf(Severity::kError)) + ",\n";
  out += "  \"warnings\": " + std::to_string(report.CountOf(Severity::kWarning)) + ",\n";
  out += "  \"exit_code\": " + std::to_string(report.ExitCode()) + "\n}\n";
  return out;
}
