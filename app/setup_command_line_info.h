// The command line of the setup program: /S (silent) and /U (uninstall).
#pragma once

#include "framework/command_line_info.h"

class CSetupCommandLineInfo : public CCommandLineInfo {
 public:
  // A flag equal to "S" or "U" without regard to case sets its switch; other
  // flags are ignored; plain arguments go to the base handling.
  void ParseParam(const char* param, BOOL bFlag, BOOL bLast) override;

  BOOL m_bSilent = FALSE;
  BOOL m_bUninstall = FALSE;
};
