// The checker's two ways of telling what it found: a table for people and
// JSON for build pipelines. Texts from the folder are read as code page 1252.
#pragma once

#include <string>

#include "tools/distcheck/report/report_types.h"

// The table: the folder, Setup.exe and Setup.ini lines, one row per tag, then
// one line per finding and a summary. Bytes outside printable ASCII are
// written as \xNN, so that no file name can drive the terminal.
std::string FormatTable(const DistReport& report);

// One JSON object (see the tool's documentation), ASCII only, ending in a line feed.
std::string FormatJson(const DistReport& report);
