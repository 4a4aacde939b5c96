// The receiver's device interface, opened as a file.
#pragma once

#include "env/device_io.h"

class Win32DeviceIo : public DeviceIo {
 public:
  // Opens path for reading and writing, unshared; when it opens, sends one
  // control request with a 4-byte output buffer and ignores its outcome. The
  // handle is closed before returning. true when the open succeeded.
  bool OpenAndControl(const std::string& path, DWORD controlCode) override;
};
