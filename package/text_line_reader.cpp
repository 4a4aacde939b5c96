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

bool CTextLineReader::SkipUtf16Mark() {
  while (m_buffer.size() - m_nPos < 2 && Fill()) {
  }
  if (m_buffer.compare(m_nPos, 2, "\xFF\xFE") != 0) return false;
  m_nPos += 2;
  return true;
}

template <typename Unit>
Unit CTextLineReader::UnitAt(size_t pos) const {
  unsigned value = 0;
  for (size_t i = sizeof(Unit); i-- > 0;)
    value = (value << 8) | static_cast<unsigned char>(m_buffer[pos + i]);
  return static_cast<Unit>(value);
}

template <typename Unit>
bool CTextLineReader::ReadUnits(std::basic_string<Unit>& line) {
  constexpr size_t kUnit = sizeof(Unit);
  size_t searched = m_nPos;  // every whole unit before it is no line feed
  size_t end = std::string::npos;
  for (;;) {
    for (; searched + kUnit <= m_buffer.size() && end == std::string::npos; searched += kUnit)
      if (UnitAt<Unit>(searched) == Unit('\n')) end = searched;
    if (end != std::string::npos) break;
    const size_t pending = searched - m_nPos;
    if (!Fill()) break;
    searched = pending;  // the pending text now starts at 0
  }
  const size_t whole = m_nPos + (m_buffer.size() - m_nPos) / kUnit * kUnit;
  if (end == std::string::npos) {
    // The end of the file: what is left is the last line, if a unit is.
    if (m_nPos >= whole) {
      m_nPos = m_buffer.size();
      return false;
    }
    end = whole;
  }
  size_t stop = end;
  if (end < whole && stop > m_nPos && UnitAt<Unit>(stop - kUnit) == Unit('\r')) stop -= kUnit;
  line.clear();
  for (size_t pos = m_nPos; pos < stop; pos += kUnit) line += UnitAt<Unit>(pos);
  m_nPos = end < whole ? end + kUnit : m_buffer.size();
  return true;
}

bool CTextLineReader::ReadLine(std::string& line) { return ReadUnits(line); }

bool CTextLineReader::ReadLine(std::u16string& line) { return ReadUnits(line); }
