// The Win32 implementations of every platform interface, as one set that the
// program installs at start-up.
#pragma once

#include "win32/win32_device_io.h"
#include "win32/win32_file_system.h"
#include "win32/win32_inf_parser.h"
#include "win32/win32_log_file.h"
#include "win32/win32_process_runner.h"
#include "win32/win32_registry.h"
#include "win32/win32_shutdown_control.h"
#include "win32/win32_synchronization.h"
#include "win32/win32_system_info.h"
#include "win32/win32_user_interface.h"

class Win32Platform {
 public:
  // Makes this set the one in force (SetPlatform). The object must outlive
  // every use of the platform: keep it for the whole process.
  void Install();

 private:
  Win32Registry registry_;
  Win32FileSystem files_;
  Win32SystemInfo system_;
  Win32ProcessRunner runner_;
  Win32InfParser inf_;
  Win32UserInterface ui_;
  Win32DeviceIo device_;
  Win32LogFile log_;
  Win32Synchronization sync_;
  Win32ShutdownControl shutdown_;
};
