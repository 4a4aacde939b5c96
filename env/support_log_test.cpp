#include "env/support_log.h"

#include <gtest/gtest.h>

#include "env/log_file.h"
#include "tests/fakes/fake_log_file.h"
#include "tests/fakes/fake_platform.h"

namespace {

constexpr char kLog[] = "C:\\Windows\\ZavCirSetup.log";
constexpr char kOld[] = "C:\\Windows\\ZavCirSetup.log.old";

// The fakes, with their log.
struct LogPlatform {
  FakePlatform p;
  FakeLogFile& log = p.log;
};

TEST(SupportLog, FormatsOneStampedLinePerText) {
  const LocalTime t{2024, 1, 2, 3, 4, 5, 6};
  struct Case {
    std::string text, line;
  } cases[] = {
      {"Install +\n", "2024-01-02 03:04:05.006 [77] Install +\r\n"},
      {"no line end", "2024-01-02 03:04:05.006 [77] no line end\r\n"},
      {"crlf\r\n", "2024-01-02 03:04:05.006 [77] crlf\r\n"},
      {"", "2024-01-02 03:04:05.006 [77] \r\n"},
      // A value from the registry cannot forge a line of its own.
      {"a\nb\rc\x01\x7F"
       "d\te\n",
       "2024-01-02 03:04:05.006 [77] a?b?c??d\te\r\n"},
      {std::string("nul\0x", 5), "2024-01-02 03:04:05.006 [77] nul?x\r\n"},
      // Double-byte text (trail byte 0x5C) and high bytes pass unchanged.
      {"C:\\\x95\x5C\\x \xE9", "2024-01-02 03:04:05.006 [77] C:\\\x95\x5C\\x \xE9\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatLogLine(t, 77, c.text), c.line);
  EXPECT_EQ(FormatLogLine(LocalTime{2024, 12, 31, 23, 59, 59, 999}, 4294967295u, "x"),
            "2024-12-31 23:59:59.999 [4294967295] x\r\n");
}

TEST(SupportLog, RollsOverOnlyWhenTheLogPassesOneMebibyte) {
  struct Case {
    const char* what;
    bool exists;
    uint64_t size;
    bool renameFails, rolled;
  } cases[] = {
      {"no log yet", false, 0, false, false},
      {"small log", true, 10, false, false},
      {"exactly 1 MiB", true, SUPPORT_LOG_ROLLOVER_SIZE, false, false},
      {"1 MiB and a byte: the .old is replaced", true, SUPPORT_LOG_ROLLOVER_SIZE + 1, false, true},
      {"over, the rename fails", true, SUPPORT_LOG_ROLLOVER_SIZE + 1, true, false},
  };
  for (const auto& c : cases) {
    LogPlatform lp;
    const std::string before(c.size, 'x');
    if (c.exists) lp.log.files[kLog] = before;
    lp.log.files[kOld] = "older run";
    lp.log.failRename = c.renameFails;
    OpenSupportLog();
    LogLine("first");
    EXPECT_EQ(lp.log.openPath(), kLog) << c.what;
    const std::string line = "2024-05-17 09:03:07.000 [4242] first\r\n";
    EXPECT_EQ(lp.log.files[kOld], c.rolled ? before : "older run") << c.what;
    EXPECT_EQ(lp.log.files[kLog], c.rolled ? line : before + line) << c.what;
  }
}

TEST(SupportLog, WithoutTheWindowsDirectoryThereIsNoLog) {
  LogPlatform lp;
  lp.p.system.windowsDirectory = "";
  OpenSupportLog();
  LogLine("x");
  EXPECT_TRUE(lp.log.opened.empty());
  EXPECT_TRUE(lp.log.files.empty());  // nothing written relative to the current folder
}

}  // namespace
