// A FileSystem for the unit tests: paths in memory.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "env/file_system.h"
#include "env/win_types.h"

// A file system of paths (compared without regard to ASCII case, as Windows
// does) that are either directories or files with contents.
class FakeFileSystem : public FileSystem {
 public:
  void AddDirectory(const std::string& path, DWORD extraAttributes = 0);
  void AddFile(const std::string& path, const std::string& contents, DWORD extraAttributes = 0);
  void Remove(const std::string& path);
  // Paths that cannot be opened for reading (they still exist).
  void MakeUnreadable(const std::string& path) { m_unreadable.push_back(Key(path)); }
  // Reads of this file return fewer bytes than its length.
  void MakeShortRead(const std::string& path) { m_shortRead.push_back(Key(path)); }

  bool GetAttributes(const std::string& path, DWORD* attributes) override;
  std::unique_ptr<ReadableFile> OpenForRead(const std::string& path) override;
  // Supports one '*' in the last component, matched without regard to ASCII case.
  std::vector<FoundFile> FindFiles(const std::string& pattern) override;
  // The type of a root in driveTypes; DRIVE_NO_ROOT_DIR for any other root,
  // and for one without its trailing backslash, which the call requires.
  UINT QueryDriveType(const std::string& root) override;

  // The drives of this process by root, in lower case ("c:\\").
  std::map<std::string, UINT> driveTypes{{"c:\\", DRIVE_FIXED}};

 private:
  struct Node {
    std::string path;  // as added
    bool directory = false;
    DWORD attributes = 0;
    std::string contents;
  };
  static std::string Key(const std::string& path);
  std::map<std::string, Node> m_nodes;
  std::vector<std::string> m_unreadable;
  std::vector<std::string> m_shortRead;
};
