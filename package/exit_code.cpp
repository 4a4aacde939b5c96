#include "package/exit_code.h"

#include "env/support_log.h"

std::string DescribeExitCode(int exitCode) {
  static const struct {
    unsigned bit;
    const char* words;
  } kBits[] = {{EXIT_RESTART_NEEDED, "restart needed"},
               {EXIT_REMOVE_FAILED, "removal failed"},
               {EXIT_SETUP_FAILED, "setup failed"}};
  const unsigned code = static_cast<unsigned>(exitCode);
  std::string words;
  unsigned known = 0;
  for (const auto& b : kBits) {
    known |= b.bit;
    if (code & b.bit) words += (words.empty() ? "" : ", ") + std::string(b.words);
  }
  if (code & ~known)
    words += (words.empty() ? "" : ", ") + ("other bits " + FormatHex32(code & ~known));
  if (words.empty()) words = "success";
  return FormatHex32(code) + " (" + words + ")";
}
