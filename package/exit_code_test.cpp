#include "package/exit_code.h"

#include <gtest/gtest.h>

namespace {

TEST(ExitCode, NamesItsBitsInWords) {
  struct Case {
    int code;
    const char* text;
  } cases[] = {
      {SETUP_SUCCESS, "0x00000000 (success)"},
      {EXIT_RESTART_NEEDED | EXIT_REMOVE_FAILED, "0x00000003 (restart needed, removal failed)"},
      {EXIT_SETUP_FAILED, "0x00000004 (setup failed)"},
      {EXIT_REMOVE_FAILED | 0x10, "0x00000012 (removal failed, other bits 0x00000010)"},
      {-1, "0xFFFFFFFF (restart needed, removal failed, setup failed, other bits 0xFFFFFFF8)"},
  };
  for (const auto& c : cases) EXPECT_EQ(DescribeExitCode(c.code), c.text);
}

}  // namespace
