// The INF probe: prints what an INF parser makes of Setup.ini files and of
// driver package INF files, so that the checker's reader can be compared with
// the system's. One program per parser: the native one runs InfDocument, the
// Windows one SetupAPI.
#pragma once

#include <memory>
#include <string>

#include "env/inf_parser.h"

// A parser that opens the file at path whatever path it is asked for, as a
// package INF (SetupAPI's Windows style) or as Setup.ini (legacy style); never
// nullptr. Provided by the native and the Windows probe each.
std::unique_ptr<InfParser> MakeProbeParser(const std::string& path, bool packageInf);

// For the file the parser serves: whether it opens, fields 0 to 3 of each
// [Dir] line read through 260-character buffers ("-" when unreadable), and
// for each tag the outcome of the product's walk of [Dir]. Text is quoted,
// with bytes outside printable ASCII written as \xNN.
std::string DescribeSetupIni(InfParser* parser);

// For a driver package's INF: the version Setup.exe reads from the file's
// content (its DriverVer rule, not the parser's), whether it opens, fields 0
// to 6 of each line of [Version], [Manufacturer] and the plain, x86 and amd64
// forms of [SourceDisksNames] and [SourceDisksFiles] (read through
// 4096-character buffers), and for each tag what ReadPackageInf finds: the
// catalog, the source files with their folders, and the models problems.
std::string DescribePackageInf(InfParser* parser, const std::string& content);
