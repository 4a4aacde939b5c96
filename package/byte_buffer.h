// An owned block of bytes: the whole content of a file, for comparing files.
#pragma once

#include <memory>

#include "env/win_types.h"

class CByteBuffer {
 public:
  CByteBuffer() = default;
  CByteBuffer(const CByteBuffer&) = delete;
  CByteBuffer& operator=(const CByteBuffer&) = delete;

  // Drops any block held and allocates one of size bytes (contents undefined).
  // On allocation failure, and for size 0, no block is held and the size is 0.
  void Alloc(DWORD size);
  // Drops the block: no block, size 0.
  void Free();
  // The block, or nullptr.
  BYTE* GetData() const { return m_pData.get(); }
  // The block's size; 0 without a block.
  DWORD GetSize() const { return m_pData ? m_nSize : 0; }
  // TRUE when both sizes are equal and so are the bytes; two empty buffers are
  // equal without any byte being looked at.
  BOOL IsSameContent(const CByteBuffer& other) const;

 private:
  std::unique_ptr<BYTE[]> m_pData;
  DWORD m_nSize = 0;
};
