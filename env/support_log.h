// The program's one log: ZavCirSetup.log in the Windows directory, beside the
// driver installer's own log, and the debugger output. Every run appends its
// header, its Trace lines, the commands it starts with their results, its
// registry writes and deletions and its exit code, each line with the local
// time and the process id, which tells apart the lines of two runs that
// overlap. Every line also goes to the debugger output. Nothing depends on the
// log: without a LogFile installed, or when the file cannot be opened or
// written, every call does nothing more.
#pragma once

#include <string>

#include "env/log_file.h"
#include "env/win_types.h"

constexpr char SUPPORT_LOG_NAME[] = "ZavCirSetup.log";
constexpr char SUPPORT_LOG_OLD_NAME[] = "ZavCirSetup.log.old";
// What the log's own lines start with in the debugger output, where the lines
// of every process meet (Trace lines keep their exact text there).
constexpr char SUPPORT_LOG_DEBUG_PREFIX[] = "ZavCirSetup: ";
// A log larger than this at the start of a run is moved to the .old file first.
constexpr uint64_t SUPPORT_LOG_ROLLOVER_SIZE = 1024 * 1024;

// "YYYY-MM-DD hh:mm:ss.mmm [process id] text" and CR LF (the id in decimal,
// as Task Manager shows it). A line end at the end of text is dropped; any
// other control character but tab becomes '?', so that no text can break a
// line in two.
std::string FormatLogLine(const LocalTime& time, DWORD processId, const std::string& text);

// "0x" and eight upper-case hex digits.
std::string FormatHex32(DWORD value);

// A Windows error code in hex and decimal with the system's text for it:
// "0x0000065B (1627): Function failed during execution."; without a text
// "0x0000FFFF (65535), a code the system has no text for".
std::string DescribeErrorCode(DWORD code);

// Milliseconds as seconds with three decimals: "75.012 s".
std::string FormatSeconds(DWORD milliseconds);

// Opens <Windows directory>\ZavCirSetup.log for appending, first moving it to
// ZavCirSetup.log.old (replacing that) when it is larger than 1 MiB.
void OpenSupportLog();

// A diagnostic line of the package operations, one complete line ending in
// '\n': to the log file, and with its exact text to the debugger output.
void Trace(const char* text);
void Trace(const std::string& text);

// A line of the log's own (without a line end): to the log file, and with
// SUPPORT_LOG_DEBUG_PREFIX and a line feed to the debugger output.
void LogLine(const std::string& text);
