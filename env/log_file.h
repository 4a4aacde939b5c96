// The support log's side of the system (kernel32): its file, its clock and the
// debugger output. Safe to call from both threads.
#pragma once

#include <cstdint>
#include <string>

#include "env/win_types.h"

// A moment in local time, as GetLocalTime gives it.
struct LocalTime {
  unsigned year = 0, month = 0, day = 0;
  unsigned hour = 0, minute = 0, second = 0, milliseconds = 0;
};

class LogFile {
 public:
  virtual ~LogFile() = default;
  // GetLocalTime: the moment now.
  virtual LocalTime Now() = 0;
  // GetCurrentProcessId: the number that tells this run's lines from another's.
  virtual DWORD GetProcessId() = 0;
  // GetFileAttributesExA: true and *size set when the file exists; on failure
  // *size is not touched.
  virtual bool GetSize(const std::string& path, uint64_t* size) = 0;
  // MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING): true when moved.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  // CreateFileA(path, FILE_APPEND_DATA, share read, write and delete, NULL,
  // OPEN_ALWAYS, ...): opens path for appending, creating it when missing, and
  // closes any file opened before; false when it cannot be opened (nothing is
  // open then).
  virtual bool Open(const std::string& path) = 0;
  // WriteFile of the whole text at the end of the open file; false when
  // nothing is open or the write fails or falls short.
  virtual bool Append(const std::string& text) = 0;
  // OutputDebugStringA(text).
  virtual void DebugOutput(const char* text) = 0;
};
