// An InfParser for the unit tests: INF files in memory.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "env/inf_parser.h"

// INF files as lists of lines per section; each line is its fields (0: key).
// A file with a Windows-style Signature in [Version] does not open, as the
// legacy style refuses it on Windows.
class FakeInfParser : public InfParser {
 public:
  using Line = std::vector<std::string>;
  // A file the parser can open; sections are matched without regard to case.
  void AddFile(const std::string& path, std::map<std::string, std::vector<Line>> sections);
  std::vector<std::string> opened;  // every path asked for
  int openFiles = 0;                // files opened and not yet closed

  std::unique_ptr<InfFile> Open(const std::string& path) override;

 private:
  std::map<std::string, std::map<std::string, std::vector<Line>>> m_files;
};
