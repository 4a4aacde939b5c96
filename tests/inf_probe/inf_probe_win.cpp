// The Windows INF probe's parser: the product's own SetupAPI reader, so that
// the comparison covers the very code Setup.exe runs.
#include <windows.h>
// windows.h first: SetupAPI's header relies on it.
#include <setupapi.h>

#include "tests/inf_probe/inf_probe.h"
#include "win32/win32_inf_parser.h"

namespace {

// Opens one fixed file with the product's reader, whatever path is asked for.
class FixedPathInfParser : public InfParser {
 public:
  FixedPathInfParser(std::string path, DWORD style) : m_path(std::move(path)), m_reader(style) {}
  std::unique_ptr<InfFile> Open(const std::string&) override { return m_reader.Open(m_path); }

 private:
  std::string m_path;
  Win32InfParser m_reader;
};

}  // namespace

std::unique_ptr<InfParser> MakeProbeParser(const std::string& path, bool packageInf) {
  return std::unique_ptr<InfParser>(
      new FixedPathInfParser(path, packageInf ? INF_STYLE_WIN4 : INF_STYLE_OLDNT));
}
