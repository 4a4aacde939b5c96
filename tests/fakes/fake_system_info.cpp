#include "tests/fakes/fake_system_info.h"

#include <cstdint>

bool FakeSystemInfo::GetShortPathNameW(const std::u16string& path, std::u16string* shortPath) {
  shortPathQueries.push_back(path);
  // Without the \\?\ prefix Windows takes fewer than MAX_PATH characters.
  const bool prefixed = path.compare(0, 4, u"\\\\?\\") == 0;
  if (shortPathFails || (!prefixed && path.size() >= MAX_PATH)) return false;
  std::vector<std::u16string> parts(1);
  for (char16_t c : path) {
    if (c == u'\\')
      parts.emplace_back();
    else
      parts.back() += c;
  }
  // The root keeps its form: C:, \\server\share, \\?\C:, \\?\UNC\server\share.
  size_t root = 1;
  if (prefixed)
    root = parts.size() > 3 && parts[3] == u"UNC" ? 6 : 4;
  else if (path.compare(0, 2, u"\\\\") == 0)
    root = 4;
  std::u16string answer;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) answer += u'\\';
    const auto it = shortNames.find(parts[i]);
    answer += i >= root && !shortNamesOff && it != shortNames.end() ? it->second : parts[i];
  }
  *shortPath = answer;
  return true;
}

bool FakeSystemInfo::WideCharToAnsi(const std::u16string& text, std::string* ansi,
                                    bool* usedDefault) {
  ansi->clear();
  *usedDefault = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const auto it = ansiCharacters.find(c);
    if (c < 0x80) {
      *ansi += static_cast<char>(c);
    } else if (it != ansiCharacters.end()) {
      *ansi += it->second;
    } else {
      // A surrogate pair is one character, and gets one default character.
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
          text[i + 1] < 0xE000)
        ++i;
      *ansi += '?';
      *usedDefault = true;
    }
  }
  return true;
}

bool FakeSystemInfo::GetVersion(OsVersion* v) {
  ++versionQueries;
  if (!versionOk) return false;
  *v = version;
  return true;
}

BOOL FakeSystemInfo::QueryWow64() {
  ++wow64Queries;
  return wow64;
}

DWORD FakeSystemInfo::QueryNativeMachine(WORD* machine) {
  if (nativeMachineError == ERROR_SUCCESS) *machine = nativeMachine;
  return nativeMachineError;
}

BOOL FakeSystemInfo::DisableFsRedirection(PVOID* oldValue) {
  ++disableCalls;
  if (!redirectionAvailable || !disableResult) return FALSE;
  *oldValue = reinterpret_cast<PVOID>(static_cast<uintptr_t>(0x5EED));
  redirectionOff = true;
  return TRUE;
}

BOOL FakeSystemInfo::RevertFsRedirection(PVOID oldValue) {
  ++revertCalls;
  revertedValue = oldValue;
  if (!redirectionAvailable) return FALSE;
  redirectionOff = false;
  return TRUE;
}
