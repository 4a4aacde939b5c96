// The owner of one open registry key (base/unique_resource.h): the key is
// closed through the Registry that opened it on every way out of the owner's
// scope. A caller names that Registry once and lets OpenKey fill the slot:
//   RegistryKey key(registry);
//   registry->OpenKey(parent, name, access, key.put());
// OpenKey leaves the slot alone when it fails, so the owner then holds nothing.
#pragma once

#include "base/unique_resource.h"
#include "env/registry.h"
#include "env/win_types.h"

// Closes keys through one Registry (Registry::CloseKey).
class RegistryKeyCloser {
 public:
  // Not explicit: RegistryKey key(registry) names the registry alone.
  RegistryKeyCloser(Registry* registry) : m_registry(registry) {}
  static HKEY Invalid() { return nullptr; }
  void Close(HKEY key) const { m_registry->CloseKey(key); }

 private:
  Registry* m_registry;
};

using RegistryKey = unique_resource<HKEY, RegistryKeyCloser>;
