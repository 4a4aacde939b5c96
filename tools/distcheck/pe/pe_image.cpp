#include "tools/distcheck/pe/pe_image.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kSecurityDirectoryIndex = 4;
constexpr size_t kChecksumOffset = 64;  // in the optional header, PE32 and PE32+ alike
constexpr size_t kDirectoryEntrySize = 8;
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr size_t kFixedInfoSize = 52;
constexpr size_t kSectionHeaderSize = 40;

// Little-endian reads that fail instead of reading past the end.
bool Read16(const uint8_t* data, size_t size, size_t offset, uint16_t* value) {
  if (offset > size || size - offset < 2) return false;
  *value = static_cast<uint16_t>(data[offset] | (data[offset + 1] << 8));
  return true;
}

bool Read32(const uint8_t* data, size_t size, size_t offset, uint32_t* value) {
  if (offset > size || size - offset < 4) return false;
  *value = static_cast<uint32_t>(data[offset]) | (static_cast<uint32_t>(data[offset + 1]) << 8) |
           (static_cast<uint32_t>(data[offset + 2]) << 16) |
           (static_cast<uint32_t>(data[offset + 3]) << 24);
  return true;
}

std::string FormatVersion(const uint32_t (&halves)[2]) {
  char text[48];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", halves[0] >> 16, halves[0] & 0xFFFF,
                halves[1] >> 16, halves[1] & 0xFFFF);
  return text;
}

// The file offset of a range of bytes at a relative virtual address: it must
// lie wholly in one section's raw data and in the file.
bool MapRva(const uint8_t* data, size_t size, size_t sectionTable, uint16_t sections, uint32_t rva,
            uint32_t length, size_t* offset) {
  for (uint16_t i = 0; i < sections; ++i) {
    const size_t header = sectionTable + i * kSectionHeaderSize;
    uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, rawPointer = 0;
    if (!Read32(data, size, header + 8, &virtualSize) ||
        !Read32(data, size, header + 12, &virtualAddress) ||
        !Read32(data, size, header + 16, &rawSize) ||
        !Read32(data, size, header + 20, &rawPointer)) {
      return false;
    }
    if (rva < virtualAddress) continue;
    const uint64_t delta = static_cast<uint64_t>(rva) - virtualAddress;
    const uint64_t extent = virtualSize != 0 ? virtualSize : rawSize;
    if (delta >= extent) continue;
    if (delta + length > rawSize) return false;
    const uint64_t start = static_cast<uint64_t>(rawPointer) + delta;
    if (start + length > size) return false;
    *offset = static_cast<size_t>(start);
    return true;
  }
  return false;
}

// One entry of a resource directory table.
struct ResourceEntry {
  uint32_t name = 0;    // an id, or (top bit set) the offset of a name
  uint32_t target = 0;  // the offset of a subdirectory (top bit set) or of a data entry
};

// The entries of the resource directory at offset dir of the resource block.
// Named entries come first, then those with ids; count them both.
bool ReadDirectory(const uint8_t* block, size_t blockSize, uint32_t dir, uint32_t* count,
                   size_t* first) {
  uint16_t named = 0, ids = 0;
  if (!Read16(block, blockSize, static_cast<size_t>(dir) + 12, &named) ||
      !Read16(block, blockSize, static_cast<size_t>(dir) + 14, &ids)) {
    return false;
  }
  *count = static_cast<uint32_t>(named) + ids;
  *first = static_cast<size_t>(dir) + 16;
  return true;
}

bool ReadEntry(const uint8_t* block, size_t blockSize, size_t first, uint32_t index,
               ResourceEntry* entry) {
  const size_t at = first + static_cast<size_t>(index) * 8;
  return Read32(block, blockSize, at, &entry->name) &&
         Read32(block, blockSize, at + 4, &entry->target);
}

}  // namespace

