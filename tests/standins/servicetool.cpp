// Test helper: a service of our own that starts one command line, as
// deployment tools start installs: in the service's window station, which
// nobody sees (Windows gives services stations without WSF_VISIBLE; Wine 8
// gives them __wineservice_winstation).
//
//   servicetool FOLDER   the binary of an own-process service
//                        (sc create NAME type= own binPath= "...\servicetool.exe C:\svc")
//
// Started (sc start NAME), it runs the first line of FOLDER\command.txt
// (CreateProcessA, no application name), waits for its end at most the
// seconds of the second line, then writes FOLDER\result.txt (whole, through a
// rename) and stops:
//   station=<its window station's name>
//   flags=0x%08X             the station's USEROBJECTFLAGS dwFlags
//   exit=0x%08X | error=<start error> | timeout=1 (the command is left running)
// Run from a console it exits with 2.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "base/unique_handles.h"

namespace {

char kServiceName[] = "ZavCirServiceTool";
std::string g_folder;
SERVICE_STATUS_HANDLE g_status = nullptr;

void Report(DWORD state) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  SetServiceStatus(g_status, &status);
}

DWORD WINAPI Control(DWORD, DWORD, LPVOID, LPVOID) { return NO_ERROR; }

std::string Run(std::string command, DWORD seconds) {
  char name[256] = "", text[400];
  USEROBJECTFLAGS flags = {};
  DWORD needed = 0;
  GetUserObjectInformationA(GetProcessWindowStation(), UOI_NAME, name, sizeof name, &needed);
  GetUserObjectInformationA(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, &needed);
  const int head = std::snprintf(text, sizeof text, "station=%s\nflags=0x%08lX\n", name,
                                 static_cast<unsigned long>(flags.dwFlags));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::snprintf(text + head, sizeof text - head, "error=%lu\n", GetLastError());
    return text;
  }
  const unique_handle program(process.hProcess), thread(process.hThread);
  DWORD code = 0;
  if (WaitForSingleObject(program.get(), seconds * 1000) != WAIT_OBJECT_0)
    std::snprintf(text + head, sizeof text - head, "timeout=1\n");
  else if (GetExitCodeProcess(program.get(), &code))
    std::snprintf(text + head, sizeof text - head, "exit=0x%08lX\n", code);
  return text;
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
  g_status = RegisterServiceCtrlHandlerExA(kServiceName, Control, nullptr);
  if (!g_status) return;
  Report(SERVICE_RUNNING);
  std::ifstream job(g_folder + "\\command.txt");
  std::string command, limit;
  std::getline(job, command);
  std::getline(job, limit);
  if (!command.empty() && command.back() == '\r') command.pop_back();
  const std::string partial = g_folder + "\\result.tmp";
  std::ofstream(partial, std::ios::binary)
      << Run(command, std::strtoul(limit.c_str(), nullptr, 10));
  MoveFileExA(partial.c_str(), (g_folder + "\\result.txt").c_str(), MOVEFILE_REPLACE_EXISTING);
  Report(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: servicetool FOLDER (as a service's binary)\n");
    return 2;
  }
  g_folder = argv[1];
  SERVICE_TABLE_ENTRYA table[] = {{kServiceName, ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherA(table) ? 0 : 2;
}
