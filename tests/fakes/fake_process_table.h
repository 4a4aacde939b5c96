// The processes and command markers of a fake machine, for FakeProcessRunner,
// as Windows documents them: a named file mapping exists while any handle of
// it is open, in any process (a started program inherits one and keeps it
// until it ends), and starts as zeros; a process id names its process while
// the process runs or a handle of it is open, and may then go to a later
// process with another creation time. Time passes on the machine's tick count
// while this run waits for a process or sleeps; a process of another run that
// is given a time ends when that much has passed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "env/command_marker.h"
#include "env/opened_process.h"

class FakeProcessTable {
 public:
  struct Process {
    uint64_t creationTime = 0;
    bool running = true;
    bool forever = false;  // runs until ended (this run's programs: until waited for)
    DWORD runsForMs = 0;   // else: how much longer it runs
    DWORD openError = 0;   // OpenProcess fails with it (another account's: ERROR_ACCESS_DENIED)
    int handles = 0;       // this run's open handles of it
  };
  struct Marker {
    std::string bytes;
    int handles = 0;          // this run's open handles
    std::set<DWORD> holders;  // running processes that inherited a handle
    DWORD openError = 0;      // OpenMarker fails with it (ERROR_ACCESS_DENIED)
    DWORD createError = 0;    // CreateMarker fails with it while the marker exists
  };

  std::map<DWORD, Process> processes;  // by id
  std::map<std::string, Marker> markers;
  std::set<std::string> otherKinds;  // names held by objects of another kind (a mutex)
  DWORD* ticks = nullptr;            // the machine's tick count
  DWORD waitError = 0;               // waits for an opened process fail with it
  DWORD createError = 0;             // every CreateMarker fails with it (no privilege)
  int openedProcesses = 0;           // OpenProcess handles open now

  // A process of another run holding the marker name, whose bytes are record.
  void AddHolder(DWORD id, Process process, const std::string& name, const std::string& record);
  // Time passes: running processes of a limited time go on, or end.
  void Pass(DWORD milliseconds);
  // The process ends: the markers it held lose it; its id is free once no
  // handle of it is open.
  void End(DWORD id);
  // Whether the marker exists.
  bool Exists(const std::string& name) const { return markers.count(name) != 0; }

  std::unique_ptr<CommandMarker> CreateMarker(const std::string& name, DWORD size, bool* existed,
                                              DWORD* error);
  std::unique_ptr<CommandMarker> OpenMarker(const std::string& name, DWORD* error);
  std::unique_ptr<OpenedProcess> OpenProcess(DWORD id, DWORD* error);
  // A marker made here, inherited by the process started as id.
  void Inherit(CommandMarker* marker, DWORD id);

  // For the handles: drops the marker or process once nothing refers to it.
  void Release(const std::string& name);
  void ReleaseProcess(DWORD id);
};
