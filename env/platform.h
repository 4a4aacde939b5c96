// The narrow interfaces through which the portable core reaches the operating
// system, and the process-wide set of them. The Windows build installs the real
// implementations at start-up (win32/); the unit tests install in-memory fakes
// (tests/fakes/). Every operation states the one Windows call it stands for and
// the results the core relies on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "env/code_page.h"
#include "env/win_types.h"

// The registry (advapi32). Keys are the system's own HKEY values; the core holds
// every key it opens in a ScopedRegKey (env/scoped_reg_key.h).
class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyExA(parent, subKey, 0, access, key). Returns ERROR_SUCCESS and sets
  // *key; on failure *key is not touched. A missing key is never created. Under
  // WOW64, below HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY in access reaches the
  // 64-bit view and no flag (or KEY_WOW64_32KEY) the 32-bit one. Below an open
  // parent the view reached differs by version: XP x64 and Server 2003 follow
  // the call's flag alone (none: the 32-bit view); Vista and Server 2008 the
  // call's flag, else the parent's view; 7 and later the parent's view, which
  // only KEY_WOW64_32KEY leaves (KEY_WOW64_64KEY below a 32-bit parent stays
  // 32-bit). So only a call that names the same flag as its parent reaches the
  // parent's view on every version.
  virtual LONG OpenKey(HKEY parent, const char* subKey, REGSAM access, HKEY* key) = 0;
  // RegEnumKeyExA(key, index, name, nameLength, ...): on entry *nameLength is
  // the buffer's size in characters. ERROR_SUCCESS: name holds the subkey's
  // name with its terminator; ERROR_NO_MORE_ITEMS: no subkey at index or beyond;
  // anything else is an error for this index (ERROR_MORE_DATA: name too long).
  virtual LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) = 0;
  // RegQueryValueExA(key, valueName, NULL, type, data, dataSize): on entry
  // *dataSize is the buffer's size; on success it holds the size of the data
  // written. ERROR_MORE_DATA when the data does not fit.
  virtual LONG QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data,
                          DWORD* dataSize) = 0;
  // RegSetValueExA(key, valueName, 0, type, data, dataSize).
  virtual LONG SetValue(HKEY key, const char* valueName, DWORD type, const BYTE* data,
                        DWORD dataSize) = 0;
  // Deletes one key that has no subkeys: RegDeleteKeyA(parent, subKey) when view
  // is 0, else RegDeleteKeyExA(parent, subKey, view, 0) with view KEY_WOW64_64KEY
  // (or KEY_WOW64_32KEY), looked up by name in advapi32 (32-bit XP lacks it;
  // ERROR_CALL_NOT_IMPLEMENTED where it is missing). Both open the subkey with
  // DELETE and that view flag (none for RegDeleteKeyA), so the view they reach
  // below an open parent follows OpenKey's rule: RegDeleteKeyA deletes the
  // 32-bit key on XP x64, the key of the parent's view on Vista and later.
  virtual LONG DeleteKey(HKEY parent, const char* subKey, REGSAM view) = 0;
  // RegCloseKey(key).
  virtual LONG CloseKey(HKEY key) = 0;
};

// A file opened for reading in byte mode.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // GetFileSize: true and *length set on success.
  virtual bool GetLength(uint64_t* length) = 0;
  // ReadFile: true on success with *bytesRead set (0 at the end of the file).
  virtual bool Read(void* buffer, DWORD size, DWORD* bytesRead) = 0;
};

// One match of a directory search.
struct FoundFile {
  std::string name;  // the match's own name, without its directory
  DWORD attributes = 0;
};

// Files and directories (kernel32).
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

