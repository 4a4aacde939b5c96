// Where an operation promises that a failure leaves its out-parameter alone,
// the fakes keep the promise as Windows does: a sentinel passed in is still
// there after each failing call, and replaced after each succeeding one (as
// Wine's conformance tests check the out-parameters of these calls). The core
// relies on it: an owner's put() slot stays empty when an open fails, and a
// value read before a failed query stays in force.
#include <gtest/gtest.h>

#include <memory>

#include "env/file_system.h"
#include "env/log_file.h"
#include "env/process_runner.h"
#include "env/registry.h"
#include "env/system_info.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_log_file.h"
#include "tests/fakes/fake_platform.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_system_info.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

TEST(UntouchedOnFailureTest, RegistryOpenKeySetsTheKeyOnlyOnSuccess) {
  const HKEY sentinel = reinterpret_cast<HKEY>(static_cast<uintptr_t>(kSentinel));
  enum Parent { kMachine, kOpenParent, kDeletedParent, kBogusParent };
  const struct Case {
    const char* what;
    Parent parent;
    const char* subKey;
    REGSAM view;
    LONG result;
  } cases[] = {
      {"an existing key", kMachine, "U\\K", KEY_WOW64_64KEY, ERROR_SUCCESS},
      {"below an open parent", kOpenParent, "K", 0, ERROR_SUCCESS},
      {"a missing key", kMachine, "U\\Missing", KEY_WOW64_64KEY, ERROR_FILE_NOT_FOUND},
      {"a key of the other view only", kMachine, "U\\K", 0, ERROR_FILE_NOT_FOUND},
      {"access denied", kMachine, "U\\Denied", KEY_WOW64_64KEY, ERROR_ACCESS_DENIED},
      {"below a deleted parent", kDeletedParent, "K", 0, ERROR_KEY_DELETED},
      {"below a handle that is no key", kBogusParent, "K", 0, ERROR_INVALID_HANDLE},
  };
  for (const Case& c : cases) {
    FakeRegistry registry;
    registry.SetViewRule(FakeRegistry::ViewRule::kWin7);
    registry.AddKey("U\\K");
    registry.AddKey("U\\Denied");
    registry.FailOpen("U\\Denied", ERROR_ACCESS_DENIED);
    HKEY parent = HKEY_LOCAL_MACHINE;
    if (c.parent == kOpenParent || c.parent == kDeletedParent) {
      ASSERT_EQ(ERROR_SUCCESS, registry.OpenKey(HKEY_LOCAL_MACHINE, "U",
                                                KEY_QUERY_VALUE | KEY_WOW64_64KEY, &parent));
    }
    if (c.parent == kDeletedParent) registry.RemoveKey("U");
    if (c.parent == kBogusParent) parent = sentinel;
    HKEY key = sentinel;
    EXPECT_EQ(c.result, registry.OpenKey(parent, c.subKey, KEY_QUERY_VALUE | c.view, &key))
        << c.what;
    EXPECT_EQ(c.result == ERROR_SUCCESS, key != sentinel) << c.what;
    if (key != sentinel) registry.CloseKey(key);
    if (parent != HKEY_LOCAL_MACHINE && parent != sentinel) registry.CloseKey(parent);
    EXPECT_EQ(0, registry.OpenKeyCount()) << c.what;
  }
}

