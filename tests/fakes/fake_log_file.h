// An in-memory LogFile for the unit tests: files by path (exact match), a
// clock that advances one millisecond per reading, the debugger output, and
// faults to inject.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "env/log_file.h"

class FakeLogFile : public LogFile {
 public:
  std::map<std::string, std::string> files;  // path -> contents
  std::vector<std::string> debugOutput;      // every DebugOutput text, in order
  LocalTime now{2024, 5, 17, 9, 3, 7, 0};
  DWORD processId = 4242;

  // Faults: Open fails (a read-only file, a missing directory); Append fails;
  // Rename fails.
  bool failOpen = false;
  bool failAppend = false;
  bool failRename = false;
  // Every path asked to be opened.
  std::vector<std::string> opened;

  // The lines of a written file without their time stamps and line ends, and
  // without the process id where it follows the time stamp (a line without
  // it keeps whatever stands there, so that a comparison shows it).
  std::vector<std::string> TextLines(const std::string& path);

  // The Trace lines in the debugger output, in order, with their line ends:
  // every text there but the log's own lines, which carry a prefix.
  std::vector<std::string> TraceLines() const;

  // The path of the open file, or "" when none is open.
  const std::string& openPath() const { return m_open; }

  LocalTime Now() override;
  DWORD GetProcessId() override { return processId; }
  bool GetSize(const std::string& path, uint64_t* size) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Open(const std::string& path) override;
  bool Append(const std::string& text) override;
  void DebugOutput(const char* text) override { debugOutput.push_back(text); }

 private:
  std::string m_open;
};
