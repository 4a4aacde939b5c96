// Starting a worker thread in our small application framework.
#pragma once

#include <windows.h>

// A worker-thread procedure: receives the start parameter; its result becomes
// the thread's exit code.
typedef UINT (*AFX_THREADPROC)(LPVOID param);

// Starts a thread (through the run-time library, so that it may use it freely)
// that calls proc(param) at the given priority, with stackSize bytes of stack
// (0: the default). Only createFlags 0 is supported: the thread runs at once.
// Nothing of the thread is kept: its handle is closed here and its start record
// is freed by the thread itself. false when the thread could not be started.
bool AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                    UINT stackSize = 0, DWORD createFlags = 0,
                    LPSECURITY_ATTRIBUTES security = nullptr);
