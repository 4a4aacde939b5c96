// Reads a text file one line at a time, for lines of any length.
#pragma once

#include <memory>
#include <string>

#include "env/platform.h"

class CTextLineReader {
 public:
  // Reads from file, which the reader owns from now on (nullptr: no lines).
  explicit CTextLineReader(std::unique_ptr<ReadableFile> file);
  CTextLineReader(const CTextLineReader&) = delete;
  CTextLineReader& operator=(const CTextLineReader&) = delete;

  // The next line without its line end (LF or CR LF); false at the end of the
  // file, leaving line untouched. A read failure counts as the end of the file.
  // A last line without a line end is a line; a file that ends in a line end
  // has no empty line after it.
  bool ReadLine(std::string& line);

 private:
  // Reads the next chunk into the buffer; false when nothing more comes.
  bool Fill();

  std::unique_ptr<ReadableFile> m_file;
  std::string m_buffer;
  size_t m_nPos = 0;
};
