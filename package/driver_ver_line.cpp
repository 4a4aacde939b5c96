#include "package/driver_ver_line.h"

#include "env/mbcs.h"

bool ParseDriverVerLine(const std::string& line, const CodePage& cp, std::string* version) {
  const size_t key = MbFind(line, "DriverVer", cp);
  if (key == std::string::npos) return false;
  const size_t semicolon = MbFind(line, ";", cp);
  if (semicolon != std::string::npos && semicolon < key) return false;
  const size_t equals = MbFind(line.substr(key), "=", cp);
  if (equals == std::string::npos) return false;
  const size_t comma = MbFind(line.substr(key + equals), ",", cp);
  if (comma == std::string::npos) return false;
  std::string result;
  for (size_t i = key + equals + comma + 1; i < line.size(); ++i)
    if (line[i] != ' ') result += line[i];
  *version = std::move(result);
  return true;
}
