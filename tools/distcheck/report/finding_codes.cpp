#include "tools/distcheck/report/finding_codes.h"

const std::vector<FindingKind>& FindingKinds() {
  using F = FindingCode;
  constexpr Severity E = Severity::kError, W = Severity::kWarning;
  static const std::vector<FindingKind> kinds = {
      {F::kFolderMissing, "folder-missing", E},
      {F::kSetupExeMissing, "setup-exe-missing", E},
      {F::kSetupExeUnreadable, "setup-exe-unreadable", E},
      {F::kSetupExeNotPe, "setup-exe-not-pe", E},
      {F::kSetupExeNoVersion, "setup-exe-no-version", E},
      {F::kSetupIniMissing, "setup-ini-missing", E},
      {F::kSetupIniUnreadable, "setup-ini-unreadable", E},
      {F::kSetupIniUnparsable, "setup-ini-unparsable", E},
      {F::kSetupIniSignature, "setup-ini-signature", E},
      {F::kDirLineMissing, "dir-line-missing", E},
      {F::kInfMissing, "inf-missing", E},
      {F::kInfUnreadable, "inf-unreadable", E},
      {F::kInfNoDriverVersion, "inf-no-driver-version", E},
      {F::kInfUnparsable, "inf-unparsable", E},
      {F::kInfSourceFileMissing, "inf-source-file-missing", E},
      {F::kInfCatalogMissing, "inf-catalog-missing", E},
      {F::kInfNoModels, "inf-no-models", E},
      {F::kDpinstMissing, "dpinst-missing", E},
      {F::kDpinstUnreadable, "dpinst-unreadable", E},
      {F::kDpinstNotPe, "dpinst-not-pe", E},
      {F::kDpinstMachine, "dpinst-machine", E},
      {F::kFolderSpace, "folder-space", W},
      {F::kDistFolderSpace, "dist-folder-space", W},
      {F::kDriverVersionMismatch, "driver-version-mismatch", W},
      {F::kInfDriverVersionNotAscii, "inf-driver-version-not-ascii", W},
      {F::kSetupIniEncoding, "setup-ini-encoding", W},
      {F::kCatalogUnreadable, "catalog-unreadable", E},
      {F::kCatalogFileNotCovered, "catalog-file-not-covered", E},
      {F::kCatalogLineEndings, "catalog-line-endings", E},
      {F::kCatalogUnsigned, "catalog-unsigned", E},
      {F::kCatalogSignatureInvalid, "catalog-signature-invalid", E},
      {F::kCatalogOsNotCovered, "catalog-os-not-covered", E},
      {F::kCatalogSha256OldWindows, "catalog-sha256-old-windows", E},
      {F::kCatalogSha256Windows7, "catalog-sha256-old-windows", W},
      {F::kCatalogOsLaterNotCovered, "catalog-os-later-not-covered", W},
      {F::kCatalogTestSigned, "catalog-test-signed", W},
      {F::kCatalogNotMicrosoftSigned, "catalog-not-microsoft-signed", W},
      {F::kDriverFileVersion, "driver-file-version", W},
  };
  return kinds;
}

const FindingKind& KindOf(FindingCode id) { return FindingKinds()[static_cast<size_t>(id)]; }
