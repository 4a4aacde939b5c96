#include "framework/thread_win.h"

#include <process.h>

#include "base/unique_handles.h"

namespace {

struct ThreadStart {
  AFX_THREADPROC proc;
  LPVOID param;
};

unsigned __stdcall ThreadEntry(void* data) {
  const ThreadStart start = *static_cast<ThreadStart*>(data);
  delete static_cast<ThreadStart*>(data);
  return start.proc(start.param);
}

}  // namespace

bool AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize,
                    DWORD createFlags, LPSECURITY_ATTRIBUTES security) {
  if (!proc || createFlags != 0) return false;
  ThreadStart* start = new ThreadStart{proc, param};
  // Suspended until its priority is set; it runs from the resume on.
  const uintptr_t handle =
      ::_beginthreadex(security, stackSize, &ThreadEntry, start, CREATE_SUSPENDED, nullptr);
  if (handle == 0) {
    delete start;
    return false;
  }
  unique_handle thread(reinterpret_cast<HANDLE>(handle));
  if (priority != THREAD_PRIORITY_NORMAL) ::SetThreadPriority(thread.get(), priority);
  // Should the resume fail, the thread stays suspended and never calls proc.
  return ::ResumeThread(thread.get()) != static_cast<DWORD>(-1);
}
