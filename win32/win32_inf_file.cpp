#include "win32/win32_inf_file.h"

Win32InfFile::Win32InfFile(HINF inf, const Api& api, unique_hmodule setupApi)
    : inf_(inf), api_(api), setupApi_(std::move(setupApi)) {}

Win32InfFile::~Win32InfFile() { api_.closeInfFile(inf_); }

bool Win32InfFile::FindFirstLine(const char* section) {
  positioned_ = api_.findFirstLine(inf_, section, nullptr, &context_) != FALSE;
  return positioned_;
}

bool Win32InfFile::FindNextLine() {
  if (!positioned_) return false;
  return api_.findNextLine(&context_, &context_) != FALSE;
}

bool Win32InfFile::GetStringField(DWORD index, char* buffer, DWORD size) {
  if (!positioned_) return false;
  return api_.getStringField(&context_, index, buffer, size, nullptr) != FALSE;
}
