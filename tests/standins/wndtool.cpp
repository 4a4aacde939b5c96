// Test helper: finds the (usually hidden) main window of another process and
// talks to it.
//
//   wndtool EXE ACTION...
//
// The window is the first top-level window of a running process named EXE
// (compared without case) that is neither an input-method window (class "IME")
// nor a dialog (#32770). Actions, carried out in order:
//   wait=MS     wait up to MS for the window to exist (without it, it must exist now)
//   info        print windows=<candidates> class= style=0x%08X visible=0|1 rect=l,t,r,b
//               hwnd=0x<handle in hex> thread=<id of the thread that created it>
//   qes         send WM_QUERYENDSESSION(0, 0) (SendMessageTimeoutA, 5 s); print qes=<answer>
//               (sent=0 when the message could not be delivered)
//   endsession=0|1   send WM_ENDSESSION with that bEnding; print endsession=<sent>
//   sleep=MS    pause
//   gone=MS     wait up to MS for the window to disappear; print gone=1|0
// One "key=value" per line. Exit code: 0 every action done, 1 no window, 2 bad arguments.
#include <windows.h>
// windows.h first
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/unique_handles.h"

namespace {

std::vector<DWORD> ProcessesNamed(const char* exe) {
  std::vector<DWORD> pids;
  unique_hfile snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snap.get() == INVALID_HANDLE_VALUE) return pids;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL ok = Process32First(snap.get(), &entry); ok; ok = Process32Next(snap.get(), &entry)) {
    if (lstrcmpiA(entry.szExeFile, exe) == 0) pids.push_back(entry.th32ProcessID);
  }
  return pids;
}

std::string ClassOf(HWND h) {
  char name[256] = "";
  GetClassNameA(h, name, sizeof name);
  return name;
}

struct Search {
  std::vector<DWORD> pids;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND h, LPARAM param) {
  Search* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  for (DWORD p : search->pids) {
    if (p != pid) continue;
    const std::string cls = ClassOf(h);
    if (cls != "IME" && cls != "#32770") search->found.push_back(h);
    break;
  }
  return TRUE;
}

// The candidate windows of the process, first the one acted on.
std::vector<HWND> FindWindows(const char* exe) {
  Search search;
  search.pids = ProcessesNamed(exe);
  if (!search.pids.empty()) EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void PrintInfo(HWND h, size_t candidates) {
  RECT r = {};
  GetWindowRect(h, &r);
  std::printf("windows=%u\n", static_cast<unsigned>(candidates));
  std::printf("class=%s\n", ClassOf(h).c_str());
  std::printf("style=0x%08lX\n", static_cast<unsigned long>(GetWindowLongA(h, GWL_STYLE)));
  std::printf("visible=%d\n", IsWindowVisible(h) ? 1 : 0);
  std::printf("rect=%ld,%ld,%ld,%ld\n", r.left, r.top, r.right, r.bottom);
  std::printf("hwnd=0x%lx\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(h)));
  std::printf("thread=%lu\n", static_cast<unsigned long>(GetWindowThreadProcessId(h, nullptr)));
}

bool StartsWith(const char* text, const char* prefix, const char** rest) {
  const size_t n = std::strlen(prefix);
  if (std::strncmp(text, prefix, n) != 0) return false;
  *rest = text + n;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: wndtool EXE [wait=MS|info|qes|endsession=0|1|sleep=MS|gone=MS]...\n");
    return 2;
  }
  const char* exe = argv[1];
  HWND window = nullptr;
  size_t candidates = 0;
  auto locate = [&]() {
    const std::vector<HWND> all = FindWindows(exe);
    candidates = all.size();
    window = all.empty() ? nullptr : all.front();
    return window != nullptr;
  };
  bool located = false;
  for (int i = 2; i < argc; ++i) {
    const char* rest = nullptr;
    if (StartsWith(argv[i], "wait=", &rest)) {
      const DWORD timeoutMs = std::strtoul(rest, nullptr, 0);
      const DWORD start = GetTickCount();
      while (!locate() && GetTickCount() - start < timeoutMs) Sleep(50);
      located = true;
      if (!window) {
        std::printf("found=0\n");
        return 1;
      }
      continue;
    }
    if (StartsWith(argv[i], "sleep=", &rest)) {
      Sleep(std::strtoul(rest, nullptr, 0));
      continue;
    }
    if (!located) {
      located = true;
      if (!locate()) {
        std::printf("found=0\n");
        return 1;
      }
    }
    if (std::strcmp(argv[i], "info") == 0) {
      PrintInfo(window, candidates);
    } else if (std::strcmp(argv[i], "qes") == 0) {
      DWORD_PTR answer = 0;
      const LRESULT sent = SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0,
                                               SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &answer);
      std::printf("sent=%d\nqes=%lu\n", sent ? 1 : 0, static_cast<unsigned long>(answer));
    } else if (StartsWith(argv[i], "endsession=", &rest)) {
      DWORD_PTR answer = 0;
      const LRESULT sent =
          SendMessageTimeoutA(window, WM_ENDSESSION, std::strtoul(rest, nullptr, 0) ? TRUE : FALSE,
                              0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &answer);
      std::printf("endsession=%d\n", sent ? 1 : 0);
    } else if (StartsWith(argv[i], "gone=", &rest)) {
      const DWORD timeoutMs = std::strtoul(rest, nullptr, 0);
      const DWORD start = GetTickCount();
      while (IsWindow(window) && GetTickCount() - start < timeoutMs) Sleep(50);
      std::printf("gone=%d\n", IsWindow(window) ? 0 : 1);
    } else {
      std::fprintf(stderr, "wndtool: unknown action %s\n", argv[i]);
      return 2;
    }
    std::fflush(stdout);
  }
  std::fflush(stdout);
  return 0;
}
