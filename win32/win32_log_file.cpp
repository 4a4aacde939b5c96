#include "win32/win32_log_file.h"

namespace {

// Holds a critical section for the lifetime of the object.
class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CRITICAL_SECTION* section) : m_section(section) {
    ::EnterCriticalSection(m_section);
  }
  ~CriticalSectionLock() { ::LeaveCriticalSection(m_section); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CRITICAL_SECTION* m_section;
};

}  // namespace

Win32LogFile::Win32LogFile() { ::InitializeCriticalSection(&m_lock); }

Win32LogFile::~Win32LogFile() {
  m_file.reset();
  ::DeleteCriticalSection(&m_lock);
}

LocalTime Win32LogFile::Now() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  LocalTime now;
  now.year = t.wYear;
  now.month = t.wMonth;
  now.day = t.wDay;
  now.hour = t.wHour;
  now.minute = t.wMinute;
  now.second = t.wSecond;
  now.milliseconds = t.wMilliseconds;
  return now;
}

DWORD Win32LogFile::GetProcessId() { return ::GetCurrentProcessId(); }

bool Win32LogFile::GetSize(const std::string& path, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool Win32LogFile::Rename(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool Win32LogFile::Open(const std::string& path) {
  unique_hfile file(::CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  CriticalSectionLock lock(&m_lock);
  m_file = std::move(file);
  return static_cast<bool>(m_file);
}

bool Win32LogFile::Append(const std::string& text) {
  CriticalSectionLock lock(&m_lock);
  if (!m_file) return false;
  DWORD written = 0;
  return ::WriteFile(m_file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) &&
         written == text.size();
}

void Win32LogFile::DebugOutput(const char* text) { ::OutputDebugStringA(text); }
