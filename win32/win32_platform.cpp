#include "win32/win32_platform.h"

#include "env/platform.h"

void Win32Platform::Install() {
  Platform platform;
  platform.registry = &registry_;
  platform.files = &files_;
  platform.system = &system_;
  platform.runner = &runner_;
  platform.inf = &inf_;
  platform.ui = &ui_;
  platform.device = &device_;
  platform.log = &log_;
  platform.sync = &sync_;
  platform.shutdown = &shutdown_;
  SetPlatform(platform);
}
