// Files and directories (kernel32).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "env/readable_file.h"
#include "env/win_types.h"

// One match of a directory search.
struct FoundFile {
  std::string name;  // the match's own name, without its directory
  DWORD attributes = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // GetFileAttributesExA(path, GetFileExInfoStandard): true and *attributes set
  // when the path exists and can be queried; on failure *attributes is not touched.
  virtual bool GetAttributes(const std::string& path, DWORD* attributes) = 0;
  // CreateFileA for reading of an existing file, sharing read and write with
  // others; nullptr when it cannot be opened. The file closes when released.
  virtual std::unique_ptr<ReadableFile> OpenForRead(const std::string& path) = 0;
  // FindFirstFileA/FindNextFileA over a wildcard pattern: every match in the
  // order the system yields it ("." and ".." included if the pattern matches
  // them); empty when nothing matches.
  virtual std::vector<FoundFile> FindFiles(const std::string& pattern) = 0;
  // GetDriveTypeA(root), root being a drive's root with its trailing backslash
  // ("Z:\\"): DRIVE_NO_ROOT_DIR when this process has no such drive, else the
  // drive's type (DRIVE_FIXED, DRIVE_REMOTE, ...). Drive letters that a user
  // maps to shares live in one logon session: an administrator's elevated
  // programs run in another one and lack the letters mapped without elevation.
  virtual UINT QueryDriveType(const std::string& root) = 0;
};
