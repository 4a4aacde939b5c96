#include "win32/win32_process_runner.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "base/unique_handles.h"
#include "win32/proc_address.h"
#include "win32/wait_for_object.h"

namespace {

// FILETIME as one number of 100-ns units.
uint64_t FileTimeValue(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// GetProcessTimes: the creation time; false with *error.
bool ReadCreationTime(HANDLE process, uint64_t* creationTime, DWORD* error) {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
    *error = ::GetLastError();
    return false;
  }
  *creationTime = FileTimeValue(created);
  return true;
}

class Win32StartedProcess : public StartedProcess {
 public:
  Win32StartedProcess(HANDLE process, HANDLE thread, DWORD id)
      : m_process(process), m_thread(thread), m_id(id) {}
  ~Win32StartedProcess() override {
    m_process.reset();  // the process handle first, then the thread's
    m_thread.reset();
  }

  DWORD Wait(DWORD* error) override { return WaitForObject(m_process.get(), INFINITE, error); }

  BOOL GetExitCode(DWORD* exitCode, DWORD* error) override {
    DWORD code = 0;
    if (!::GetExitCodeProcess(m_process.get(), &code)) {
      *error = ::GetLastError();
      return FALSE;
    }
    *exitCode = code;
    return TRUE;
  }

  bool GetIdentity(ProcessIdentity* identity, DWORD* error) override {
    identity->processId = m_id;
    return ReadCreationTime(m_process.get(), &identity->creationTime, error);
  }

 private:
  unique_handle m_process;
  unique_handle m_thread;
  DWORD m_id;
};

class Win32OpenedProcess : public OpenedProcess {
 public:
  explicit Win32OpenedProcess(HANDLE process) : m_process(process) {}

  bool GetCreationTime(uint64_t* creationTime, DWORD* error) override {
    return ReadCreationTime(m_process.get(), creationTime, error);
  }

  DWORD Wait(DWORD milliseconds, DWORD* error) override {
    return WaitForObject(m_process.get(), milliseconds, error);
  }

 private:
  unique_handle m_process;
};

// A file mapping and, from its first use, a view of all of it.
class Win32CommandMarker : public CommandMarker {
 public:
  Win32CommandMarker(HANDLE mapping, DWORD viewAccess) : m_mapping(mapping), m_access(viewAccess) {}
  ~Win32CommandMarker() override { m_view.reset(); }  // the view before the mapping

  HANDLE handle() const { return m_mapping.get(); }

  bool Write(const std::string& bytes, DWORD* error) override {
    if (m_access != FILE_MAP_WRITE) {
      *error = ERROR_ACCESS_DENIED;
      return false;
    }
    if (!Map(error)) return false;
    if (bytes.size() > m_size) {
      *error = ERROR_INSUFFICIENT_BUFFER;
      return false;
    }
    std::memcpy(m_view.get(), bytes.data(), bytes.size());
    return true;
  }

  bool Read(std::string* bytes, DWORD* error) override {
    if (!Map(error)) return false;
    // A record is a page; another program's object may be large.
    constexpr size_t kMaxRead = 64 * 1024;
    bytes->assign(static_cast<const char*>(m_view.get()), std::min(m_size, kMaxRead));
    return true;
  }

 private:
  // Maps the whole object (its size is its creator's) and learns that size.
  bool Map(DWORD* error) {
    if (m_view) return true;
    m_view.reset(::MapViewOfFile(m_mapping.get(), m_access, 0, 0, 0));
    MEMORY_BASIC_INFORMATION region;
    if (!m_view || ::VirtualQuery(m_view.get(), &region, sizeof region) == 0) {
      *error = ::GetLastError();
      m_view.reset();
      return false;
    }
    m_size = region.RegionSize;
    return true;
  }

