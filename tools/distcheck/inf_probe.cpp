#include "tools/distcheck/inf_probe.h"

#include <cstdio>

#include "env/setup_ini.h"
#include "tools/distcheck/checker_platform.h"
#include "tools/distcheck/editions.h"

namespace {

constexpr DWORD kBufferSize = 260;

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (b >= 0x20 && b < 0x7F && ch != '"' && ch != '\\') {
      out += ch;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    }
  }
  return out + "\"";
}

}  // namespace

std::string DescribeSetupIni(InfParser* parser) {
  std::string out;
  {
    std::unique_ptr<InfFile> inf = parser->Open("Setup.ini");
    if (!inf) return "open failed\n";
    out += "open ok\n";
    int line = 0;
    if (inf->FindFirstLine("Dir")) {
      do {
        out += "line " + std::to_string(line++) + ":";
        for (DWORD field = 0; field < 4; ++field) {
          char buffer[kBufferSize];
          out += " " + std::to_string(field) + "=";
          out += inf->GetStringField(field, buffer, kBufferSize) ? Quote(buffer) : "-";
        }
        out += "\n";
      } while (inf->FindNextLine());
    }
  }
  ScopedCheckerPlatform platform(parser);
  for (const Edition& edition : SupportedEditions()) {
    std::string value;
    out += "tag " + edition.tag + ": ";
    switch (ReadPackageSubdirectory("C:\\probe", edition.tag, &value)) {
      case SETUP_INI_FOUND:
        out += "found " + Quote(value) + "\n";
        break;
      case SETUP_INI_OPEN_FAILED:
        out += "open failed\n";
        break;
      case SETUP_INI_NO_LINE:
        out += "no line\n";
        break;
    }
  }
  return out;
}

// Usage: <probe> FILE...; prints "== FILE" and the description of each file.
int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::unique_ptr<InfParser> parser = MakeProbeParser(argv[i]);
    const std::string text = "== " + std::string(argv[i]) + "\n" + DescribeSetupIni(parser.get());
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  return 0;
}
