#include "win32/win32_device_io.h"

#include "base/unique_handles.h"

bool Win32DeviceIo::OpenAndControl(const std::string& path, DWORD controlCode) {
  unique_hfile device(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  if (!device) return false;
  DWORD output = 0;
  DWORD bytesReturned = 0;
  ::DeviceIoControl(device.get(), controlCode, nullptr, 0, &output, sizeof(output), &bytesReturned,
                    nullptr);
  return true;
}
