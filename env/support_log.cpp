#include "env/support_log.h"

#include <cstdio>

#include "env/platform.h"
#include "env/system_info.h"

namespace {

LogFile* InstalledLogFile() { return GetPlatform().log; }

void AppendStamped(LogFile* file, const std::string& text) {
  file->Append(FormatLogLine(file->Now(), file->GetProcessId(), text));
}

}  // namespace

std::string FormatLogLine(const LocalTime& time, DWORD processId, const std::string& text) {
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u [%u] ", time.year % 10000,
                time.month % 100, time.day % 100, time.hour % 100, time.minute % 100,
                time.second % 100, time.milliseconds % 1000, static_cast<unsigned>(processId));
  size_t length = text.size();
  if (length > 0 && text[length - 1] == '\n') --length;
  if (length > 0 && text[length - 1] == '\r') --length;
  std::string line = stamp;
  line.reserve(line.size() + length + 2);
  for (size_t i = 0; i < length; ++i) {
    // Bytes below 0x20 are never the second byte of a double-byte character.
    const auto b = static_cast<unsigned char>(text[i]);
    line += (b < 0x20 && b != '\t') || b == 0x7F ? '?' : text[i];
  }
  return line + "\r\n";
}

std::string FormatHex32(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

std::string DescribeErrorCode(DWORD code) {
  const std::string number = FormatHex32(code) + " (" + std::to_string(code) + ")";
  const std::string text = GetPlatform().system->FormatSystemMessage(code);
  return text.empty() ? number + ", a code the system has no text for" : number + ": " + text;
}

std::string FormatSeconds(DWORD milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%03u s", static_cast<unsigned>(milliseconds / 1000),
                static_cast<unsigned>(milliseconds % 1000));
  return text;
}

void OpenSupportLog() {
  LogFile* file = InstalledLogFile();
  if (!file) return;
  const std::string windowsDir = GetPlatform().system->GetWindowsDirectory();
  // Without the Windows directory the name would be relative: no log then.
  if (windowsDir.empty()) return;
  const std::string path = windowsDir + "\\" + SUPPORT_LOG_NAME;
  uint64_t size = 0;
  if (file->GetSize(path, &size) && size > SUPPORT_LOG_ROLLOVER_SIZE)
    file->Rename(path, windowsDir + "\\" + SUPPORT_LOG_OLD_NAME);
  file->Open(path);
}

void Trace(const char* text) {
  LogFile* file = InstalledLogFile();
  if (!file || !text) return;
  AppendStamped(file, text);
  file->DebugOutput(text);
}

void Trace(const std::string& text) { Trace(text.c_str()); }

void LogLine(const std::string& text) {
  LogFile* file = InstalledLogFile();
  if (!file) return;
  AppendStamped(file, text);
  file->DebugOutput((SUPPORT_LOG_DEBUG_PREFIX + text + "\n").c_str());
}
