// The native INF probe's parser: the checker's own reader.
#include <fstream>
#include <sstream>

#include "tests/inf_probe/inf_probe.h"
#include "tools/distcheck/inf/loaded_inf_parser.h"

std::unique_ptr<InfParser> MakeProbeParser(const std::string& path, bool /*packageInf*/) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  // A file that cannot be read is empty, and the parser refuses an empty file.
  return std::unique_ptr<InfParser>(new LoadedInfParser(file ? content.str() : std::string()));
}
