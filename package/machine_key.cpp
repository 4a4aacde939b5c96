#include "package/machine_key.h"

#include "env/probes.h"
#include "env/registry.h"
#include "env/support_log.h"

namespace {

void LogWrite(const std::string& path, const char* name, const std::string& shown, LONG result) {
  LogLine("Registry write " + MachineKeyForLog(path) + " " + name + " = " + shown + ": result " +
          std::to_string(result));
}

}  // namespace

std::string MachineKeyForLog(const std::string& path) {
  return "HKLM\\" + path + (IsWow64() ? " (64-bit view)" : "");
}

LONG SetLoggedString(Registry& registry, HKEY key, const std::string& path, const char* name,
                     const std::string& text) {
  const LONG written =
      registry.SetValue(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
  LogWrite(path, name, "\"" + text + "\" (REG_SZ)", written);
  return written;
}

LONG SetLoggedDword(Registry& registry, HKEY key, const std::string& path, const char* name,
                    DWORD value) {
  // REG_DWORD data is the number's four bytes, least significant first.
  const BYTE data[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                        static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
  const LONG written = registry.SetValue(key, name, REG_DWORD, data, sizeof data);
  LogWrite(path, name, std::to_string(value) + " (REG_DWORD)", written);
  return written;
}