// What the system tells about itself (kernel32).
struct OsVersion {
  DWORD platformId = 0;
  DWORD majorVersion = 0;
  DWORD minorVersion = 0;
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // GetModuleFileNameW(NULL, buffer, 32768): the executable's full path in
  // UTF-16, in the form it was started with (long or short names, perhaps with
  // the \\?\ prefix); the buffer holds the longest path Windows allows. Empty
  // on failure, and when the path fills the whole buffer, which means it was
  // cut (XP then leaves it unterminated and still reports success).
  virtual std::u16string GetModuleFileNameW() = 0;
  // GetShortPathNameW(path, buffer, size), asked once more with the size that a
  // too small buffer's answer names (that size counts the NUL): true and
  // *shortPath set to the path with each component that has a short name
  // replaced by it; the path itself where none has (names already short, or
  // a volume that makes no short names). A \\?\ or \\?\UNC\ prefix is kept.
  // false when the path cannot be queried: missing, a parent folder that may
  // not be read, or MAX_PATH characters or more without such a prefix.
  virtual bool GetShortPathNameW(const std::u16string& path, std::u16string* shortPath) = 0;
  // WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, ..., NULL,
  // &usedDefault): true, *ansi set to the text in the ANSI code page and
  // *usedDefault to whether any character became the default character, as
  // the flag makes every character without a code of its own (look-alikes
  // included). An ANSI code page of UTF-8 takes neither the flag nor the
  // pointer: every valid text converts exactly there. false when the text
  // cannot be converted at all.
  virtual bool WideCharToAnsi(const std::u16string& text, std::string* ansi, bool* usedDefault) = 0;
  // GetVersionExA with the 148-byte OSVERSIONINFOA. false when the query fails;
  // *version is then not touched.
  virtual bool GetVersion(OsVersion* version) = 0;
  // IsWow64Process looked up by name in the loaded "kernel32" and called for the
  // current process; FALSE where the function is absent or fails.
  virtual BOOL QueryWow64() = 0;
  // Whether this process's own code is 64-bit: true only in the 64-bit test
  // build (never shipped), which runs on 64-bit Windows by definition and so
  // takes the 64-bit tag and registry view without asking IsWow64Process.
  virtual bool IsProcess64Bit() = 0;
  // IsWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine), looked
  // up by name in the loaded "kernel32" (Windows 10 1709 and later). ERROR_SUCCESS
  // with *nativeMachine set to the IMAGE_FILE_MACHINE_* value of the host:
  // IMAGE_FILE_MACHINE_AMD64 or IMAGE_FILE_MACHINE_ARM64 for this 32-bit x86
  // program under WOW64 (also on Windows 10 on ARM, where IsWow64Process answers
  // FALSE), IMAGE_FILE_MACHINE_I386 on 32-bit Windows; Wine 8 answers as
  // Windows does for its prefix's machine. ERROR_PROC_NOT_FOUND where the function is
  // absent, else GetLastError() of the failed call; *nativeMachine is then not
  // touched.
  virtual DWORD QueryNativeMachine(WORD* nativeMachine) = 0;
  // Wow64DisableWow64FsRedirection / Wow64RevertWow64FsRedirection, looked up in
  // "Kernel32.dll" on every call; FALSE where absent. Both act on the calling thread.
  virtual BOOL DisableFsRedirection(PVOID* oldValue) = 0;
  virtual BOOL RevertFsRedirection(PVOID oldValue) = 0;
  // GetWindowsDirectoryA through a 260-character buffer; the text up to its NUL.
  virtual std::string GetWindowsDirectory() = 0;
  // The active ANSI code page: its lead bytes and single-byte lower-casing.
  virtual const CodePage& GetCodePage() = 0;
  // Sleep(milliseconds).
  virtual void Sleep(DWORD milliseconds) = 0;
  // FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
  // FORMAT_MESSAGE_MAX_WIDTH_MASK, NULL, code, 0, buffer, 1024, NULL): the
  // system's text for an error code in the language Windows picks, as one line
  // (line breaks become blanks) without trailing blanks; empty when the system
  // has no text for it (ERROR_MR_MID_NOT_FOUND) or the call fails.
  virtual std::string FormatSystemMessage(DWORD code) = 0;
};

// Who a process is: its id, and the creation time of its process
// (GetProcessTimes, a FILETIME in 100-ns units). An id is valid only while the
// process exists or a handle to it is open, and is then given to later
// processes; the creation time tells those apart.
struct ProcessIdentity {
  DWORD processId = 0;
  uint64_t creationTime = 0;
};

// A program started by ProcessRunner::Start. Its process and thread handles
// are closed (CloseHandle, the process handle first) when it is released.
class StartedProcess {
 public:
  virtual ~StartedProcess() = default;
  // WaitForSingleObject(process, INFINITE): WAIT_OBJECT_0 once the program has
  // ended; WAIT_FAILED when the wait failed, with *error set to GetLastError().
  virtual DWORD Wait(DWORD* error) = 0;
  // GetExitCodeProcess(process, exitCode): TRUE with *exitCode set (STILL_ACTIVE,
  // 259, while the program runs); FALSE with *error set to GetLastError(), and
  // *exitCode not touched.
  virtual BOOL GetExitCode(DWORD* exitCode, DWORD* error) = 0;
  // The dwProcessId that CreateProcessA gave, and GetProcessTimes(process, ...)
  // for its creation time: true with *identity set; false with *error set to
  // GetLastError() when the time cannot be read.
  virtual bool GetIdentity(ProcessIdentity* identity, DWORD* error) = 0;
};

