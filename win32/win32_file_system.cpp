#include "win32/win32_file_system.h"

#include "base/unique_handles.h"
#include "win32/win32_readable_file.h"

bool Win32FileSystem::GetAttributes(const std::string& path, DWORD* attributes) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  *attributes = data.dwFileAttributes;
  return true;
}

std::unique_ptr<ReadableFile> Win32FileSystem::OpenForRead(const std::string& path) {
  unique_hfile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32ReadableFile>(std::move(file));
}

std::vector<FoundFile> Win32FileSystem::FindFiles(const std::string& pattern) {
  std::vector<FoundFile> matches;
  WIN32_FIND_DATAA data;
  unique_hfind search(::FindFirstFileA(pattern.c_str(), &data));
  if (!search) return matches;
  do {
    FoundFile match;
    match.name = data.cFileName;
    match.attributes = data.dwFileAttributes;
    matches.push_back(std::move(match));
  } while (::FindNextFileA(search.get(), &data));
  return matches;
}

UINT Win32FileSystem::QueryDriveType(const std::string& root) {
  return ::GetDriveTypeA(root.c_str());
}
