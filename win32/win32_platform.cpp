#include "win32/win32_platform.h"

#include "env/platform.h"

void Win32Platform::Install() {
  Platform platform;
  platform.registry = &m_registry;
  platform.files = &m_files;
  platform.system = &m_system;
  platform.runner = &m_runner;
  platform.inf = &m_inf;
  platform.ui = &m_ui;
  platform.device = &m_device;
  platform.log = &m_log;
  platform.sync = &m_sync;
  platform.shutdown = &m_shutdown;
  SetPlatform(platform);
}
