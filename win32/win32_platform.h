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
  Win32Registry m_registry;
  Win32FileSystem m_files;
  Win32SystemInfo m_system;
  Win32ProcessRunner m_runner;
  Win32InfParser m_inf;
  Win32UserInterface m_ui;
  Win32DeviceIo m_device;
  Win32LogFile m_log;
  Win32Synchronization m_sync;
  Win32ShutdownControl m_shutdown;
};
