// Every kind of finding the checker reports: its stable code for pipelines
// and its severity. The one list; docs/release-tools.md shows the same codes
// and severities (finding_codes_test.cpp keeps the two in step).
#pragma once

#include <string>
#include <vector>

#include "tools/distcheck/report/report_types.h"

enum class FindingCode {
  kFolderMissing,
  kSetupExeMissing,
  kSetupExeUnreadable,
  kSetupExeNotPe,
  kSetupExeNoVersion,
  kSetupIniMissing,
  kSetupIniUnreadable,
  kSetupIniUnparsable,
  kSetupIniSignature,
  kDirLineMissing,
  kInfMissing,
  kInfUnreadable,
  kInfNoDriverVersion,
  kInfUnparsable,
  kInfSourceFileMissing,
  kInfCatalogMissing,
  kInfNoModels,
  kDpinstMissing,
  kDpinstUnreadable,
  kDpinstNotPe,
  kDpinstMachine,
  kFolderSpace,
  kDistFolderSpace,
  kDriverVersionMismatch,
  kInfDriverVersionNotAscii,
  kSetupIniEncoding,
  kCatalogUnreadable,
  kCatalogFileNotCovered,
  kCatalogLineEndings,
  kCatalogUnsigned,
  kCatalogSignatureInvalid,
  kCatalogOsNotCovered,
  kCatalogSha256OldWindows,  // an error on the XP and Vista tags
  kCatalogSha256Windows7,    // the same, a warning on the Windows 7 tags
  kCatalogOsLaterNotCovered,
  kCatalogTestSigned,
  kCatalogNotMicrosoftSigned,
  kDriverFileVersion,
};

struct FindingKind {
  FindingCode id;
  const char* code;  // "folder-missing" ...
  Severity severity;
};

// Every kind, in the order of FindingCode.
const std::vector<FindingKind>& FindingKinds();

// The kind of id.
const FindingKind& KindOf(FindingCode id);

// Adds findings of a kind to a report.
class Findings {
 public:
  explicit Findings(DistReport* report) : m_report(report) {}
  // A finding of the kind id, with its code and severity.
  void Add(const std::string& tag, FindingCode id, const std::string& message) {
    const FindingKind& kind = KindOf(id);
    m_report->findings.push_back({kind.severity, tag, kind.code, message});
  }

 private:
  DistReport* m_report;
};
