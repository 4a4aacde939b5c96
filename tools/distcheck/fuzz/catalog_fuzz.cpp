// libFuzzer target: the catalog reader (structure, members, attributes and
// signature). Build and run: see docs/release-tools.md ("Fuzzing").
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/distcheck/catalog/catalog_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const CatalogContent catalog =
      ReadCatalog(std::string(reinterpret_cast<const char*>(data), size));
  if (catalog.readable != catalog.problem.empty()) __builtin_trap();  // refused means said why
  if (catalog.readable && catalog.version != 1 && catalog.version != 2) __builtin_trap();
  if (catalog.signature.status == CatalogSignature::kInvalid && catalog.signature.problem.empty())
    __builtin_trap();
  CatalogAttributeValue(catalog, "OSAttr");
  return 0;
}
