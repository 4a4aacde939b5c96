#include "tests/fakes/fake_device_io.h"

bool FakeDeviceIo::OpenAndControl(const std::string& path, DWORD controlCode) {
  opened.push_back(path);
  if (!present) return false;
  controlCodes.push_back(controlCode);
  return true;
}
