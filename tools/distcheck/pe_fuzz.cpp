// libFuzzer target: the PE reader. Build and run: see docs/release-tools.md ("Fuzzing").
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/distcheck/driver_ver.h"
#include "tools/distcheck/pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A private copy of exactly size bytes, so that any read past it is caught.
  const std::vector<uint8_t> bytes(data, data + size);
  PeImage image;
  if (PeImage::Parse(bytes.data(), bytes.size(), &image)) {
    MachineName(image.GetMachine());
    image.GetFileVersion();
    image.GetProductVersion();
  }
  ReadDriverVersion(std::string(bytes.begin(), bytes.end()));
  return 0;
}
