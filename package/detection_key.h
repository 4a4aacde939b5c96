// The detection key, a fixed place where deployment tools (Intune,
// Configuration Manager) read whether the package is installed and in which
// version: HKEY_LOCAL_MACHINE\SOFTWARE\ZAV\ZAV CIR Receiver Driver, in the
// view of the "Uninstall" entries (the 64-bit one on 64-bit Windows, which
// those tools read by default), with
//   DisplayVersion (REG_SZ)    the driver version of the newest copy registered
//   UninstallKey (REG_SZ)      that copy's "Uninstall" subkey name
//   Copies (REG_DWORD)         how many copies are registered.
// Every run of the install or uninstall flow writes it from the entries it
// leaves; a run that leaves none deletes it.
#pragma once

class CUninstallEntryList;

constexpr char DETECTION_KEY_PATH[] = "SOFTWARE\\ZAV\\ZAV CIR Receiver Driver";
// The vendor's key above it, deleted with it when nothing else is left in it.
constexpr char DETECTION_KEY_PARENT_PATH[] = "SOFTWARE\\ZAV";

// The position in list of the newest copy: the highest driver version that
// ParseVersionNumbers reads (the first of equal ones); where none reads, the
// first copy with a version text, else the first copy. -1 for an empty list.
int FindNewestCopy(CUninstallEntryList& list);

// Makes the key agree with list, the entries read at the end of a run: sets
// its three values for them (creating the key where it is missing), or
// deletes it when the list is empty, and then SOFTWARE\ZAV when that holds no
// other subkey and no value. A list whose read could not open the Uninstall
// key leaves the key as it is. Every value written and key deleted is in the
// support log with its result; a failure changes nothing else.
void RecordDetectionKey(CUninstallEntryList& list);
