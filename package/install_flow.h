// The install flow: the driver package installer runs on the package folder;
// the "Uninstall" entry of the package it installed is labelled with the
// product's name and the INF's driver version, and the copies its result says
// to remove are removed: every other copy when it installed the package on a
// device, the new copy itself when it only staged it beside others. Whatever
// its end, the detection key (package/detection_key.h) is written from the
// entries it leaves.
#pragma once

#include <string>

// What the install flow needs of the run.
struct InstallParams {
  std::string packageDir;  // the package folder: zavcir.inf and DPInst.exe
  bool silent = false;     // the installer's silent options ("/LM /SW /F", else "/LM /P")
};

// Runs the install flow on the calling thread, which it blocks while a command
// runs, with file-system redirection off for that thread on 64-bit Windows
// until it returns. Returns the exit bits it sets: 0, or EXIT_SETUP_FAILED
// when the installer could not be started, failed, answered a bare Windows
// error code, or did not install what it reported (nothing is labelled or
// removed then). Copies it could not remove are named in the support log.
int InstallPackage(const InstallParams& params);