  unique_handle m_mapping;
  DWORD m_access;
  unique_view m_view;
  size_t m_size = 0;
};

// What Vista and later add to process creation, named here for any
// _WIN32_WINNT: the extended start-up record and the handle-list attribute.
constexpr DWORD kExtendedStartupInfoPresent = 0x00080000;
constexpr DWORD_PTR kProcThreadAttributeHandleList = 0x00020002;
struct StartupInfoExA {
  STARTUPINFOA StartupInfo;
  void* lpAttributeList;
};
// The record's sizes (cb) per word size: the 64-bit test build has its own.
constexpr size_t kStartupInfoSize = sizeof(void*) == 8 ? 104 : 68;
static_assert(sizeof(StartupInfoExA) == kStartupInfoSize + sizeof(void*),
              "the extended start-up record");

using InitializeAttributeListFn = BOOL(WINAPI*)(void*, DWORD, DWORD, SIZE_T*);
using UpdateAttributeFn = BOOL(WINAPI*)(void*, DWORD, DWORD_PTR, void*, SIZE_T, void*, SIZE_T*);
using DeleteAttributeListFn = void(WINAPI*)(void*);

// CreateProcessA with handle inheritance, the started program inheriting
// inherited alone: through an attribute list where Windows has one (Vista and
// later); elsewhere every inheritable handle goes, so the standard handles
// (which a deployment tool may have given this program as inheritable pipes)
// are made non-inheritable first, as a start without inheritance leaves them.
BOOL CreateInheriting(char* commandLine, HANDLE inherited, PROCESS_INFORMATION* info) {
  const HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  const auto initialize =
      GetProcAddressAs<InitializeAttributeListFn>(kernel32, "InitializeProcThreadAttributeList");
  const auto update = GetProcAddressAs<UpdateAttributeFn>(kernel32, "UpdateProcThreadAttribute");
  const auto destroy =
      GetProcAddressAs<DeleteAttributeListFn>(kernel32, "DeleteProcThreadAttributeList");
  if (!initialize || !update || !destroy) {
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
      const HANDLE standard = ::GetStdHandle(which);
      if (standard && standard != INVALID_HANDLE_VALUE)
        ::SetHandleInformation(standard, HANDLE_FLAG_INHERIT, 0);
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    return ::CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, info);
  }

  SIZE_T size = 0;
  initialize(nullptr, 1, 0, &size);  // fails by design, telling the size
  std::vector<BYTE> list(size);
  if (size == 0 || !initialize(list.data(), 1, 0, &size)) return FALSE;
  BOOL started = update(list.data(), 0, kProcThreadAttributeHandleList, &inherited,
                        sizeof(inherited), nullptr, nullptr);
  if (started) {
    StartupInfoExA startup = {};
    startup.StartupInfo.cb = sizeof(startup);
    startup.lpAttributeList = list.data();
    started =
        ::CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, kExtendedStartupInfoPresent,
                         nullptr, nullptr, &startup.StartupInfo, info);
  }
  const DWORD error = ::GetLastError();
  destroy(list.data());
  ::SetLastError(error);
  return started;
}

}  // namespace

std::unique_ptr<StartedProcess> Win32ProcessRunner::Start(std::string commandLine,
                                                          CommandMarker* marker, DWORD* error) {
  PROCESS_INFORMATION info = {};
  // commandLine is this call's own copy: CreateProcessA may write into it.
  BOOL started = FALSE;
  if (marker) {
    started = CreateInheriting(&commandLine[0], static_cast<Win32CommandMarker*>(marker)->handle(),
                               &info);
  } else {
    // No window placement, show state, title or standard handles are imposed.
    STARTUPINFOA startup = {};
    static_assert(sizeof(startup) == kStartupInfoSize, "the start-up record");
    startup.cb = sizeof(startup);
    started = ::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info);
  }
  if (!started) {
    *error = ::GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32StartedProcess>(info.hProcess, info.hThread, info.dwProcessId);
}

std::unique_ptr<CommandMarker> Win32ProcessRunner::CreateMarker(const std::string& name, DWORD size,
                                                                bool* existed, DWORD* error) {
  // Inheritable, so that the program started with it keeps it alive.
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, TRUE};
  const HANDLE mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0,
                                              size, name.c_str());
  const DWORD last = ::GetLastError();
  if (!mapping) {
    *error = last;
    return nullptr;
  }
  *existed = last == ERROR_ALREADY_EXISTS;
  return std::make_unique<Win32CommandMarker>(mapping, FILE_MAP_WRITE);
}

std::unique_ptr<CommandMarker> Win32ProcessRunner::OpenMarker(const std::string& name,
                                                              DWORD* error) {
  const HANDLE mapping = ::OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
  if (!mapping) {
    *error = ::GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32CommandMarker>(mapping, FILE_MAP_READ);
}

std::unique_ptr<OpenedProcess> Win32ProcessRunner::OpenProcess(DWORD processId, DWORD* error) {
  // PROCESS_QUERY_LIMITED_INFORMATION, which XP and Server 2003 do not know.
  constexpr DWORD kQueryLimited = 0x1000;
  HANDLE process = ::OpenProcess(SYNCHRONIZE | kQueryLimited, FALSE, processId);
  if (!process) process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
  if (!process) {
    *error = ::GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32OpenedProcess>(process);
}
