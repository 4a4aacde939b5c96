// What the distribution checker found in one folder.
#pragma once

#include <string>
#include <utility>
#include <vector>

enum class Severity { kError, kWarning };

// One problem: its severity, the tag it concerns ("" for the folder as a
// whole), a stable code for pipelines, and a sentence for people.
struct Finding {
  Severity severity = Severity::kError;
  std::string tag;
  std::string code;
  std::string message;
};

// A package file as its catalog sees it.
struct CatalogFileRow {
  std::string name;  // as the INF names it (folders joined by '\\'); the INF itself
  // "covered", "line-endings" (the catalog holds its form with other line
  // ends), "changed" (a member of its name holds another hash), "not-covered",
  // "missing" (not in the package), "in-cabinet" (in its disk's cabinet, not looked into)
  std::string status;
  std::string hash;  // its hash in the catalog's algorithm, upper-case hex; "" when not hashed
};

// What a signature says: of a catalog, or of a signed program.
struct SignatureRow {
  std::string status;   // "valid", "invalid" or "none"
  std::string problem;  // "invalid": why
  std::string subject;  // the signer's certificate: "C = US, O = ..., CN = ..."; "" without one
  std::string issuer;
  std::string kind;      // "microsoft-whql", "microsoft-attestation", "vendor", "test"; ""
  std::string kindText;  // the same for people
};

// What the checker read of the catalog a tag's package names.
struct CatalogRow {
  bool checked = false;  // the catalog is there and was read
  std::string name;      // as the INF names it
  bool readable = false;
  int version = 0;            // 1 or 2
  std::string hashAlgorithm;  // "SHA-1" or "SHA-256"
  SignatureRow signature;
  std::string osAttr;  // the OSAttr that applies to the INF; "" when none
  std::vector<std::pair<std::string, std::string>> attributes;  // the catalog's own
  std::vector<CatalogFileRow> files;  // the INF first, then the files it names
};

// The state of one [Dir] tag's package folder.
struct TagRow {
  std::string tag;
  bool hasLine = false;          // the [Dir] walk gave a value
  std::string folder;            // that value, as read from Setup.ini
  bool folderExists = false;     // it names an existing folder
  std::string driverVersion;     // from zavcir.inf; "" when none
  std::string dpinstMachine;     // DPInst.exe's machine; "" when missing or no PE image
  std::string dpinstVersion;     // the file version of its version record; "" without one
  SignatureRow dpinstSignature;  // its Authenticode signature; status "" when not read
  std::string expectedMachine;   // "x86" for the 32-bit tags, "x64" for the 64-bit ones
  CatalogRow catalog;
};

struct DistReport {
  std::string folder;  // the folder as given
  bool setupExePresent = false;
  bool setupExeIsPe = false;
  std::string setupExeMachine;
  bool setupExeHasVersion = false;
  std::string setupExeFileVersion;
  std::string setupExeProductVersion;
  bool setupIniPresent = false;
  bool setupIniParsable = false;
  bool catalogsChecked = true;  // false in a build without a catalog and signature reader
  std::vector<TagRow> rows;     // one per supported edition (editions.h), in its order
  std::vector<Finding> findings;

  int CountOf(Severity severity) const {
    int n = 0;
    for (const Finding& f : findings) n += f.severity == severity ? 1 : 0;
    return n;
  }
  // The checker's exit codes (docs/release-tools.md): the worst severity found.
  static constexpr int kExitClean = 0;
  static constexpr int kExitWarnings = 1;  // warnings only
  static constexpr int kExitErrors = 2;
  int ExitCode() const {
    if (CountOf(Severity::kError) > 0) return kExitErrors;
    return CountOf(Severity::kWarning) > 0 ? kExitWarnings : kExitClean;
  }
  // "error", "warning" or "ok": the worst finding for the tag.
  std::string ResultOf(const std::string& tag) const {
    std::string result = "ok";
    for (const Finding& f : findings) {
      if (f.tag != tag) continue;
      if (f.severity == Severity::kError) return "error";
      result = "warning";
    }
    return result;
  }
};
