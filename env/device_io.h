// The receiver's device interface, opened as a file (kernel32).
#pragma once

#include <string>

#include "env/win_types.h"

class DeviceIo {
 public:
  virtual ~DeviceIo() = default;
  // CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0,
  // NULL); when it opens, one DeviceIoControl(controlCode, no input, 4-byte
  // output) whose outcome is ignored. true when the open succeeded.
  virtual bool OpenAndControl(const std::string& path, DWORD controlCode) = 0;
};
