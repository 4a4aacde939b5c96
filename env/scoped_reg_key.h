// The scoped owner of one open registry key: the key is closed through the
// installed Registry on every way out of the owner's scope.
#pragma once

#include <utility>

#include "env/platform.h"
#include "env/registry.h"
#include "env/win_types.h"

class ScopedRegKey {
 public:
  ScopedRegKey() = default;
  ~ScopedRegKey() { Close(); }
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;
  ScopedRegKey(ScopedRegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  ScopedRegKey& operator=(ScopedRegKey&& other) noexcept {
    if (this != &other) {
      Close();
      key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
  }

  // The open key, or nullptr.
  HKEY get() const { return key_; }
  // Closes any key held and hands out the slot for an OpenKey call to fill;
  // the key stored there is owned from then on.
  HKEY* receive() {
    Close();
    return &key_;
  }
  // Closes the key now, if one is held.
  void Close() {
    if (key_) GetPlatform().registry->CloseKey(std::exchange(key_, nullptr));
  }

 private:
  HKEY key_ = nullptr;
};
