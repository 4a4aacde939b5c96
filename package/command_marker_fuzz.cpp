// Fuzzes the reading of a command marker's bytes, which may be another
// program's object of that name: any bytes are read without a fault, and a
// record that reads back formats to bytes that read back to the same record.
//
// Input: the marker's bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "package/command_marker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CommandRecord record;
  if (!ParseCommandRecord(bytes, &record)) return 0;
  CommandRecord again;
  const std::string formatted = FormatCommandRecord(record);
  if (formatted.size() > COMMAND_MARKER_SIZE || !ParseCommandRecord(formatted, &again) ||
      again.process.processId != record.process.processId ||
      again.process.creationTime != record.process.creationTime)
    std::abort();
  // Only a command line too long for the marker is left out.
  const bool leftOut =
      again.commandLine.empty() && record.commandLine.size() + 60 > COMMAND_MARKER_SIZE;
  if (again.commandLine != record.commandLine && !leftOut) std::abort();
  return 0;
}