std::string MachineName(uint16_t machine) {
  switch (machine) {
    case kMachineI386:
      return "x86";
    case kMachineAmd64:
      return "x64";
    case 0x0200:
      return "IA64";
    case 0x01C0:
      return "ARM";
    case 0x01C4:
      return "ARMNT";
    case 0xAA64:
      return "ARM64";
    default: {
      char text[16];
      std::snprintf(text, sizeof text, "0x%04X", machine);
      return text;
    }
  }
}

bool PeImage::Parse(const uint8_t* data, size_t size, PeImage* image) {
  if (data == nullptr || size < 64 || data[0] != 'M' || data[1] != 'Z') return false;
  uint32_t peOffset = 0, signature = 0;
  if (!Read32(data, size, 0x3C, &peOffset) || !Read32(data, size, peOffset, &signature) ||
      signature != kPeSignature) {
    return false;
  }
  PeImage pe;
  const size_t coff = static_cast<size_t>(peOffset) + 4;
  uint16_t optionalSize = 0, magic = 0;
  if (!Read16(data, size, coff, &pe.m_nMachine) || !Read16(data, size, coff + 2, &pe.m_nSections) ||
      !Read16(data, size, coff + 16, &optionalSize)) {
    return false;
  }
  const size_t optional = coff + 20;
  if (!Read16(data, size, optional, &magic)) return false;
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) return false;
  pe.m_bPe32Plus = magic == kMagicPe32Plus;
  pe.m_nSectionTable = optional + optionalSize;

  // The data directories follow the fixed part of the optional header.
  const size_t directories = optional + (pe.m_bPe32Plus ? 112 : 96);
  uint32_t directoryCount = 0;
  const bool hasCount = Read32(data, size, directories - 4, &directoryCount);
  // Whether the directory entry of that index is there, in the optional header.
  auto hasEntry = [&](uint32_t index) {
    return hasCount && directoryCount > index &&
           directories + (index + 1) * kDirectoryEntrySize <= optional + optionalSize;
  };
  if (hasEntry(kResourceDirectoryIndex)) {
    const size_t entry = directories + kResourceDirectoryIndex * kDirectoryEntrySize;
    if (Read32(data, size, entry, &pe.m_nResourceRva) &&
        Read32(data, size, entry + 4, &pe.m_nResourceSize) && pe.m_nResourceRva != 0) {
      pe.ReadVersionRecord(data, size);
    }
  }
  pe.m_nChecksumField = optional + kChecksumOffset;
  if (hasEntry(kSecurityDirectoryIndex)) {
    const size_t entry = directories + kSecurityDirectoryIndex * kDirectoryEntrySize;
    if (Read32(data, size, entry, &pe.m_nCertificateTable) &&
        Read32(data, size, entry + 4, &pe.m_nCertificateSize)) {
      pe.m_nCertificateEntry = entry;
    }
  }
  *image = pe;
  return true;
}

