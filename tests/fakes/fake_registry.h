// An in-memory registry with the two views of 64-bit Windows, for the unit
// tests. Paths are below HKEY_LOCAL_MACHINE, separated by '\', compared without
// regard to ASCII case. A 32-bit process under WOW64 reaches the 64-bit view
// from HKEY_LOCAL_MACHINE with KEY_WOW64_64KEY and the 32-bit view without it
// (or with KEY_WOW64_32KEY) on every version; below an open key each version
// has its own rule (ViewRule), as Wine's registry tests record them running on
// Windows (advapi32 test_redirection). A deletion opens the subkey with its
// view flag (none for RegDeleteKeyA) and follows the same rule. The parent's
// path is followed in the view reached. On 32-bit Windows there is one view
// and the flags are ignored.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "env/registry.h"

class FakeRegistry : public Registry {
 public:
  enum class View { k64, k32 };
  // The view that a call below an open key reaches, by Windows version.
  enum class ViewRule {
    kOneView,  // 32-bit Windows: one view, the flags ignored
    kXpX64,    // XP x64, Server 2003: the call's own flag; none: the 32-bit view
    kVista,    // Vista, Server 2008: the call's own flag; none: the parent's view
    kWin7,     // 7 and later: the parent's view; KEY_WOW64_32KEY alone leaves
               // a 64-bit parent, and KEY_WOW64_64KEY cannot leave a 32-bit one
  };

  FakeRegistry();
  ~FakeRegistry() override;

  void SetViewRule(ViewRule rule) { m_rule = rule; }

  // Set-up; keys on the way are created. View::k64 is the only view in 32-bit mode.
  void AddKey(const std::string& path, View view = View::k64);
  void SetString(const std::string& path, const std::string& name, const std::string& value,
                 View view = View::k64, DWORD type = REG_SZ);
  // Raw data of any type and size, stored as given (no terminator added).
  void SetRaw(const std::string& path, const std::string& name, DWORD type, const std::string& data,
              View view = View::k64);

  // Removes a key with its subkeys, as another program would: handles open on
  // them answer ERROR_KEY_DELETED from then on. A missing key is no error.
  void RemoveKey(const std::string& path, View view = View::k64);

  // Inspection.
  bool HasKey(const std::string& path, View view = View::k64) const;
  // The names of a key's direct subkeys, in enumeration order (none when the
  // key is missing).
  std::vector<std::string> SubkeyNames(const std::string& path, View view = View::k64) const;
  // The value's data as stored (with its terminating zero if one was written),
  // and its type; false when there is no such value.
  bool GetValue(const std::string& path, const std::string& name, std::string* data,
                DWORD* type = nullptr, View view = View::k64) const;
  // Keys opened and not yet closed.
  int OpenKeyCount() const { return static_cast<int>(m_handles.size()); }
  // Every access mask passed to OpenKey and CreateKey, in order.
  std::vector<REGSAM> accessMasks;
  // Every view passed to DeleteKey, in order.
  std::vector<REGSAM> deleteViews;

  // Fault injection.
  // EnumKey of this key answers this error at these indexes (others as usual).
  void FailEnumAt(const std::string& path, DWORD index, LONG error, View view = View::k64);
  // EnumKey of this key answers this error at every index.
  void FailEnumAlways(const std::string& path, LONG error, View view = View::k64);
  // OpenKey and CreateKey of this path (from any parent) fail with this error.
  void FailOpen(const std::string& path, LONG error, View view = View::k64);

  LONG OpenKey(HKEY parent, const char* subKey, REGSAM access, HKEY* key) override;
  LONG CreateKey(HKEY parent, const char* subKey, REGSAM access, HKEY* key) override;
  LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) override;
  LONG QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data,
                  DWORD* dataSize) override;
  LONG QueryKeyCounts(HKEY key, DWORD* subKeys, DWORD* values) override;
  LONG SetValue(HKEY key, const char* valueName, DWORD type, const BYTE* data,
                DWORD dataSize) override;
  LONG DeleteKey(HKEY parent, const char* subKey, REGSAM view) override;
  LONG CloseKey(HKEY key) override;

 private:
  struct Impl;
  // The view that a call with these flags reaches below HKEY_LOCAL_MACHINE
  // (parentView nullptr) or below a key open in *parentView.
  View ViewOf(REGSAM flags, const View* parentView) const;
  // OpenKey and CreateKey: the key below parent, created when create is set.
  LONG OpenOrCreate(HKEY parent, const char* subKey, REGSAM access, bool create, HKEY* key);

  std::unique_ptr<Impl> m_impl;
  ViewRule m_rule = ViewRule::kOneView;
  std::set<HKEY> m_handles;
};
