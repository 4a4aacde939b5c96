#include "tools/distcheck/report/report_writer.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

#include "tools/distcheck/base/text_codec.h"

namespace {

// Keys in the order they are set, as the documented format lists them.
using Json = nlohmann::ordered_json;

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

constexpr char kCatalogNote[] =
    "each signature is checked with the signer's certificate in the catalog; certificate "
    "chains, trust and revocation are not checked";
constexpr char kNoCatalogNote[] =
    "not checked: this build of the checker has no catalog reader; check the distribution "
    "with the Debian build (build/host/zavcir-distcheck)";

// What a signature says, in a few words: ", not signed", ", signer '...': vendor".
std::string SignatureSummary(const SignatureRow& signature) {
  if (signature.status == "none") return ", not signed";
  std::string out = signature.status == "invalid" ? ", signature not valid" : "";
  if (signature.subject.empty()) return out;
  out += ", signer '" + signature.subject + "'";
  if (signature.issuer != signature.subject) out += " (issuer '" + signature.issuer + "')";
  return out + ": " + signature.kindText;
}

// What the tag's catalog is, in a few words.
std::string CatalogSummary(const CatalogRow& catalog) {
  if (!catalog.readable) return "not a catalog";
  return "version " + std::to_string(catalog.version) + ", " + catalog.hashAlgorithm +
         SignatureSummary(catalog.signature);
}

// What the tag's DPInst.exe is: its version, machine and signature.
std::string InstallerSummary(const TagRow& row) {
  std::string out =
      row.dpinstVersion.empty() ? "no version record" : "version " + row.dpinstVersion;
  out += ", " + row.dpinstMachine;
  if (row.dpinstSignature.status.empty()) return out + ", signature not checked";
  out += SignatureSummary(row.dpinstSignature);
  if (row.dpinstSignature.status == "invalid") out += " (" + row.dpinstSignature.problem + ")";
  return out;
}

std::string InstallerSection(const DistReport& report) {
  std::string out = "\nInstallers:\n";
  for (const TagRow& row : report.rows) {
    if (row.dpinstMachine.empty()) continue;
    out += row.tag + "  " + Printable(row.folder + "\\DPInst.exe") + ": " +
           Printable(InstallerSummary(row)) + "\n";
  }
  return out;
}

template <typename Text>
Json SignatureJson(const SignatureRow& signature, const Text& text) {
  if (signature.status.empty()) return Json(nullptr);
  return {{"status", signature.status},
          {"problem", signature.problem.empty() ? Json(nullptr) : text(signature.problem)},
          {"signer", signature.kind.empty() ? Json(nullptr)
                                            : Json{{"subject", text(signature.subject)},
                                                   {"issuer", text(signature.issuer)},
                                                   {"kind", signature.kind}}}};
}

std::string CatalogSection(const DistReport& report) {
  if (!report.catalogsChecked) return std::string("\nCatalogs: ") + kNoCatalogNote + "\n";
  std::string out = std::string("\nCatalogs (") + kCatalogNote + "):\n";
  for (const TagRow& row : report.rows) {
    const CatalogRow& catalog = row.catalog;
    if (!catalog.checked) {
      out += row.tag + "  no catalog read\n";
      continue;
    }
    out += row.tag + "  " + Printable(row.folder + "\\" + catalog.name) + ": " +
           Printable(CatalogSummary(catalog)) + "\n";
    std::vector<std::vector<std::string>> files;
    for (const CatalogFileRow& file : catalog.files) {
      files.push_back({std::string(row.tag.size(), ' '), Printable(file.name), file.status});
    }
    out += Columns(files);
  }
  return out;
}

template <typename Text>
Json CatalogJson(const CatalogRow& catalog, const Text& text) {
  if (!catalog.checked) return Json(nullptr);
  Json json = {{"name", text(catalog.name)}, {"readable", catalog.readable}};
  if (!catalog.readable) return json;
  json["version"] = catalog.version;
  json["hash_algorithm"] = catalog.hashAlgorithm;
  json["signature"] = catalog.signature.status;
  json["signer"] = SignatureJson(catalog.signature, text)["signer"];
  json["os_attr"] = catalog.osAttr.empty() ? Json(nullptr) : text(catalog.osAttr);
  json["attributes"] = Json::object();
  for (const auto& [name, value] : catalog.attributes) {
    json["attributes"][Cp1252ToUtf8(name)] = text(value);
  }
  json["files"] = Json::array();
  for (const CatalogFileRow& file : catalog.files) {
    json["files"].push_back({{"name", text(file.name)},
                             {"status", file.status},
                             {"hash", file.hash.empty() ? Json(nullptr) : Json(file.hash)}});
  }
  return json;
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
  out += CatalogSection(report);
  out += InstallerSection(report);

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
  // Texts from the folder are code page 1252; the library takes UTF-8 and
  // writes every character outside ASCII as a \u escape.
  auto text = [](const std::string& value) { return Json(Cp1252ToUtf8(value)); };
  auto optional = [&text](bool present, const std::string& value) {
    return present ? text(value) : Json(nullptr);
  };
  Json json = Json::object();
  json["folder"] = text(report.folder);
  json["setup_exe"] = {
      {"present", report.setupExePresent},
      {"pe_image", report.setupExeIsPe},
      {"machine", optional(report.setupExeIsPe, report.setupExeMachine)},
      {"version_record", report.setupExeHasVersion},
      {"file_version", optional(report.setupExeHasVersion, report.setupExeFileVersion)},
      {"product_version", optional(report.setupExeHasVersion, report.setupExeProductVersion)}};
  json["setup_ini"] = {{"present", report.setupIniPresent}, {"parsable", report.setupIniParsable}};
  json["catalogs_checked"] = report.catalogsChecked;
  json["catalog_note"] = report.catalogsChecked ? kCatalogNote : kNoCatalogNote;
  json["tags"] = Json::array();
  for (const TagRow& row : report.rows) {
    json["tags"].push_back(
        {{"tag", text(row.tag)},
         {"folder", optional(row.hasLine, row.folder)},
         {"folder_exists", row.folderExists},
         {"driver_version", optional(!row.driverVersion.empty(), row.driverVersion)},
         {"dpinst_machine", optional(!row.dpinstMachine.empty(), row.dpinstMachine)},
         {"dpinst_version", optional(!row.dpinstVersion.empty(), row.dpinstVersion)},
         {"dpinst_signature", SignatureJson(row.dpinstSignature, text)},
         {"expected_machine", text(row.expectedMachine)},
         {"catalog", CatalogJson(row.catalog, text)},
         {"result", report.ResultOf(row.tag)}});
  }
  json["findings"] = Json::array();
  for (const Finding& f : report.findings) {
    json["findings"].push_back({{"severity", f.severity == Severity::kError ? "error" : "warning"},
                                {"tag", optional(!f.tag.empty(), f.tag)},
                                {"code", text(f.code)},
                                {"message", text(f.message)}});
  }
  json["errors"] = report.CountOf(Severity::kError);
  json["warnings"] = report.CountOf(Severity::kWarning);
  json["exit_code"] = report.ExitCode();
  return json.dump(2, ' ', true, Json::error_handler_t::replace) + "\n";
}
