#include "tools/distcheck/catalog/file_hash.h"

#include <cstdint>
#include <vector>

#include "tools/distcheck/pe/pe_image.h"

FileHash HashPackageFile(HashAlgorithm algorithm, const std::string& content) {
  FileHash hash;
  PeImage image;
  if (!PeImage::Parse(reinterpret_cast<const uint8_t*>(content.data()), content.size(), &image)) {
    hash.digest = HashOf(algorithm, content);
    return hash;
  }
  std::vector<ByteRange> ranges;
  size_t padding = 0;
  if (!image.GetImageHashRanges(content.size(), &ranges, &padding)) {
    hash.kind = FileHash::kDamagedImage;
    return hash;
  }
  Hasher hasher(algorithm);
  for (const ByteRange& range : ranges) {
    hasher.Update(content.data() + range.begin, range.end - range.begin);
  }
  const char zeros[8] = {};
  hasher.Update(zeros, padding);
  hash.kind = FileHash::kImage;
  hash.digest = hasher.Finish();
  return hash;
}
