// Fuzzes the command-line rule: any arguments, in the single-byte or the
// Shift-JIS code page, set /S and /U exactly when an argument is one of
// "/S", "-S", "/s", "-s" (and the same for U), and each argument reaches
// ParseParam once, in order, the last one marked.
//
// Input: one flag byte (bit 0: code page 932), then the arguments separated by
// line feeds (an argument may hold any other byte, NUL included).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/setup_command_line_info.h"
#include "tests/fakes/fake_platform.h"

namespace {

// Records what ParseParam is given before handing it on.
class RecordingCommandLineInfo : public CSetupCommandLineInfo {
 public:
  void ParseParam(const char* param, BOOL bFlag, BOOL bLast) override {
    params.push_back(param);
    flags.push_back(bFlag);
    lasts.push_back(bLast);
    CSetupCommandLineInfo::ParseParam(param, bFlag, bLast);
  }
  std::vector<std::string> params;
  std::vector<BOOL> flags, lasts;
};

bool IsSwitch(const std::string& arg, char letter) {
  // The argument as the program sees it: a C string.
  const size_t length = std::strlen(arg.c_str());
  return length == 2 && (arg[0] == '/' || arg[0] == '-') &&
         (arg[1] == letter || arg[1] == letter - 'A' + 'a');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FakePlatform p;
  p.system.codePage = (data[0] & 1) ? CodePage::ShiftJis() : CodePage::Ascii();
  std::vector<std::string> args;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  for (size_t pos = 0; pos <= rest.size();) {
    size_t end = rest.find('\n', pos);
    if (end == std::string::npos) end = rest.size();
    args.push_back(rest.substr(pos, end - pos));
    pos = end + 1;
  }
  if (rest.empty()) args.clear();

  RecordingCommandLineInfo info;
  ParseCommandLine(info, args);

  bool silent = false, uninstall = false;
  std::string fileName;
  if (info.params.size() != args.size()) std::abort();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool flag = !arg.empty() && (arg[0] == '/' || arg[0] == '-');
    if (info.flags[i] != (flag ? TRUE : FALSE)) std::abort();
    if (info.lasts[i] != (i + 1 == args.size() ? TRUE : FALSE)) std::abort();
    if (info.params[i] != std::string(arg.c_str() + (flag ? 1 : 0))) std::abort();
    silent = silent || IsSwitch(arg, 'S');
    uninstall = uninstall || IsSwitch(arg, 'U');
    if (!flag && fileName.empty()) fileName = arg.c_str();
  }
  if (info.m_bSilent != (silent ? TRUE : FALSE)) std::abort();
  if (info.m_bUninstall != (uninstall ? TRUE : FALSE)) std::abort();
  if (info.m_strFileName != fileName) std::abort();
  return 0;
}
