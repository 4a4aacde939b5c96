#include "package/detection_key.h"

#include <string>

#include "env/platform.h"
#include "env/registry.h"
#include "env/registry_key.h"
#include "env/support_log.h"
#include "package/driver_ver_line.h"
#include "package/machine_key.h"
#include "package/uninstall_entry_list.h"

namespace {

void LogDeletion(const char* path, LONG result) {
  LogLine("Registry delete " + MachineKeyForLog(path) + ": result " + std::to_string(result) +
          (result == ERROR_FILE_NOT_FOUND ? " (not there)" : ""));
}

// No copy is left: the key goes, and the vendor's key above it when the
// product's was all it held.
void DeleteDetectionKey(Registry& registry) {
  const REGSAM view = UninstallKeyView();
  const LONG deleted = registry.DeleteKey(HKEY_LOCAL_MACHINE, DETECTION_KEY_PATH, view);
  LogDeletion(DETECTION_KEY_PATH, deleted);
  if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) return;
  RegistryKey vendor(&registry);
  if (registry.OpenKey(HKEY_LOCAL_MACHINE, DETECTION_KEY_PARENT_PATH, KEY_QUERY_VALUE | view,
                       vendor.put()) != ERROR_SUCCESS)
    return;
  DWORD subKeys = 0, values = 0;
  const LONG queried = registry.QueryKeyCounts(vendor.get(), &subKeys, &values);
  vendor.reset();
  if (queried != ERROR_SUCCESS || subKeys != 0 || values != 0) return;
  LogDeletion(DETECTION_KEY_PARENT_PATH,
              registry.DeleteKey(HKEY_LOCAL_MACHINE, DETECTION_KEY_PARENT_PATH, view));
}

}  // namespace

int FindNewestCopy(CUninstallEntryList& list) {
  int newest = -1, firstWithText = -1;
  VersionNumbers newestNumbers = {};
  for (int i = 0; i < list.GetSize(); ++i) {
    const std::string version = list.ElementAt(i).GetDriverVersion();
    if (firstWithText == -1 && !version.empty()) firstWithText = i;
    VersionNumbers numbers;
    if (!ParseVersionNumbers(version, &numbers)) continue;
    if (newest == -1 || numbers > newestNumbers) {
      newest = i;
      newestNumbers = numbers;
    }
  }
  if (newest != -1) return newest;
  if (firstWithText != -1) return firstWithText;
  return list.GetSize() > 0 ? 0 : -1;
}

void RecordDetectionKey(CUninstallEntryList& list) {
  Registry& registry = *GetPlatform().registry;
  if (!list.IsKeyRead()) {
    LogLine("Detection key " + MachineKeyForLog(DETECTION_KEY_PATH) +
            " left as it is: the \"Uninstall\" entries could not be read");
    return;
  }
  if (list.GetSize() == 0) {
    DeleteDetectionKey(registry);
    return;
  }
  RegistryKey key(&registry);
  const LONG created = registry.CreateKey(HKEY_LOCAL_MACHINE, DETECTION_KEY_PATH,
                                          KEY_SET_VALUE | UninstallKeyView(), key.put());
  if (created != ERROR_SUCCESS) {
    LogLine("Registry write " + MachineKeyForLog(DETECTION_KEY_PATH) + ": key not created, error " +
            std::to_string(created));
    return;
  }
  const CUninstallEntry& newest = list.ElementAt(FindNewestCopy(list));
  SetLoggedString(registry, key.get(), DETECTION_KEY_PATH, "DisplayVersion",
                  newest.GetDriverVersion());
  SetLoggedString(registry, key.get(), DETECTION_KEY_PATH, "UninstallKey", newest.GetKeyName());
  SetLoggedDword(registry, key.get(), DETECTION_KEY_PATH, "Copies",
                 static_cast<DWORD>(list.GetSize()));
}
