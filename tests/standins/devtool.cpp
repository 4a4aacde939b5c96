// Test helper: makes and reads root-enumerated devices through SetupAPI, as a
// bus driver would announce hardware, so that a driver package installer finds
// a device to install on.
//
//   devtool add <hardware id>    a device of class HIDClass with that hardware ID:
//                                SetupDiCreateDeviceInfoA(DICD_GENERATE_ID),
//                                SetupDiSetDeviceRegistryPropertyA(SPDRP_HARDWAREID),
//                                SetupDiCallClassInstaller(DIF_REGISTERDEVICE)
//   devtool show <hardware id>   every device with that hardware ID (any case)
//
// Output: per device "instance=<instance id>", then for show "driver=<driver key
// or empty>" and "service=<service or empty>". Exit code: 0 done, 1 a call failed
// (error=<code> printed), 2 a bad command line.
#include <windows.h>
// After windows.h, whose types it uses.
#include <setupapi.h>

#include <cstdio>
#include <string>

namespace {

// The class of the package's device: HIDClass.
const GUID kHidClass = {
    0x745a17a0, 0x74d3, 0x11d0, {0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda}};

int Failed(const char* what) {
  std::printf("error=%lu\n", static_cast<unsigned long>(GetLastError()));
  std::fprintf(stderr, "devtool: %s failed\n", what);
  return 1;
}

// A REG_SZ or REG_MULTI_SZ property as text (a multi-string's first string); "" when absent.
std::string Property(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property) {
  char buffer[1024] = {};
  if (!SetupDiGetDeviceRegistryPropertyA(set, device, property, nullptr,
                                         reinterpret_cast<BYTE*>(buffer), sizeof buffer - 2,
                                         nullptr))
    return std::string();
  return buffer;
}

std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA* device) {
  char id[512] = {};  // MAX_DEVICE_ID_LEN (200) and more
  return SetupDiGetDeviceInstanceIdA(set, device, id, sizeof id, nullptr) ? id : "";
}

int Add(const std::string& hardwareId) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(&kHidClass, nullptr);
  if (set == INVALID_HANDLE_VALUE) return Failed("SetupDiCreateDeviceInfoList");
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  // A multi-string: the ID, its NUL and the list's NUL.
  const std::string ids = hardwareId + '\0' + '\0';
  int code = 0;
  if (!SetupDiCreateDeviceInfoA(set, "HIDClass", &kHidClass, nullptr, nullptr, DICD_GENERATE_ID,
                                &device))
    code = Failed("SetupDiCreateDeviceInfoA");
  else if (!SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                              reinterpret_cast<const BYTE*>(ids.data()),
                                              static_cast<DWORD>(ids.size())))
    code = Failed("SetupDiSetDeviceRegistryPropertyA");
  else if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device))
    code = Failed("SetupDiCallClassInstaller(DIF_REGISTERDEVICE)");
  else
    std::printf("instance=%s\n", InstanceId(set, &device).c_str());
  SetupDiDestroyDeviceInfoList(set);
  return code;
}

int Show(const std::string& hardwareId) {
  HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE) return Failed("SetupDiGetClassDevsA");
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
    if (lstrcmpiA(Property(set, &device, SPDRP_HARDWAREID).c_str(), hardwareId.c_str()) != 0)
      continue;
    std::printf("instance=%s\ndriver=%s\nservice=%s\n", InstanceId(set, &device).c_str(),
                Property(set, &device, SPDRP_DRIVER).c_str(),
                Property(set, &device, SPDRP_SERVICE).c_str());
  }
  SetupDiDestroyDeviceInfoList(set);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "add") return Add(argv[2]);
  if (argc == 3 && std::string(argv[1]) == "show") return Show(argv[2]);
  std::fprintf(stderr, "usage: devtool add|show <hardware id>\n");
  return 2;
}
