#include "tests/fakes/fake_log_file.h"

#include "env/support_log.h"

LocalTime FakeLogFile::Now() {
  const LocalTime reading = now;
  if (++now.milliseconds == 1000) {
    now.milliseconds = 0;
    if (++now.second == 60) {
      now.second = 0;
      ++now.minute;  // tests never log for an hour
    }
  }
  return reading;
}

bool FakeLogFile::GetSize(const std::string& path, uint64_t* size) {
  auto it = files.find(path);
  if (it == files.end()) return false;
  *size = it->second.size();
  return true;
}

bool FakeLogFile::Rename(const std::string& from, const std::string& to) {
  auto it = files.find(from);
  if (failRename || it == files.end()) return false;
  std::string contents = std::move(it->second);
  files.erase(it);
  files[to] = std::move(contents);
  if (m_open == from) m_open = to;  // an open handle follows its file
  return true;
}

bool FakeLogFile::Open(const std::string& path) {
  opened.push_back(path);
  m_open.clear();
  if (failOpen) return false;
  files[path];  // created when missing
  m_open = path;
  return true;
}

bool FakeLogFile::Append(const std::string& text) {
  if (failAppend || m_open.empty()) return false;
  files[m_open] += text;
  return true;
}

std::vector<std::string> FakeLogFile::TraceLines() const {
  std::vector<std::string> lines;
  for (const std::string& text : debugOutput)
    if (text.rfind(SUPPORT_LOG_DEBUG_PREFIX, 0) != 0) lines.push_back(text);
  return lines;
}

std::vector<std::string> FakeLogFile::TextLines(const std::string& path) {
  std::vector<std::string> lines;
  const std::string& text = files[path];
  const std::string pid = "[" + std::to_string(processId) + "] ";
  for (size_t pos = 0; pos < text.size();) {
    const size_t end = text.find("\r\n", pos);
    size_t start = pos + 24;  // "YYYY-MM-DD hh:mm:ss.mmm "
    if (text.compare(start, pid.size(), pid) == 0) start += pid.size();
    lines.push_back(text.substr(start, end - start));
    pos = end + 2;
  }
  return lines;
}
