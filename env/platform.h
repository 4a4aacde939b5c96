// The process-wide set of the narrow interfaces through which the portable core
// reaches the operating system, one header each (env/registry.h,
// env/file_system.h, env/system_info.h, env/process_runner.h, env/inf_parser.h,
// env/user_interface.h, env/device_io.h, env/log_file.h,
// env/synchronization.h, env/shutdown_control.h). The Windows build installs
// the real implementations at start-up (win32/); the unit tests install
// in-memory fakes (tests/fakes/). Every operation states the one Windows call
// it stands for and the results the core relies on.
#pragma once

class Registry;
class FileSystem;
class SystemInfo;
class ProcessRunner;
class InfParser;
class UserInterface;
class DeviceIo;
class LogFile;
class Synchronization;
class ShutdownControl;

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
