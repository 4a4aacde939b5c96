// The driver version of an INF file's content, read as Setup.exe reads it
// (package/driver_ver_line.h): 8-bit text in a single-byte code page, or
// UTF-16LE text after the byte-order mark FF FE.
#pragma once

#include <string>

struct InfDriverVersion {
  // The version of the first qualifying line, in code page 1252 ('?' for a
  // character that code page lacks); "" when no line qualifies.
  std::string version;
  bool utf16 = false;  // the file was read as UTF-16LE
  // A UTF-16 version with characters beyond ASCII: Setup.exe writes it only
  // where the ANSI code page has a code of its own for each of them.
  bool beyondAscii = false;
};

InfDriverVersion ReadDriverVersion(const std::string& content);