// A process that this run did not start, opened by its id
// (ProcessRunner::OpenProcess) to be waited for; closed (CloseHandle) when
// released. An open handle keeps its id from being given to another process.
class OpenedProcess {
 public:
  virtual ~OpenedProcess() = default;
  // GetProcessTimes(process, ...): true with *creationTime set; false with
  // *error = GetLastError().
  virtual bool GetCreationTime(uint64_t* creationTime, DWORD* error) = 0;
  // WaitForSingleObject(process, milliseconds): WAIT_OBJECT_0 once it has
  // ended, WAIT_TIMEOUT while it runs after the time, WAIT_FAILED with *error.
  virtual DWORD Wait(DWORD milliseconds, DWORD* error) = 0;
};

// A handle of a command marker: a named file mapping backed by the paging file,
// whose few bytes carry a record of the command it marks. The object lives as
// long as any handle of it is open, in any process, and never past a restart;
// its pages start as zeros. Closed (UnmapViewOfFile of its view, CloseHandle)
// when released.
class CommandMarker {
 public:
  virtual ~CommandMarker() = default;
  // Copies bytes to the start of the view (mapped at the first use, as for
  // Read); false, with *error, when the view cannot be mapped for writing (an
  // opened marker) or bytes do not fit in it.
  virtual bool Write(const std::string& bytes, DWORD* error) = 0;
  // The bytes of a view of the whole object, at most its first 64 KiB
  // (MapViewOfFile with FILE_MAP_READ for an opened marker, FILE_MAP_WRITE for
  // a created one; VirtualQuery for its size); false, with *error, when it
  // cannot be mapped.
  virtual bool Read(std::string* bytes, DWORD* error) = 0;
};

// Starting programs: the command runner's system side, and the marks that tell
// a later run which of them still runs.
class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;
  // Without a marker: CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0,
  // NULL, NULL, startup, info) with a STARTUPINFOA of which only the size (68)
  // is set. With one: the started program inherits the marker's handle, and
  // that handle alone where Windows can say so: CreateProcessA(..., TRUE,
  // EXTENDED_STARTUPINFO_PRESENT, ...) with a STARTUPINFOEXA (size 72) whose
  // attribute list has PROC_THREAD_ATTRIBUTE_HANDLE_LIST naming it
  // (InitializeProcThreadAttributeList, UpdateProcThreadAttribute and
  // DeleteProcThreadAttributeList looked up by name in kernel32: Vista and
  // later). Where they are absent (XP, Server 2003) every inheritable handle
  // goes with TRUE, so the standard handles are made non-inheritable first
  // (SetHandleInformation). Returns the started program, or nullptr with
  // *error set to GetLastError(). commandLine is the call's own copy, which
  // CreateProcessA may write into.
  virtual std::unique_ptr<StartedProcess> Start(std::string commandLine, CommandMarker* inherited,
                                                DWORD* error) = 0;
  // CreateFileMappingA(INVALID_HANDLE_VALUE, {inheritable, default security},
  // PAGE_READWRITE, 0, size, name): the marker, created with size zero bytes,
  // or the existing object of that name (*existed true: GetLastError() gave
  // ERROR_ALREADY_EXISTS; its size is its creator's). nullptr with *error on
  // failure: ERROR_ACCESS_DENIED when the name exists and its security refuses
  // this caller, or when the caller lacks SeCreateGlobalPrivilege, which a
  // "Global\" name needs outside session 0 (administrators and services have
  // it); ERROR_INVALID_HANDLE when the name belongs to an object of another
  // kind.
  virtual std::unique_ptr<CommandMarker> CreateMarker(const std::string& name, DWORD size,
                                                      bool* existed, DWORD* error) = 0;
  // OpenFileMappingA(FILE_MAP_READ, FALSE, name): the existing marker. nullptr
  // with *error on failure: ERROR_FILE_NOT_FOUND when no object has the name (the
  // last handle closed); ERROR_ACCESS_DENIED when it exists but its security
  // refuses reading; ERROR_INVALID_HANDLE when the name is another kind's.
  virtual std::unique_ptr<CommandMarker> OpenMarker(const std::string& name, DWORD* error) = 0;
  // OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id),
  // and where that fails, once more with PROCESS_QUERY_INFORMATION (XP and
  // Server 2003 know no limited right; GetProcessTimes takes either). nullptr
  // with *error on failure: ERROR_INVALID_PARAMETER when no process has the id;
  // ERROR_ACCESS_DENIED when its security refuses this caller (a process of
  // another account).
  virtual std::unique_ptr<OpenedProcess> OpenProcess(DWORD processId, DWORD* error) = 0;
};

