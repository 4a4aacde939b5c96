#include "win32/win32_trace_sink.h"

void Win32TraceSink::Write(const char* line) { ::OutputDebugStringA(line); }
