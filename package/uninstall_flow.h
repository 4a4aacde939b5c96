// The uninstall flow: the uninstall command of every "Uninstall" entry of the
// package runs, then the installer removes each copy left in the driver store;
// what is still there afterwards is a failed removal; and when nothing else
// was recorded, a driver that still answers on the receiver's device interface
// means a restart is needed. The detection key (package/detection_key.h) is
// written from the entries left.
#pragma once

#include <string>

// What the uninstall flow needs of the run.
struct UninstallParams {
  std::string packageDir;  // where DPInst.exe is taken from while the folder exists
  std::string moduleDir;   // where it is taken from otherwise: the program's own folder
  int osKind = 0;          // which driver store is swept: XP's DRVSTORE or FileRepository
  bool silent = false;     // the commands' silent option ("/s")
};

// Runs the uninstall flow on the calling thread, which it blocks while a
// command runs, with file-system redirection off for that thread on 64-bit
// Windows until it returns. Returns the exit bits it sets: EXIT_REMOVE_FAILED
// (a command failed, or a copy was still registered or in the store after
// the commands), EXIT_RESTART_NEEDED (a command said so, or the device
// interface still answers), both, or 0.
int UninstallPackage(const UninstallParams& params);

// Whether the receiver's device interface (\\.\ZavCirIndexIoInterface) opens
// for reading and writing; one control request is sent when it does, whose
// outcome does not matter.
bool IsDeviceInterfacePresent();
