#include "env/setup_ini.h"

#include <memory>

#include "env/inf_parser.h"
#include "env/mbcs.h"
#include "env/probes.h"

namespace {

// Key and value are read through buffers of this many characters, NUL included.
constexpr DWORD kFieldSize = MAX_PATH;

}  // namespace

std::string GetEditionTag(int osKind, BOOL wow64) {
  switch (osKind) {
    case OS_WINXP:
      return wow64 ? "WinXP64" : "WinXP32";
    case OS_VISTA:
      return wow64 ? "Vista64" : "Vista32";
    case OS_WIN7:
      return wow64 ? "Win7_64" : "Win7_32";
    default:
      return std::string();
  }
}

SetupIniResult ReadPackageSubdirectory(InfParser& parser, const CodePage& cp,
                                       const std::string& moduleDir, const std::string& tag,
                                       std::string* value) {
  // Without the program's own folder the path would name "\\Setup.ini" in the
  // root of the current drive: some other file, not this distribution's.
  if (moduleDir.empty()) return SETUP_INI_OPEN_FAILED;
  const std::unique_ptr<InfFile> inf = parser.Open(moduleDir + "\\Setup.ini");
  if (!inf) return SETUP_INI_OPEN_FAILED;

  char found[kFieldSize] = "";
  if (inf->FindFirstLine("Dir")) {
    do {
      char key[kFieldSize];
      if (!inf->GetStringField(0, key, kFieldSize)) continue;
      key[kFieldSize - 1] = '\0';
      if (!MbEqualNoCase(key, tag, cp)) continue;
      // The first value that can be read ends the walk, even an empty one.
      if (inf->GetStringField(1, found, kFieldSize)) break;
      found[0] = '\0';
    } while (inf->FindNextLine());
  }
  found[kFieldSize - 1] = '\0';

  if (found[0] == '\0') return SETUP_INI_NO_LINE;
  *value = found;
  return SETUP_INI_FOUND;
}
