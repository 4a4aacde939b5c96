// In-memory stand-ins for the system services, for the native unit tests, one
// file each: FakePlatform installs them all for the lifetime of the object and
// resets the probe caches around it.
#pragma once

#include "tests/fakes/fake_device_io.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_inf_parser.h"
#include "tests/fakes/fake_log_file.h"
#include "tests/fakes/fake_process_runner.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_shutdown_control.h"
#include "tests/fakes/fake_synchronization.h"
#include "tests/fakes/fake_system_info.h"
#include "tests/fakes/fake_user_interface.h"

struct FakePlatform {
  FakePlatform();
  ~FakePlatform();
  FakeRegistry registry;
  FakeFileSystem files;
  FakeSystemInfo system;
  FakeProcessRunner runner;
  FakeInfParser inf;
  FakeUserInterface ui;
  FakeDeviceIo device;
  FakeLogFile log;
  FakeSynchronization sync;
  FakeShutdownControl shutdown{system};
};