TEST(UntouchedOnFailureTest, RegistryCreateKeySetsTheKeyOnlyOnSuccess) {
  const HKEY sentinel = reinterpret_cast<HKEY>(static_cast<uintptr_t>(kSentinel));
  const struct Case {
    const char* what;
    const char* subKey;
    REGSAM view;
    LONG result;
    bool created;  // the key did not exist before
  } cases[] = {
      {"an existing key", "U\\K", KEY_WOW64_64KEY, ERROR_SUCCESS, false},
      {"a key and its parent made", "V\\W\\X", KEY_WOW64_64KEY, ERROR_SUCCESS, true},
      {"the other view's key is another", "U\\K", 0, ERROR_SUCCESS, true},
      {"trailing backslashes", "U\\New\\\\", KEY_WOW64_64KEY, ERROR_SUCCESS, true},
      {"a leading backslash", "\\U\\K2", KEY_WOW64_64KEY, ERROR_BAD_PATHNAME, false},
      {"access denied", "U\\Denied", KEY_WOW64_64KEY, ERROR_ACCESS_DENIED, false},
  };
  for (const Case& c : cases) {
    FakeRegistry registry;
    registry.SetViewRule(FakeRegistry::ViewRule::kWin7);
    registry.AddKey("U\\K");
    registry.FailOpen("U\\Denied", ERROR_ACCESS_DENIED);
    const FakeRegistry::View view = c.view ? FakeRegistry::View::k64 : FakeRegistry::View::k32;
    const std::string path = std::string(c.subKey).substr(0, std::string(c.subKey).find("\\\\"));
    EXPECT_EQ(c.result == ERROR_SUCCESS && !c.created, registry.HasKey(path, view)) << c.what;
    HKEY key = sentinel;
    EXPECT_EQ(c.result,
              registry.CreateKey(HKEY_LOCAL_MACHINE, c.subKey, KEY_SET_VALUE | c.view, &key))
        << c.what;
    EXPECT_EQ(c.result == ERROR_SUCCESS, key != sentinel) << c.what;
    EXPECT_EQ(c.result == ERROR_SUCCESS, registry.HasKey(path, view)) << c.what;
    if (key != sentinel) registry.CloseKey(key);
    EXPECT_EQ(0, registry.OpenKeyCount()) << c.what;
  }
}

TEST(UntouchedOnFailureTest, RegistryQueryKeyCountsSetsThemOnlyOnSuccess) {
  const struct Case {
    const char* what;
    REGSAM access;
    bool deleted;
    LONG result;
    DWORD subKeys, values;  // on success
  } cases[] = {
      {"a key with a subkey and two values", KEY_QUERY_VALUE, false, ERROR_SUCCESS, 1, 2},
      {"opened without KEY_QUERY_VALUE", KEY_SET_VALUE, false, ERROR_ACCESS_DENIED, 0, 0},
      {"deleted meanwhile", KEY_QUERY_VALUE, true, ERROR_KEY_DELETED, 0, 0},
  };
  for (const Case& c : cases) {
    FakeRegistry registry;
    registry.AddKey("U\\K\\Sub");
    registry.SetString("U\\K", "", "default");  // the default value counts
    registry.SetString("U\\K", "Named", "x");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, registry.OpenKey(HKEY_LOCAL_MACHINE, "U\\K", c.access, &key));
    if (c.deleted) registry.RemoveKey("U\\K");
    DWORD subKeys = kSentinel, values = kSentinel;
    EXPECT_EQ(c.result, registry.QueryKeyCounts(key, &subKeys, &values)) << c.what;
    EXPECT_EQ(c.result == ERROR_SUCCESS ? c.subKeys : kSentinel, subKeys) << c.what;
    EXPECT_EQ(c.result == ERROR_SUCCESS ? c.values : kSentinel, values) << c.what;
    registry.CloseKey(key);
  }
}

TEST(UntouchedOnFailureTest, FileSystemGetAttributesSetsThemOnlyOnSuccess) {
  const struct Case {
    const char* what;
    const char* path;
    bool found;
    DWORD attributes;  // when found
  } cases[] = {
      {"a file", "C:\\Dist\\Setup.ini", true, FILE_ATTRIBUTE_ARCHIVE},
      {"a folder", "C:\\Dist", true, FILE_ATTRIBUTE_DIRECTORY},
      {"a name in another case", "c:\\DIST\\setup.INI", true, FILE_ATTRIBUTE_ARCHIVE},
      {"a missing file", "C:\\Dist\\Missing.ini", false, 0},
      {"a removed file", "C:\\Dist\\Gone.ini", false, 0},
  };
  for (const Case& c : cases) {
    FakeFileSystem files;
    files.AddDirectory("C:\\Dist");
    files.AddFile("C:\\Dist\\Setup.ini", "[Dir]\r\n");
    files.AddFile("C:\\Dist\\Gone.ini", "");
    files.Remove("C:\\Dist\\Gone.ini");
    DWORD attributes = kSentinel;
    EXPECT_EQ(c.found, files.GetAttributes(c.path, &attributes)) << c.what;
    EXPECT_EQ(c.found ? c.attributes : kSentinel, attributes) << c.what;
  }
}

