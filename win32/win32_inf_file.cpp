#include "win32/win32_inf_file.h"

Win32InfFile::Win32InfFile(HINF inf, const Api& api, unique_hmodule setupApi)
    : m_inf(inf), m_api(api), m_setupApi(std::move(setupApi)) {}

Win32InfFile::~Win32InfFile() { m_api.closeInfFile(m_inf); }

bool Win32InfFile::FindFirstLine(const char* section) {
  m_positioned = m_api.findFirstLine(m_inf, section, nullptr, &m_context) != FALSE;
  return m_positioned;
}

bool Win32InfFile::FindNextLine() {
  if (!m_positioned) return false;
  return m_api.findNextLine(&m_context, &m_context) != FALSE;
}

bool Win32InfFile::GetStringField(DWORD index, char* buffer, DWORD size) {
  if (!m_positioned) return false;
  return m_api.getStringField(&m_context, index, buffer, size, nullptr) != FALSE;
}
