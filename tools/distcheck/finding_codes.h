// Every kind of finding the checker reports: its stable code for pipelines
// and its severity. The one list; docs/release-tools.md shows the same codes
// and severities (finding_codes_test.cpp keeps the two in step).
#pragma once

#include <vector>

#include "tools/distcheck/dist_report.h"

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
