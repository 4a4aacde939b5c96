#include "win32/win32_readable_file.h"

bool Win32ReadableFile::GetLength(uint64_t* length) {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(m_file.get(), &size)) return false;
  *length = static_cast<uint64_t>(size.QuadPart);
  return true;
}

bool Win32ReadableFile::Read(void* buffer, DWORD size, DWORD* bytesRead) {
  DWORD read = 0;
  const bool ok = ::ReadFile(m_file.get(), buffer, size, &read, nullptr) != FALSE;
  *bytesRead = ok ? read : 0;
  return ok;
}
