// Test helper: reads and dismisses the message box of another process.
//
//   boxtool [--timeout MS] [--exe NAME]   wait up to MS (default 15000) for a visible
//                                         top-level dialog (#32770) of another process
//                                         (of NAME only, when given), print it, press OK
//   boxtool --none MS [--exe NAME]        assert that no such box appears within MS
//
// Output, one "key=value" per line, texts in the ANSI code page with backslash,
// CR and LF written as \\, \r and \n:
//   caption=<window text>   text=<message: the Static with id 0xFFFF>
//   buttons=<visible buttons>   ok_only=<1: the one button is IDOK>
//   icon=<1: a visible SS_ICON static>   exe=<process of the box>
//   closed=<1: the box was gone within 5 s of pressing OK>
// Exit code: 0 a box was read and pressed (--none: no box came), 1 none came within
// the time (--none: one came; it is printed and pressed as well), 2 bad arguments.
#include <windows.h>
// windows.h first
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/unique_handles.h"

namespace {

std::string ExeOfProcess(DWORD pid) {
  unique_hfile snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snap.get() == INVALID_HANDLE_VALUE) return std::string();
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL ok = Process32First(snap.get(), &entry); ok; ok = Process32Next(snap.get(), &entry)) {
    if (entry.th32ProcessID == pid) return entry.szExeFile;
  }
  return std::string();
}

std::string ClassOf(HWND h) {
  char name[256] = "";
  GetClassNameA(h, name, sizeof name);
  return name;
}

// Double-byte characters are copied whole: a trail byte 0x5C is not a backslash.
std::string Escape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < s.size()) {
      out += c;
      out += s[++i];
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

struct Search {
  const char* exe;  // or nullptr
  HWND found;
};

BOOL CALLBACK FindBox(HWND h, LPARAM param) {
  Search* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid == GetCurrentProcessId() || !IsWindowVisible(h) || ClassOf(h) != "#32770") return TRUE;
  if (search->exe && lstrcmpiA(ExeOfProcess(pid).c_str(), search->exe) != 0) return TRUE;
  search->found = h;
  return FALSE;
}

struct Controls {
  int buttons = 0;
  bool okSeen = false;
  bool icon = false;
};

BOOL CALLBACK CountControls(HWND h, LPARAM param) {
  Controls* c = reinterpret_cast<Controls*>(param);
  const LONG style = GetWindowLongA(h, GWL_STYLE);
  if (!(style & WS_VISIBLE)) return TRUE;
  const std::string cls = ClassOf(h);
  if (lstrcmpiA(cls.c_str(), "Button") == 0) {
    ++c->buttons;
    if (GetDlgCtrlID(h) == IDOK) c->okSeen = true;
  } else if (lstrcmpiA(cls.c_str(), "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
    c->icon = true;
  }
  return TRUE;
}

std::string TextOf(HWND h) {
  char buffer[8192] = "";
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(h, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                           SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &copied)) {
    return std::string();
  }
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

HWND WaitForBox(const char* exe, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    Search search = {exe, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(50);
  }
}

void ReportAndPress(HWND box) {
  char caption[1024] = "";
  GetWindowTextA(box, caption, sizeof caption);
  Controls controls;
  EnumChildWindows(box, CountControls, reinterpret_cast<LPARAM>(&controls));
  HWND textControl = GetDlgItem(box, 0xFFFF);
  DWORD pid = 0;
  GetWindowThreadProcessId(box, &pid);
  std::printf("caption=%s\n", Escape(caption).c_str());
  std::printf("text=%s\n", Escape(textControl ? TextOf(textControl) : std::string()).c_str());
  std::printf("buttons=%d\n", controls.buttons);
  std::printf("ok_only=%d\n", controls.buttons == 1 && controls.okSeen ? 1 : 0);
  std::printf("icon=%d\n", controls.icon ? 1 : 0);
  std::printf("exe=%s\n", ExeOfProcess(pid).c_str());
  std::fflush(stdout);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  // Returns only once the box is gone, so that a next search cannot meet it again.
  const DWORD start = GetTickCount();
  while (IsWindow(box) && GetTickCount() - start < 5000) Sleep(20);
  std::printf("closed=%d\n", IsWindow(box) ? 0 : 1);
}

}  // namespace

int main(int argc, char** argv) {
  DWORD timeoutMs = 15000;
  bool expectNone = false;
  const char* exe = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
      timeoutMs = std::strtoul(argv[++i], nullptr, 0);
    } else if (std::strcmp(argv[i], "--none") == 0 && i + 1 < argc) {
      expectNone = true;
      timeoutMs = std::strtoul(argv[++i], nullptr, 0);
    } else if (std::strcmp(argv[i], "--exe") == 0 && i + 1 < argc) {
      exe = argv[++i];
    } else {
      std::fprintf(stderr, "usage: boxtool [--timeout MS | --none MS] [--exe NAME]\n");
      return 2;
    }
  }
  HWND box = WaitForBox(exe, timeoutMs);
  if (!box) {
    std::printf("found=0\n");
    return expectNone ? 0 : 1;
  }
  std::printf("found=1\n");
  ReportAndPress(box);
  return expectNone ? 1 : 0;
}
