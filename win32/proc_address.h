// Looking up an optional system function by name at run time, so that the
// executable does not import it and still starts where the system lacks it.
#pragma once

#include <windows.h>

// The address of the function name in module as a pointer of type F, or nullptr
// when the module is NULL or does not export it.
template <typename F>
F GetProcAddressAs(HMODULE module, const char* name) {
  if (!module) return nullptr;
  // Through the generic function-pointer type, which converts to any other.
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}
