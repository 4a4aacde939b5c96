// libFuzzer target: the INF reader, the product's [Dir] walk on top of it, and
// what the checker reads from a driver package's INF for each edition.
// Build and run: see docs/release-tools.md ("Fuzzing").
#include <cstddef>
#include <cstdint>
#include <string>

#include "env/code_page.h"
#include "env/inf_file.h"
#include "env/setup_ini.h"
#include "tools/distcheck/inf/editions.h"
#include "tools/distcheck/inf/inf_document.h"
#include "tools/distcheck/inf/loaded_inf_parser.h"
#include "tools/distcheck/inf/package_inf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  if (std::unique_ptr<InfDocument> doc = InfDocument::Parse(content)) {
    for (const char* name : {"Dir", "Strings", "Version", "Manufacturer", "SourceDisksFiles"}) {
      const int section = doc->FindSection(name);
      for (size_t line = 0; line < doc->GetLineCount(section); ++line) {
        for (size_t index = 0; index < 4; ++index) {
          std::string text;
          if (doc->GetStringField(section, line, index, 260, &text) && text.size() >= 260) {
            __builtin_trap();  // a field handed out must fit the buffer
          }
        }
      }
    }
  }
  LoadedInfParser parser(content);
  if (std::unique_ptr<InfFile> inf = parser.Open("zavcir.inf")) {
    for (const Edition& edition : SupportedEditions()) {
      const PackageInfView view = ReadPackageInf(inf.get(), edition.target);
      for (const SourceFile& file : view.files) {
        if (file.name.empty()) __builtin_trap();  // a file without a name is never listed
      }
    }
  }
  for (const Edition& edition : SupportedEditions()) {
    std::string value;
    if (ReadPackageSubdirectory(parser, CodePage::Ascii(), "C:\\dist", edition.tag, &value) ==
            SETUP_INI_FOUND &&
        value.empty()) {
      __builtin_trap();  // the walk never reports an empty folder as found
    }
  }
  return 0;
}
