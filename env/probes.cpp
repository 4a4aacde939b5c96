#include "env/probes.h"

#include "env/code_page.h"
#include "env/file_system.h"
#include "env/mbcs.h"
#include "env/platform.h"
#include "env/system_info.h"
#include "env/user_interface.h"

namespace {

// -1 until computed; written on the main thread before any other thread exists.
int g_osKindCache = -1;
int g_wow64Cache = -1;

}  // namespace

int ClassifyOsVersion(const OsVersion& version) {
  const DWORD major = version.majorVersion;
  const DWORD minor = version.minorVersion;
  if (version.platformId == VER_PLATFORM_WIN32_NT) {
    if (major > 6) return OS_WIN7;
    if (major == 6) return minor >= 1 ? OS_WIN7 : OS_VISTA;
    if (major == 5) return minor >= 1 ? OS_WINXP : OS_WIN2000;
    return OS_WIN2000;
  }
  if (major < 4) return OS_WIN9X;
  return minor >= 90 ? OS_WINME : OS_WIN9X;
}

std::string CutModuleDirectory(const std::string& modulePath, const CodePage& cp) {
  const size_t slash = MbFindLastChar(modulePath, '\\', cp);
  if (slash == std::string::npos) return std::string();
  return modulePath.substr(0, slash);
}

namespace {

// The prefixes that lift the MAX_PATH limit of the wide file calls.
constexpr char16_t kLongPathPrefix[] = u"\\\\?\\";      // \\?\C:\...
constexpr char16_t kLongUncPrefix[] = u"\\\\?\\UNC\\";  // \\?\UNC\server\share\...

bool StartsWithNoCase(const std::u16string& text, const std::u16string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char16_t a = text[i], b = prefix[i];
    if (a >= u'a' && a <= u'z') a = static_cast<char16_t>(a - u'a' + u'A');
    if (b >= u'a' && b <= u'z') b = static_cast<char16_t>(b - u'a' + u'A');
    if (a != b) return false;
  }
  return true;
}

// The short form of a full path. GetShortPathNameW takes a path of MAX_PATH
// characters or more only with the \\?\ prefix, so a longer drive or share
// path gets the prefix for the query and loses it again in the answer.
bool QueryShortForm(SystemInfo& system, const std::u16string& path, std::u16string* shortPath) {
  const bool drive = path.size() >= 3 && path[1] == u':' && path[2] == u'\\';
  const bool share = StartsWithNoCase(path, u"\\\\") && !StartsWithNoCase(path, u"\\\\?\\") &&
                     !StartsWithNoCase(path, u"\\\\.\\");
  std::u16string query = path, added, removed;
  if (path.size() >= MAX_PATH && (drive || share)) {
    added = drive ? kLongPathPrefix : kLongUncPrefix;
    removed = drive ? u"" : u"\\\\";
    query = added + path.substr(removed.size());
  }
  std::u16string answer;
  if (!system.GetShortPathNameW(query, &answer)) return false;
  if (!added.empty() && StartsWithNoCase(answer, added))
    answer = removed + answer.substr(added.size());
  *shortPath = answer;
  return true;
}

// A form of the path in the ANSI code page; lossy where it is not exact.
ModulePathForm ToAnsiForm(SystemInfo& system, const std::u16string& path) {
  ModulePathForm form;
  form.known = true;
  bool usedDefault = true;
  form.exact = system.WideCharToAnsi(path, &form.text, &usedDefault) && !usedDefault;
  return form;
}

// Fit for the 260-character buffers of the ANSI calls, the NUL included.
bool Usable(const ModulePathForm& form) { return form.exact && form.text.size() < MAX_PATH; }

// Why neither form can be used: the last form that was known decides.
ModuleDirForm Failure(const ModuleDirectory& result) {
  const ModulePathForm& last = result.shortForm.known ? result.shortForm : result.full;
  return last.exact ? MODULE_DIR_TOO_LONG : MODULE_DIR_UNNAMEABLE;
}

}  // namespace

ModuleDirectory FindModuleDirectory() {
  SystemInfo& system = *GetPlatform().system;
  ModuleDirectory result;
  const std::u16string path = system.GetModuleFileNameW();
  if (path.empty()) return result;

  result.full = ToAnsiForm(system, path);
  const CodePage& cp = system.GetCodePage();
  if (Usable(result.full)) {
    result.form = MODULE_DIR_LONG;
    result.dir = CutModuleDirectory(result.full.text, cp);
    return result;
  }
  std::u16string shortPath;
  if (QueryShortForm(system, path, &shortPath)) {
    result.shortForm = ToAnsiForm(system, shortPath);
    if (Usable(result.shortForm)) {
      result.form = MODULE_DIR_SHORT;
      result.dir = CutModuleDirectory(result.shortForm.text, cp);
      return result;
    }
  }
  result.form = Failure(result);
  return result;
}

void GetModuleDirectory(std::string& dir) { dir = FindModuleDirectory().dir; }

BOOL IsDirectory(const std::string& path) {
  DWORD attributes = 0;
  if (!GetPlatform().files->GetAttributes(path, &attributes)) return FALSE;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? TRUE : FALSE;
}

BOOL IsFile(const std::string& path) {
  DWORD attributes = 0;
  if (!GetPlatform().files->GetAttributes(path, &attributes)) return FALSE;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FALSE : TRUE;
}

int GetOsKind() {
  if (g_osKindCache != -1) return g_osKindCache;
  OsVersion version;
  if (GetPlatform().system->GetVersion(&version))
    g_osKindCache = ClassifyOsVersion(version);
  else
    g_osKindCache = OS_WIN9X;
  return g_osKindCache;
}

BOOL IsWow64() {
  if (g_wow64Cache != -1) return g_wow64Cache;
  // Any non-zero answer is kept as TRUE, so that the cache can never read -1.
  SystemInfo& system = *GetPlatform().system;
  g_wow64Cache = system.IsProcess64Bit() || system.QueryWow64() ? TRUE : FALSE;
  return g_wow64Cache;
}

NativeMachine GetNativeMachine() {
  NativeMachine native;
  WORD machine = IMAGE_FILE_MACHINE_UNKNOWN;
  native.error = GetPlatform().system->QueryNativeMachine(&machine);
  if (native.error == ERROR_SUCCESS) native.machine = machine;
  return native;
}

bool IsArmHost(const NativeMachine& native) {
  return native.error == ERROR_SUCCESS &&
         (native.machine == IMAGE_FILE_MACHINE_ARM64 || native.machine == IMAGE_FILE_MACHINE_ARMNT);
}

WindowStation GetWindowStation() {
  UserInterface& ui = *GetPlatform().ui;
  WindowStation station;
  DWORD flags = 0;
  station.error = ui.QueryWindowStationFlags(&flags);
  if (station.error == ERROR_SUCCESS) station.flags = flags;
  station.name = ui.GetWindowStationName();
  return station;
}

bool IsVisible(const WindowStation& station) {
  return station.error != ERROR_SUCCESS || (station.flags & WSF_VISIBLE) != 0;
}

BOOL DisableFsRedirection(PVOID* pOldValue) {
  return GetPlatform().system->DisableFsRedirection(pOldValue);
}

BOOL RevertFsRedirection(PVOID oldValue) {
  return GetPlatform().system->RevertFsRedirection(oldValue);
}

void ResetProbeCachesForTesting() {
  g_osKindCache = -1;
  g_wow64Cache = -1;
}
