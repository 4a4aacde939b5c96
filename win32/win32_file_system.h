// Files and directories through the ANSI functions of kernel32.
#pragma once

#include "env/file_system.h"

class Win32FileSystem : public FileSystem {
 public:
  bool GetAttributes(const std::string& path, DWORD* attributes) override;
  // Opens an existing file for reading while others may still read and write it.
  std::unique_ptr<ReadableFile> OpenForRead(const std::string& path) override;
  // Every match of FindFirstFileA/FindNextFileA; the search closes before returning.
  std::vector<FoundFile> FindFiles(const std::string& pattern) override;
  UINT QueryDriveType(const std::string& root) override;
};
