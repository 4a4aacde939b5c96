// libFuzzer target: the PE reader, the parts of an image its hash covers, and the
// Authenticode signature an image carries. Build and run: see
// docs/release-tools.md ("Fuzzing").
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/distcheck/catalog/image_signature.h"
#include "tools/distcheck/inf/driver_ver.h"
#include "tools/distcheck/pe/pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A private copy of exactly size bytes, so that any read past it is caught.
  const std::vector<uint8_t> bytes(data, data + size);
  PeImage image;
  if (PeImage::Parse(bytes.data(), bytes.size(), &image)) {
    MachineName(image.GetMachine());
    image.GetFileVersion();
    image.GetProductVersion();
    std::vector<ByteRange> ranges;
    size_t padding = 0;
    if (image.GetImageHashRanges(bytes.size(), &ranges, &padding)) {
      size_t end = 0;
      for (const ByteRange& range : ranges) {
        if (range.begin < end || range.end < range.begin || range.end > bytes.size())
          __builtin_trap();  // the parts hashed lie in the file, in order
        end = range.end;
      }
      if (padding > 7) __builtin_trap();
    }
  }
  const std::string text(bytes.begin(), bytes.end());
  const CatalogSignature signature = ReadImageSignature(text);
  // Every signature that is not valid says why.
  if (signature.status == CatalogSignature::kInvalid && signature.problem.empty()) __builtin_trap();
  ReadDriverVersion(text);
  return 0;
}
