// An in-memory Synchronization for the unit tests: one named mutex of a fake
// machine, which another run may hold for a while, for ever, or until it ends
// without releasing it (the mutex is then abandoned), and a tick count that
// moves only while a wait passes. It behaves as Windows documents the calls:
// a wait that times out has taken its whole time, closing a handle does not
// give up ownership, and only the owner may release.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "env/synchronization.h"

class FakeSynchronization : public Synchronization {
 public:
  enum class Holder { kNobody, kOtherRun, kThisRun };

  // The mutex, who owns it, and whether its last owner ended without
  // releasing it (the next wait then returns WAIT_ABANDONED).
  Holder holder = Holder::kNobody;
  bool abandoned = false;
  // While another run holds it: how many milliseconds more it does, or for
  // ever; and whether it then ends without releasing it.
  DWORD otherHoldsForMs = 0;
  bool otherHoldsForever = false;
  bool otherAbandons = false;
  DWORD ticks = 1000;  // GetTickCount

  // Faults: CreateNamedMutex and OpenNamedMutex fail with these errors
  // (0: they succeed); every wait fails with waitError (0: none).
  DWORD createError = 0;
  DWORD openError = 0;
  DWORD waitError = 0;

  // What happened.
  std::vector<std::string> created;  // names passed to CreateNamedMutex
  std::vector<std::string> opened;   // names passed to OpenNamedMutex
  std::vector<DWORD> waits;          // the time of every wait
  int releases = 0;                  // successful releases
  int openHandles = 0;
  bool closedWhileOwned = false;    // a handle was closed while this run owned the mutex
  std::function<void()> onRelease;  // called by a release of the owner, before it takes effect

  std::unique_ptr<NamedMutex> CreateNamedMutex(const std::string& name, DWORD* error) override;
  std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string& name, DWORD* error) override;
  DWORD GetTickCount() override { return ticks; }

  // For the fake's handles.
  DWORD Wait(DWORD milliseconds, DWORD* error);
  bool Release();

 private:
  // A handle, or nullptr with *error = fault when fault is not 0.
  std::unique_ptr<NamedMutex> NewHandle(DWORD fault, DWORD* error);
};
