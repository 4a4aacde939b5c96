// A handle of a command marker: a named file mapping backed by the paging file,
// whose few bytes carry a record of the command it marks (package/command_marker.h
// says what the record is). The object lives as long as any handle of it is
// open, in any process, and never past a restart; its pages start as zeros.
// Closed (UnmapViewOfFile of its view, CloseHandle) when released.
#pragma once

#include <string>

#include "env/win_types.h"

class CommandMarker {
 public:
  virtual ~CommandMarker() = default;
  // Copies bytes to the start of the view (mapped at the first use, as for
  // Read); false, with *error, when the view cannot be mapped for writing (an
  // opened marker) or bytes do not fit in it.
  virtual bool Write(const std::string& bytes, DWORD* error) = 0;
  // The bytes of a view of the whole object, at most its first 64 KiB
  // (MapViewOfFile with FILE_MAP_READ for an opened marker, FILE_MAP_WRITE for
  // a created one; VirtualQuery for its size); false, with *error, when it
  // cannot be mapped.
  virtual bool Read(std::string* bytes, DWORD* error) = 0;
};
