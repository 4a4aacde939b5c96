// A file opened for reading in byte mode (FileSystem::OpenForRead); its handle
// is closed (CloseHandle) when it is released.
#pragma once

#include <cstdint>

#include "env/win_types.h"

class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // GetFileSizeEx: true and *length set on success.
  virtual bool GetLength(uint64_t* length) = 0;
  // ReadFile: true on success with *bytesRead set (0 at the end of the file).
  virtual bool Read(void* buffer, DWORD size, DWORD* bytesRead) = 0;
};
