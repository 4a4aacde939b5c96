#include "app/setup_app.h"

#include <gtest/gtest.h>

#include "env/probes.h"
#include "env/system_info.h"
#include "package/exit_code.h"
#include "tests/fakes/fake_log_file.h"
#include "tests/fakes/fake_platform.h"

namespace {

using ::testing::PrintToString;
using Strings = std::vector<std::string>;

const char kUnsupported[] = "This ZAV CIR driver is for Windows 7, Vista or Windows XP only.";
const char kOpenFailed[] = "Failed to open Setup.ini file";
const char kNoLine[] = "Failed to find the line in Setup.ini: Win7_32=...";

TEST(SetupAppTest, StartUpRecordsTheFactsOfTheRun) {
  FakePlatform p;
  p.system.version = OsVersion{VER_PLATFORM_WIN32_NT, 6, 1};
  p.system.wow64 = TRUE;
  p.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", {{"Win7_32", "x86"}, {"Win7_64", "x64"}}}});
  CSetupApp app;
  // Uninstall mode does not need the package folder.
  EXPECT_EQ(TRUE, app.StartUp({"-s", "/U"}));
  EXPECT_EQ("C:\\Dist", app.m_strModuleDir);
  EXPECT_EQ(OS_WIN7, app.m_nOsKind);
  EXPECT_EQ(TRUE, app.m_bWow64);
  EXPECT_EQ("C:\\Dist\\x64", app.m_strPackageDir);
  EXPECT_EQ(TRUE, app.m_cmdInfo.m_bSilent);
  EXPECT_EQ(TRUE, app.m_cmdInfo.m_bUninstall);
  EXPECT_TRUE(p.ui.messages.empty());
  // The run guard is the job's, not start-up's.
  EXPECT_TRUE(p.sync.created.empty());
  // The uninstall job alone: nothing found, nothing started, no Install trace.
  app.DoWork();
  EXPECT_TRUE(p.runner.commands.empty());
  EXPECT_TRUE(p.log.TraceLines().empty());
  EXPECT_EQ(1, p.sync.releases);
  EXPECT_EQ(0, p.sync.openHandles);
  EXPECT_EQ(SETUP_SUCCESS, app.ExitInstance());
  EXPECT_EQ(&app, AfxGetApp());
}

TEST(SetupAppTest, AFailedStartUpShowsItsReasonUnlessSilentAndSetsTheFailureBit) {
  const OsVersion w2000{VER_PLATFORM_WIN32_NT, 5, 0}, me{VER_PLATFORM_WIN32_WINDOWS, 4, 90},
      w7{VER_PLATFORM_WIN32_NT, 6, 1};
  struct Case {
    OsVersion os;
    const char* value;  // the value of Setup.ini's Win7_32 line; nullptr: no Setup.ini
    Strings args, messages;
  } cases[] = {
      {w2000, "x86", {}, {kUnsupported}},
      {me, "x86", {"/U"}, {kUnsupported}},
      {w7, nullptr, {}, {kOpenFailed}},
      {w7, nullptr, {"/u", "/s"}, {}},
      {w7, "", {}, {kNoLine}},
      // Shown even when silent, but only in install mode.
      {w7, "gone", {"/S"}, {"Invalid path: C:\\Dist\\gone"}},
  };
  for (const auto& c : cases) {
    FakePlatform p;
    p.system.version = c.os;
    if (c.value) p.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", {{"Win7_32", c.value}}}});
    p.files.AddDirectory("C:\\Dist\\x86");
    CSetupApp app;
    const std::string what = "Windows " + std::to_string(c.os.majorVersion) + ", Setup.ini " +
                             (c.value ? c.value : "missing") + ", " + PrintToString(c.args);
    EXPECT_EQ(FALSE, app.StartUp(c.args)) << what;
    EXPECT_EQ(c.messages, p.ui.messages) << what;
    EXPECT_EQ(EXIT_SETUP_FAILED, app.ExitInstance()) << what;
    EXPECT_EQ(0, p.inf.openFiles) << what;
    // Nor does a failed start-up, or its message box, ever touch the run guard.
    EXPECT_TRUE(p.sync.created.empty()) << what;
    // An unsupported system does not even read Setup.ini.
    const bool supported = c.os.majorVersion == 6;
    EXPECT_EQ(supported, !p.inf.opened.empty()) << what;
  }
}

// Windows on ARM runs this x86 program under emulation but loads ARM kernel
// drivers only: where IsWow64Process2 names an ARM host, start-up fails as on
// an unsupported Windows, in both modes, before Setup.ini is read. Everywhere
// else the machine changes nothing. The log names the machine either way.
TEST(SetupAppTest, AnArmHostIsAnUnsupportedWindows) {
  struct Machine {
    const char* what;
    DWORD error;
    WORD machine;
    BOOL wow64;                 // what IsWow64Process answers there
    const char* folder;         // the package folder; nullptr: unsupported
    std::string logged;         // what the header says of the word size and the machine
    bool process64Bit = false;  // the 64-bit test build
  } machines[] = {
      {"before Windows 10 1709", ERROR_PROC_NOT_FOUND, 0, TRUE, "x64", "WOW64 yes"},
      {"query fails", ERROR_ACCESS_DENIED, 0, TRUE, "x64",
       "WOW64 yes, native machine unknown (IsWow64Process2 failed, error 5)"},
      {"machine not named", ERROR_SUCCESS, 0, TRUE, "x64",
       "WOW64 yes, native machine unknown (0x0000)"},
      {"32-bit Windows", ERROR_SUCCESS, 0x014C, FALSE, "x86",
       "WOW64 no, native machine x86 (0x014C)"},
      {"64-bit Windows", ERROR_SUCCESS, 0x8664, TRUE, "x64",
       "WOW64 yes, native machine AMD64 (0x8664)"},
      {"64-bit test build", ERROR_SUCCESS, 0x8664, FALSE, "x64",
       "64-bit process (the test build), native machine AMD64 (0x8664)", true},
      {"Windows 10 on ARM", ERROR_SUCCESS, 0xAA64, FALSE, nullptr,
       "WOW64 no, native machine ARM64 (0xAA64)"},
      {"Windows 11 on ARM", ERROR_SUCCESS, 0xAA64, TRUE, nullptr,
       "WOW64 yes, native machine ARM64 (0xAA64)"},
      {"32-bit ARM", ERROR_SUCCESS, 0x01C4, FALSE, nullptr,
       "WOW64 no, native machine ARM (0x01C4)"},
  };
  for (const Machine& m : machines) {
    for (const Strings& args : {Strings{}, Strings{"/S"}, Strings{"/U"}, Strings{"/U", "/S"}}) {
      const std::string what = std::string(m.what) + ", " + PrintToString(args);
      FakePlatform p;
      FakeLogFile& log = p.log;
      // What Windows 8 to 11 tell a program whose manifest names no later version.
      p.system.version = OsVersion{VER_PLATFORM_WIN32_NT, 6, 2};
      p.system.wow64 = m.wow64;
      p.system.process64Bit = m.process64Bit;
      p.system.nativeMachineError = m.error;
      p.system.nativeMachine = m.machine;
      p.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", {{"Win7_32", "x86"}, {"Win7_64", "x64"}}}});
      p.files.AddDirectory("C:\\Dist\\x86");
      p.files.AddDirectory("C:\\Dist\\x64");
      CSetupApp app;
      const bool silent = args.size() == 2 || args == Strings{"/S"};
      EXPECT_EQ(m.folder ? TRUE : FALSE, app.StartUp(args)) << what;
      if (m.folder) {
        EXPECT_EQ(std::string("C:\\Dist\\") + m.folder, app.m_strPackageDir) << what;
        EXPECT_TRUE(p.ui.messages.empty()) << what;
      } else {
        EXPECT_EQ(silent ? Strings{} : Strings{kUnsupported}, p.ui.messages) << what;
        EXPECT_EQ(EXIT_SETUP_FAILED, app.ExitInstance()) << what;
        EXPECT_TRUE(p.inf.opened.empty()) << what;
        EXPECT_TRUE(p.sync.created.empty()) << what;
      }
      const Strings lines = log.TextLines("C:\\Windows\\ZavCirSetup.log");
      ASSERT_GT(lines.size(), 3u) << what;
      const std::string machine = "platform 2, " + m.logged + ", code page ";
      EXPECT_NE(std::string::npos, lines[2].find(machine)) << what << "\n" << lines[2];
      if (!m.folder) {
        EXPECT_NE(std::string::npos,
                  lines[3].find("edition tag: none (unsupported Windows: an ARM machine loads "
                                "no x86 or x64 driver)"))
            << what;
      }
    }
  }
}

TEST(SetupAppTest, RunsFromAShareAsFromADrive) {
  const std::string store = "C:\\Windows\\System32\\DriverStore\\FileRepository\\zavcir.inf_x86_1";
  struct Case {
    std::u16string module;
    std::string dir;
  } cases[] = {
      {u"\\\\server\\share\\dist\\Setup.exe", "\\\\server\\share\\dist"},
      {u"\\\\server\\share\\Setup.exe", "\\\\server\\share"},
  };
  for (const auto& c : cases) {
    FakePlatform p;
    p.system.moduleFileName = c.module;
    p.inf.AddFile(c.dir + "\\Setup.ini", {{"Dir", {{"Win7_32", "x86"}}}});
    p.files.AddDirectory(c.dir + "\\x86");
    p.files.AddDirectory(store);
    {
      CSetupApp app;
      EXPECT_EQ(TRUE, app.StartUp({"/S"})) << c.dir;
      EXPECT_EQ(c.dir, app.m_strModuleDir);
      EXPECT_EQ(Strings{c.dir + "\\Setup.ini"}, p.inf.opened);
      EXPECT_EQ(c.dir + "\\x86", app.m_strPackageDir);
      app.DoWork();
      EXPECT_EQ(Strings{"\"" + c.dir + "\\x86\\DPInst.exe\" /LM /SW /F"}, p.runner.commands);
    }
    // Without the package folder the store sweep starts the installer beside Setup.exe.
    p.files.Remove(c.dir + "\\x86");
    p.runner.commands.clear();
    CSetupApp app;
    EXPECT_EQ(TRUE, app.StartUp({"/S", "/U"})) << c.dir;
    app.DoWork();
    EXPECT_EQ(Strings{"\"" + c.dir + "\\DPInst.exe\" /s /u \"" + store + "\\zavcir.inf\""},
              p.runner.commands);
  }
}

TEST(SetupAppTest, WithoutAFolderItCanNameStartUpFailsAsWithoutSetupIni) {
  for (const Strings& args : {Strings{}, Strings{"/S"}, Strings{"/U"}, Strings{"/U", "/S"}}) {
    FakePlatform p;
    p.system.moduleFileName = u"C:\\Users\\Дмитрий\\Setup.exe";
    p.system.shortNamesOff = true;
    // The folder that the ANSI path would name is not this distribution's.
    p.inf.AddFile("C:\\Users\\???????\\Setup.ini", {{"Dir", {{"Win7_32", "x86"}}}});
    p.files.AddDirectory("C:\\Users\\???????\\x86");
    CSetupApp app;
    const bool silent = args.size() == 2 || args == Strings{"/S"};
    EXPECT_EQ(FALSE, app.StartUp(args)) << PrintToString(args);
    EXPECT_EQ(silent ? Strings{} : Strings{kOpenFailed}, p.ui.messages) << PrintToString(args);
    EXPECT_EQ(EXIT_SETUP_FAILED, app.ExitInstance());
    EXPECT_EQ("", app.m_strModuleDir);
    EXPECT_TRUE(p.inf.opened.empty());
  }
}

}  // namespace

