// The INF probe: prints what an INF parser makes of Setup.ini files, so that
// the checker's reader can be compared with the system's. One program per
// parser: the native one runs InfDocument, the Windows one SetupAPI.
#pragma once

#include <memory>
#include <string>

#include "env/platform.h"

// A parser that opens the file at path whatever path it is asked for; never
// nullptr. Provided by the native and the Windows probe each.
std::unique_ptr<InfParser> MakeProbeParser(const std::string& path);

// For the file the parser serves: whether it opens, fields 0 to 3 of each
// [Dir] line read through 260-character buffers ("-" when unreadable), and
// for each tag the outcome of the product's walk of [Dir]. Text is quoted,
// with bytes outside printable ASCII written as \xNN.
std::string DescribeSetupIni(InfParser* parser);
