// Reads a text file one line at a time, for lines of any length: 8-bit text,
// or UTF-16LE text after its byte-order mark.
#pragma once

#include <memory>
#include <string>

#include "env/readable_file.h"

class CTextLineReader {
 public:
  // Reads from file, which the reader owns from now on (nullptr: no lines).
  explicit CTextLineReader(std::unique_ptr<ReadableFile> file);
  CTextLineReader(const CTextLineReader&) = delete;
  CTextLineReader& operator=(const CTextLineReader&) = delete;

  // Whether the file starts with the UTF-16LE byte-order mark (FF FE); when it
  // does, the mark is passed over. Asked before the first line is read.
  bool SkipUtf16Mark();

  // The next line without its line end (LF or CR LF); false at the end of the
  // file, leaving line untouched. A read failure counts as the end of the file.
  // A last line without a line end is a line; a file that ends in a line end
  // has no empty line after it. The first overload reads bytes; the second
  // reads UTF-16LE units (two bytes each, ends U+000A and U+000D U+000A), and
  // a single byte left at the end of the file, which is no unit, is dropped.
  bool ReadLine(std::string& line);
  bool ReadLine(std::u16string& line);

 private:
  // Reads the next chunk into the buffer; false when nothing more comes.
  bool Fill();
  // The line reading of both overloads, for units of sizeof(Unit) bytes.
  template <typename Unit>
  bool ReadUnits(std::basic_string<Unit>& line);
  // The unit of type Unit whose first byte is at pos (little-endian).
  template <typename Unit>
  Unit UnitAt(size_t pos) const;

  std::unique_ptr<ReadableFile> m_file;
  std::string m_buffer;
  size_t m_nPos = 0;
};
