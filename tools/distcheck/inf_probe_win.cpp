// The Windows INF probe's parser: the product's own SetupAPI reader, so that
// the comparison covers the very code Setup.exe runs.
#include "tools/distcheck/inf_probe.h"
#include "win32/win32_inf_parser.h"

namespace {

// Opens one fixed file with the product's reader, whatever path is asked for.
class FixedPathInfParser : public InfParser {
 public:
  explicit FixedPathInfParser(std::string path) : m_path(std::move(path)) {}
  std::unique_ptr<InfFile> Open(const std::string&) override { return m_reader.Open(m_path); }

 private:
  std::string m_path;
  Win32InfParser m_reader;
};

}  // namespace

std::unique_ptr<InfParser> MakeProbeParser(const std::string& path) {
  return std::unique_ptr<InfParser>(new FixedPathInfParser(path));
}
