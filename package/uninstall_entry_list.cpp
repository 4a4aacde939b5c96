#include "package/uninstall_entry_list.h"

#include <cstring>
#include <memory>
#include <string>

#include "env/file_system.h"
#include "env/mbcs.h"
#include "env/platform.h"
#include "env/probes.h"
#include "env/registry.h"
#include "env/registry_key.h"
#include "env/system_info.h"

namespace {

constexpr DWORD kNameBufferSize = 260;   // subkey name, terminator included
constexpr DWORD kValueBufferSize = 260;  // "UninstallString" data
constexpr char kPackageInfName[] = "zavcir.inf";

// The text in data[0, size): up to the first zero byte, or all of it.
std::string TextUpToZero(const char* data, size_t size) {
  const void* zero = std::memchr(data, 0, size);
  return std::string(data, zero ? static_cast<const char*>(zero) - data : size);
}

// The scan ends after this many enumeration errors in a row (errors other than
// ERROR_NO_MORE_ITEMS): a key that vanished, or whose enumeration fails at
// every index, would otherwise keep the scan going for ever. Single unreadable
// subkeys (a name too long for the buffer, say) are only skipped.
constexpr int kMaxConsecutiveEnumErrors = 1024;

}  // namespace

CUninstallEntryList::CUninstallEntryList() {
  if (IsWow64()) m_bRedirectionDisabled = DisableFsRedirection(&m_pOldRedirectionValue);
}

CUninstallEntryList::~CUninstallEntryList() {
  if (m_bRedirectionDisabled) RevertFsRedirection(m_pOldRedirectionValue);
}

int CUninstallEntryList::Scan() {
  std::vector<CUninstallEntry>().swap(m_arrEntries);
  Registry* registry = GetPlatform().registry;
  const CodePage& cp = GetPlatform().system->GetCodePage();

  RegistryKey uninstallKey(registry);
  const REGSAM view = UninstallKeyView();
  const LONG opened =
      registry->OpenKey(HKEY_LOCAL_MACHINE, UNINSTALL_KEY_PATH,
                        KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view, uninstallKey.put());
  m_keyRead = opened == ERROR_SUCCESS || opened == ERROR_FILE_NOT_FOUND;
  if (opened != ERROR_SUCCESS) return 0;

  int consecutiveErrors = 0;
  for (DWORD index = 0;; ++index) {
    char name[kNameBufferSize];
    DWORD nameLength = kNameBufferSize;
    const LONG enumResult = registry->EnumKey(uninstallKey.get(), index, name, &nameLength);
    if (enumResult == ERROR_NO_MORE_ITEMS) break;
    if (enumResult != ERROR_SUCCESS) {
      if (++consecutiveErrors >= kMaxConsecutiveEnumErrors) break;
      continue;
    }
    consecutiveErrors = 0;
    const std::string keyName = TextUpToZero(name, kNameBufferSize);

    RegistryKey subKey(registry);
    if (registry->OpenKey(uninstallKey.get(), keyName.c_str(), KEY_QUERY_VALUE | view,
                          subKey.put()) != ERROR_SUCCESS)
      continue;
    BYTE data[kValueBufferSize];
    DWORD type = 0;
    DWORD dataSize = kValueBufferSize;
    if (registry->QueryValue(subKey.get(), "UninstallString", &type, data, &dataSize) !=
        ERROR_SUCCESS)
      continue;
    // The text runs to the first zero byte within the data the read reported;
    // data stored without a terminator ends with the data.
    const std::string command =
        MbLower(TextUpToZero(reinterpret_cast<const char*>(data),
                             dataSize < kValueBufferSize ? dataSize : kValueBufferSize),
                cp);
    if (MbFind(command, kPackageInfName, cp) != std::string::npos)
      m_arrEntries.push_back(CUninstallEntry(keyName.c_str(), command.c_str()));
  }
  return GetSize();
}

int CUninstallEntryList::FindByInfContent(const char* path) const {
  CByteBuffer reference;
  if (!ReadWholeFile(reference, path)) return -1;
  for (int i = 0; i < GetSize(); ++i) {
    const std::string infPath = m_arrEntries[i].GetInfPath();
    if (!IsFile(infPath)) continue;
    CByteBuffer content;
    if (!ReadWholeFile(content, infPath.c_str())) continue;
    if (reference.IsSameContent(content)) return i;
  }
  return -1;
}

void CUninstallEntryList::RemoveAt(int index) {
  if (index < 0 || index >= GetSize()) return;
  m_arrEntries.erase(m_arrEntries.begin() + index);
}

int CUninstallEntryList::UninstallAll(BOOL bSilent) const {
  const int count = GetSize();
  int succeeded = 0;
  for (int i = 0; i < count; ++i)
    if (m_arrEntries[i].Uninstall(bSilent)) ++succeeded;
  return succeeded;
}

DWORD CUninstallEntryList::ReadFileBytes(CByteBuffer& buffer, const char* path) {
  return ReadWholeFile(buffer, path) ? buffer.GetSize() : 0;
}

BOOL CUninstallEntryList::ReadWholeFile(CByteBuffer& buffer, const char* path) {
  std::unique_ptr<ReadableFile> file = GetPlatform().files->OpenForRead(path);
  if (!file) return FALSE;
  uint64_t length = 0;
  if (!file->GetLength(&length) || length > 0xFFFFFFFFu) {
    buffer.Free();
    return FALSE;
  }
  const DWORD size = static_cast<DWORD>(length);
  buffer.Alloc(size);
  if (buffer.GetSize() != size) return FALSE;  // the allocation failed
  DWORD total = 0;
  while (total < size) {
    DWORD bytesRead = 0;
    if (!file->Read(buffer.GetData() + total, size - total, &bytesRead) || bytesRead == 0) break;
    total += bytesRead;
  }
  if (total != size) {
    buffer.Free();
    return FALSE;
  }
  return TRUE;
}