// An INF-syntax file opened with SetupOpenInfFileA(path, NULL, INF_STYLE_OLDNT,
// NULL); closed (SetupCloseInfFile) when released. It owns one line context.
class InfFile {
 public:
  virtual ~InfFile() = default;
  // SetupFindFirstLineA(inf, section, NULL, &context): false when the section is
  // missing or empty.
  virtual bool FindFirstLine(const char* section) = 0;
  // SetupFindNextLine(&context, &context): false after the last line.
  virtual bool FindNextLine() = 0;
  // SetupGetStringFieldA(&context, index, buffer, size, NULL): false when the
  // line has no such field or the text with its NUL does not fit in size.
  virtual bool GetStringField(DWORD index, char* buffer, DWORD size) = 0;
};

class InfParser {
 public:
  virtual ~InfParser() = default;
  // nullptr stands for INVALID_HANDLE_VALUE: missing or unparsable file. A
  // file whose [Version] section has a Signature of a Windows-style INF
  // ("$Windows NT$", "$Chicago$" or "$Windows 95$", in any letter case) is
  // no legacy-style file: Windows refuses it with ERROR_WRONG_INF_STYLE
  // (Wine opens it).
  virtual std::unique_ptr<InfFile> Open(const std::string& path) = 0;
};

// The application's message box.
class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // MessageBoxA(owner, text, caption, MB_OK | MB_ICONEXCLAMATION), the caption
  // the application's name; owner may be NULL. Blocks until dismissed.
  virtual void MessageBox(const std::string& text, HWND owner) = 0;
};

// What ShutdownControl's block-reason calls did.
enum BlockReasonResult : int {
  BLOCK_REASON_DONE,         // the call succeeded
  BLOCK_REASON_UNAVAILABLE,  // user32 lacks the function (before Vista)
  BLOCK_REASON_FAILED,       // the call failed: *error holds GetLastError()
};

// Log-off and shutdown (kernel32, user32). When a session ends, Windows asks
// the top-level windows of one process after another with WM_QUERYENDSESSION,
// the processes by their shutdown level, higher first (every process starts
// at 0x280). A refusal (FALSE) holds on XP. From Vista on, a process whose
// windows are all hidden when asked and that refuses is terminated, unless
// one of its windows has a block reason: that one is listed on the shutdown
// screen with its reason, and the user decides.
class ShutdownControl {
 public:
  virtual ~ShutdownControl() = default;
  // SetProcessShutdownParameters(level, 0): the process is asked at level
  // (0x100 to 0x3FF for applications). Without SHUTDOWN_NORETRY, so that a
  // refusal is shown to the user, not answered by ending the process. false
  // with *error = GetLastError() (ERROR_INVALID_PARAMETER above 0x4FF).
  virtual bool SetShutdownLevel(DWORD level, DWORD* error) = 0;
  // ShutdownBlockReasonCreate(window, reason), looked up by name in the loaded
  // user32 (Vista and later; XP lacks it): the shutdown screen shows reason
  // (cut after 256 characters) for window until DestroyBlockReason. Fails with
  // ERROR_ACCESS_DENIED on every thread but the one that created window.
  virtual BlockReasonResult CreateBlockReason(HWND window, const std::u16string& reason,
                                              DWORD* error) = 0;
  // ShutdownBlockReasonDestroy(window), looked up the same way: frees the
  // reason (does nothing when there is none); the same thread rule.
  virtual BlockReasonResult DestroyBlockReason(HWND window, DWORD* error) = 0;
};

// The receiver's device interface.
class DeviceIo {
 public:
  virtual ~DeviceIo() = default;
  // CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0,
  // NULL); when it opens, one DeviceIoControl(controlCode, no input, 4-byte
  // output) whose outcome is ignored. true when the open succeeded.
  virtual bool OpenAndControl(const std::string& path, DWORD controlCode) = 0;
};

