#include "tests/fakes/fake_platform.h"

#include "env/platform.h"
#include "env/probes.h"

FakePlatform::FakePlatform() {
  runner.table.ticks = &sync.ticks;
  system.onSleep = [this](DWORD ms) { runner.table.Pass(ms); };
  Platform platform;
  platform.registry = &registry;
  platform.files = &files;
  platform.system = &system;
  platform.runner = &runner;
  platform.inf = &inf;
  platform.ui = &ui;
  platform.device = &device;
  platform.log = &log;
  platform.sync = &sync;
  platform.shutdown = &shutdown;
  SetPlatform(platform);
  ResetProbeCachesForTesting();
}

FakePlatform::~FakePlatform() {
  SetPlatform(Platform{});
  ResetProbeCachesForTesting();
}
