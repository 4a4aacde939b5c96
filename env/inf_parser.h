// Opening INF-syntax files (setupapi): Setup.ini, and the driver packages' INF
// files in the checker.
#pragma once

#include <memory>
#include <string>

#include "env/inf_file.h"

class InfParser {
 public:
  virtual ~InfParser() = default;
  // SetupOpenInfFileA(path, NULL, INF_STYLE_OLDNT, NULL): the open file;
  // nullptr stands for INVALID_HANDLE_VALUE: missing or unparsable file. A
  // file whose [Version] section has a Signature of a Windows-style INF
  // ("$Windows NT$", "$Chicago$" or "$Windows 95$", in any letter case) is
  // no legacy-style file: Windows refuses it with ERROR_WRONG_INF_STYLE
  // (Wine opens it).
  virtual std::unique_ptr<InfFile> Open(const std::string& path) = 0;
};
