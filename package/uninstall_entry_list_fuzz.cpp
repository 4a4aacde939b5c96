// Fuzzes Scan over an Uninstall key of any shape: subkey names of any length
// and bytes, values of any type and size (beyond the 260-byte buffer too,
// without terminators, with zero bytes inside), subkeys that do not open,
// enumeration errors at single indexes or at all of them, a missing key, and
// both registry views. The scan must find exactly the readable commands that
// name the package's INF, in enumeration order, end, and close every key.
//
// Input: one flag byte ('1' WOW64 with two views, '2' code page 932, '4' no
// Uninstall key, '8' enumeration fails at every index; the bits combine; the
// high nibble modulo 3 picks the registry rule of XP x64, Vista or 7 and later),
// then records separated by line feeds. A record whose first byte has bit 7
// set is an enumeration error: index = the next byte, error = one of eight by
// the low bits. Any other record is a subkey: "<op><name>\t<data>", where op's
// low three bits pick the value type, bit 3 leaves the value out, bit 4 makes
// the subkey fail to open and bit 5 stores the data with a terminating zero;
// '\' and NUL in names become '/' and '_'.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "env/mbcs.h"
#include "package/uninstall_entry_list.h"
#include "tests/fakes/fake_platform.h"

namespace {

constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr DWORD kTypes[] = {REG_SZ, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_NONE, 7, 42};
constexpr LONG kErrors[] = {ERROR_MORE_DATA,
                            ERROR_ACCESS_DENIED,
                            ERROR_KEY_DELETED,
                            6,
                            ERROR_INVALID_PARAMETER,
                            ERROR_NO_MORE_ITEMS,
                            1,
                            1450};

struct Subkey {
  std::string name;
  bool hasValue = false;
  bool openFails = false;
  DWORD type = REG_SZ;
  std::string data;  // as stored
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool wow64 = data[0] & 1, shiftJis = data[0] & 2, noKey = data[0] & 4,
             enumAlwaysFails = data[0] & 8;
  const FakeRegistry::View view = FakeRegistry::View::k64;

  std::vector<Subkey> subkeys;
  std::set<std::string> names;  // the registry's names are unique without regard to case
  std::map<DWORD, LONG> enumErrors;
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  for (size_t pos = 0; pos < input.size();) {
    size_t end = input.find('\n', pos);
    if (end == std::string::npos) end = input.size();
    const std::string record = input.substr(pos, end - pos);
    pos = end + 1;
    if (record.empty()) continue;
    const auto op = static_cast<unsigned char>(record[0]);
    if (op & 0x80) {
      if (record.size() >= 2) enumErrors[static_cast<unsigned char>(record[1])] = kErrors[op & 7];
      continue;
    }
    const size_t tab = record.find('\t', 1);
    Subkey key;
    key.name = record.substr(1, tab == std::string::npos ? std::string::npos : tab - 1);
    for (char& c : key.name)
      if (c == '\\' || c == '\0') c = c == '\\' ? '/' : '_';
    if (key.name.empty() || !names.insert(AsciiLower(key.name)).second) continue;
    key.hasValue = !(op & 0x08);
    key.openFails = op & 0x10;
    key.type = kTypes[op & 7];
    if (tab != std::string::npos) key.data = record.substr(tab + 1);
    if (op & 0x20) key.data += '\0';
    subkeys.push_back(key);
  }

  FakePlatform p;
  p.system.codePage = shiftJis ? CodePage::ShiftJis() : CodePage::Ascii();
  p.system.wow64 = wow64 ? TRUE : FALSE;
  // 64-bit Windows by the rule of XP x64, Vista or 7 and later.
  constexpr FakeRegistry::ViewRule kRules[] = {FakeRegistry::ViewRule::kXpX64,
                                               FakeRegistry::ViewRule::kVista,
                                               FakeRegistry::ViewRule::kWin7};
  p.registry.SetViewRule(wow64 ? kRules[(data[0] >> 4) % 3] : FakeRegistry::ViewRule::kOneView);
  p.files.AddFile("C:\\Windows\\INF\\zavcir.inf", "DriverVer=01/01/2020,1.0\r\n");
  if (!noKey) {
    p.registry.AddKey(kUninstallKey, view);
    // Decoys in the 32-bit view, which a 64-bit scan must not see.
    if (wow64)
      p.registry.SetString(std::string(kUninstallKey) + "\\decoy", "UninstallString",
                           "x /u zavcir.inf", FakeRegistry::View::k32);
  }
  const std::string base = std::string(kUninstallKey) + "\\";
  for (const Subkey& key : subkeys) {
    if (noKey) break;
    p.registry.AddKey(base + key.name, view);
    if (key.hasValue)
      p.registry.SetRaw(base + key.name, "UninstallString", key.type, key.data, view);
    if (key.openFails) p.registry.FailOpen(base + key.name, ERROR_ACCESS_DENIED, view);
  }
  for (const auto& [index, error] : enumErrors) p.registry.FailEnumAt(kUninstallKey, index, error);
  if (enumAlwaysFails) p.registry.FailEnumAlways(kUninstallKey, ERROR_ACCESS_DENIED);

  // The scan's rule, walked over the same subkeys.
  std::vector<std::string> expected;
  if (!noKey && !enumAlwaysFails) {
    for (DWORD index = 0;; ++index) {
      const auto error = enumErrors.find(index);
      if (error != enumErrors.end()) {
        if (error->second == ERROR_NO_MORE_ITEMS) break;
        continue;
      }
      if (index >= subkeys.size()) break;
      const Subkey& key = subkeys[index];
      if (key.name.size() >= MAX_PATH || key.openFails || !key.hasValue ||
          key.data.size() > MAX_PATH)
        continue;
      const std::string command =
          MbLower(key.data.substr(0, key.data.find('\0')), p.system.codePage);
      if (MbFind(command, "zavcir.inf", p.system.codePage) != std::string::npos)
        expected.push_back(key.name);
    }
  }

  CUninstallEntryList list;
  const int count = list.Scan();
  if (count != list.GetSize() || count != static_cast<int>(expected.size())) std::abort();
  for (int i = 0; i < count; ++i) {
    if (list.ElementAt(i).GetKeyName() != expected[i]) std::abort();
    if (MbFind(list.ElementAt(i).GetUninstallCommand(), "zavcir.inf", p.system.codePage) ==
        std::string::npos)
      std::abort();
  }
  if (p.registry.OpenKeyCount() != 0) std::abort();
  return 0;
}
