#include "app/setup_command_line_info.h"

#include "env/mbcs.h"
#include "env/platform.h"
#include "env/system_info.h"

void CSetupCommandLineInfo::ParseParam(const char* param, BOOL bFlag, BOOL bLast) {
  if (!bFlag) {
    CCommandLineInfo::ParseParam(param, bFlag, bLast);
    return;
  }
  const CodePage& cp = GetPlatform().system->GetCodePage();
  if (MbEqualNoCase(param, "S", cp))
    m_bSilent = TRUE;
  else if (MbEqualNoCase(param, "U", cp))
    m_bUninstall = TRUE;
}
