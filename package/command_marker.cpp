#include "package/command_marker.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "env/platform.h"
#include "env/process_runner.h"
#include "env/support_log.h"

namespace {

constexpr char kRecordTag[] = "ZavCirSetupCommand/1 ";

std::string MarkerNamed() { return std::string("command marker ") + COMMAND_MARKER_NAME; }

// Digits of the given base, all of them, from minDigits to maxDigits: the value.
bool ParseNumber(const std::string& text, int base, size_t minDigits, size_t maxDigits,
                 uint64_t* value) {
  if (text.size() < minDigits || text.size() > maxDigits) return false;
  for (char c : text) {
    if (!(base == 16 ? std::isxdigit(static_cast<unsigned char>(c))
                     : std::isdigit(static_cast<unsigned char>(c))))
      return false;
  }
  *value = std::strtoull(text.c_str(), nullptr, base);
  return true;
}

}  // namespace

std::string FormatCommandRecord(const CommandRecord& record) {
  char head[64];
  std::snprintf(head, sizeof head, "%s%u %016llX ", kRecordTag,
                static_cast<unsigned>(record.process.processId),
                static_cast<unsigned long long>(record.process.creationTime));
  const std::string text = head + record.commandLine;
  // The NUL must fit too.
  return (text.size() < COMMAND_MARKER_SIZE ? text : std::string(head)) + '\0';
}

bool ParseCommandRecord(const std::string& bytes, CommandRecord* record) {
  const size_t tagLength = std::strlen(kRecordTag);
  const size_t end = bytes.find('\0');
  if (end == std::string::npos || bytes.compare(0, tagLength, kRecordTag) != 0) return false;
  const std::string text = bytes.substr(tagLength, end - tagLength);
  const size_t idEnd = text.find(' ');
  if (idEnd == std::string::npos) return false;
  const size_t timeEnd = text.find(' ', idEnd + 1);
  uint64_t id = 0, time = 0;
  if (timeEnd == std::string::npos || !ParseNumber(text.substr(0, idEnd), 10, 1, 10, &id) ||
      id > 0xFFFFFFFFu ||
      !ParseNumber(text.substr(idEnd + 1, timeEnd - idEnd - 1), 16, 16, 16, &time))
    return false;
  record->process.processId = static_cast<DWORD>(id);
  record->process.creationTime = time;
  record->commandLine = text.substr(timeEnd + 1);
  return true;
}

std::string DescribeCommandRecord(const CommandRecord& record) {
  return "process " +
         (record.process.processId ? std::to_string(record.process.processId)
                                   : std::string("not known yet")) +
         ", " + record.commandLine;
}

std::unique_ptr<CommandMarker> MarkCommand(const std::string& commandLine, DWORD* error) {
  bool existed = false;
  std::unique_ptr<CommandMarker> marker =
      GetPlatform().runner->CreateMarker(COMMAND_MARKER_NAME, COMMAND_MARKER_SIZE, &existed, error);
  if (!marker) {
    LogLine("Command not started: its " + MarkerNamed() + " cannot be made, error " +
            std::to_string(*error));
    return nullptr;
  }
  std::string bytes;
  CommandRecord earlier;
  if (existed && !(marker->Read(&bytes, error) && ParseCommandRecord(bytes, &earlier))) {
    LogLine("Command not started: the name of its " + MarkerNamed() +
            " belongs to another program");
    *error = ERROR_ALREADY_EXISTS;
    return nullptr;
  }
  if (!marker->Write(FormatCommandRecord(CommandRecord{{}, commandLine}), error)) {
    LogLine("Command not started: its " + MarkerNamed() + " cannot be written, error " +
            std::to_string(*error));
    return nullptr;
  }
  return marker;
}

void RecordStartedCommand(CommandMarker* marker, StartedProcess* process,
                          const std::string& commandLine) {
  CommandRecord record{{}, commandLine};
  DWORD error = 0;
  if (!process->GetIdentity(&record.process, &error)) {
    LogLine("The started program's creation time cannot be read, error " + std::to_string(error) +
            ": its " + MarkerNamed() + " names no process");
    return;
  }
  if (!marker->Write(FormatCommandRecord(record), &error))
    LogLine("The " + MarkerNamed() + " cannot be written, error " + std::to_string(error) +
            ": it names no process");
}
