// The benchmark's installer stand-in: a GUI program that does nothing and
// exits 0 at once, so that a run of the setup program in front of it changes
// nothing (no store folder, no "Uninstall" entry) and the timings hold only the
// process start and wait.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
