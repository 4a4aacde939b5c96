// The support log's file, clock and debugger output through kernel32. The
// file is opened once for appending (every write lands at its end, whatever
// other writers do) and shared, so that a support engineer can read it while
// the program runs; writes from the two threads are serialised.
#pragma once

#include <windows.h>

#include "base/unique_handles.h"
#include "env/log_file.h"

class Win32LogFile : public LogFile {
 public:
  Win32LogFile();
  ~Win32LogFile() override;
  Win32LogFile(const Win32LogFile&) = delete;
  Win32LogFile& operator=(const Win32LogFile&) = delete;

  // GetLocalTime.
  LocalTime Now() override;
  // GetCurrentProcessId.
  DWORD GetProcessId() override;
  // GetFileAttributesExA; false for a missing file or a directory.
  bool GetSize(const std::string& path, uint64_t* size) override;
  // MoveFileExA with MOVEFILE_REPLACE_EXISTING.
  bool Rename(const std::string& from, const std::string& to) override;
  // CreateFileA(FILE_APPEND_DATA, share read, write and delete, OPEN_ALWAYS).
  bool Open(const std::string& path) override;
  // WriteFile of the whole text; false on a short or failed write.
  bool Append(const std::string& text) override;
  // OutputDebugStringA.
  void DebugOutput(const char* text) override;

 private:
  CRITICAL_SECTION m_lock;
  unique_hfile m_file;
};
