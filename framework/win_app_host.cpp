// The native test build of the framework: there are no windows.
#include "framework/win_app.h"

HWND AfxGetMainHwnd() { return nullptr; }