// A handle of a mutex, closed (CloseHandle) when released. Closing it does not
// give up ownership: only ReleaseMutex or the end of the owning thread does.
class NamedMutex {
 public:
  virtual ~NamedMutex() = default;
  // WaitForSingleObject(mutex, milliseconds). WAIT_OBJECT_0: the calling thread
  // owns the mutex now. WAIT_ABANDONED: it owns it now, and the thread that
  // owned it before ended without releasing it. WAIT_TIMEOUT: another thread
  // still owns it after the time. WAIT_FAILED: *error holds GetLastError().
  virtual DWORD Wait(DWORD milliseconds, DWORD* error) = 0;
  // ReleaseMutex(mutex): false (ERROR_NOT_OWNER) when the calling thread does
  // not own it.
  virtual bool Release() = 0;
};

// Named kernel objects that every process of the machine can reach, and the
// system's tick count (kernel32). A name with the "Global\" prefix lies in the
// global namespace, shared by every session (services, other users, remote
// desktops); Windows XP has the prefix as well. Any process may create a mutex
// there: only file mappings and symbolic links made there from a user's
// session need SeCreateGlobalPrivilege.
class Synchronization {
 public:
  virtual ~Synchronization() = default;
  // CreateMutexA(NULL, FALSE, name): the mutex of that name, created when
  // missing, with the default security of the caller's token; never owned by
  // the caller yet. nullptr with *error = GetLastError() on failure:
  // ERROR_ACCESS_DENIED when it exists and its security does not grant this
  // caller MUTEX_ALL_ACCESS (another account created it, such as a service's
  // LocalSystem, whose default security gives administrators only read and
  // synchronize access); ERROR_INVALID_HANDLE when the name belongs to an
  // object of another kind (event, semaphore, timer, job, file mapping).
  virtual std::unique_ptr<NamedMutex> CreateNamedMutex(const std::string& name, DWORD* error) = 0;
  // OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name): an existing
  // mutex with only the rights to wait for it and to release it. nullptr with
  // *error on failure (ERROR_FILE_NOT_FOUND: no such mutex).
  virtual std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string& name, DWORD* error) = 0;
  // GetTickCount: milliseconds since Windows started; wraps to 0 after 49.7
  // days, so only differences (modulo 2^32) are meaningful.
  virtual DWORD GetTickCount() = 0;
};

// A moment in local time, as GetLocalTime gives it.
struct LocalTime {
  unsigned year = 0, month = 0, day = 0;
  unsigned hour = 0, minute = 0, second = 0, milliseconds = 0;
};

// The support log's side of the system (kernel32): its file, its clock and the
// debugger output. Safe to call from both threads.
class LogFile {
 public:
  virtual ~LogFile() = default;
  // GetLocalTime.
  virtual LocalTime Now() = 0;
  // GetCurrentProcessId: the number that tells this run's lines from another's.
  virtual DWORD GetProcessId() = 0;
  // GetFileAttributesExA: true and *size set when the file exists; on failure
  // *size is not touched.
  virtual bool GetSize(const std::string& path, uint64_t* size) = 0;
  // MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING): true when moved.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  // Opens path for appending, creating it when missing, and closes any file
  // opened before; false when it cannot be opened (nothing is open then).
  virtual bool Open(const std::string& path) = 0;
  // Writes text at the end of the open file; false when nothing is open or
  // the write fails.
  virtual bool Append(const std::string& text) = 0;
  // OutputDebugStringA(text).
  virtual void DebugOutput(const char* text) = 0;
};

// The set of system services in force for the process. Every pointer is
// non-null once installed, but log may be null (then there is no support log,
// and no Trace line goes anywhere); the core never owns them.
struct Platform {
  Registry* registry = nullptr;
  FileSystem* files = nullptr;
  SystemInfo* system = nullptr;
  ProcessRunner* runner = nullptr;
  InfParser* inf = nullptr;
  UserInterface* ui = nullptr;
  DeviceIo* device = nullptr;
  LogFile* log = nullptr;
  Synchronization* sync = nullptr;
  ShutdownControl* shutdown = nullptr;
};

// The services installed with SetPlatform. Called only after installation.
Platform& GetPlatform();
// Installs the services; called once at start-up, before any other thread
// exists (the tests install theirs per test).
void SetPlatform(const Platform& platform);
