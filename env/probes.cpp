#include "env/probes.h"

#include "env/code_page.h"
#include "env/mbcs.h"
#include "env/platform.h"
#include "env/support_log.h"

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

void GetModuleDirectory(std::string& dir) {
  SystemInfo* system = GetPlatform().system;
  std::string path = system->GetModuleFileName();
  const size_t nul = path.find('\0');
  if (nul != std::string::npos) path.resize(nul);
  dir = CutModuleDirectory(path, system->GetCodePage());
}

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
  g_wow64Cache = GetPlatform().system->QueryWow64() ? TRUE : FALSE;
  return g_wow64Cache;
}

BOOL DisableFsRedirection(PVOID* pOldValue) {
  return GetPlatform().system->DisableFsRedirection(pOldValue);
}

BOOL RevertFsRedirection(PVOID oldValue) {
  return GetPlatform().system->RevertFsRedirection(oldValue);
}

void Trace(const char* text) {
  TraceSink* sink = GetPlatform().trace;
  if (sink && text) sink->Write(text);
  LogTraceLine(text);
}

void Trace(const std::string& text) { Trace(text.c_str()); }

void ResetProbeCachesForTesting() {
  g_osKindCache = -1;
  g_wow64Cache = -1;
}
