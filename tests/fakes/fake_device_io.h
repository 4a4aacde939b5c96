// A DeviceIo for the unit tests: the receiver present or not, and every path
// and control code asked for.
#pragma once

#include <string>
#include <vector>

#include "env/device_io.h"
#include "env/win_types.h"

class FakeDeviceIo : public DeviceIo {
 public:
  bool present = false;
  std::vector<std::string> opened;
  std::vector<DWORD> controlCodes;
  bool OpenAndControl(const std::string& path, DWORD controlCode) override;
};
