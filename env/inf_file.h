// An INF-syntax file opened with SetupOpenInfFileA(path, NULL, INF_STYLE_OLDNT,
// NULL) (InfParser::Open); closed (SetupCloseInfFile) when released. It owns
// one line context.
#pragma once

#include "env/win_types.h"

class InfFile {
 public:
  virtual ~InfFile() = default;
  // SetupFindFirstLineA(inf, section, NULL, &context): false when the section is
  // missing or empty.
  virtual bool FindFirstLine(const char* section) = 0;
  // SetupFindNextLine(&context, &context): false after the last line.
  virtual bool FindNextLine() = 0;
  // SetupGetStringFieldA(&context, index, buffer, size, NULL): false when the
  // line has no such field or the text with its NUL does not fit in size.
  virtual bool GetStringField(DWORD index, char* buffer, DWORD size) = 0;
};
