// Installs, for its lifetime, the system services that the product's Setup.ini
// walk (ReadPackageSubdirectory) asks for: the INF parser given and a system
// whose code page has ASCII case rules and no lead bytes. The tags are ASCII,
// so a key matches a tag under these rules exactly when it does under the
// rules of any single-byte code page. Restores the previous services at the end.
#pragma once

#include <memory>

#include "env/platform.h"

class ScopedCheckerPlatform {
 public:
  explicit ScopedCheckerPlatform(InfParser* inf);
  ~ScopedCheckerPlatform();
  ScopedCheckerPlatform(const ScopedCheckerPlatform&) = delete;
  ScopedCheckerPlatform& operator=(const ScopedCheckerPlatform&) = delete;

 private:
  Platform m_previous;
  std::unique_ptr<SystemInfo> m_system;
};
