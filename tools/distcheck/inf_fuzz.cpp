// libFuzzer target: the INF reader and the product's [Dir] walk on top of it.
// Build and run: see docs/release-tools.md ("Fuzzing").
#include <cstddef>
#include <cstdint>
#include <string>

#include "env/setup_ini.h"
#include "tools/distcheck/checker_platform.h"
#include "tools/distcheck/editions.h"
#include "tools/distcheck/inf_document.h"
#include "tools/distcheck/loaded_inf_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  if (std::unique_ptr<InfDocument> doc = InfDocument::Parse(content)) {
    for (const char* name : {"Dir", "Strings", "Version"}) {
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
  ScopedCheckerPlatform platform(&parser);
  for (const Edition& edition : SupportedEditions()) {
    std::string value;
    if (ReadPackageSubdirectory("C:\\dist", edition.tag, &value) == SETUP_INI_FOUND &&
        value.empty()) {
      __builtin_trap();  // the walk never reports an empty folder as found
    }
  }
  return 0;
}