TEST(UntouchedOnFailureTest, SystemInfoQueriesSetTheirAnswerOnlyOnSuccess) {
  const struct Case {
    const char* what;
    bool versionOk;
    DWORD nativeMachineError;
  } cases[] = {
      {"both answered", true, ERROR_SUCCESS},
      {"version query failed; IsWow64Process2 absent", false, ERROR_PROC_NOT_FOUND},
      {"IsWow64Process2 failed", true, ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    FakeSystemInfo system;
    system.versionOk = c.versionOk;
    system.version = OsVersion{VER_PLATFORM_WIN32_NT, 10, 0};
    system.nativeMachineError = c.nativeMachineError;
    system.nativeMachine = IMAGE_FILE_MACHINE_AMD64;
    OsVersion version{kSentinel, kSentinel, kSentinel};
    EXPECT_EQ(c.versionOk, system.GetVersion(&version)) << c.what;
    EXPECT_EQ(c.versionOk ? DWORD{VER_PLATFORM_WIN32_NT} : kSentinel, version.platformId) << c.what;
    EXPECT_EQ(c.versionOk ? DWORD{10} : kSentinel, version.majorVersion) << c.what;
    EXPECT_EQ(c.versionOk ? DWORD{0} : kSentinel, version.minorVersion) << c.what;
    WORD machine = 0xbeef;
    EXPECT_EQ(c.nativeMachineError, system.QueryNativeMachine(&machine)) << c.what;
    EXPECT_EQ(c.nativeMachineError == ERROR_SUCCESS ? IMAGE_FILE_MACHINE_AMD64 : 0xbeef, machine)
        << c.what;
  }
}

TEST(UntouchedOnFailureTest, LogFileGetSizeSetsItOnlyForAnExistingFile) {
  const struct Case {
    const char* what;
    const char* path;
    bool found;
    uint64_t size;  // when found
  } cases[] = {
      {"a file", "C:\\Windows\\ZavCirSetup.log", true, 5},
      {"an empty file", "C:\\Windows\\ZavCirSetup.log.old", true, 0},
      {"a missing file", "C:\\Windows\\Missing.log", false, 0},
  };
  for (const Case& c : cases) {
    FakeLogFile log;
    log.files["C:\\Windows\\ZavCirSetup.log"] = "line\n";
    log.files["C:\\Windows\\ZavCirSetup.log.old"] = "";
    uint64_t size = kSentinel;
    EXPECT_EQ(c.found, log.GetSize(c.path, &size)) << c.what;
    EXPECT_EQ(c.found ? c.size : kSentinel, size) << c.what;
  }
}

TEST(UntouchedOnFailureTest, StartedProcessGetExitCodeSetsItOnlyOnSuccess) {
  const struct Case {
    const char* what;
    DWORD exitCodeError;
  } cases[] = {
      {"read", 0},
      {"access denied", ERROR_ACCESS_DENIED},
      {"invalid handle", ERROR_INVALID_HANDLE},
  };
  for (const Case& c : cases) {
    FakePlatform p;
    p.runner.results = {0x2};
    p.runner.exitCodeError = c.exitCodeError;
    DWORD error = kSentinel;
    const std::unique_ptr<StartedProcess> process = p.runner.Start("DPInst.exe", nullptr, &error);
    ASSERT_TRUE(process) << c.what;
    ASSERT_EQ(WAIT_OBJECT_0, process->Wait(&error)) << c.what;
    DWORD exitCode = kSentinel;
    EXPECT_EQ(c.exitCodeError == 0, process->GetExitCode(&exitCode, &error) != FALSE) << c.what;
    EXPECT_EQ(c.exitCodeError == 0 ? DWORD{0x2} : kSentinel, exitCode) << c.what;
    EXPECT_EQ(c.exitCodeError == 0 ? kSentinel : c.exitCodeError, error) << c.what;
  }
}

}  // namespace
