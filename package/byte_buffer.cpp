#include "package/byte_buffer.h"

#include <cstring>
#include <new>

void CByteBuffer::Alloc(DWORD size) {
  Free();
  if (size == 0) return;
  m_pData.reset(new (std::nothrow) BYTE[size]);
  if (m_pData) m_nSize = size;
}

void CByteBuffer::Free() {
  m_pData.reset();
  m_nSize = 0;
}

BOOL CByteBuffer::IsSameContent(const CByteBuffer& other) const {
  const DWORD size = GetSize();
  if (size != other.GetSize()) return FALSE;
  if (size == 0) return TRUE;
  return std::memcmp(GetData(), other.GetData(), size) == 0 ? TRUE : FALSE;
}
