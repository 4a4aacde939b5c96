#include "framework/command_line_info.h"

void CCommandLineInfo::ParseParam(const char* param, BOOL bFlag, BOOL /*bLast*/) {
  if (!bFlag && m_strFileName.empty()) m_strFileName = param;
}

void ParseCommandLine(CCommandLineInfo& info, const std::vector<std::string>& args) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const BOOL bLast = (i + 1 == args.size()) ? TRUE : FALSE;
    if (!arg.empty() && (arg[0] == '/' || arg[0] == '-'))
      info.ParseParam(arg.c_str() + 1, TRUE, bLast);
    else
      info.ParseParam(arg.c_str(), FALSE, bLast);
  }
}
