#include "tests/inf_probe/inf_probe.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "env/code_page.h"
#include "env/setup_ini.h"
#include "tools/distcheck/inf/driver_ver.h"
#include "tools/distcheck/inf/editions.h"
#include "tools/distcheck/inf/package_inf.h"

namespace {

constexpr DWORD kBufferSize = 260;          // Setup.exe's buffers
constexpr DWORD kPackageBufferSize = 4096;  // SetupAPI's largest INF string

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

// From the current line to the section's end, a line each: "<prefix>line N:"
// and fields 0 to fields-1 read through buffers of bufferSize ("-" when unreadable).
std::string DescribeLines(InfFile* inf, const std::string& prefix, DWORD fields, DWORD bufferSize) {
  std::string out;
  std::vector<char> buffer(bufferSize);
  int line = 0;
  do {
    out += prefix + "line " + std::to_string(line++) + ":";
    for (DWORD field = 0; field < fields; ++field) {
      out += " " + std::to_string(field) + "=";
      out += inf->GetStringField(field, buffer.data(), bufferSize) ? Quote(buffer.data()) : "-";
    }
    out += "\n";
  } while (inf->FindNextLine());
  return out;
}

}  // namespace

std::string DescribeSetupIni(InfParser* parser) {
  std::string out;
  {
    std::unique_ptr<InfFile> inf = parser->Open("Setup.ini");
    if (!inf) return "open failed\n";
    out += "open ok\n";
    if (inf->FindFirstLine("Dir")) out += DescribeLines(inf.get(), "", 4, kBufferSize);
  }
  // The checker's own rule: the tags are ASCII, so ASCII case rules match a
  // key to a tag as every single-byte code page does.
  for (const Edition& edition : SupportedEditions()) {
    std::string value;
    out += "tag " + edition.tag + ": ";
    switch (ReadPackageSubdirectory(*parser, CodePage::Ascii(), "C:\\probe", edition.tag, &value)) {
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

std::string DescribePackageInf(InfParser* parser, const std::string& content) {
  const InfDriverVersion version = ReadDriverVersion(content);
  std::string out =
      "driver version " + Quote(version.version) + (version.utf16 ? " utf-16" : "") + "\n";
  std::unique_ptr<InfFile> inf = parser->Open("zavcir.inf");
  if (!inf) return out + "open failed\n";
  out += "open ok\n";
  for (const char* section : {"Version", "Manufacturer", "SourceDisksNames", "SourceDisksNames.x86",
                              "SourceDisksNames.amd64", "SourceDisksFiles", "SourceDisksFiles.x86",
                              "SourceDisksFiles.amd64"}) {
    if (inf->FindFirstLine(section)) {
      out += DescribeLines(inf.get(), std::string("[") + section + "] ", 7, kPackageBufferSize);
    }
  }
  for (const Edition& edition : SupportedEditions()) {
    const PackageInfView view = ReadPackageInf(inf.get(), edition.target);
    const std::string tag = "tag " + edition.tag + ": ";
    out += tag + "catalog " +
           (view.catalogKey.empty() ? "none" : view.catalogKey + "=" + Quote(view.catalog)) + "\n";
    for (const SourceFile& file : view.files) {
      out += tag + "file " + Quote(file.name) + " of [" + file.section + "] disk " +
             Quote(file.diskId);
      out += file.diskFound ? " folder " + Quote(file.folder) + " cabinet " + Quote(file.cabinet)
                            : " not described";
      out += "\n";
    }
    for (const std::string& problem : view.modelsProblems) out += tag + "models: " + problem + "\n";
  }
  return out;
}

// Usage: <probe> [--package] FILE...; prints "== FILE" and the description of
// each file, as Setup.ini or, with --package, as a driver package's INF.
int main(int argc, char** argv) {
  const bool package = argc > 1 && std::string(argv[1]) == "--package";
  for (int i = package ? 2 : 1; i < argc; ++i) {
    std::unique_ptr<InfParser> parser = MakeProbeParser(argv[i], package);
    std::ifstream file(argv[i], std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(file), {}};
    const std::string text =
        "== " + std::string(argv[i]) + "\n" +
        (package ? DescribePackageInf(parser.get(), content) : DescribeSetupIni(parser.get()));
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  return 0;
}