// Deployment tools run installs from a service, in a window station that
// nobody sees: there a run asks nobody anything, as with /S, the box of a
// broken distribution included, and the log says why in one line. A station
// whose flags cannot be read counts as visible, as every station did before.
TEST(SetupAppTest, AWindowStationNobodySeesMakesTheRunSilent) {
  const std::string store = "C:\\Windows\\System32\\DriverStore\\FileRepository\\zavcir.inf_x86_1";
  const std::string installer = "\"C:\\Dist\\x86\\DPInst.exe\" ";
  struct Station {
    const char* what;
    DWORD error, flags;
    bool hidden;
    const char* line;  // after the header; nullptr: none
  } stations[] = {
      {"interactive", ERROR_SUCCESS, WSF_VISIBLE, false, nullptr},
      {"a service's", ERROR_SUCCESS, 0, true,
       "Window station Service-0x0-3e7$ is not visible (flags 0x00000000), as a service's is: "
       "nobody could answer a message box or the installer's wizard, so the run is silent, as "
       "with /S"},
      {"flags unknown", ERROR_ACCESS_DENIED, 0, false,
       "Window station Service-0x0-3e7$: its flags could not be read (error 5); taken as "
       "visible"},
  };
  struct Run {
    const char* what;
    Strings args;
    const char* folder;   // Setup.ini's value; nullptr: no Setup.ini
    Strings boxes;        // shown in the interactive station
    std::string command;  // the one command started, "" none; each: interactive, silent
    std::string silentCommand;
  } runs[] = {
      {"install", {}, "x86", {}, installer + "/LM /P", installer + "/LM /SW /F"},
      {"uninstall",
       {"/U"},
       "x86",
       {},
       installer + " /u \"" + store + "\\zavcir.inf\"",
       installer + "/s /u \"" + store + "\\zavcir.inf\""},
      {"no Setup.ini", {}, nullptr, {kOpenFailed}, "", ""},
      {"invalid path", {}, "gone", {"Invalid path: C:\\Dist\\gone"}, "", ""},
      {"invalid path, /S", {"/S"}, "gone", {"Invalid path: C:\\Dist\\gone"}, "", ""},
  };
  for (const Station& s : stations) {
    for (const Run& r : runs) {
      const std::string what = std::string(s.what) + ", " + r.what;
      FakePlatform p;
      p.ui.stationError = s.error;
      p.ui.stationFlags = s.flags;
      p.ui.stationName = "Service-0x0-3e7$";
      if (r.folder) p.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", {{"Win7_32", r.folder}}}});
      p.files.AddDirectory("C:\\Dist\\x86");
      p.files.AddDirectory(store);
      CSetupApp app;
      const BOOL started = app.StartUp(r.args);
      EXPECT_EQ(s.hidden ? TRUE : FALSE, app.m_bHiddenStation) << what;
      EXPECT_EQ(started != FALSE, !r.command.empty()) << what;
      if (started) app.DoWork();
      const bool silent = s.hidden || r.args == Strings{"/S"};
      EXPECT_EQ(s.hidden ? Strings{} : r.boxes, p.ui.messages) << what;
      const std::string command = silent ? r.silentCommand : r.command;
      EXPECT_EQ(command.empty() ? Strings{} : Strings{command}, p.runner.commands) << what;
      // The station's line follows the header's mode line; none where it is visible.
      const Strings lines = p.log.TextLines("C:\\Windows\\ZavCirSetup.log");
      ASSERT_GT(lines.size(), 4u) << what;
      EXPECT_EQ(0u, lines[3].rfind("Mode: ", 0)) << what;
      if (s.line) {
        EXPECT_EQ(s.line, lines[4]) << what;
      } else {
        EXPECT_NE(0u, lines[4].rfind("Window station", 0)) << what;
      }
      if (s.hidden && !r.boxes.empty()) {
        EXPECT_EQ("Start-up failed (window station not visible, no message shown): " + r.boxes[0],
                  lines.end()[-1])
            << what;
      }
    }
  }
}
