// All of the package's "Uninstall" entries, and the scope in which file-system
// redirection is off for the thread that made the list (on 64-bit Windows).
#pragma once

#include <vector>

#include "env/win_types.h"
#include "package/byte_buffer.h"
#include "package/uninstall_entry.h"

class CUninstallEntryList {
 public:
  // Empty list; switches redirection off for the calling thread on 64-bit
  // Windows. The list must be destroyed on the same thread.
  CUninstallEntryList();
  // Restores redirection if this list switched it off; then drops the entries.
  ~CUninstallEntryList();
  CUninstallEntryList(const CUninstallEntryList&) = delete;
  CUninstallEntryList& operator=(const CUninstallEntryList&) = delete;

  // Empties the list and refills it with every subkey of the Uninstall key whose
  // lower-cased "UninstallString" contains "zavcir.inf"; returns the count
  // (0 when the key does not open). Every key it opens is closed again.
  int Scan();
  // Whether the last Scan read the Uninstall key: it opened, or there is none
  // (a system without the key has no entries). false before any Scan, and
  // when the key could not be opened otherwise (access denied, say), after
  // which the list may lack entries that exist.
  bool IsKeyRead() const { return m_keyRead; }
  // Position of the first entry whose INF file has the same bytes as the file
  // at path, or -1. A file that cannot be read matches nothing.
  int FindByInfContent(const char* path) const;
  // Drops the entry at index (0 <= index < GetSize()); later ones move down.
  void RemoveAt(int index);
  // Uninstall(bSilent) on every entry in order; returns how many returned TRUE.
  int UninstallAll(BOOL bSilent) const;
  int GetSize() const { return static_cast<int>(m_arrEntries.size()); }
  // The entry at index (0 <= index < GetSize()).
  CUninstallEntry& ElementAt(int index) { return m_arrEntries[index]; }

  // The whole file into buffer: its length when all of it was read, else 0
  // (an empty file gives 0 too). On an open failure the buffer is not touched;
  // on any later failure (a short read, say) it is left empty.
  static DWORD ReadFileBytes(CByteBuffer& buffer, const char* path);
  // As ReadFileBytes, but tells a file that was read whole (TRUE, even when it
  // is empty) from one that could not be read (FALSE).
  static BOOL ReadWholeFile(CByteBuffer& buffer, const char* path);

 private:
  std::vector<CUninstallEntry> m_arrEntries;
  PVOID m_pOldRedirectionValue = nullptr;
  BOOL m_bRedirectionDisabled = FALSE;
  bool m_keyRead = false;
};