void PeImage::ReadVersionRecord(const uint8_t* data, size_t size) {
  size_t blockOffset = 0;
  if (!MapRva(data, size, m_nSectionTable, m_nSections, m_nResourceRva, m_nResourceSize,
              &blockOffset)) {
    return;
  }
  const uint8_t* block = data + blockOffset;
  const size_t blockSize = m_nResourceSize;

  // Level 1: the type RT_VERSION; levels 2 and 3: the first name and language.
  uint32_t count = 0;
  size_t first = 0;
  if (!ReadDirectory(block, blockSize, 0, &count, &first)) return;
  uint32_t next = 0;
  bool found = false;
  for (uint32_t i = 0; i < count && !found; ++i) {
    ResourceEntry entry;
    if (!ReadEntry(block, blockSize, first, i, &entry)) return;
    if (entry.name == kRtVersion && (entry.target & 0x80000000u)) {
      next = entry.target & 0x7FFFFFFFu;
      found = true;
    }
  }
  if (!found) return;
  for (int level = 0; level < 2; ++level) {
    ResourceEntry entry;
    if (!ReadDirectory(block, blockSize, next, &count, &first) || count == 0 ||
        !ReadEntry(block, blockSize, first, 0, &entry)) {
      return;
    }
    const bool subdirectory = (entry.target & 0x80000000u) != 0;
    if (subdirectory != (level == 0)) return;  // a name holds languages, a language data
    next = entry.target & 0x7FFFFFFFu;
  }

  // The data entry: where the version block lies.
  uint32_t dataRva = 0, dataSize = 0;
  if (!Read32(block, blockSize, next, &dataRva) || !Read32(block, blockSize, next + 4, &dataSize)) {
    return;
  }
  size_t versionOffset = 0;
  if (!MapRva(data, size, m_nSectionTable, m_nSections, dataRva, dataSize, &versionOffset)) return;
  const uint8_t* version = data + versionOffset;

  // VS_VERSIONINFO: length, value length, type, the key "VS_VERSION_INFO" in
  // UTF-16 with its NUL, padding to 4 bytes, then the fixed block.
  static const char kKey[] = "VS_VERSION_INFO";
  uint16_t length = 0, valueLength = 0;
  if (!Read16(version, dataSize, 0, &length) || !Read16(version, dataSize, 2, &valueLength) ||
      length > dataSize || valueLength < kFixedInfoSize) {
    return;
  }
  for (size_t i = 0; i < sizeof kKey; ++i) {  // the NUL included
    uint16_t c = 0;
    if (!Read16(version, length, 6 + 2 * i, &c) || c != static_cast<uint8_t>(kKey[i])) return;
  }
  const size_t fixed = (6 + 2 * sizeof kKey + 3) & ~static_cast<size_t>(3);
  uint32_t fixedSignature = 0;
  if (fixed + kFixedInfoSize > length || !Read32(version, length, fixed, &fixedSignature) ||
      fixedSignature != kFixedSignature) {
    return;
  }
  Read32(version, length, fixed + 8, &m_fileVersion[0]);
  Read32(version, length, fixed + 12, &m_fileVersion[1]);
  Read32(version, length, fixed + 16, &m_productVersion[0]);
  Read32(version, length, fixed + 20, &m_productVersion[1]);
  m_bHasVersion = true;
}

bool PeImage::GetImageHashRanges(size_t size, std::vector<ByteRange>* ranges,
                                 size_t* padding) const {
  const size_t checksumEnd = m_nChecksumField + 4;
  const size_t entryEnd = m_nCertificateEntry + kDirectoryEntrySize;
  const bool signedImage = m_nCertificateEntry != 0 && m_nCertificateTable != 0;
  const size_t end = signedImage ? m_nCertificateTable : size;
  const size_t headersEnd = m_nCertificateEntry != 0 ? entryEnd : checksumEnd;
  if (headersEnd > end || end > size ||
      (signedImage && static_cast<uint64_t>(m_nCertificateTable) + m_nCertificateSize > size)) {
    return false;
  }
  ranges->clear();
  ranges->push_back({0, m_nChecksumField});
  if (m_nCertificateEntry != 0) {
    ranges->push_back({checksumEnd, m_nCertificateEntry});
    ranges->push_back({entryEnd, end});
  } else {
    ranges->push_back({checksumEnd, end});
  }
  *padding = signedImage || size % 8 == 0 ? 0 : 8 - size % 8;
  return true;
}

bool PeImage::GetCertificateTable(size_t size, ByteRange* table) const {
  std::vector<ByteRange> ranges;
  size_t padding = 0;
  if (!HasCertificateTable() || !GetImageHashRanges(size, &ranges, &padding)) return false;
  *table = {m_nCertificateTable, static_cast<size_t>(m_nCertificateTable) + m_nCertificateSize};
  return true;
}

std::string PeImage::GetFileVersion() const {
  return m_bHasVersion ? FormatVersion(m_fileVersion) : std::string();
}

std::string PeImage::GetProductVersion() const {
  return m_bHasVersion ? FormatVersion(m_productVersion) : std::string();
}
