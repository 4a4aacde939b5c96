#include "package/text_line_reader.h"

#include <utility>

namespace {

constexpr DWORD kChunkSize = 4096;

}  // namespace

CTextLineReader::CTextLineReader(std::unique_ptr<ReadableFile> file) : m_file(std::move(file)) {}

bool CTextLineReader::Fill() {
  if (!m_file) return false;
  char chunk[kChunkSize];
  DWORD bytesRead = 0;
  if (!m_file->Read(chunk, kChunkSize, &bytesRead) || bytesRead == 0) {
    m_file.reset();
    return false;
  }
  m_buffer.erase(0, m_nPos);
  m_nPos = 0;
  m_buffer.append(chunk, bytesRead);
  return true;
}

bool CTextLineReader::ReadLine(std::string& line) {
  size_t searched = m_nPos;
  size_t end;
  while ((end = m_buffer.find('\n', searched)) == std::string::npos) {
    const size_t pending = m_buffer.size() - m_nPos;
    if (!Fill()) break;
    searched = pending;  // the pending text now starts at 0
  }
  if (end == std::string::npos) {
    // The end of the file: what is left is the last line, if anything is.
    if (m_nPos >= m_buffer.size()) return false;
    end = m_buffer.size();
  }
  size_t length = end - m_nPos;
  if (end < m_buffer.size() && length > 0 && m_buffer[end - 1] == '\r') --length;
  line.assign(m_buffer, m_nPos, length);
  m_nPos = end < m_buffer.size() ? end + 1 : end;
  return true;
}
