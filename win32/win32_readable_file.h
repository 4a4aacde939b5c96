// A file opened by Win32FileSystem::OpenForRead; the handle closes with the object.
#pragma once

#include "base/unique_handles.h"
#include "env/readable_file.h"

class Win32ReadableFile : public ReadableFile {
 public:
  // Takes ownership of an open file handle.
  explicit Win32ReadableFile(unique_hfile file) : m_file(std::move(file)) {}
  // GetFileSizeEx; *length is not touched on failure.
  bool GetLength(uint64_t* length) override;
  // ReadFile; *bytesRead is 0 at the end of the file.
  bool Read(void* buffer, DWORD size, DWORD* bytesRead) override;

 private:
  unique_hfile m_file;
};
