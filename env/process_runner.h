// Starting programs: the command runner's system side, and the marks that tell
// a later run which of them still runs.
#pragma once

#include <memory>
#include <string>

#include "env/command_marker.h"
#include "env/opened_process.h"
#include "env/started_process.h"
#include "env/win_types.h"

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
