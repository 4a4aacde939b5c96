// What the checker needs to know of a Windows executable: that it is a PE
// image, its machine type, its version record, and which of its bytes its
// Authenticode image hash covers. Reads from memory and checks every offset
// and size against the bytes it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;

// Bytes [begin, end) of a file.
struct ByteRange {
  size_t begin = 0;
  size_t end = 0;
};

// A short name of a machine type ("x86", "x64", "ARM64", ...), or its number in hex.
std::string MachineName(uint16_t machine);

class PeImage {
 public:
  // Reads the headers of a PE image; false when data is not one, and *image is
  // then not touched. A damaged or missing resource section does not make it
  // fail: the image then simply has no version record.
  static bool Parse(const uint8_t* data, size_t size, PeImage* image);

  uint16_t GetMachine() const { return m_nMachine; }
  // Whether the image is a PE32+ (64-bit) image.
  bool IsPe32Plus() const { return m_bPe32Plus; }
  // Whether it has a version resource with a valid fixed version block.
  bool HasVersionRecord() const { return m_bHasVersion; }
  // "a.b.c.d" of the fixed block's file and product version; "" without a record.
  std::string GetFileVersion() const;
  std::string GetProductVersion() const;

  // The parts of the file of size bytes (the one parsed) that its Authenticode
  // image hash covers, in order: all of it but the checksum field, the
  // certificate table's directory entry and the certificate table (which runs
  // to the end); then *padding zero bytes: a file without a certificate table
  // is hashed as if padded to a multiple of 8 bytes, as signing pads it.
  // false when the entry names a table that does not lie after the headers
  // within the file, which Windows cannot hash.
  bool GetImageHashRanges(size_t size, std::vector<ByteRange>* ranges, size_t* padding) const;
  // Whether its directory names a certificate table (Authenticode signatures).
  bool HasCertificateTable() const {
    return m_nCertificateEntry != 0 && m_nCertificateTable != 0 && m_nCertificateSize != 0;
  }
  // The bytes of that table within a file of size bytes; false when there is
  // none or it does not lie within the file after the headers, and *table is
  // then not touched.
  bool GetCertificateTable(size_t size, ByteRange* table) const;

 private:
  // Finds the version resource below the resource directory and reads it.
  void ReadVersionRecord(const uint8_t* data, size_t size);

  uint16_t m_nMachine = 0;
  bool m_bPe32Plus = false;
  bool m_bHasVersion = false;
  uint32_t m_fileVersion[2] = {};     // most and least significant halves
  uint32_t m_productVersion[2] = {};  // most and least significant halves
  // Where the resource directory lies (from the optional header).
  uint32_t m_nResourceRva = 0;
  uint32_t m_nResourceSize = 0;
  // The section table, for mapping addresses to file offsets.
  size_t m_nSectionTable = 0;
  uint16_t m_nSections = 0;
  // The checksum field and the certificate table's directory entry (0 when
  // the optional header has none), and the table it names (offset 0: none).
  size_t m_nChecksumField = 0;
  size_t m_nCertificateEntry = 0;
  uint32_t m_nCertificateTable = 0;
  uint32_t m_nCertificateSize = 0;
};
