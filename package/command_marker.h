// The command marker: while a program that the command runner started runs,
// the named kernel object COMMAND_MARKER_NAME exists and carries a record of
// it, so that a later run of Setup, in any session and under any account,
// finds the command still at work and waits for it (app/earlier_command.h).
// The started program inherits a handle of the object, which keeps it alive
// for as long as the program runs, whatever becomes of the run that started
// it; the runner closes its own handle once the record is written. Nothing of
// it outlives a restart.
#pragma once

#include <memory>
#include <string>

#include "env/command_marker.h"
#include "env/started_process.h"
#include "env/win_types.h"

constexpr char COMMAND_MARKER_NAME[] = "Global\\ZavCirReceiverDriverSetupCommand";
constexpr DWORD COMMAND_MARKER_SIZE = 4096;  // one page

// What a marker records: the started program (process id 0 until its start
// has succeeded and its identity is known) and its command line.
struct CommandRecord {
  ProcessIdentity process;
  std::string commandLine;
};

// "ZavCirSetupCommand/1 <process id> <creation time, 16 hex digits> <command
// line>" and a NUL. A command line too long for COMMAND_MARKER_SIZE (none that
// Setup builds or reads is) is left out.
std::string FormatCommandRecord(const CommandRecord& record);

// The record in a marker's bytes; false when they hold none (another
// program's object of that name).
bool ParseCommandRecord(const std::string& bytes, CommandRecord* record);

// "process <id>, <command line>", or "process not known yet, ..." for id 0.
std::string DescribeCommandRecord(const CommandRecord& record);

// Makes the marker for a command about to start and records the command in it.
// An object of that name left by an earlier command of Setup (kept open by a
// program that command started) is taken over. nullptr, with *error, when the
// command must not start: the marker cannot be made or written, or the name
// belongs to another program (ERROR_ALREADY_EXISTS); the log says which.
std::unique_ptr<CommandMarker> MarkCommand(const std::string& commandLine, DWORD* error);

// Records in the marker that the command runs as the started program. Where
// the program's identity cannot be read, the record keeps process id 0, and a
// later run waits for the marker itself to go.
void RecordStartedCommand(CommandMarker* marker, StartedProcess* process,
                          const std::string& commandLine);
