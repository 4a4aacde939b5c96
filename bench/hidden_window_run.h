// The shape every silent run of a setup program has, for the benchmark's own
// programs: a GUI process whose hidden main window starts one worker thread on
// creation; the worker does the job and closes the window, and the process ends
// with the job's exit code.
#pragma once

#include <windows.h>

#include <string>

#include "tests/standins/process_text.h"  // CommandLineAfterProgramName

// The job of the worker thread; its result becomes the process's exit code.
using HiddenWindowJob = DWORD (*)(const std::string& argument);

// Registers a window class, creates a hidden WS_OVERLAPPEDWINDOW window, starts
// the worker on WM_CREATE, runs the message loop until the worker has closed
// the window, and returns the job's result (0x80000000 when no window or worker
// could be made).
DWORD RunWithHiddenWindow(HINSTANCE instance, HiddenWindowJob job, const std::string& argument);

// Runs a command line as the setup program does (CreateProcessA without an
// application name) and waits for it; its exit code, or 0x80000000 | the
// system error when it could not be started.
DWORD RunAndWait(const std::string& commandLine);
